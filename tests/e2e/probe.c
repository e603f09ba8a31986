/*
 * probe.exe - looks at Scrivelander from the outside, for the end-to-end tests.
 *
 * A Win32 console program that runs under the same wineserver and virtual
 * desktop as Scrivelander and reports what the window manager knows about its
 * windows: the main window, its message boxes and dialogs, the menu resource
 * stored in the .exe. It can also post commands to the program, the way a menu
 * or a button would.
 *
 * Usage:  probe.exe COMMAND [ARGS...]      one command, then exit
 *         probe.exe serve                  read commands from stdin, one per
 *                                          line; each answer ends with the
 *                                          line "END <rc>"
 *
 * Output is plain ASCII text, one fact a line: "key value..." lines. Text
 * that comes from a window or a resource is printed in double quotes, UTF-8,
 * with C escapes for \ " and control characters (\t, \n, \r, \xHH), so a tab
 * or a run of blanks in a menu item shows exactly.
 *
 * In serve mode an argument may be a double-quoted string with the same
 * escapes; otherwise arguments are separated by blanks.
 *
 * Commands (CLASS defaults to "Scrivelander"):
 *   window [CLASS]            the main window: title, rects, state, focus
 *   windows [CLASS]           every top-level window (or of one class)
 *   children HWND             every descendant of a window
 *   foreground                the foreground window
 *   msgbox [--wait SECS] [--all] [--class CLASS]
 *                             visible dialogs (#32770) of the program's
 *                             process (--all: of any process) with caption,
 *                             message text, buttons and other controls
 *   menu EXE [NAME]           dump a menu resource (default "FORMFILE")
 *   post-command ID [CLASS]   WM_COMMAND with ID to the main window, without
 *                             waiting (SendNotifyMessage): it comes before a
 *                             later sync's WM_NULL, so sync waits for it
 *   post HWND MSG WPARAM LPARAM
 *   notify HWND MSG WPARAM LPARAM
 *                             as post, but by SendNotifyMessage (HWND may be
 *                             "main"): a later sync waits for it
 *   close [CLASS]             PostMessage(WM_CLOSE) to the main window
 *   click-button CAPTION BUTTON
 *                             in the visible dialog whose caption contains
 *                             CAPTION, press the button whose text (without
 *                             '&') is BUTTON
 *   set-text CAPTION ID TEXT  set the text of control ID in that dialog
 *   select-combo CAPTION ID TEXT
 *                             in that dialog, select the item TEXT of the
 *                             combo box ID and tell the dialog, as a choice
 *                             in its list does (CBN_SELCHANGE)
 *   wait-window [--gone] SECS [CLASS]
 *                             wait until the main window is visible (or gone)
 *   sync [CLASS]              send WM_NULL to the main window and wait for
 *                             the program to handle it (it is not hung)
 *   hittest X Y [CLASS]       WM_NCHITTEST of the main window at screen X Y
 *   ncbutton close|min|max [CLASS]
 *                             where a caption button of the main window is:
 *                             its rectangle and centre in screen coordinates,
 *                             found by asking the window to hit-test
 *   cursor                    the mouse position in screen coordinates
 *   workarea                  SPI_GETWORKAREA and the screen size
 *   hold PATH SECONDS         open PATH for reading with no sharing, print
 *                             "holding", keep it open SECONDS, then exit
 *                             (a file another program has open)
 *   render FACE HEIGHT WEIGHT PITCH ESCAPEMENT COLOUR X Y W H RIGHT TEXT
 *                             draw TEXT as an entry is drawn into a white
 *                             24-bit picture and print its rows as hex
 *   printer [NAME]            the default printer (or the one named): name,
 *                             physical size, resolution and margins
 *   resources [CLASS]         what the main window's process holds: its
 *                             GDI objects, USER objects and handles, as
 *                             GetGuiResources and GetProcessHandleCount
 *                             count them, or where Wine keeps them (see
 *                             cmd_resources)
 *   echo TEXT                 print TEXT back (for testing the pipe)
 *
 * For the conversion scenarios:
 *   dialog-template EXE NAME  the DIALOG resource NAME of EXE as stored:
 *                             style, size, caption, font, and each control
 *                             in tab order with style, place, id, class, text
 *   controls CAPTION          the controls of the visible dialog whose
 *                             caption contains CAPTION, in tab order: id,
 *                             class, style, check state, rectangle in the
 *                             dialog's client area and on the screen, text;
 *                             and which control has the keyboard focus
 *   start CWD APP CMDLINE     CreateProcessA of CMDLINE in CWD, with APP as
 *                             the application name ("-": none, so the
 *                             program is searched for as WinExec does)
 *
 * For the fonts and the packaged program:
 *   text-extent FACE HEIGHT TEXT
 *                             the face GDI gives for FACE at lfHeight HEIGHT,
 *                             and the extent of TEXT in it
 *   version EXE               the version resource of EXE: the fixed file and
 *                             product versions and the US English strings
 *   manifest EXE              the application manifest stored in EXE
 *
 * Return codes: 0 done, 1 not found / timed out, 2 usage error.
 */
#define WIN32_LEAN_AND_MEAN
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>
#include <winspool.h>
#include <winternl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <io.h>
#include <fcntl.h>

#define DEFAULT_CLASS "Scrivelander"
#define MAX_ARGS 16

/* ------------------------------------------------------------------ output */

static void out(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vfprintf(stdout, fmt, ap);
    va_end(ap);
}

/* Print a wide string as a quoted, escaped UTF-8 string. */
static void out_qw(const WCHAR *w)
{
    char buf[8192];
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, NULL, NULL);
    if (n <= 0) buf[0] = 0;
    fputc('"', stdout);
    for (unsigned char *p = (unsigned char *)buf; *p; p++) {
        unsigned char c = *p;
        if (c == '\\') fputs("\\\\", stdout);
        else if (c == '"') fputs("\\\"", stdout);
        else if (c == '\t') fputs("\\t", stdout);
        else if (c == '\n') fputs("\\n", stdout);
        else if (c == '\r') fputs("\\r", stdout);
        else if (c < 0x20 || c == 0x7f) fprintf(stdout, "\\x%02x", c);
        else fputc(c, stdout);
    }
    fputc('"', stdout);
}

static void utf8_to_w(const char *s, WCHAR *w, int cap)
{
    if (!MultiByteToWideChar(CP_UTF8, 0, s, -1, w, cap)) w[0] = 0;
}

/* --------------------------------------------------------------- windows */

static void get_class_w(HWND h, WCHAR *buf, int cap)
{
    if (!GetClassNameW(h, buf, cap)) buf[0] = 0;
}

/* Text of a window. WM_GETTEXT is marshalled across processes; a timeout keeps
 * a hung program from hanging the probe. */
static void get_text_w(HWND h, WCHAR *buf, int cap)
{
    DWORD_PTR r = 0;
    buf[0] = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, cap, (LPARAM)buf, SMTO_ABORTIFHUNG, 1000, &r))
        GetWindowTextW(h, buf, cap);
    buf[cap - 1] = 0;
}

static DWORD window_pid(HWND h)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

static HWND find_main(const char *cls)
{
    return FindWindowA(cls ? cls : DEFAULT_CLASS, NULL);
}

static void out_rect(const char *key, const RECT *r)
{
    out("%s %ld %ld %ld %ld\n", key, r->left, r->top, r->right, r->bottom);
}

static void out_hwnd_line(const char *key, HWND h)
{
    WCHAR cls[256], title[1024];
    if (!h) { out("%s 0x0 \"\" \"\"\n", key); return; }
    get_class_w(h, cls, 256);
    get_text_w(h, title, 1024);
    out("%s 0x%lx ", key, (unsigned long)(ULONG_PTR)h);
    out_qw(title);
    out(" ");
    out_qw(cls);
    out("\n");
}

static int cmd_window(const char *cls)
{
    HWND h = find_main(cls);
    if (!h) { out("found 0\n"); return 1; }
    WCHAR title[1024];
    RECT wr, cr, wa;
    POINT org = {0, 0};
    get_text_w(h, title, 1024);
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    ClientToScreen(h, &org);
    out("found 1\n");
    out("hwnd 0x%lx\n", (unsigned long)(ULONG_PTR)h);
    out("pid %lu\n", window_pid(h));
    out("title "); out_qw(title); out("\n");
    out_rect("rect", &wr);
    out_rect("client", &cr);
    out("origin %ld %ld\n", org.x, org.y);
    out("visible %d\n", IsWindowVisible(h) ? 1 : 0);
    out("maximized %d\n", IsZoomed(h) ? 1 : 0);
    out("minimized %d\n", IsIconic(h) ? 1 : 0);
    out("enabled %d\n", IsWindowEnabled(h) ? 1 : 0);
    out("style 0x%08lx\n", (unsigned long)GetWindowLongA(h, GWL_STYLE));
    out("exstyle 0x%08lx\n", (unsigned long)GetWindowLongA(h, GWL_EXSTYLE));
    out("hasmenu %d\n", GetMenu(h) ? 1 : 0);
    out_hwnd_line("foreground", GetForegroundWindow());
    GUITHREADINFO gi;
    memset(&gi, 0, sizeof gi);
    gi.cbSize = sizeof gi;
    DWORD tid = GetWindowThreadProcessId(h, NULL);
    if (GetGUIThreadInfo(tid, &gi)) {
        out_hwnd_line("active", gi.hwndActive);
        out_hwnd_line("focus", gi.hwndFocus);
        out_hwnd_line("capture", gi.hwndCapture);
        out_hwnd_line("menuowner", gi.hwndMenuOwner);
        out("menumode %d\n", (gi.flags & GUI_INMENUMODE) ? 1 : 0);
        out("popupmenu %d\n", (gi.flags & GUI_POPUPMENUMODE) ? 1 : 0);
        out_hwnd_line("caretwindow", gi.hwndCaret);
        out_rect("caret", &gi.rcCaret);
    }
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0);
    out_rect("workarea", &wa);
    return 0;
}

typedef struct {
    const char *cls;     /* only windows of this class, or NULL */
    int count;
} list_ctx;

static BOOL CALLBACK list_proc(HWND h, LPARAM lp)
{
    list_ctx *c = (list_ctx *)lp;
    char clsA[256];
    GetClassNameA(h, clsA, sizeof clsA);
    if (c->cls && strcmp(clsA, c->cls) != 0) return TRUE;
    WCHAR cls[256], title[1024];
    RECT r;
    DWORD pid = 0;
    get_class_w(h, cls, 256);
    get_text_w(h, title, 1024);
    GetWindowRect(h, &r);
    GetWindowThreadProcessId(h, &pid);
    out("window 0x%lx pid=%lu visible=%d owner=0x%lx id=%ld rect=%ld,%ld,%ld,%ld class=",
        (unsigned long)(ULONG_PTR)h, pid, IsWindowVisible(h) ? 1 : 0,
        (unsigned long)(ULONG_PTR)GetWindow(h, GW_OWNER),
        (long)GetWindowLongA(h, GWL_ID), r.left, r.top, r.right, r.bottom);
    out_qw(cls);
    out(" text=");
    out_qw(title);
    out("\n");
    c->count++;
    return TRUE;
}

static int cmd_windows(const char *cls)
{
    list_ctx c = {cls, 0};
    EnumWindows(list_proc, (LPARAM)&c);
    out("count %d\n", c.count);
    return 0;
}

static int cmd_children(HWND h)
{
    if (!IsWindow(h)) { out("error no such window\n"); return 1; }
    list_ctx c = {NULL, 0};
    EnumChildWindows(h, list_proc, (LPARAM)&c);
    out("count %d\n", c.count);
    return 0;
}

/* ---------------------------------------------------------------- dialogs */

typedef struct {
    DWORD pid;          /* only dialogs of this process, or 0 for any */
    const char *cls;    /* window class of a dialog */
    HWND found[64];
    int n;
} dlg_ctx;

static BOOL CALLBACK dlg_proc(HWND h, LPARAM lp)
{
    dlg_ctx *c = (dlg_ctx *)lp;
    char cls[256];
    GetClassNameA(h, cls, sizeof cls);
    if (strcmp(cls, c->cls) != 0 || !IsWindowVisible(h)) return TRUE;
    if (c->pid && window_pid(h) != c->pid) return TRUE;
    if (c->n < 64) c->found[c->n++] = h;
    return TRUE;
}

static int find_dialogs(DWORD pid, const char *cls, HWND *out_list, int cap)
{
    dlg_ctx c;
    memset(&c, 0, sizeof c);
    c.pid = pid;
    c.cls = cls;
    EnumWindows(dlg_proc, (LPARAM)&c);
    int n = c.n < cap ? c.n : cap;
    memcpy(out_list, c.found, n * sizeof(HWND));
    return n;
}

typedef struct {
    HWND dlg;
    int got_text;
} ctl_ctx;

static BOOL CALLBACK ctl_proc(HWND h, LPARAM lp)
{
    ctl_ctx *c = (ctl_ctx *)lp;
    WCHAR cls[256], text[4096];
    get_class_w(h, cls, 256);
    get_text_w(h, text, 4096);
    LONG id = GetWindowLongA(h, GWL_ID);
    LONG style = GetWindowLongA(h, GWL_STYLE);
    int visible = IsWindowVisible(h) ? 1 : 0;
    if (lstrcmpiW(cls, L"Button") == 0 && (style & 0x0F) <= BS_DEFPUSHBUTTON) {
        out("button id=%ld visible=%d default=%d enabled=%d text=", (long)(id & 0xFFFF), visible,
            (style & 0x0F) == BS_DEFPUSHBUTTON ? 1 : 0, IsWindowEnabled(h) ? 1 : 0);
        out_qw(text);
        out("\n");
    } else {
        /* The message text of a message box is the static control 0xFFFF. */
        if (lstrcmpiW(cls, L"Static") == 0 && (id & 0xFFFF) == 0xFFFF && text[0] && !c->got_text) {
            out("text ");
            out_qw(text);
            out("\n");
            c->got_text = 1;
        }
        out("control id=%ld visible=%d class=", (long)(id & 0xFFFF), visible);
        out_qw(cls);
        out(" text=");
        out_qw(text);
        out("\n");
    }
    return TRUE;
}

static void describe_dialog(HWND d)
{
    WCHAR caption[1024];
    RECT r;
    get_text_w(d, caption, 1024);
    GetWindowRect(d, &r);
    out("dialog 0x%lx pid=%lu owner=0x%lx rect=%ld,%ld,%ld,%ld caption=",
        (unsigned long)(ULONG_PTR)d, window_pid(d),
        (unsigned long)(ULONG_PTR)GetWindow(d, GW_OWNER), r.left, r.top, r.right, r.bottom);
    out_qw(caption);
    out("\n");
    ctl_ctx c = {d, 0};
    EnumChildWindows(d, ctl_proc, (LPARAM)&c);
    out("enddialog\n");
}

static int cmd_msgbox(int argc, char **argv)
{
    double wait = 0;
    int all = 0;
    const char *dcls = "#32770";
    const char *cls = NULL;
    for (int i = 0; i < argc; i++) {
        if (!strcmp(argv[i], "--wait") && i + 1 < argc) wait = atof(argv[++i]);
        else if (!strcmp(argv[i], "--all")) all = 1;
        else if (!strcmp(argv[i], "--class") && i + 1 < argc) cls = argv[++i];
        else if (!strcmp(argv[i], "--dialog-class") && i + 1 < argc) dcls = argv[++i];
        else { out("error usage: msgbox [--wait SECS] [--all] [--class CLASS]\n"); return 2; }
    }
    DWORD start = GetTickCount();
    HWND list[64];
    int n;
    for (;;) {
        DWORD pid = 0;
        if (!all) {
            HWND m = find_main(cls);
            if (m) pid = window_pid(m);
        }
        n = find_dialogs(pid, dcls, list, 64);
        if (n > 0 || (GetTickCount() - start) >= (DWORD)(wait * 1000)) break;
        Sleep(25);
    }
    for (int i = 0; i < n; i++) describe_dialog(list[i]);
    out("count %d\n", n);
    return n > 0 ? 0 : 1;
}

/* Find a visible dialog whose caption contains the (UTF-8) substring. */
static HWND dialog_by_caption(const char *sub)
{
    HWND list[64];
    WCHAR wsub[1024], caption[1024];
    utf8_to_w(sub, wsub, 1024);
    int n = find_dialogs(0, "#32770", list, 64);
    for (int i = 0; i < n; i++) {
        get_text_w(list[i], caption, 1024);
        if (wcsstr(caption, wsub)) return list[i];
    }
    return NULL;
}

typedef struct {
    const WCHAR *want;
    HWND found;
} btn_ctx;

static void strip_amp(const WCHAR *s, WCHAR *d)
{
    for (; *s; s++) {
        if (*s == '&') { if (s[1] == '&') { *d++ = '&'; s++; } continue; }
        *d++ = *s;
    }
    *d = 0;
}

static BOOL CALLBACK btn_proc(HWND h, LPARAM lp)
{
    btn_ctx *c = (btn_ctx *)lp;
    WCHAR cls[64], text[1024], plain[1024];
    get_class_w(h, cls, 64);
    if (lstrcmpiW(cls, L"Button") != 0) return TRUE;
    get_text_w(h, text, 1024);
    strip_amp(text, plain);
    if (lstrcmpiW(plain, c->want) == 0 || lstrcmpiW(text, c->want) == 0) {
        c->found = h;
        return FALSE;
    }
    return TRUE;
}

static int cmd_click_button(const char *caption, const char *button)
{
    HWND d = dialog_by_caption(caption);
    if (!d) { out("error no dialog with caption containing \"%s\"\n", caption); return 1; }
    WCHAR want[1024];
    utf8_to_w(button, want, 1024);
    btn_ctx c = {want, NULL};
    EnumChildWindows(d, btn_proc, (LPARAM)&c);
    if (!c.found) { out("error no button \"%s\"\n", button); return 1; }
    /* What the dialog receives when the button is clicked. */
    LONG id = GetWindowLongA(c.found, GWL_ID);
    PostMessageA(d, WM_COMMAND, MAKEWPARAM(id & 0xFFFF, BN_CLICKED), (LPARAM)c.found);
    out("clicked 0x%lx id=%ld\n", (unsigned long)(ULONG_PTR)c.found, (long)(id & 0xFFFF));
    return 0;
}

static int cmd_set_text(const char *caption, int id, const char *text)
{
    HWND d = dialog_by_caption(caption);
    if (!d) { out("error no dialog with caption containing \"%s\"\n", caption); return 1; }
    HWND c = GetDlgItem(d, id);
    if (!c) { out("error no control %d\n", id); return 1; }
    static WCHAR w[32768];
    utf8_to_w(text, w, 32768);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)w, SMTO_ABORTIFHUNG, 2000, &r);
    out("set 0x%lx\n", (unsigned long)(ULONG_PTR)c);
    return 0;
}

static int cmd_select_combo(const char *caption, int id, const char *text)
{
    HWND d = dialog_by_caption(caption);
    if (!d) { out("error no dialog with caption containing \"%s\"\n", caption); return 1; }
    HWND c = GetDlgItem(d, id);
    if (!c) { out("error no control %d\n", id); return 1; }
    static WCHAR w[1024];
    utf8_to_w(text, w, 1024);
    DWORD_PTR index = 0, r = 0;
    SendMessageTimeoutW(c, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)w, SMTO_ABORTIFHUNG, 2000, &index);
    if ((LRESULT)index == CB_ERR) { out("error no item \"%s\"\n", text); return 1; }
    SendMessageTimeoutW(c, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, 2000, &r);
    SendMessageTimeoutW(d, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)c, SMTO_ABORTIFHUNG, 2000, &r);
    out("selected %ld\n", (long)index);
    return 0;
}

/* ------------------------------------------------------------------- menu */

static void dump_menu(HMENU m, int depth)
{
    int n = GetMenuItemCount(m);
    for (int i = 0; i < n; i++) {
        WCHAR text[1024];
        MENUITEMINFOW mi;
        memset(&mi, 0, sizeof mi);
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = 1024;
        text[0] = 0;
        if (!GetMenuItemInfoW(m, i, TRUE, &mi)) {
            out("%*serror item %d\n", depth * 2, "", i);
            continue;
        }
        if (mi.fType & MFT_SEPARATOR) text[0] = 0;
        out("%*sitem ", depth * 2, "");
        out_qw(text);
        out(" id=%u popup=%d separator=%d checked=%d grayed=%d disabled=%d default=%d"
            " break=%d right=%d type=0x%x state=0x%x\n",
            mi.hSubMenu ? 0u : mi.wID, mi.hSubMenu ? 1 : 0,
            (mi.fType & MFT_SEPARATOR) ? 1 : 0,
            (mi.fState & MFS_CHECKED) ? 1 : 0,
            (mi.fState & MF_GRAYED) ? 1 : 0,
            (mi.fState & MF_DISABLED) ? 1 : 0,
            (mi.fState & MFS_DEFAULT) ? 1 : 0,
            (mi.fType & (MFT_MENUBREAK | MFT_MENUBARBREAK)) ? 1 : 0,
            (mi.fType & MFT_RIGHTJUSTIFY) ? 1 : 0,
            mi.fType, mi.fState);
        if (mi.hSubMenu) dump_menu(mi.hSubMenu, depth + 1);
    }
}

static int cmd_menu(const char *exe, const char *name)
{
    HMODULE h = LoadLibraryExA(exe, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!h) { out("error cannot load %s (%lu)\n", exe, GetLastError()); return 1; }
    HMENU m = LoadMenuA(h, name ? name : "FORMFILE");
    if (!m) { out("error no menu %s (%lu)\n", name ? name : "FORMFILE", GetLastError()); return 1; }
    dump_menu(m, 0);
    out("count %d\n", GetMenuItemCount(m));
    DestroyMenu(m);
    FreeLibrary(h);
    return 0;
}

/* ------------------------------------------------------------------ other */

static int cmd_post(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!IsWindow(h)) { out("error no such window\n"); return 1; }
    if (!PostMessageA(h, msg, wp, lp)) { out("error post failed (%lu)\n", GetLastError()); return 1; }
    out("posted 0x%lx 0x%x\n", (unsigned long)(ULONG_PTR)h, msg);
    return 0;
}

/* A message handed over without waiting for it, like a post, but queued
   with the messages this probe sends: a sync that follows returns only once
   the program has taken it (a posted message may still be waiting then). */
static int cmd_notify(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!IsWindow(h)) { out("error no such window\n"); return 1; }
    if (!SendNotifyMessageA(h, msg, wp, lp)) { out("error send failed (%lu)\n", GetLastError()); return 1; }
    out("posted 0x%lx 0x%x\n", (unsigned long)(ULONG_PTR)h, msg);
    return 0;
}

static int cmd_wait_window(int gone, double secs, const char *cls)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = find_main(cls);
        int ok = gone ? (h == NULL) : (h != NULL && IsWindowVisible(h));
        if (ok) { out("ok\n"); return 0; }
        if ((GetTickCount() - start) >= (DWORD)(secs * 1000)) { out("timeout\n"); return 1; }
        Sleep(20);
    }
}

static int cmd_sync(const char *cls)
{
    HWND h = find_main(cls);
    if (!h) { out("error no main window\n"); return 1; }
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(h, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r)) {
        out("hung\n");
        return 1;
    }
    out("ok\n");
    return 0;
}

static int hit(HWND h, int x, int y)
{
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(h, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 2000, &r)) return -1;
    return (int)(LONG_PTR)r;
}

/* Find the caption button by hit-testing: scan the top-right corner of the
 * window until a point answers the wanted code, then grow the rectangle. */
static int cmd_ncbutton(const char *which, const char *cls)
{
    int code;
    if (!strcmp(which, "close")) code = HTCLOSE;
    else if (!strcmp(which, "min")) code = HTMINBUTTON;
    else if (!strcmp(which, "max")) code = HTMAXBUTTON;
    else if (!strcmp(which, "help")) code = HTHELP;
    else { out("error usage: ncbutton close|min|max|help\n"); return 2; }
    HWND h = find_main(cls);
    if (!h) { out("error no main window\n"); return 1; }
    RECT wr;
    GetWindowRect(h, &wr);
    int fx = -1, fy = -1;
    for (int y = wr.top + 1; y < wr.top + 80 && fx < 0; y += 3)
        for (int x = wr.right - 2; x > wr.right - 200 && x > wr.left; x -= 3)
            if (hit(h, x, y) == code) { fx = x; fy = y; break; }
    if (fx < 0) { out("error no such button\n"); return 1; }
    int l = fx, r = fx, t = fy, b = fy;
    while (l > wr.left && hit(h, l - 1, fy) == code) l--;
    while (r < wr.right - 1 && hit(h, r + 1, fy) == code) r++;
    int cx = (l + r) / 2;
    while (t > wr.top && hit(h, cx, t - 1) == code) t--;
    while (b < wr.bottom - 1 && hit(h, cx, b + 1) == code) b++;
    out("button %d %d %d %d\n", l, t, r + 1, b + 1);
    out("center %d %d\n", cx, (t + b) / 2);
    return 0;
}

static unsigned long parse_num(const char *s)
{
    return strtoul(s, NULL, 0);
}

/* printer: the default printer's name and the device capabilities the
 * program's printing uses. */
static int cmd_printer(const char *named)
{
    char name[256];
    DWORD size = sizeof name;
    if (named) lstrcpynA(name, named, sizeof name);
    else if (!GetDefaultPrinterA(name, &size)) { out("error no default printer\n"); return 1; }
    HDC dc = CreateDCA("WINSPOOL", name, NULL, NULL);
    if (!dc) { out("error cannot open printer\n"); return 1; }
    out("name %s\n", name);
    out("physicalwidth %d\n", GetDeviceCaps(dc, PHYSICALWIDTH));
    out("physicalheight %d\n", GetDeviceCaps(dc, PHYSICALHEIGHT));
    out("logpixelsx %d\n", GetDeviceCaps(dc, LOGPIXELSX));
    out("offsetx %d\n", GetDeviceCaps(dc, PHYSICALOFFSETX));
    out("offsety %d\n", GetDeviceCaps(dc, PHYSICALOFFSETY));
    DeleteDC(dc);
    return 0;
}

/* render FACE HEIGHT WEIGHT PITCH ESCAPEMENT COLOUR X Y W H RIGHT TEXT:
 * draws TEXT with GDI the way an entry is drawn (top-left alignment,
 * transparent background) into a white 24-bit picture W x H at (X, Y) -
 * moved left by the text's width when RIGHT is 1 - and prints the picture
 * as "row HEX" lines of R G B bytes, top row first. An independent rendering
 * for checking what the program drew. */
static int cmd_render(char **a)
{
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    lstrcpynA(font.lfFaceName, a[0], LF_FACESIZE);
    font.lfHeight = atoi(a[1]);
    font.lfWeight = atoi(a[2]);
    font.lfPitchAndFamily = (BYTE)atoi(a[3]);
    font.lfEscapement = font.lfOrientation = atoi(a[4]);
    COLORREF colour = (COLORREF)parse_num(a[5]);
    int x = atoi(a[6]), y = atoi(a[7]), w = atoi(a[8]), h = atoi(a[9]), right = atoi(a[10]);
    const char *text = a[11];
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    int stride = (w * 3 + 3) & ~3;
    memset(bits, 0xFF, (size_t)stride * h);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    HFONT made = CreateFontIndirectA(&font);
    HGDIOBJ oldFont = SelectObject(dc, made);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    if (right) {
        SIZE extent;
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
        x -= extent.cx;
    }
    TextOutA(dc, x, y, text, lstrlenA(text));
    GdiFlush();
    out("size %d %d\n", w, h);
    for (int row = 0; row < h; row++) {
        const BYTE *p = (const BYTE *)bits + (size_t)row * stride;
        out("row ");
        for (int i = 0; i < w; i++)
            out("%02x%02x%02x", p[3 * i + 2], p[3 * i + 1], p[3 * i]);
        out("\n");
    }
    SelectObject(dc, oldFont);
    DeleteObject(made);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return 0;
}

/* ------------------------------------------------ conversion scenarios */

/* Reads a zero-ended wide string of a dialog template; returns the next word. */
static const WORD *tpl_string(const WORD *p, WCHAR *text, int cap)
{
    int i = 0;
    while (*p) {
        if (i < cap - 1) text[i++] = *p;
        p++;
    }
    text[i] = 0;
    return p + 1;
}

/* A name or ordinal field (menu, class, text): 0xFFFF and an ordinal, or a
 * string. Atoms of the predefined classes are written as their names. */
static const WORD *tpl_name(const WORD *p, WCHAR *text, int cap)
{
    static const WCHAR *atoms[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
    if (*p == 0xFFFF) {
        WORD ordinal = p[1];
        if (ordinal >= 0x80 && ordinal <= 0x85) lstrcpynW(text, atoms[ordinal - 0x80], cap);
        else wsprintfW(text, L"#%u", ordinal);
        return p + 2;
    }
    return tpl_string(p, text, cap);
}

static int cmd_dialog_template(const char *exe, const char *name)
{
    HMODULE h = LoadLibraryExA(exe, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!h) { out("error cannot load %s (%lu)\n", exe, GetLastError()); return 1; }
    HRSRC r = FindResourceA(h, name, (LPCSTR)RT_DIALOG);
    const WORD *p = r ? (const WORD *)LockResource(LoadResource(h, r)) : NULL;
    if (!p) { out("error no dialog %s\n", name); FreeLibrary(h); return 1; }
    if (p[0] == 1 && p[1] == 0xFFFF) { out("error extended template\n"); FreeLibrary(h); return 1; }
    const DLGTEMPLATE *t = (const DLGTEMPLATE *)p;
    WCHAR menu[256], cls[256], caption[1024], face[LF_FACESIZE];
    p = (const WORD *)(t + 1);
    p = tpl_name(p, menu, 256);
    p = tpl_name(p, cls, 256);
    p = tpl_string(p, caption, 1024);
    int points = 0;
    face[0] = 0;
    if (t->style & DS_SETFONT) {
        points = *p++;
        p = tpl_string(p, face, LF_FACESIZE);
    }
    out("template style=0x%08lx exstyle=0x%08lx x=%d y=%d cx=%d cy=%d count=%d points=%d menu=",
        (unsigned long)t->style, (unsigned long)t->dwExtendedStyle, t->x, t->y, t->cx, t->cy, t->cdit, points);
    out_qw(menu);
    out(" class=");
    out_qw(cls);
    out(" face=");
    out_qw(face);
    out(" caption=");
    out_qw(caption);
    out("\n");
    for (int i = 0; i < t->cdit; i++) {
        p = (const WORD *)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
        const DLGITEMTEMPLATE *item = (const DLGITEMTEMPLATE *)p;
        WCHAR icls[256], text[1024];
        p = (const WORD *)(item + 1);
        p = tpl_name(p, icls, 256);
        p = tpl_name(p, text, 1024);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        out("item id=%d style=0x%08lx exstyle=0x%08lx x=%d y=%d cx=%d cy=%d class=", (short)item->id,
            (unsigned long)item->style, (unsigned long)item->dwExtendedStyle, item->x, item->y, item->cx, item->cy);
        out_qw(icls);
        out(" text=");
        out_qw(text);
        out("\n");
    }
    FreeLibrary(h);
    return 0;
}

static BOOL CALLBACK conversion_control_proc(HWND h, LPARAM lp)
{
    HWND dialog = (HWND)lp;
    if (GetParent(h) != dialog) return TRUE;
    WCHAR cls[256], text[1024];
    get_class_w(h, cls, 256);
    get_text_w(h, text, 1024);
    RECT s, r;
    GetWindowRect(h, &s);
    r = s;
    MapWindowPoints(NULL, dialog, (POINT *)&r, 2);
    DWORD_PTR checked = 0;
    if (lstrcmpiW(cls, L"Button") == 0)
        SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &checked);
    out("control hwnd=0x%lx id=%d style=0x%08lx checked=%d visible=%d rect=%ld,%ld,%ld,%ld "
        "screen=%ld,%ld,%ld,%ld class=",
        (unsigned long)(ULONG_PTR)h, (short)GetWindowLongA(h, GWL_ID), (unsigned long)GetWindowLongA(h, GWL_STYLE),
        (int)checked, IsWindowVisible(h) ? 1 : 0, r.left, r.top, r.right, r.bottom, s.left, s.top, s.right,
        s.bottom);
    out_qw(cls);
    out(" text=");
    out_qw(text);
    out("\n");
    return TRUE;
}

static int cmd_controls(const char *caption)
{
    HWND d = dialog_by_caption(caption);
    if (!d) { out("error no dialog with caption containing \"%s\"\n", caption); return 1; }
    RECT client;
    GetClientRect(d, &client);
    out("dialog hwnd=0x%lx owner=0x%lx style=0x%08lx client=%ld,%ld\n", (unsigned long)(ULONG_PTR)d,
        (unsigned long)(ULONG_PTR)GetWindow(d, GW_OWNER), (unsigned long)GetWindowLongA(d, GWL_STYLE),
        client.right, client.bottom);
    EnumChildWindows(d, conversion_control_proc, (LPARAM)d);
    GUITHREADINFO gi;
    memset(&gi, 0, sizeof gi);
    gi.cbSize = sizeof gi;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(d, NULL), &gi))
        out("focus hwnd=0x%lx id=%d\n", (unsigned long)(ULONG_PTR)gi.hwndFocus,
            gi.hwndFocus ? (short)GetWindowLongA(gi.hwndFocus, GWL_ID) : 0);
    return 0;
}

static int cmd_start(const char *cwd, const char *app, const char *command)
{
    static char line[32768];
    lstrcpynA(line, command, sizeof line);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(strcmp(app, "-") ? app : NULL, line, NULL, NULL, FALSE, 0, NULL, cwd, &startup,
                        &process)) {
        out("error cannot start (%lu)\n", GetLastError());
        return 1;
    }
    out("started pid=%lu\n", process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

static int dispatch_conversion(int argc, char **argv)
{
    const char *c = argv[0];
    if (!strcmp(c, "dialog-template") && argc >= 3) return cmd_dialog_template(argv[1], argv[2]);
    if (!strcmp(c, "controls") && argc >= 2) return cmd_controls(argv[1]);
    if (!strcmp(c, "start") && argc >= 4) return cmd_start(argv[1], argv[2], argv[3]);
    return -1;
}

/* ------------------------------- fonts and the packaged program */

static int cmd_text_extent(const char *face, int height, const char *text)
{
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    HDC dc = CreateCompatibleDC(NULL);
    HFONT made = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(dc, made);
    char given[LF_FACESIZE] = "";
    SIZE extent;
    GetTextFaceA(dc, sizeof given, given);
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, old);
    DeleteObject(made);
    DeleteDC(dc);
    WCHAR w[LF_FACESIZE];
    utf8_to_w(given, w, LF_FACESIZE);
    out("face ");
    out_qw(w);
    out("\nextent %ld %ld\n", extent.cx, extent.cy);
    return 0;
}

static int cmd_version(const char *exe)
{
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(exe, &ignored);
    if (!size) { out("error no version resource (%lu)\n", GetLastError()); return 1; }
    BYTE *info = (BYTE *)malloc(size);
    if (!info || !GetFileVersionInfoA(exe, 0, size, info)) { free(info); out("error unreadable\n"); return 1; }
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    if (VerQueryValueA(info, "\\", (void **)&fixed, &length) && fixed)
        out("fixed %lu.%lu.%lu.%lu %lu.%lu.%lu.%lu\n", HIWORD(fixed->dwFileVersionMS),
            LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
            HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
            HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    static const char *names[] = { "ProductName", "ProductVersion", "FileVersion", "FileDescription",
                                   "InternalName", "OriginalFilename", "LegalCopyright" };
    for (size_t i = 0; i < sizeof names / sizeof names[0]; i++) {
        char key[80];
        char *value = NULL;
        wsprintfA(key, "\\StringFileInfo\\040904B0\\%s", names[i]);
        if (VerQueryValueA(info, key, (void **)&value, &length) && value) {
            WCHAR w[512];
            utf8_to_w(value, w, 512);
            out("%s ", names[i]);
            out_qw(w);
            out("\n");
        }
    }
    free(info);
    return 0;
}

static int cmd_manifest(const char *exe)
{
    HMODULE module = LoadLibraryExA(exe, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) { out("error cannot load %s (%lu)\n", exe, GetLastError()); return 1; }
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    int rc = 1;
    if (found) {
        DWORD size = SizeofResource(module, found);
        const char *text = (const char *)LockResource(LoadResource(module, found));
        char *copy = (char *)malloc(size + 1);
        if (text && copy) {
            memcpy(copy, text, size);
            copy[size] = 0;
            WCHAR *w = (WCHAR *)malloc((size + 1) * sizeof(WCHAR));
            if (w) {
                utf8_to_w(copy, w, (int)size + 1);
                out("manifest ");
                out_qw(w);
                out("\n");
                rc = 0;
            }
            free(w);
        }
        free(copy);
    } else {
        out("error no manifest\n");
    }
    FreeLibrary(module);
    return rc;
}

static int dispatch_packaging(int argc, char **argv)
{
    const char *c = argv[0];
    if (!strcmp(c, "text-extent") && argc >= 4) return cmd_text_extent(argv[1], atoi(argv[2]), argv[3]);
    if (!strcmp(c, "version") && argc >= 2) return cmd_version(argv[1]);
    if (!strcmp(c, "manifest") && argc >= 2) return cmd_manifest(argv[1]);
    return -1;
}

/* Wine answers GetGuiResources and GetProcessHandleCount with 0; there the
   counts are read where Wine keeps them: the GDI handle table the process's
   PEB points to (an entry in use has a type; stock objects are marked), the
   system's handle list, and the windows the process owns. */
typedef struct {
    UINT64 object;
    ULONG owner;
    USHORT unique;            /* bit 7: a stock object */
    UCHAR type;
    UCHAR flags;
    UINT64 user;
} GdiTableEntry;
#define GDI_TABLE_ENTRIES 0x10000

static DWORD gdi_objects_in_table(HANDLE process)
{
    typedef LONG (WINAPI *QueryProcess)(HANDLE, int, void *, ULONG, ULONG *);
    QueryProcess query = (QueryProcess)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic;
    void *table = NULL;
    SIZE_T got = 0;
    size_t at = sizeof(void *) == 8 ? 0xF8 : 0x94;    /* PEB.GdiSharedHandleTable */
    if (!query || query(process, 0, &basic, sizeof basic, NULL) != 0 ||
        !ReadProcessMemory(process, (char *)basic.PebBaseAddress + at, &table, sizeof table, &got) || !table)
        return 0;
    static GdiTableEntry entries[GDI_TABLE_ENTRIES];
    if (!ReadProcessMemory(process, table, entries, sizeof entries, &got)) return 0;
    DWORD count = 0;
    for (size_t i = 0; i < got / sizeof entries[0]; i++)
        if (entries[i].type && !(entries[i].unique & 0x80)) count++;
    return count;
}

typedef struct {
    ULONG pid;
    BYTE type, flags;
    USHORT value;
    PVOID object;
    ULONG access;
} SystemHandle;

static DWORD handles_in_system_list(DWORD pid)
{
    typedef LONG (WINAPI *QuerySystem)(int, void *, ULONG, ULONG *);
    QuerySystem query = (QuerySystem)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    ULONG size = 1 << 16, needed = 0;
    DWORD count = 0;
    for (int tries = 0; query && tries < 8; tries++, size *= 4) {
        ULONG *list = (ULONG *)malloc(size);
        if (!list) return 0;
        LONG status = query(16, list, size, &needed);   /* SystemHandleInformation */
        if (status == 0) {
            SystemHandle *h = (SystemHandle *)(list + (sizeof(void *) == 8 ? 2 : 1));
            for (ULONG i = 0; i < list[0]; i++)
                if (h[i].pid == pid) count++;
            free(list);
            return count;
        }
        free(list);
    }
    return 0;
}

typedef struct { DWORD pid; DWORD count; } WindowCount;

static BOOL CALLBACK count_child(HWND h, LPARAM lp)
{
    WindowCount *c = (WindowCount *)lp;
    if (window_pid(h) == c->pid) c->count++;
    return TRUE;
}

static BOOL CALLBACK count_window(HWND h, LPARAM lp)
{
    count_child(h, lp);
    EnumChildWindows(h, count_child, lp);
    return TRUE;
}

static int cmd_resources(const char *cls)
{
    HWND h = find_main(cls);
    if (!h) { out("error no main window\n"); return 1; }
    DWORD pid = window_pid(h);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) { out("error cannot open the process (%lu)\n", GetLastError()); return 1; }
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS), user = GetGuiResources(process, GR_USEROBJECTS);
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    out("source %s\n", gdi || user || handles ? "system" : "wine");
    if (!gdi) gdi = gdi_objects_in_table(process);
    if (!user) {
        WindowCount windows = { pid, 0 };
        EnumWindows(count_window, (LPARAM)&windows);
        user = windows.count;   /* its windows: the USER objects Wine lets another process see */
    }
    if (!handles) handles = handles_in_system_list(pid);
    /* The probe's own handle on the process is one of them. */
    out("gdi %lu\nuser %lu\nhandles %lu\n", gdi, user, handles);
    CloseHandle(process);
    return 0;
}

/* ------------------------------------------------------------- dispatch */

static int dispatch(int argc, char **argv)
{
    if (argc < 1) { out("error no command\n"); return 2; }
    const char *c = argv[0];
    const char *a1 = argc > 1 ? argv[1] : NULL;
    if (!strcmp(c, "window")) return cmd_window(a1);
    if (!strcmp(c, "windows")) return cmd_windows(a1);
    if (!strcmp(c, "children") && a1) return cmd_children((HWND)(ULONG_PTR)parse_num(a1));
    if (!strcmp(c, "foreground")) { out_hwnd_line("foreground", GetForegroundWindow()); return 0; }
    if (!strcmp(c, "msgbox")) return cmd_msgbox(argc - 1, argv + 1);
    if (!strcmp(c, "menu") && a1) return cmd_menu(a1, argc > 2 ? argv[2] : NULL);
    if (!strcmp(c, "post-command") && a1) {
        HWND h = find_main(argc > 2 ? argv[2] : NULL);
        if (!h) { out("error no main window\n"); return 1; }
        return cmd_notify(h, WM_COMMAND, MAKEWPARAM(parse_num(a1), 0), 0);
    }
    if (!strcmp(c, "post") && argc >= 5) {
        HWND h = !strcmp(argv[1], "main") ? find_main(NULL) : (HWND)(ULONG_PTR)parse_num(argv[1]);
        return cmd_post(h, parse_num(argv[2]), parse_num(argv[3]), parse_num(argv[4]));
    }
    if (!strcmp(c, "notify") && argc >= 5) {
        HWND h = !strcmp(argv[1], "main") ? find_main(NULL) : (HWND)(ULONG_PTR)parse_num(argv[1]);
        return cmd_notify(h, parse_num(argv[2]), parse_num(argv[3]), parse_num(argv[4]));
    }
    if (!strcmp(c, "close")) {
        HWND h = find_main(a1);
        if (!h) { out("error no main window\n"); return 1; }
        return cmd_post(h, WM_CLOSE, 0, 0);
    }
    if (!strcmp(c, "click-button") && argc >= 3) return cmd_click_button(argv[1], argv[2]);
    if (!strcmp(c, "set-text") && argc >= 4) return cmd_set_text(argv[1], (int)parse_num(argv[2]), argv[3]);
    if (!strcmp(c, "select-combo") && argc >= 4)
        return cmd_select_combo(argv[1], (int)parse_num(argv[2]), argv[3]);
    if (!strcmp(c, "wait-window") && argc >= 2) {
        int gone = !strcmp(argv[1], "--gone");
        int i = gone ? 2 : 1;
        if (i >= argc) { out("error usage\n"); return 2; }
        return cmd_wait_window(gone, atof(argv[i]), i + 1 < argc ? argv[i + 1] : NULL);
    }
    if (!strcmp(c, "sync")) return cmd_sync(a1);
    if (!strcmp(c, "hittest") && argc >= 3) {
        HWND h = find_main(argc > 3 ? argv[3] : NULL);
        if (!h) { out("error no main window\n"); return 1; }
        out("hittest %d\n", hit(h, atoi(argv[1]), atoi(argv[2])));
        return 0;
    }
    if (!strcmp(c, "ncbutton") && a1) return cmd_ncbutton(a1, argc > 2 ? argv[2] : NULL);
    if (!strcmp(c, "cursor")) {
        POINT p;
        GetCursorPos(&p);
        out("cursor %ld %ld\n", p.x, p.y);
        return 0;
    }
    if (!strcmp(c, "workarea")) {
        RECT wa;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0);
        out_rect("workarea", &wa);
        out("screen %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        return 0;
    }
    if (!strcmp(c, "hold") && argc >= 3) {
        HANDLE f = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (f == INVALID_HANDLE_VALUE) { out("error cannot open %s (%lu)\n", argv[1], GetLastError()); return 1; }
        out("holding\n");
        fflush(stdout);
        Sleep((DWORD)(atof(argv[2]) * 1000));
        CloseHandle(f);
        out("released\n");
        return 0;
    }
    if (!strcmp(c, "resources")) return cmd_resources(a1);
    if (!strcmp(c, "render") && argc >= 13) return cmd_render(argv + 1);
    if (!strcmp(c, "printer")) return cmd_printer(argc >= 2 ? argv[1] : NULL);
    int conversion = dispatch_conversion(argc, argv);
    if (conversion >= 0) return conversion;
    int packaging = dispatch_packaging(argc, argv);
    if (packaging >= 0) return packaging;
    if (!strcmp(c, "echo")) {
        WCHAR w[4096];
        utf8_to_w(a1 ? a1 : "", w, 4096);
        out("echo ");
        out_qw(w);
        out("\n");
        return 0;
    }
    out("error unknown command or missing arguments: %s\n", c);
    return 2;
}

/* ------------------------------------------------------------------ serve */

/* Split a line into arguments: blanks separate, "..." quotes with escapes. */
static int tokenize(char *line, char **argv, int cap)
{
    int argc = 0;
    char *p = line;
    while (*p && argc < cap) {
        while (*p == ' ' || *p == '\t') p++;
        if (!*p) break;
        if (*p == '"') {
            char *d = ++p;
            argv[argc++] = d;
            while (*p && *p != '"') {
                if (*p == '\\' && p[1]) {
                    p++;
                    switch (*p) {
                    case 't': *d++ = '\t'; p++; break;
                    case 'n': *d++ = '\n'; p++; break;
                    case 'r': *d++ = '\r'; p++; break;
                    case 'x': {
                        char hex[3] = {p[1], p[1] ? p[2] : 0, 0};
                        *d++ = (char)strtol(hex, NULL, 16);
                        p += 3;
                        break;
                    }
                    default: *d++ = *p++; break;
                    }
                } else {
                    *d++ = *p++;
                }
            }
            if (*p == '"') p++;
            *d = 0;
        } else {
            argv[argc++] = p;
            while (*p && *p != ' ' && *p != '\t') p++;
            if (*p) *p++ = 0;
        }
    }
    return argc;
}

static int serve(void)
{
    static char line[65536];
    char *argv[MAX_ARGS];
    while (fgets(line, sizeof line, stdin)) {
        size_t n = strlen(line);
        while (n && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
        int argc = tokenize(line, argv, MAX_ARGS);
        if (argc == 1 && !strcmp(argv[0], "quit")) break;
        int rc = argc ? dispatch(argc, argv) : 0;
        out("END %d\n", rc);
        fflush(stdout);
    }
    return 0;
}

int main(int argc, char **argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    if (argc >= 2 && !strcmp(argv[1], "serve")) return serve();
    int rc = dispatch(argc - 1, argv + 1);
    fflush(stdout);
    return rc;
}
