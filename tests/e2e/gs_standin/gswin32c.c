/*
 * gswin32c.exe - a stand-in for Ghostscript's console program, for the
 * conversion scenarios. Test code, not part of Scrivelander.
 *
 * The scenarios copy it, with run-gs.sh beside it, into
 * C:\Program Files\gs\gsX.YY\bin\ of the test prefix. When started it
 *
 *   1. appends to gswin32c.log beside itself what it was given: its exact
 *      command line (GetCommandLineA), its current directory and its
 *      arguments as the C runtime split them;
 *   2. hands argv[1..] to Debian's gs through run-gs.sh and waits for it,
 *      as Scrivelander's own bridge does (scripts/gs-bridge), after
 *      sleeping the milliseconds a file delay-ms beside it holds, if any.
 *
 * The arguments are the runtime's own argv, split as a Windows console
 * program splits its command line: an unquoted program path with a blank
 * gives "Files\..." as argv[1], which gs then fails to open, as the real
 * program would on Windows.
 *
 * Log lines, one run after another:
 *   run=<pid>  cmdline=<...>  cwd=<...>  argc=<n>  arg<i>=<...>
 *   exit=<gs's exit code>  or  error=<what went wrong>
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "gs_bridge.h"

#define WAIT_LIMIT_MS 120000

static char folder[MAX_PATH];

static void in_folder(char *path, const char *name, DWORD id)
{
    if (id)
        snprintf(path, MAX_PATH, "%s\\%s-%lu", folder, name, (unsigned long)id);
    else
        snprintf(path, MAX_PATH, "%s\\%s", folder, name);
}

static void log_line(const char *key, const char *value)
{
    char path[MAX_PATH];
    in_folder(path, "gswin32c.log", 0);
    FILE *log = fopen(path, "ab");
    if (!log)
        return;
    fprintf(log, "%s=%s\n", key, value);
    fclose(log);
}

static void log_number(const char *key, unsigned long value)
{
    char text[32];
    snprintf(text, sizeof text, "%lu", value);
    log_line(key, text);
}

int main(int argc, char **argv)
{
    DWORD n = GetModuleFileNameA(NULL, folder, sizeof folder);
    if (n == 0 || n >= sizeof folder)
        return 3;
    *strrchr(folder, '\\') = 0;
    DWORD id = GetCurrentProcessId();

    char cwd[MAX_PATH];
    if (!GetCurrentDirectoryA(sizeof cwd, cwd))
        cwd[0] = 0;
    log_number("run", id);
    log_line("cmdline", GetCommandLineA());
    log_line("cwd", cwd);
    log_number("argc", (unsigned long)argc);
    for (int i = 1; i < argc; i++) {
        char key[16];
        snprintf(key, sizeof key, "arg%d", i);
        log_line(key, argv[i]);
    }

    /* A slow Ghostscript, for the scenarios that watch the wait: a file
     * delay-ms beside the stand-in holds how long to sleep first. */
    char delay_path[MAX_PATH];
    in_folder(delay_path, "delay-ms", 0);
    FILE *delay = fopen(delay_path, "rb");
    if (delay) {
        unsigned long ms = 0;
        if (fscanf(delay, "%lu", &ms) == 1)
            Sleep(ms);
        fclose(delay);
    }

    const char *failure = "";
    int code = run_linux_gs(argc, argv, WAIT_LIMIT_MS, &failure);
    if (code < 0) {
        log_line("error", failure);
        return 2;
    }
    log_number("exit", (unsigned long)code);
    return code;
}
