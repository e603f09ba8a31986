// Timings of the form image under a real window: loading a form against the
// floor of reading the same file, and repainting the view at both sizes.
// Prints medians in milliseconds. Usage: bench.exe form1.bmp [form2.bmp ...]
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <vector>

#include "entries/entry_draw.h"
#include "entries/entry_record.h"
#include "shell/main_window.h"
#include "view/form_image.h"
#include "view/view_state.h"

static double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * (double)t.QuadPart / (double)frequency.QuadPart;
}

template <class F> static double Median(int runs, F f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        double start = Now();
        f();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

static void ReadWholeFile(const char* path, std::vector<char>& buffer)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD size = GetFileSize(file, NULL);
    if (buffer.size() < size)
        buffer.resize(size);
    DWORD got = 0;
    ReadFile(file, buffer.data(), size, &got, NULL);
    CloseHandle(file);
}

// One repaint of the whole client area, until it has gone out to the display.
static void Repaint()
{
    InvalidateRect(MainWindow, NULL, FALSE);
    UpdateWindow(MainWindow);
    GdiFlush();
}

static void StretchHalftone()
{
    HDC dc = GetDC(MainWindow);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, NULL);
    StretchBlt(dc, 0, 0, ClientSize.cx, ClientSize.cy, FormImage.hdcMem, 0, 0, 2 * ClientSize.cx,
               2 * ClientSize.cy, SRCCOPY);
    ReleaseDC(MainWindow, dc);
    GdiFlush();
}

static void Pump()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Writes an entry file of 200 entries beside the form: plain texts, or
// formulas each referring to the one before, the chain running past what
// one evaluation may follow.
static void WriteEntries(const char* entryPath, bool formulas)
{
    HANDLE file = CreateFileA(entryPath, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    for (int i = 0; i < EntryTableSlots; i++) {
        EntryRecord r = {};
        r.x = 100 + (i % 4) * 500;
        r.y = 100 + (i / 4) * 60;
        r.width = 300;
        r.height = 30;
        if (!formulas)
            wsprintfA(r.text, "Entry number %d", i + 1);
        else if (i == 0)
            strcpy(r.text, "#1=1");
        else
            wsprintfA(r.text, "#%d=#%d+1", i + 1, i);
        strcpy(r.faceName, "Arial");
        r.size = 15;
        r.weight = 400;
        uint8_t bytes[EntryRecordSize];
        EncodeEntryRecord(r, bytes);
        DWORD written;
        WriteFile(file, bytes, EntryRecordSize, &written, NULL);
    }
    CloseHandle(file);
}

static void BenchEntries(const char* form, int runs)
{
    strncpy(ChosenPath, form, PathBufferSize - 1);
    char entryPath[PathBufferSize];
    EntryFilePathOf(ChosenPath, entryPath);
    DeleteFileA(entryPath);
    ShowWindow(MainWindow, SW_HIDE);
    ReloadForm();
    double bare = Median(runs, [] { ReloadForm(); });
    printf("\nentries on %s (window hidden: no repaint)\n", strrchr(form, '\\') ? strrchr(form, '\\') + 1 : form);
    printf("%-34s %10s %10s %8s %8s\n", "", "entries", "reload", "share", "x bare");
    for (int formulas = 0; formulas <= 1; formulas++) {
        WriteEntries(entryPath, formulas != 0);
        ReloadForm();
        double entries = Median(runs, [] { LoadFormEntries(); });
        double reload = Median(runs, [] { ReloadForm(); });
        printf("%-34s %10.2f %10.2f %7.0f%% %8.2f\n", formulas ? "200 chained formulas" : "200 plain entries",
               entries, reload, 100.0 * entries / reload, reload / bare);
    }
    printf("%-34s %10s %10.2f\n", "bare bitmap load", "", bare);
    DeleteFileA(entryPath);
    ShowWindow(MainWindow, SW_SHOW);
}

int main(int argc, char** argv)
{
    const int runs = 31;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "Scrivelander";
    RegisterClassA(&windowClass);
    Instance = windowClass.hInstance;
    CreateWindowExA(0, "Scrivelander", "bench", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                    NULL, NULL, Instance, NULL);
    // A window whose client area is 1600 x 1000.
    WindowSize.cx = 1606;
    WindowSize.cy = 1044;
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);
    RECT client;
    GetClientRect(MainWindow, &client);
    WindowSize.cx += 1600 - client.right;
    WindowSize.cy += 1000 - client.bottom;
    SendMessageA(MainWindow, WM_SIZE, 0, 0);
    Pump();
    printf("client area %ld x %ld; medians of %d runs in ms\n", ClientSize.cx, ClientSize.cy, runs);
    printf("%-28s %8s %8s %6s %9s %9s %11s %7s\n", "form", "load", "floor", "ratio", "half", "full",
           "halftone", "fps@half");
    std::vector<char> buffer;
    for (int i = 1; i < argc; i++) {
        strncpy(ChosenPath, argv[i], PathBufferSize - 1);
        ReloadForm();   // first load: creates the image, warms the page cache
        ReadWholeFile(argv[i], buffer);
        // The load alone: a hidden window is not repainted by it.
        ShowWindow(MainWindow, SW_HIDE);
        double load = Median(runs, [] { ReloadForm(); });
        ShowWindow(MainWindow, SW_SHOW);
        Pump();
        double floor = Median(runs, [&] { ReadWholeFile(argv[i], buffer); });
        ViewState.halfSize = 1;
        Repaint();
        double half = Median(runs, [] { Repaint(); });
        double halftone = Median(runs, [] { StretchHalftone(); });
        ViewState.halfSize = 0;
        Repaint();
        double full = Median(runs, [] { Repaint(); });
        // A whole edit at half size: reload (which changes the picture) and repaint.
        ViewState.halfSize = 1;
        double edit = Median(runs, [] { ReloadForm(); Repaint(); });
        const char* name = strrchr(argv[i], '\\') ? strrchr(argv[i], '\\') + 1 : argv[i];
        printf("%-28s %8.2f %8.2f %6.2f %9.2f %9.2f %11.2f %7.0f\n", name, load, floor, load / floor, half,
               full, halftone, 1000.0 / half);
        printf("%-28s reload + half-size repaint: %.2f ms\n", "", edit);
        Pump();
    }
    if (argc > 1)
        BenchEntries(argv[argc - 1], runs);
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    return 0;
}
