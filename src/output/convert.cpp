#include "output/convert.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/form_pages.h"
#include "output/convert_pages.h"
#include "output/convert_wait.h"
#include "output/pdf_dialog.h"
#include "output/print_pages.h"
#include "output/output_globals.h"
#include "view/form_image.h"

OPENFILENAMEA gPdfOpenDialog = OpenDialogOf(" *.pdf\0*.pdf\0", "Open .pdf file", OFN_CREATEPROMPT | OFN_HIDEREADONLY,
                                            ".pdf", gChosenPath, gFileTitle);

GhostscriptLocator gGhostscript = InitialGhostscriptLocator();

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
        bool exists = PathExists(gGhostscript.directory, &isDirectory) && isDirectory;
        LocateResult result = LocateStep(gGhostscript, exists);
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

static void ReportLineTooLong(int colourMode, const char* resolutionText)
{
    char text[600];
    snprintf(text, sizeof text,
             "The name of the .pdf file is too long to hand to Ghostscript:\n%s\n\n"
             "The name and its part before the first \".\" may have %d characters together, "
             "and this one has %d.\nRename the file with a shorter name and convert it again.",
             gFileTitle, CommandLineRoom(colourMode, resolutionText),
             StemLength(gFileTitle) + (int)strlen(gFileTitle));
    Report(text, "File name too long");
}

static const char NoMemoryForPagesText[] = "There is not enough memory to list the pages this conversion replaces.";

// The PDF's folder, ending in "\", from the path the .pdf dialog gave.
static bool PdfFolder(char folder[PathBufferSize])
{
    int offset = gPdfOpenDialog.nFileOffset;
    if (offset <= 0 || offset >= PathBufferSize || (int)strlen(gChosenPath) < offset)
        return false;
    memcpy(folder, gChosenPath, offset);
    folder[offset] = 0;
    return true;
}

// Asks once before a conversion writes over pages whose entry files hold
// entries: those entries would then lie on the new pages, which may be
// drawn at another resolution. True to go on.
static bool ConfirmReplacingEntries(const ConvertedPages& existing)
{
    const char** names = (const char**)malloc((existing.count + 1) * sizeof *names);
    if (!names) {
        Report(NoMemoryForPagesText, "Convert .pdf to .bmp");
        return false;
    }
    int count = 0;
    for (int i = 0; i < existing.count; i++)
        if (existing.pages[i].holdsEntries)
            names[count++] = existing.pages[i].name;
    bool go = true;
    if (count > 0) {
        char list[700], text[PathBufferSize + 900];
        JoinPageNames(names, count, list, sizeof list);
        snprintf(text, sizeof text,
                 "Converting %s writes its pages over pages that hold entries:\n%s\n\n"
                 "Their entries stay and would then lie on the new pages.\n"
                 "OK converts all the same; Cancel keeps the pages as they are.",
                 gFileTitle, list);
        go = ShowMessage(text, "Pages hold entries", MB_OKCANCEL | MB_ICONWARNING) == IDOK;
    }
    free(names);
    return go;
}

static const char* PagesWord(int pages)
{
    return pages == 1 ? "page" : "pages";
}

static void ReportFailure(GhostscriptWaitEnd end, DWORD exitCode, int pages)
{
    char text[PathBufferSize + 400];
    if (end == GhostscriptTimedOut)
        snprintf(text, sizeof text,
                 "Ghostscript had not finished converting %s after %lu minutes and was stopped.\n"
                 "It made %d %s.",
                 gFileTitle, (unsigned long)(GhostscriptWaitLimitMs / 60000), pages, PagesWord(pages));
    else
        snprintf(text, sizeof text,
                 "Ghostscript could not convert %s.\nIt ended with exit code %lu and made %d %s.\n\n"
                 "Check that the resolution in the conversion dialog is a number of dots per inch, "
                 "such as 300, and that the file is a PDF.",
                 gFileTitle, (unsigned long)exitCode, pages, PagesWord(pages));
    Report(text, "Conversion failed");
}

// Starts Ghostscript by its exact path (the application name keeps Windows
// from starting C:\Program.exe instead) in the current directory, which is
// the PDF's folder. The "Converting" window shows that it runs, so its
// console gets no window of its own, which would take the activation from
// the program as it goes. NULL, told, when it can't be started.
static HANDLE StartGhostscript()
{
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(gGhostscript.program, gGhostscript.commandLine, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL,
                        NULL, &startup, &process)) {
        char text[PathBufferSize + 100];
        snprintf(text, sizeof text, "Ghostscript could not be started (error %lu):\n%s",
                 (unsigned long)GetLastError(), gGhostscript.program);
        Report(text, "Conversion failed");
        return NULL;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Runs Ghostscript and waits for it. True when it made pages and ended
// well; a failure is told, a cancel is not.
static bool RunGhostscript(const char* folder, const ConvertedPages& before)
{
    HANDLE process = StartGhostscript();
    if (!process)
        return false;
    GhostscriptWaitEnd end = WaitForGhostscript(process, gFileTitle, GhostscriptWaitLimitMs);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process, &exitCode))
        exitCode = (DWORD)-1;
    CloseHandle(process);
    ConvertedPages after;
    int pages = 0;
    if (ListConvertedPages(folder, gFileTitle, StemLength(gFileTitle), &after))
        pages = PagesMadeSince(before, after);
    FreeConvertedPages(&after);
    if (end == GhostscriptCancelled)
        return false;
    if (end == GhostscriptEnded && exitCode == 0 && pages > 0)
        return true;
    ReportFailure(end, exitCode, pages);
    return false;
}

// The .pdf dialog shares its file name buffer with the .bmp dialog: it
// starts empty, so Enter never "converts" the open form's bitmap. A cancel
// leaves the buffer as it was.
static bool ChoosePdf()
{
    char kept[PathBufferSize];
    memcpy(kept, gChosenPath, sizeof kept);
    gChosenPath[0] = 0;
    gPdfOpenDialog.hwndOwner = gMainWindow;
    if (GetOpenFileNameA(&gPdfOpenDialog)) {
        RememberDialogFolder(gChosenPath);
        return true;
    }
    memcpy(gChosenPath, kept, sizeof kept);
    return false;
}

// Ghostscript's program found, or the user told why not.
static bool GhostscriptReady()
{
    bool isDirectory = false;
    if (!PathExists(GhostscriptPattern, &isDirectory) || !isDirectory) {
        Report("Read Help -GhostScript", "File not found!");
        return false;
    }
    if (!LocateGhostscript()) {
        char version[5];
        LocatorVersion(gGhostscript, version);
        char text[300];
        snprintf(text, sizeof text,
                 "Ghostscript was looked for in the folders C:\\Program Files\\gs\\gs9.05 to gs%s "
                 "and is in none of them.\nRead Help -GhostScript",
                 version);
        Report(text, "File not found!");
        return false;
    }
    if (!PathExists(gGhostscript.program, NULL)) {
        Report(gGhostscript.program, "Couldn't find:");
        return false;
    }
    return true;
}

// Converts gChosenPath (named gFileTitle) in `folder`, the current
// directory, after asking before pages holding entries are written over.
static bool RunConversion(const char* folder, int colourMode, const char* resolutionText)
{
    if (!BuildGhostscriptCommandLine(gGhostscript.commandLine, colourMode, resolutionText, gFileTitle)) {
        ReportLineTooLong(colourMode, resolutionText);
        return false;
    }
    ConvertedPages before;
    if (!ListConvertedPages(folder, gFileTitle, StemLength(gFileTitle), &before)) {
        Report(NoMemoryForPagesText, "Convert .pdf to .bmp");
        return false;
    }
    bool converted = false;
    if (ConfirmReplacingEntries(before))
        converted = RunGhostscript(folder, before);
    FreeConvertedPages(&before);
    return converted;
}

bool ConvertPdf()
{
    if (!GhostscriptReady() || !ChoosePdf())
        return false;
    // Ghostscript runs in the PDF's folder, which the dialog makes current
    // when the user browses there but not always when a full path is typed.
    char folder[PathBufferSize];
    if (!PdfFolder(folder) || !SetCurrentDirectoryA(folder)) {
        Report(gChosenPath, "Couldn't find:");
        return false;
    }
    if (!RunConversionDialog())
        return false;
    bool converted = RunConversion(folder, gColourMode, gResolutionText);
    // The .bmp dialog that follows starts with no file name. A conversion
    // that failed or was cancelled leaves the names as a cancelled
    // conversion dialog does.
    if (converted)
        gChosenPath[0] = 0;
    return converted;
}

bool IsPdfName(const char* path)
{
    size_t length = strlen(path);
    return length >= 4 && lstrcmpiA(path + length - 4, ".pdf") == 0;
}

void OneStepResolution(const char* lastUsed, char resolution[5])
{
    bool digits = lastUsed[0] != 0;
    for (const char* c = lastUsed; *c; c++)
        digits = digits && *c >= '0' && *c <= '9';
    lstrcpynA(resolution, digits ? lastUsed : "300", 5);
}

// Whether every page of the PDF's last conversion is newer than the PDF,
// and page 1 has the resolution asked for: then nothing is converted again.
static bool AlreadyConverted(const char* folder, const char* resolution, const FILETIME& pdfWritten)
{
    ConvertedPages pages;
    if (!ListConvertedPages(folder, gFileTitle, StemLength(gFileTitle), &pages))
        return false;
    bool newer = pages.count > 0;
    for (int i = 0; i < pages.count; i++)
        newer = newer && CompareFileTime(&pages.pages[i].written, &pdfWritten) > 0;
    FreeConvertedPages(&pages);
    char first[PathBufferSize];
    FormFileFacts facts = {};
    int stem = StemLength(gFileTitle);
    if (!newer || strlen(folder) + stem + 6 > (size_t)PathBufferSize - 1)
        return false;
    snprintf(first, sizeof first, "%s%.*s1.bmp", folder, stem, gFileTitle);
    return !ReadFormFile(first, false, &facts, NULL) && WholeDpi(facts.pixelsPerMeter) == atoi(resolution);
}

bool ConvertPdfInOneStep(const char* path, char firstPage[PathBufferSize])
{
    WIN32_FILE_ATTRIBUTE_DATA pdf;
    const char* name = FileNameOf(path);
    int offset = (int)(name - path);
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &pdf) || offset == 0 || offset >= PathBufferSize) {
        Report(path, "Couldn't find:");
        return false;
    }
    lstrcpynA(gChosenPath, path, PathBufferSize);
    lstrcpynA(gFileTitle, name, PathBufferSize);
    char folder[PathBufferSize];
    memcpy(folder, path, offset);
    folder[offset] = 0;
    char resolution[5];
    OneStepResolution(gResolutionText, resolution);
    int stem = StemLength(gFileTitle);
    if (offset + stem + 6 > PathBufferSize - 1) {
        ReportLineTooLong(GrayColourMode, resolution);
        return false;
    }
    snprintf(firstPage, PathBufferSize, "%s%.*s1.bmp", folder, stem, gFileTitle);
    if (AlreadyConverted(folder, resolution, pdf.ftLastWriteTime))
        return true;
    if (!GhostscriptReady())
        return false;
    if (!SetCurrentDirectoryA(folder)) {
        Report(path, "Couldn't find:");
        return false;
    }
    return RunConversion(folder, GrayColourMode, resolution);
}
