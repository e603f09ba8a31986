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
 *   2. hands argv[1..] to Debian's gs through run-gs.sh and waits for it.
 *
 * The arguments are the runtime's own argv, split as a Windows console
 * program splits its command line: an unquoted program path with a blank
 * gives "Files\..." as argv[1], which gs then fails to open, as the real
 * program would on Windows.
 *
 * Wine starts a Linux program (the script) but gives no handle to wait on,
 * so the arguments go to the script through a file and the script leaves a
 * file holding gs's exit code when gs has finished.
 *
 * Log lines, one run after another:
 *   run=<pid>  cmdline=<...>  cwd=<...>  argc=<n>  arg<i>=<...>
 *   exit=<gs's exit code>  or  error=<what went wrong>
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include <string.h>

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

    /* The arguments for gs, each ended by a zero byte. */
    char args_path[MAX_PATH], done_path[MAX_PATH], script[MAX_PATH];
    in_folder(args_path, "gs-args", id);
    in_folder(done_path, "gs-done", id);
    in_folder(script, "run-gs.sh", 0);
    FILE *args = fopen(args_path, "wb");
    if (!args) {
        log_line("error", "cannot write the arguments file");
        return 2;
    }
    for (int i = 1; i < argc; i++)
        fwrite(argv[i], 1, strlen(argv[i]) + 1, args);
    fclose(args);
    DeleteFileA(done_path);

    char command[2 * MAX_PATH];
    snprintf(command, sizeof command, "\"%s\" %lu", script, (unsigned long)id);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    memset(&process, 0, sizeof process);
    if (!CreateProcessA(script, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        log_number("error", GetLastError());
        DeleteFileA(args_path);
        return 2;
    }
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);

    int code = -1;
    for (DWORD waited = 0; waited < WAIT_LIMIT_MS; waited += 50) {
        FILE *done = fopen(done_path, "rb");
        if (done) {
            if (fscanf(done, "%d", &code) != 1)
                code = -1;
            fclose(done);
            break;
        }
        Sleep(50);
    }
    DeleteFileA(args_path);
    DeleteFileA(done_path);
    if (code < 0) {
        log_line("error", "gs did not finish");
        return 2;
    }
    log_number("exit", (unsigned long)code);
    return code;
}
