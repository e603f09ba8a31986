#include "output/convert.h"

#include <stdio.h>
#include <string.h>

#include "output/pdf_dialog.h"

GhostscriptLocator Ghostscript = InitialGhostscriptLocator();

static const char InitialDirectory[] = "C:\\Program Files\\gs\\gs9.05";
static const char InitialProgram[] = "C:\\Program Files\\gs\\gs9.05\\bin\\gswin32c.exe";
static const char InitialCommandLine[] =
    "\"C:\\Program Files\\gs\\gs9.05\\bin\\gswin32c\" -dBATCH -dNOPAUSE -sDEVICE=";

static_assert(sizeof InitialCommandLine - 1 == CommandLineBaseLength, "command line base length");
static_assert(sizeof InitialProgram <= PathBufferSize, "program path fits");

// The pieces of the line after the device and the resolution.
static const char ResolutionSwitch[] = " -r";
static const char OutputSwitch[] = " -sOutputFile=\"";
static const char PagePattern[] = "\"%d.bmp \"";
static const char LineEnd[] = "\"";
const int MaxResolutionCharacters = 3;

GhostscriptLocator InitialGhostscriptLocator()
{
    GhostscriptLocator locator;
    memset(&locator, 0, sizeof locator);
    strcpy(locator.directory, InitialDirectory);
    strcpy(locator.program, InitialProgram);
    strcpy(locator.commandLine, InitialCommandLine);
    return locator;
}

void LocatorVersion(const GhostscriptLocator& locator, char version[5])
{
    memcpy(version, locator.directory + VersionField, 4);
    version[4] = 0;
}

// Writes the version's three digits (major, first and second minor) into a
// string whose version field starts at `at`.
static void PutVersion(char* text, int at, char major, char minor1, char minor2)
{
    text[at] = major;
    text[at + 2] = minor1;
    text[at + 3] = minor2;
}

bool StepGhostscriptVersion(GhostscriptLocator& locator)
{
    const char* field = locator.directory + VersionField;
    char major = field[0], minor1 = field[2], minor2 = field[3];
    if (minor2 < '9') {
        minor2++;
    } else {
        minor2 = '0';
        if (minor1 < '9') {
            minor1++;
        } else {
            minor1 = '0';
            if (major >= '9')
                return false;
            major++;
        }
    }
    PutVersion(locator.directory, VersionField, major, minor1, minor2);
    PutVersion(locator.program, VersionField, major, minor1, minor2);
    PutVersion(locator.commandLine, CommandLineVersionField, major, minor1, minor2);
    return true;
}

LocateResult LocateStep(GhostscriptLocator& locator, bool directoryExists)
{
    if (directoryExists)
        return GhostscriptFound;
    return StepGhostscriptVersion(locator) ? GhostscriptNotYet : GhostscriptSearchEnded;
}

const char* DeviceOfColourMode(int colourMode)
{
    switch (colourMode) {
    case 1: return "bmpmono";
    case 2: return "bmpgray";
    case 3: return "bmp16m";
    }
    return NULL;
}

int StemLength(const char* fileTitle)
{
    const char* point = strchr(fileTitle, '.');
    return point ? (int)(point - fileTitle) : (int)strlen(fileTitle);
}

static int ResolutionLength(const char* resolutionText)
{
    int n = 0;
    while (n < MaxResolutionCharacters && resolutionText[n])
        n++;
    return n;
}

int CommandLineRoom(int colourMode, const char* resolutionText)
{
    const char* device = DeviceOfColourMode(colourMode);
    int fixed = CommandLineBaseLength + (int)strlen(device ? device : "") + (int)strlen(ResolutionSwitch) +
                ResolutionLength(resolutionText) + (int)strlen(OutputSwitch) + (int)strlen(PagePattern) +
                (int)strlen(LineEnd);
    return PathBufferSize - 1 - fixed;
}

bool BuildGhostscriptCommandLine(char commandLine[PathBufferSize], int colourMode,
                                 const char* resolutionText, const char* fileTitle)
{
    const char* device = DeviceOfColourMode(colourMode);
    if (!device)
        return false;
    int stem = StemLength(fileTitle);
    int title = (int)strlen(fileTitle);
    if (stem + title > CommandLineRoom(colourMode, resolutionText))
        return false;
    // The stem sits in quotes and the page number outside them, so a name
    // with blanks stays one argument and %d still reaches Ghostscript.
    char* at = commandLine + CommandLineBaseLength;
    at += sprintf(at, "%s%s%.*s%s%.*s%s%s%s", device, ResolutionSwitch, ResolutionLength(resolutionText),
                  resolutionText, OutputSwitch, stem, fileTitle, PagePattern, fileTitle, LineEnd);
    return true;
}

// ---- the command ----

// A path that exists, and whether it is a directory.
static bool PathExists(const char* path, bool* isDirectory)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    if (isDirectory)
        *isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

// Steps the version until its directory exists; false when the search ended
// at 9.99 without finding one.
static bool LocateGhostscript()
{
    for (;;) {
        bool isDirectory = false;
        bool exists = PathExists(Ghostscript.directory, &isDirectory) && isDirectory;
        LocateResult result = LocateStep(Ghostscript, exists);
        if (result == GhostscriptFound)
            return true;
        if (result == GhostscriptSearchEnded)
            return false;
    }
}

static void Report(const char* text, const char* caption)
{
    ShowMessage(text, caption, MB_OK);
}

static void ReportLineTooLong()
{
    char text[600];
    snprintf(text, sizeof text,
             "The name of the .pdf file is too long to hand to Ghostscript:\n%s\n\n"
             "The name and its part before the first \".\" may have %d characters together, "
             "and this one has %d.\nRename the file with a shorter name and convert it again.",
             FileTitle, CommandLineRoom(ColourMode, ResolutionText),
             StemLength(FileTitle) + (int)strlen(FileTitle));
    Report(text, "File name too long");
}

// Starts Ghostscript the way WinExec would (shown, in the current
// directory, not waited for), but by its exact path: the application name
// keeps Windows from starting C:\Program.exe instead.
static void StartGhostscript()
{
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(Ghostscript.program, Ghostscript.commandLine, NULL, NULL, FALSE, 0, NULL, NULL,
                        &startup, &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool ConvertPdf()
{
    bool isDirectory = false;
    if (!PathExists(GhostscriptPattern, &isDirectory) || !isDirectory) {
        Report("Read Help -GhostScript", "File not found!");
        return false;
    }
    if (!LocateGhostscript()) {
        char version[5];
        LocatorVersion(Ghostscript, version);
        char text[300];
        snprintf(text, sizeof text,
                 "Ghostscript was looked for in the folders C:\\Program Files\\gs\\gs9.05 to gs%s "
                 "and is in none of them.\nRead Help -GhostScript",
                 version);
        Report(text, "File not found!");
        return false;
    }
    if (!PathExists(Ghostscript.program, NULL)) {
        Report(Ghostscript.program, "Couldn't find:");
        return false;
    }
    if (!GetOpenFileNameA(&PdfOpenDialog))
        return false;
    if (!RunConversionDialog())
        return false;
    if (!BuildGhostscriptCommandLine(Ghostscript.commandLine, ColourMode, ResolutionText, FileTitle)) {
        ReportLineTooLong();
        return false;
    }
    // The .bmp dialog that follows starts with no file name.
    ChosenPath[0] = 0;
    StartGhostscript();
    return true;
}
