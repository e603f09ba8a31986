// What the form image costs under a real window, one form a run (each run
// is a process of its own, so its peak memory is that form's alone).
// Medians of several runs in milliseconds; each ratio is taken within one
// run. The client area is 1600 x 1000, the view at half size unless said.
//
//   bench.exe FORM.bmp            the form's figures: a line for each table
//   bench.exe --largest FORM.bmp  a form of the largest size: it opens,
//                                 scrolls at both offset parities and takes
//                                 an entry, and what that cost
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "entries/entry_changes.h"
#include "entries/entry_edit.h"
#include "entries/entry_draw.h"
#include "entries/entry_record.h"
#include "entries/field_tab.h"
#include "output/pdf_save.h"
#include "tests/unit/test_entry.h"
#include "tests/unit/test_picture.h"
#include "shell/main_window.h"
#include "view/bmp_format.h"
#include "view/form_fields.h"
#include "view/form_image.h"
#include "view/half_view.h"
#include "view/view_state.h"
#include "view/view_globals.h"

// Bytes the program holds through operator new, now and at most since the
// last reset: the field finder's working memory is what it allocates.
static size_t HeldBytes = 0, PeakHeldBytes = 0;

// Each block carries its size in a header of its own, 16 bytes to keep the
// alignment malloc gives.
const size_t BlockHeader = 16;

void* operator new(size_t size)
{
    uint8_t* block = (uint8_t*)malloc(size + BlockHeader);
    if (!block)
        throw std::bad_alloc();
    memcpy(block, &size, sizeof size);
    HeldBytes += size;
    PeakHeldBytes = std::max(PeakHeldBytes, HeldBytes);
    return block + BlockHeader;
}

void operator delete(void* p) noexcept
{
    if (!p)
        return;
    uint8_t* block = (uint8_t*)(uintptr_t)((uintptr_t)p - BlockHeader);
    size_t size;
    memcpy(&size, block, sizeof size);
    HeldBytes -= size;
    free(block);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

static double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * (double)t.QuadPart / (double)frequency.QuadPart;
}

template <class F> static std::vector<double> Times(int runs, F f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        double start = Now();
        f();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times;
}

template <class F> static double Median(int runs, F f)
{
    std::vector<double> times = Times(runs, f);
    return times[times.size() / 2];
}

static double MegaBytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

static PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

static std::vector<std::string> Messages;
static void RecordMessage(const char* text)
{
    Messages.push_back(text);
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
    InvalidateRect(gMainWindow, NULL, FALSE);
    UpdateWindow(gMainWindow);
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

static void MakeWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "Scrivelander";
    RegisterClassA(&windowClass);
    gInstance = windowClass.hInstance;
    CreateWindowExA(0, "Scrivelander", "bench", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                    NULL, NULL, gInstance, NULL);
    // A window whose client area is 1600 x 1000.
    gWindowSize.cx = 1606;
    gWindowSize.cy = 1044;
    ShowWindow(gMainWindow, SW_SHOW);
    UpdateWindow(gMainWindow);
    RECT client;
    GetClientRect(gMainWindow, &client);
    gWindowSize.cx += 1600 - client.right;
    gWindowSize.cy += 1000 - client.bottom;
    SendMessageA(gMainWindow, WM_SIZE, 0, 0);
    Pump();
}

static EntryRecord PlainRecord(int x, int y, const char* text)
{
    EntryRecord r = TestEntry(x, y, text);
    r.width = 300;
    r.height = 30;
    return r;
}

static void WriteRecords(const char* entryPath, const std::vector<EntryRecord>& records)
{
    DeleteFileA(entryPath);
    if (records.empty())
        return;
    HANDLE file = CreateFileA(entryPath, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    for (const EntryRecord& r : records) {
        uint8_t bytes[EntryRecordSize];
        EncodeEntryRecord(r, bytes);
        DWORD written;
        WriteFile(file, bytes, EntryRecordSize, &written, NULL);
    }
    CloseHandle(file);
}

// 200 entries over the form: plain texts, or formulas each referring to the
// one before, the chain running past what one evaluation may follow.
static std::vector<EntryRecord> TwoHundredEntries(bool formulas)
{
    std::vector<EntryRecord> records;
    int across = gFormImage.width / 600 > 0 ? gFormImage.width / 600 : 1;
    int down = (EntryTableSlots + across - 1) / across;
    int step = (gFormImage.height - 200) / down > 30 ? (gFormImage.height - 200) / down : 30;
    for (int i = 0; i < EntryTableSlots; i++) {
        char text[EntryTextSize];
        if (!formulas)
            wsprintfA(text, "Entry number %d", i + 1);
        else if (i == 0)
            strcpy(text, "#1=1");
        else
            wsprintfA(text, "#%d=#%d+1", i + 1, i);
        records.push_back(PlainRecord(100 + (i % across) * 600, 100 + (i / across) * step, text));
    }
    return records;
}

static const char* BaseName(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

static void Open(const char* path)
{
    strncpy(gChosenPath, path, PathBufferSize - 1);
    gShowLoadMessage = RecordMessage;
    OpenForm(path);
}

static void SetOffsets(int x, int y)
{
    gViewState.offsetX = std::min(std::max(x, 0), gViewState.keyLimitX);
    gViewState.offsetY = std::min(std::max(y, 0), gViewState.keyLimitY);
}

// Scrolls down the form at half size in steps of 110 image pixels (an arrow
// key's step there) from the top-left corner, at one offset parity, and
// returns each step's repaint. The first repaint, of a view not shown
// before, is not a scroll step: "changed" measures that.
static std::vector<double> ScrollDown(int parity)
{
    gViewState.halfSize = 1;
    SetOffsets(parity + 400, parity);
    Repaint();
    std::vector<double> times;
    for (int y = parity + 110; y <= gViewState.keyLimitY + 110; y += 110) {
        SetOffsets(parity + 400, y);
        double start = Now();
        Repaint();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times;
}

// ---- the two ways of making the half-size view, measured directly ----

struct Rows {
    PixelFormat format;
    uint32_t stride;
    const uint8_t* row(int y) const
    {
        if (y >= gFormImage.height)
            return nullptr;
        bool bottomUp = gFormImage.headerCopy.biHeight > 0;
        return (const uint8_t*)gFormImage.bits + (size_t)(bottomUp ? gFormImage.height - 1 - y : y) * stride;
    }
};

static Rows FormRows()
{
    Rows rows;
    rows.format = PixelFormatOf(gFormImage.headerBlock, gFormImage.headerBlockSize);
    rows.stride = (uint32_t)BmpRowStride((uint32_t)gFormImage.width, (uint32_t)rows.format.bitCount);
    return rows;
}

// The half-size picture of one rectangle of the form, `width` x `height`
// screen pixels from image point (x, y), averaged into `out`.
static void AverageRectangle(const Rows& rows, int x, int y, int width, int height, uint32_t* out, int outStride)
{
    for (int j = 0; j < height; j++) {
        int top = y + 2 * j;
        if (top >= gFormImage.height) {
            std::fill(out + (size_t)j * outStride, out + (size_t)j * outStride + width, 0xFFFFFFu);
            continue;
        }
        AverageHalfRow(rows.format, rows.row(top), rows.row(top + 1), gFormImage.width, x, width,
                       out + (size_t)j * outStride);
    }
}

struct DesignFigures {
    double visibleEven, visibleOdd;   // the visible part averaged and shown at every repaint
    double wholePicture;              // one kept half-size picture made whole (after a reload, or at the other parity)
    double wholeBytes;
    double entryRectangle;            // that picture brought up to date under one drawn entry
};

static DesignFigures MeasureDesigns(int runs)
{
    DesignFigures d = {};
    GdiFlush();
    Rows rows = FormRows();
    TestPicture view = MakeTestPicture(gClientSize.cx, gClientSize.cy);
    for (int parity = 0; parity <= 1; parity++) {
        int x = 400 + parity, y = 600 + parity;
        double t = Median(runs, [&] {
            AverageRectangle(rows, x, y, gClientSize.cx, gClientSize.cy, view.pixels, gClientSize.cx);
            HDC dc = GetDC(gMainWindow);
            BitBlt(dc, 0, 0, gClientSize.cx, gClientSize.cy, view.dc, 0, 0, SRCCOPY);
            ReleaseDC(gMainWindow, dc);
            GdiFlush();
        });
        (parity ? d.visibleOdd : d.visibleEven) = t;
    }
    ReleaseTestPicture(view);

    int width = (gFormImage.width + 1) / 2, height = (gFormImage.height + 1) / 2;
    d.wholeBytes = 4.0 * width * height;
    uint32_t* whole = (uint32_t*)malloc((size_t)width * height * 4);
    if (whole) {
        d.wholePicture = Median(std::max(3, runs / 4), [&] { AverageRectangle(rows, 0, 0, width, height, whole, width); });
        // A plain entry of 15-point text, 600 x 60 image pixels.
        d.entryRectangle = Median(runs, [&] {
            AverageRectangle(rows, 800, 800, 300, 30, whole + (size_t)400 * width + 400, width);
        });
        free(whole);
    }
    return d;
}

// ---- one form ----

// Finding the fields of the form on screen, as every open does: the open
// only starts the search, which reads the form's file on a thread of its
// own; then Tab from field to field: each Tab opens the next field's entry
// box, with the view scrolled to it and drawn; the box is then closed again.
struct FieldFigures {
    double start;       // what the open spends on it: starting the search
    double find;        // the whole search, until its fields are the form's
    int count;
    double peakBytes;   // the most the finder held at once
    double tabMedian, tabWorst;
};

static void SearchFormFields()
{
    FindFormImageFields(gFormImage.formPath, gFormImage.fileHeader.bfOffBits, true);
}

static FieldFigures MeasureFields(int runs)
{
    FieldFigures f = {};
    std::vector<double> starts;
    for (int i = 0; i < runs; i++) {
        double t0 = Now();
        SearchFormFields();
        starts.push_back(Now() - t0);
        WaitForFormFields();
    }
    std::sort(starts.begin(), starts.end());
    f.start = starts[starts.size() / 2];
    f.find = Median(runs, [] {
        SearchFormFields();
        WaitForFormFields();
    });
    f.count = (int)gFormFields.found.size();
    gFormFields.found.clear();
    gFormFields.found.shrink_to_fit();
    size_t before = HeldBytes;
    PeakHeldBytes = HeldBytes;
    SearchFormFields();
    WaitForFormFields();
    f.peakBytes = (double)(PeakHeldBytes - before);
    if (f.count == 0)
        return f;
    gViewState.halfSize = 0;
    SetOffsets(0, 0);
    Repaint();
    std::vector<double> tabs;
    for (int i = 0; i < std::max(runs, 2 * f.count); i++) {
        double start = Now();
        OnTabKey(false);   // draws the view scrolled to the field, with the mark
        GdiFlush();
        tabs.push_back(Now() - start);
        CancelEntryEdit();
    }
    std::sort(tabs.begin(), tabs.end());
    f.tabMedian = tabs[tabs.size() / 2];
    f.tabWorst = tabs.back();
    gViewState.halfSize = 1;
    return f;
}

// Save as PDF: the form with 20 entries saved as a one-page PDF (median
// milliseconds), and the size of its page without entries.
struct PdfFigures {
    double save;
    double bareBytes;
    const char* failure;
};

static PdfFigures MeasurePdfSave(const char* path, const char* entryPath)
{
    PdfFigures figures = {};
    char target[PathBufferSize];
    snprintf(target, sizeof target, "%s.bench.pdf", path);
    const char* pages[1] = { path };
    char failedPage[PathBufferSize];
    WriteRecords(entryPath, {});
    figures.failure = SavePdfFile(target, pages, 1, false, gCurrentFont, failedPage);
    std::vector<char> bytes;
    ReadWholeFile(target, bytes);
    figures.bareBytes = (double)bytes.size();
    std::vector<EntryRecord> records = TwoHundredEntries(false);
    records.resize(20);
    WriteRecords(entryPath, records);
    std::vector<double> times;
    for (int run = 0; run < 5 && !figures.failure; run++) {
        double start = Now();
        figures.failure = SavePdfFile(target, pages, 1, false, gCurrentFont, failedPage);
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    figures.save = times.empty() ? 0 : times[times.size() / 2];
    WriteRecords(entryPath, {});
    DeleteFileA(target);
    return figures;
}

static int BenchForm(const char* path)
{
    const int runs = 21;
    SIZE_T startMemory = Memory().WorkingSetSize;
    Open(path);
    if (!gFormImage.hBitmap) {
        printf("T1 %s could not be opened\n", BaseName(path));
        return 1;
    }
    char entryPath[PathBufferSize];
    strcpy(entryPath, gFormImage.entryFilePath);
    DeleteFileA(entryPath);
    ReloadForm();
    double pixelBytes = (double)gFormImage.imageBytes;

    // Memory: the form open, scrolled over at half size at both parities.
    std::vector<double> scrollEven = ScrollDown(0);
    std::vector<double> scrollOdd = ScrollDown(1);
    gViewState.halfSize = 0;
    SetOffsets(400, 600);
    Repaint();
    gViewState.halfSize = 1;
    PROCESS_MEMORY_COUNTERS memory = Memory();
    double peak = (double)memory.PeakWorkingSetSize;

    // The bare load, window hidden so nothing is repainted, against one read.
    std::vector<char> buffer;
    ReadWholeFile(path, buffer);
    double floorRead = Median(runs, [&] { ReadWholeFile(path, buffer); });
    ShowWindow(gMainWindow, SW_HIDE);
    double bare = Median(runs, [] { ReloadForm(); });
    ShowWindow(gMainWindow, SW_SHOW);
    Pump();
    FieldFigures fields = MeasureFields(runs);
    ShowWindow(gMainWindow, SW_HIDE);

    // Reloading with 200 entries against the bare load (window hidden):
    // the same entries again; one of them moved before each reload (what
    // deleting, moving or undoing one entry costs); 200 chained formulas.
    std::vector<EntryRecord> plainEntries = TwoHundredEntries(false);
    WriteRecords(entryPath, plainEntries);
    ReloadForm();
    double withEntries = Median(runs, [] { ReloadForm(); });
    std::vector<double> moved;
    for (int i = 0; i < runs; i++) {
        std::vector<EntryRecord> records = plainEntries;
        records[(7 * i) % EntryTableSlots].x += 40 * (i % 2 ? 1 : -1);
        WriteRecords(entryPath, records);
        double start = Now();
        ReloadForm();
        moved.push_back(Now() - start);
    }
    std::sort(moved.begin(), moved.end());
    double oneMoved = moved[moved.size() / 2];
    WriteRecords(entryPath, TwoHundredEntries(true));
    ReloadForm();
    double withFormulas = Median(runs, [] { ReloadForm(); });
    ShowWindow(gMainWindow, SW_SHOW);
    Pump();

    // gRepaints at half size, the picture unchanged: still, at even and odd
    // offsets; and the first repaint after the whole picture changed.
    WriteRecords(entryPath, {});
    ReloadForm();
    gViewState.halfSize = 1;
    SetOffsets(400, 600);
    Repaint();
    double halfEven = Median(runs, [] { Repaint(); });
    SetOffsets(401, 601);
    Repaint();
    double halfOdd = Median(runs, [] { Repaint(); });
    double afterChange = Median(runs, [] { FormImageChanged(); Repaint(); });
    gViewState.halfSize = 0;
    Repaint();
    double full = Median(runs, [] { Repaint(); });
    gViewState.halfSize = 1;

    // Placing an entry at half size where the view shows it: a plain entry
    // is stored, drawn and shown; a formula with a value reloads the form.
    // The entry file goes back to holding one entry before each.
    SetOffsets(400, 600);
    Repaint();
    std::vector<EntryRecord> base = { PlainRecord(200, 200, "Name") };
    auto placeOne = [&](const char* text) {
        std::vector<double> times;
        for (int i = 0; i < runs; i++) {
            WriteRecords(entryPath, base);
            ReadEntryFile();
            uint8_t bytes[EntryRecordSize];
            EncodeEntryRecord(PlainRecord(1000 + 2 * (i % 7), 1200 + 2 * (i % 5), text), bytes);
            double start = Now();
            StoreEntries(gFormImage.entryFilePath, bytes, 1, text);
            Repaint();
            times.push_back(Now() - start);
        }
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    double plain = placeOne("Total 1234");
    double formula = placeOne("#9=5");
    WriteRecords(entryPath, {});
    ReloadForm();

    DesignFigures designs = MeasureDesigns(runs);

    const char* name = BaseName(path);
    printf("T1 %-15s %7.1f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %5.2f %7.2f %5.2f %7.2f %5.2f\n", name,
           MegaBytes(pixelBytes), bare, floorRead, plain, formula, 1.3 * bare + 16.0, withEntries, withEntries / bare,
           oneMoved, oneMoved / bare, withFormulas, withFormulas / bare);
    printf("T2 %-15s %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.1f %5.2f %7.1f %7.1f\n", name, halfEven, halfOdd,
           std::max(scrollEven[scrollEven.size() / 2], scrollOdd[scrollOdd.size() / 2]),
           std::max(scrollEven.back(), scrollOdd.back()), afterChange, full, MegaBytes(peak), peak / pixelBytes,
           MegaBytes(1.3 * pixelBytes) + 40.0, MegaBytes((double)startMemory));
    printf("T5 %-15s %7.1f %7.2f %7.2f %7.2f %5.2f %6d %8.2f %5.2f %7.2f %7.2f\n", name, MegaBytes(pixelBytes), bare,
           fields.start, fields.find, fields.start / bare, fields.count, MegaBytes(fields.peakBytes),
           fields.peakBytes * 8.0 / ((double)gFormImage.width * gFormImage.height), fields.tabMedian, fields.tabWorst);
    PdfFigures pdf = MeasurePdfSave(path, entryPath);
    printf("T6 %-15s %7.1f %8.1f %8.1f %s\n", name, MegaBytes(pixelBytes), pdf.save, pdf.bareBytes / 1024.0,
           pdf.failure ? pdf.failure : "");
    printf("T3 %-15s %7.2f %7.2f %7.2f %7.1f %7.3f\n", name, designs.visibleEven, designs.visibleOdd,
           designs.wholePicture, MegaBytes(designs.wholeBytes), designs.entryRectangle);
    for (const std::string& m : Messages)
        printf("M  %-15s message: %s\n", name, m.c_str());
    DeleteFileA(entryPath);
    return 0;
}

// ---- a form of the largest size ----

static int BenchLargest(const char* path)
{
    const char* name = BaseName(path);
    double start = Now();
    Open(path);
    double open = Now() - start;
    if (!gFormImage.hBitmap || !Messages.empty()) {
        printf("T4 %-15s did not open: %s\n", name, Messages.empty() ? "the file could not be opened" : Messages[0].c_str());
        return 1;
    }
    char entryPath[PathBufferSize];
    strcpy(entryPath, gFormImage.entryFilePath);
    DeleteFileA(entryPath);
    std::vector<double> even = ScrollDown(0);
    std::vector<double> odd = ScrollDown(1);
    SetOffsets(400, 600);
    Repaint();
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(PlainRecord(1000, 1200, "Total 1234"), bytes);
    start = Now();
    bool stored = StoreEntries(gFormImage.entryFilePath, bytes, 1, "Total 1234");
    Repaint();
    double place = Now() - start;
    double peak = (double)Memory().PeakWorkingSetSize;
    double pixelBytes = (double)gFormImage.imageBytes;
    printf("T4 %-15s %7.1f %8.1f %7.2f %7.2f %7.2f %7.2f %7.2f %7.1f %5.2f %s\n", name, MegaBytes(pixelBytes), open,
           even[even.size() / 2], even.back(), odd[odd.size() / 2], odd.back(), place, MegaBytes(peak),
           peak / pixelBytes, stored && Messages.empty() ? "none" : Messages.empty() ? "entry not stored" : Messages[0].c_str());
    DeleteFileA(entryPath);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    MakeWindow();
    int result = strcmp(argv[1], "--largest") == 0 && argc > 2 ? BenchLargest(argv[2]) : BenchForm(argv[1]);
    SendMessageA(gMainWindow, WM_CLOSE, 0, 0);
    return result;
}
