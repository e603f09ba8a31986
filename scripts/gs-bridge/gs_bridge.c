/* Handing a Ghostscript command line to the Linux gs: see gs_bridge.h. */
#include "gs_bridge.h"

#include <stdio.h>
#include <string.h>

/* A file beside the running .exe: name, or name-ID when id is not 0. */
static int beside_exe(char path[MAX_PATH], const char *name, DWORD id)
{
    char folder[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, folder, sizeof folder);
    if (n == 0 || n >= sizeof folder || !strrchr(folder, '\\'))
        return 0;
    *strrchr(folder, '\\') = 0;
    int written = id ? snprintf(path, MAX_PATH, "%s\\%s-%lu", folder, name, (unsigned long)id)
                     : snprintf(path, MAX_PATH, "%s\\%s", folder, name);
    return written > 0 && written < MAX_PATH;
}

static int write_arguments(const char *path, int argc, char **argv)
{
    FILE *args = fopen(path, "wb");
    if (!args)
        return 0;
    int ok = 1;
    for (int i = 1; i < argc; i++)
        ok = ok && fwrite(argv[i], 1, strlen(argv[i]) + 1, args) == strlen(argv[i]) + 1;
    return fclose(args) == 0 && ok;
}

/* Starts run-gs.sh ID; the handles Wine gives for a Linux program are
 * closed at once (there are none to wait on). */
static int start_script(const char *script, DWORD id)
{
    char command[MAX_PATH + 32];
    snprintf(command, sizeof command, "\"%s\" %lu", script, (unsigned long)id);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    memset(&process, 0, sizeof process);
    if (!CreateProcessA(script, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 0;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    return 1;
}

/* Waits for the done file; its exit code, or -1 when it did not come. */
static int wait_done(const char *done_path, DWORD waitLimitMs)
{
    for (DWORD waited = 0; waited < waitLimitMs; waited += 50) {
        FILE *done = fopen(done_path, "rb");
        if (done) {
            int code = -1;
            if (fscanf(done, "%d", &code) != 1)
                code = -1;
            fclose(done);
            return code;
        }
        Sleep(50);
    }
    return -1;
}

int run_linux_gs(int argc, char **argv, DWORD waitLimitMs, const char **failure)
{
    DWORD id = GetCurrentProcessId();
    char args_path[MAX_PATH], done_path[MAX_PATH], script[MAX_PATH];
    if (!beside_exe(args_path, "gs-args", id) || !beside_exe(done_path, "gs-done", id) ||
        !beside_exe(script, "run-gs.sh", 0)) {
        *failure = "the folder of gswin32c.exe has too long a path";
        return -1;
    }
    if (!write_arguments(args_path, argc, argv)) {
        *failure = "cannot write the arguments file beside gswin32c.exe";
        DeleteFileA(args_path);
        return -1;
    }
    DeleteFileA(done_path);
    if (!start_script(script, id)) {
        *failure = "cannot start run-gs.sh beside gswin32c.exe";
        DeleteFileA(args_path);
        return -1;
    }
    int code = wait_done(done_path, waitLimitMs);
    DeleteFileA(args_path);
    DeleteFileA(done_path);
    if (code < 0)
        *failure = "gs did not finish";
    return code;
}
