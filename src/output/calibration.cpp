#include "output/calibration.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/settings.h"

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool ParseCalibrationNumber(const char* text, double* value)
{
    size_t length = strnlen(text, CalibrationFieldSize);
    if (length >= (size_t)CalibrationFieldSize)
        return false;
    size_t begin = 0, end = length;
    while (begin < end && IsBlank(text[begin]))
        begin++;
    while (end > begin && IsBlank(text[end - 1]))
        end--;
    // strtod reads the checked text with a "." whatever the locale.
    char number[CalibrationFieldSize];
    int used = 0, digits = 0, points = 0;
    for (size_t i = begin; i < end; i++) {
        char c = text[i];
        if ((c == '-' || c == '+') && i == begin)
            number[used++] = c;
        else if (c >= '0' && c <= '9')
            number[used++] = c, digits++;
        else if ((c == '.' || c == ',') && points++ == 0)
            number[used++] = '.';
        else
            return false;
    }
    if (digits == 0)
        return false;
    number[used] = 0;
    *value = strtod(number, NULL);
    return true;
}

void FormatCalibrationNumber(double value, char text[CalibrationFieldSize])
{
    snprintf(text, CalibrationFieldSize, "%.2f", value);
    char* point = strchr(text, '.');
    if (point) {
        char* last = text + strlen(text) - 1;
        while (last > point && *last == '0')
            *last-- = 0;
        if (last == point)
            *last = 0;
    }
    if (strcmp(text, "-0") == 0)
        strcpy(text, "0");
}

CalibrationText CalibrationAsText(const PrinterCalibration& calibration)
{
    CalibrationText text;
    FormatCalibrationNumber(calibration.offsetX, text.offsetX);
    FormatCalibrationNumber(calibration.offsetY, text.offsetY);
    FormatCalibrationNumber(calibration.scaleX, text.scaleX);
    FormatCalibrationNumber(calibration.scaleY, text.scaleY);
    text.paperCorner = calibration.paperCorner;
    return text;
}

// The words a message uses for each value, in the order of CheckCalibration.
static const char* const FieldNames[4] = { "X offset", "Y offset", "horizontal scale", "vertical scale" };

static bool RefuseNotANumber(int field, const char* typed, char message[CalibrationMessageSize])
{
    const char* kind = field < 2 ? "a number of millimetres, such as 2.5 or -3"
                                 : "a percentage from 50 to 200, such as 98.5";
    if (typed[0])
        snprintf(message, CalibrationMessageSize, "The %s must be %s.\n\"%s\" is not a number.", FieldNames[field],
                 kind, typed);
    else
        snprintf(message, CalibrationMessageSize, "The %s must be %s.", FieldNames[field], kind);
    return false;
}

bool CheckCalibration(const CalibrationText& text, double paperWidth, double paperHeight,
                      PrinterCalibration* calibration, char message[CalibrationMessageSize], int* field)
{
    const char* typed[4] = { text.offsetX, text.offsetY, text.scaleX, text.scaleY };
    double values[4];
    for (int i = 0; i < 4; i++) {
        if (field)
            *field = i;
        if (!ParseCalibrationNumber(typed[i], &values[i]))
            return RefuseNotANumber(i, typed[i], message);
        char shown[CalibrationFieldSize];
        FormatCalibrationNumber(values[i], shown);
        if (i >= 2 && (values[i] < SmallestScale || values[i] > LargestScale)) {
            snprintf(message, CalibrationMessageSize, "The %s is %s %%; it must be from 50 to 200 %%.",
                     FieldNames[i], shown);
            return false;
        }
        double paper = i == 0 ? paperWidth : paperHeight;
        if (i < 2 && paper > 0 && fabs(values[i]) >= paper) {
            char paperShown[CalibrationFieldSize];
            FormatCalibrationNumber(paper, paperShown);
            snprintf(message, CalibrationMessageSize, "The %s of %s mm is beyond the paper, which is %s mm %s.",
                     FieldNames[i], shown, paperShown, i == 0 ? "wide" : "high");
            return false;
        }
    }
    calibration->offsetX = values[0];
    calibration->offsetY = values[1];
    calibration->scaleX = values[2];
    calibration->scaleY = values[3];
    calibration->paperCorner = text.paperCorner;
    message[0] = 0;
    return true;
}

// ---- the file's text ----

// One line of the file: [begin, end) without its line end, trimmed of
// blanks; `next` is where the following line begins.
struct FileLine {
    int begin, end, start, next;   // start: where the untrimmed line begins
};

static FileLine LineAt(const char* file, int length, int at)
{
    FileLine line;
    line.start = at;
    // A line ends at CR LF, LF or a lone CR (as some editors save).
    int end = at;
    while (end < length && file[end] != '\n' && file[end] != '\r')
        end++;
    line.next = end;
    if (line.next < length && file[line.next] == '\r')
        line.next++;
    if (line.next < length && file[line.next] == '\n' && (line.next == end || file[end] == '\r'))
        line.next++;
    line.begin = at;
    while (line.begin < end && IsBlank(file[line.begin]))
        line.begin++;
    while (end > line.begin && IsBlank(file[end - 1]))
        end--;
    line.end = end;
    return line;
}

static char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// Whether `text` of `length` bytes is `word`, ignoring case and the blanks
// around it.
static bool SameWord(const char* text, int length, const char* word)
{
    while (length > 0 && IsBlank(*text))
        text++, length--;
    while (length > 0 && IsBlank(text[length - 1]))
        length--;
    if ((int)strlen(word) != length)
        return false;
    for (int i = 0; i < length; i++)
        if (Lower(text[i]) != Lower(word[i]))
            return false;
    return true;
}

static bool IsSectionLine(const char* file, const FileLine& line)
{
    return line.end > line.begin && file[line.begin] == '[';
}

// Whether a section line names the printer: its name runs from after "["
// to the last "]" (printer names may hold one).
static bool NamesPrinter(const char* file, const FileLine& line, const char* printer)
{
    int close = line.end - 1;
    while (close > line.begin && file[close] != ']')
        close--;
    int nameEnd = close > line.begin ? close : line.end;
    return SameWord(file + line.begin + 1, nameEnd - line.begin - 1, printer);
}

// The printer's section: from its name line to the next section line.
// False when there is none.
static bool SectionOf(const char* file, int length, const char* printer, int* start, int* end)
{
    bool inside = false;
    for (int at = 0; at < length;) {
        FileLine line = LineAt(file, length, at);
        if (IsSectionLine(file, line)) {
            if (inside) {
                *end = line.start;
                return true;
            }
            if (NamesPrinter(file, line, printer)) {
                inside = true;
                *start = line.start;
            }
        }
        at = line.next;
    }
    *end = length;
    return inside;
}

static void CopyValue(const char* value, int length, char field[CalibrationFieldSize])
{
    if (length > CalibrationFieldSize - 1)
        length = CalibrationFieldSize - 1;
    memcpy(field, value, length);
    field[length] = 0;
}

bool FindPrinterSection(const char* file, int length, const char* printer, CalibrationText* text)
{
    *text = CalibrationAsText(NoCalibration);
    int start = 0, end = 0;
    if (!SectionOf(file, length, printer, &start, &end))
        return false;
    FileLine header = LineAt(file, length, start);
    for (int at = header.next; at < end;) {
        FileLine line = LineAt(file, length, at);
        at = line.next;
        const char* equals = (const char*)memchr(file + line.begin, '=', line.end - line.begin);
        if (!equals || file[line.begin] == ';')
            continue;
        const char* key = file + line.begin;
        int keyLength = (int)(equals - key);
        const char* value = equals + 1;
        int valueLength = (int)(file + line.end - value);
        while (valueLength > 0 && IsBlank(*value))
            value++, valueLength--;
        if (SameWord(key, keyLength, "OffsetX"))
            CopyValue(value, valueLength, text->offsetX);
        else if (SameWord(key, keyLength, "OffsetY"))
            CopyValue(value, valueLength, text->offsetY);
        else if (SameWord(key, keyLength, "ScaleX"))
            CopyValue(value, valueLength, text->scaleX);
        else if (SameWord(key, keyLength, "ScaleY"))
            CopyValue(value, valueLength, text->scaleY);
        else if (SameWord(key, keyLength, "PaperCorner"))
            text->paperCorner = SameWord(value, valueLength, "1");
    }
    return true;
}

static const char FileIntroduction[] =
    "; Scrivelander printer calibration, one section per printer.\r\n"
    "; OffsetX and OffsetY: millimetres; right and down are positive.\r\n"
    "; ScaleX and ScaleY: percent across and down the page.\r\n"
    "; PaperCorner: 1 starts the page at the paper's corner, 0 at the printable area's.\r\n";

// The line end the file uses: that of its first line (CR LF for a file
// without one), so a saved section doesn't mix line ends into it.
static const char* LineEndOf(const char* file, int length)
{
    for (int i = 0; i < length; i++) {
        if (file[i] == '\n')
            return "\n";
        if (file[i] == '\r')
            return i + 1 < length && file[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\r\n";
}

// The section's lines; returns their length, or -1 when they don't fit.
static int SectionText(const char* printer, const PrinterCalibration& calibration, const char* lineEnd, char* out,
                       int capacity)
{
    CalibrationText text = CalibrationAsText(calibration);
    const char* e = lineEnd;
    int length = snprintf(out, capacity, "[%s]%sOffsetX=%s%sOffsetY=%s%sScaleX=%s%sScaleY=%s%sPaperCorner=%d%s",
                          printer, e, text.offsetX, e, text.offsetY, e, text.scaleX, e, text.scaleY, e,
                          calibration.paperCorner ? 1 : 0, e);
    return length < 0 || length >= capacity ? -1 : length;
}

// The comment lines of the section from `start` to `end`, which stay in it
// when it is written anew: copied to `out` (unless NULL) after each other,
// each with the file's line end. Returns their length.
static int SectionComments(const char* file, int length, int start, int end, const char* lineEnd, char* out)
{
    int total = 0, endLength = (int)strlen(lineEnd);
    for (int at = LineAt(file, length, start).next; at < end;) {
        FileLine line = LineAt(file, length, at);
        at = line.next;
        if (line.end == line.begin || file[line.begin] != ';')
            continue;
        int n = line.end - line.start;
        if (out) {
            memcpy(out + total, file + line.start, n);
            memcpy(out + total + n, lineEnd, endLength);
        }
        total += n + endLength;
    }
    return total;
}

int WithPrinterSection(const char* file, int length, const char* printer, const PrinterCalibration& calibration,
                       char* out, int capacity)
{
    char section[PrinterNameSize + 200];
    const char* lineEnd = LineEndOf(file, length);
    int sectionLength = SectionText(printer, calibration, lineEnd, section, sizeof section);
    if (sectionLength < 0)
        return -1;
    int start = 0, end = 0, comments = 0;
    const char* before = "";
    if (SectionOf(file, length, printer, &start, &end)) {
        comments = SectionComments(file, length, start, end, lineEnd, NULL);
    } else {
        start = end = length;
        if (length == 0)
            before = FileIntroduction;
        else if (file[length - 1] != '\n' && file[length - 1] != '\r')
            before = lineEnd;
    }
    // The section's name line, then its comments, then its values.
    int header = (int)(strlen(printer) + 2 + strlen(lineEnd));
    int beforeLength = (int)strlen(before);
    int total = start + beforeLength + sectionLength + comments + (length - end);
    if (total > capacity)
        return -1;
    char* at = out;
    memmove(at, file, start);
    at += start;
    memcpy(at, before, beforeLength);
    at += beforeLength;
    memcpy(at, section, header);
    at += header;
    at += SectionComments(file, length, start, end, lineEnd, at);
    memcpy(at, section + header, sectionLength - header);
    at += sectionLength - header;
    memmove(at, file + end, length - end);
    return total;
}

// ---- the file's encoding ----

static CalibrationEncoding EncodingOf(const char* bytes, int length)
{
    const uint8_t* b = (const uint8_t*)bytes;
    if (length >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return Utf8Encoding;
    if (length >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return Utf16LeEncoding;
    if (length >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return Utf16BeEncoding;
    return AnsiEncoding;
}

static int MarkLength(CalibrationEncoding encoding)
{
    return encoding == Utf8Encoding ? 3 : encoding == AnsiEncoding ? 0 : 2;
}

// The bytes after the mark as UTF-16 characters, allocated (the caller
// frees them); NULL when they are not text of their encoding.
static WCHAR* WideTextOf(const char* bytes, int length, CalibrationEncoding encoding, int* count)
{
    *count = 0;
    if (encoding == Utf8Encoding) {
        int n = length ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, length, NULL, 0) : 0;
        if (length && n <= 0)
            return NULL;
        WCHAR* wide = (WCHAR*)malloc(sizeof(WCHAR) * (n + 1));
        if (wide && n)
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, length, wide, n);
        *count = n;
        return wide;
    }
    if (length % 2)
        return NULL;
    int n = length / 2;
    WCHAR* wide = (WCHAR*)malloc(sizeof(WCHAR) * (n + 1));
    if (!wide)
        return NULL;
    const uint8_t* b = (const uint8_t*)bytes;
    for (int i = 0; i < n; i++)
        wide[i] = encoding == Utf16LeEncoding ? (WCHAR)(b[2 * i] | b[2 * i + 1] << 8)
                                              : (WCHAR)(b[2 * i] << 8 | b[2 * i + 1]);
    *count = n;
    return wide;
}

int DecodeCalibrationFile(const char* bytes, int length, char* text, int capacity, CalibrationEncoding* encoding,
                          bool* exact)
{
    *encoding = EncodingOf(bytes, length);
    *exact = true;
    if (*encoding == AnsiEncoding) {
        if (length > capacity)
            return -1;
        memcpy(text, bytes, length);
        return length;
    }
    int mark = MarkLength(*encoding), count = 0;
    WCHAR* wide = WideTextOf(bytes + mark, length - mark, *encoding, &count);
    if (!wide)
        return -1;
    int n = 0;
    if (count) {
        BOOL usedDefault = FALSE;
        n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, text, capacity, NULL, &usedDefault);
        *exact = !usedDefault;
        if (n <= 0)
            n = -1;
    }
    free(wide);
    return n;
}

int EncodeCalibrationFile(const char* text, int length, CalibrationEncoding encoding, char* bytes, int capacity)
{
    if (encoding == AnsiEncoding) {
        if (length > capacity)
            return -1;
        memcpy(bytes, text, length);
        return length;
    }
    int count = length ? MultiByteToWideChar(CP_ACP, 0, text, length, NULL, 0) : 0;
    WCHAR* wide = (WCHAR*)malloc(sizeof(WCHAR) * (count + 1));
    if ((length && count <= 0) || !wide) {
        free(wide);
        return -1;
    }
    if (count)
        MultiByteToWideChar(CP_ACP, 0, text, length, wide, count);
    int total = -1;
    uint8_t* out = (uint8_t*)bytes;
    if (encoding == Utf8Encoding && capacity >= 3) {
        out[0] = 0xEF, out[1] = 0xBB, out[2] = 0xBF;
        int n = count ? WideCharToMultiByte(CP_UTF8, 0, wide, count, bytes + 3, capacity - 3, NULL, NULL) : 0;
        total = count && n <= 0 ? -1 : 3 + n;
    } else if (encoding != Utf8Encoding && 2 + 2 * (int64_t)count <= capacity) {
        bool little = encoding == Utf16LeEncoding;
        out[0] = little ? 0xFF : 0xFE;
        out[1] = little ? 0xFE : 0xFF;
        for (int i = 0; i < count; i++) {
            out[2 + 2 * i] = (uint8_t)(little ? wide[i] : wide[i] >> 8);
            out[3 + 2 * i] = (uint8_t)(little ? wide[i] >> 8 : wide[i]);
        }
        total = 2 + 2 * count;
    }
    free(wide);
    return total;
}

// ---- the file in the start-up folder ----

CalibrationFileState ReadCalibrationFile(char* content, int* length)
{
    *length = 0;
    char path[PathBufferSize];
    // No start-up folder to look in: no calibration was ever saved there.
    if (!PathInFolder(StartupDirectory, CalibrationFileName, path))
        return CalibrationFileMissing;
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? CalibrationFileMissing
                                                                              : CalibrationFileUnreadable;
    }
    LARGE_INTEGER size;
    DWORD got = 0;
    bool read = GetFileSizeEx(file, &size) && size.QuadPart <= CalibrationFileLimit &&
                ReadFile(file, content, (DWORD)size.QuadPart, &got, NULL) && got == (DWORD)size.QuadPart;
    CloseHandle(file);
    if (!read)
        return CalibrationFileUnreadable;
    *length = (int)got;
    return CalibrationFileLoaded;
}

static bool WriteWholeFile(const char* path, const char* content, int length)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, content, (DWORD)length, &written, NULL) && written == (DWORD)length;
    return CloseHandle(file) && whole;
}

// The file's text in ANSI (CalibrationFileLimit bytes), and how the file
// stores it.
enum CalibrationTextState { CalibrationTextMissing, CalibrationTextLoaded, CalibrationTextUnreadable,
                            CalibrationTextNotText };

static CalibrationTextState ReadCalibrationText(char* text, int* length, CalibrationEncoding* encoding, bool* exact)
{
    static char bytes[CalibrationFileLimit];
    int count = 0;
    *length = 0;
    *encoding = AnsiEncoding;
    *exact = true;
    CalibrationFileState state = ReadCalibrationFile(bytes, &count);
    if (state != CalibrationFileLoaded)
        return state == CalibrationFileMissing ? CalibrationTextMissing : CalibrationTextUnreadable;
    int decoded = DecodeCalibrationFile(bytes, count, text, CalibrationFileLimit, encoding, exact);
    if (decoded < 0)
        return CalibrationTextNotText;
    *length = decoded;
    return CalibrationTextLoaded;
}

bool SaveCalibration(const char* printer, const PrinterCalibration& calibration)
{
    static char content[CalibrationFileLimit];
    static char changed[CalibrationFileLimit];
    static char encoded[2 * CalibrationFileLimit + 3];
    char path[PathBufferSize], temporary[PathBufferSize];
    if (!PathInFolder(StartupDirectory, CalibrationFileName, path) ||
        !PathInFolder(StartupDirectory, "Scrivelander-calibration.tmp", temporary))
        return false;
    int length = 0;
    CalibrationEncoding encoding;
    bool exact = true;
    CalibrationTextState state = ReadCalibrationText(content, &length, &encoding, &exact);
    if (state == CalibrationTextUnreadable || state == CalibrationTextNotText || !exact)
        return false;
    int newLength = WithPrinterSection(content, length, printer, calibration, changed, sizeof changed);
    if (newLength < 0)
        return false;
    int size = EncodeCalibrationFile(changed, newLength, encoding, encoded, sizeof encoded);
    if (size < 0 || size > CalibrationFileLimit)
        return false;
    if (!WriteWholeFile(temporary, encoded, size) ||
        !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return false;
    }
    return true;
}

static CalibrationTextState StoredText(const char* printer, CalibrationText* text, bool* found)
{
    static char content[CalibrationFileLimit];
    int length = 0;
    CalibrationEncoding encoding;
    bool exact = true;
    *found = false;
    CalibrationTextState state = ReadCalibrationText(content, &length, &encoding, &exact);
    if (state == CalibrationTextLoaded || state == CalibrationTextMissing)
        *found = FindPrinterSection(content, length, printer, text);
    return state;
}

bool StoredCalibrationText(const char* printer, CalibrationText* text, bool* found)
{
    CalibrationTextState state = StoredText(printer, text, found);
    return state == CalibrationTextLoaded || state == CalibrationTextMissing;
}

bool StoredCalibration(const char* printer, double paperWidth, double paperHeight, PrinterCalibration* calibration,
                       bool* stored, char message[CalibrationMessageSize])
{
    *calibration = NoCalibration;
    *stored = false;
    CalibrationText text;
    bool found = false;
    CalibrationTextState state = StoredText(printer, &text, &found);
    if (state == CalibrationTextUnreadable) {
        snprintf(message, CalibrationMessageSize,
                 "The printer calibration in %s can't be read: the file may be open in another program, or "
                 "larger than 64 KB.",
                 CalibrationFileName);
        return false;
    }
    if (state == CalibrationTextNotText) {
        snprintf(message, CalibrationMessageSize,
                 "The printer calibration in %s can't be used: it is not text as Scrivelander reads it (ANSI, or "
                 "UTF-8 or UTF-16 beginning with the mark Notepad saves them with).",
                 CalibrationFileName);
        return false;
    }
    if (!found)
        return true;
    char problem[CalibrationMessageSize];
    if (!CheckCalibration(text, paperWidth, paperHeight, calibration, problem, NULL)) {
        *calibration = NoCalibration;
        snprintf(message, CalibrationMessageSize, "The calibration of the printer \"%.*s\" in %s is not valid:\n%s\n"
                 "Correct it with Print calibration... in the File menu.",
                 100, printer, CalibrationFileName, problem);
        return false;
    }
    *stored = true;
    return true;
}
