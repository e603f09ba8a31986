#include "output/calibration.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/file_io.h"
#include "base/settings.h"
#include "base/text_chars.h"

// A blank of a calibration line, which may end in a carriage return.
static bool IsLineBlank(char c)
{
    return IsBlank(c) || c == '\r';
}

bool ParseCalibrationNumber(const char* text, double* value)
{
    size_t length = strnlen(text, CalibrationFieldSize);
    if (length >= (size_t)CalibrationFieldSize)
        return false;
    size_t begin = 0, end = length;
    while (begin < end && IsLineBlank(text[begin]))
        begin++;
    while (end > begin && IsLineBlank(text[end - 1]))
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
    text.trueSize = calibration.trueSize;
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
    calibration->trueSize = text.trueSize;
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
    int end = at;
    // Lines end in CR LF, LF or a lone CR (as some editors save them).
    while (end < length && file[end] != '\n' && file[end] != '\r')
        end++;
    line.next = end;
    if (line.next < length && file[line.next] == '\r')
        line.next++;
    if (line.next < length && file[line.next] == '\n')
        line.next++;
    line.begin = at;
    while (line.begin < end && IsLineBlank(file[line.begin]))
        line.begin++;
    while (end > line.begin && IsLineBlank(file[end - 1]))
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
    while (length > 0 && IsLineBlank(*text))
        text++, length--;
    while (length > 0 && IsLineBlank(text[length - 1]))
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
        while (valueLength > 0 && IsLineBlank(*value))
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
        else if (SameWord(key, keyLength, "TrueSize"))
            text->trueSize = SameWord(value, valueLength, "1");
    }
    return true;
}

static const char FileIntroduction[] =
    "; Scrivelander printer calibration, one section per printer.\r\n"
    "; OffsetX and OffsetY: millimetres; right and down are positive.\r\n"
    "; ScaleX and ScaleY: percent across and down the page.\r\n"
    "; PaperCorner: 1 starts the page at the paper's corner, 0 at the printable area's.\r\n";

// The line end the file uses (its first one); CR LF for a file without one.
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

// Appends `count` bytes to out[*used], unless they don't fit.
static bool Append(char* out, int capacity, int* used, const char* bytes, int count)
{
    if (*used < 0 || count > capacity - *used) {
        *used = -1;
        return false;
    }
    memcpy(out + *used, bytes, count);
    *used += count;
    return true;
}

// The section's lines: its name, the comment lines the old section
// [oldStart, oldEnd) of `file` held (the user's notes stay, in their
// order), then the values. Returns their length, or -1 when they don't fit.
static int SectionText(const char* file, int oldStart, int oldEnd, const char* lineEnd, const char* printer,
                       const PrinterCalibration& calibration, char* out, int capacity)
{
    CalibrationText text = CalibrationAsText(calibration);
    int used = 0;
    char line[PrinterNameSize + 64];
    int length = snprintf(line, sizeof line, "[%s]%s", printer, lineEnd);
    if (length < 0 || length >= (int)sizeof line)
        return -1;
    Append(out, capacity, &used, line, length);
    if (oldEnd > oldStart) {
        FileLine header = LineAt(file, oldEnd, oldStart);
        for (int at = header.next; at < oldEnd;) {
            FileLine comment = LineAt(file, oldEnd, at);
            at = comment.next;
            if (comment.end > comment.begin && file[comment.begin] == ';') {
                Append(out, capacity, &used, file + comment.begin, comment.end - comment.begin);
                Append(out, capacity, &used, lineEnd, (int)strlen(lineEnd));
            }
        }
    }
    const char* keys[5] = { "OffsetX", "OffsetY", "ScaleX", "ScaleY", "PaperCorner" };
    const char* values[5] = { text.offsetX, text.offsetY, text.scaleX, text.scaleY, calibration.paperCorner ? "1" : "0" };
    for (int i = 0; i < 5; i++) {
        length = snprintf(line, sizeof line, "%s=%s%s", keys[i], values[i], lineEnd);
        Append(out, capacity, &used, line, length);
    }
    // Written only when on, so a section without it reads the same in a
    // copy of the program that doesn't know it.
    if (calibration.trueSize) {
        length = snprintf(line, sizeof line, "TrueSize=1%s", lineEnd);
        Append(out, capacity, &used, line, length);
    }
    return used;
}

int WithPrinterSection(const char* file, int length, const char* printer, const PrinterCalibration& calibration,
                       char* out, int capacity)
{
    static char section[CalibrationFileLimit];
    const char* lineEnd = LineEndOf(file, length);
    int start = 0, end = 0;
    const char* before = "";
    if (!SectionOf(file, length, printer, &start, &end)) {
        start = end = length;
        if (length == 0)
            before = FileIntroduction;
        else if (file[length - 1] != '\n' && file[length - 1] != '\r')
            before = lineEnd;
    }
    int sectionLength = SectionText(file, start, end, lineEnd, printer, calibration, section, sizeof section);
    if (sectionLength < 0 || (int)strlen(printer) >= PrinterNameSize)
        return -1;
    int beforeLength = (int)strlen(before);
    int total = start + beforeLength + sectionLength + (length - end);
    if (total > capacity)
        return -1;
    memmove(out, file, start);
    memcpy(out + start, before, beforeLength);
    memcpy(out + start + beforeLength, section, sectionLength);
    memmove(out + start + beforeLength + sectionLength, file + end, length - end);
    return total;
}

// ---- the file's encoding ----

static CalibrationFileState ReadCalibrationBytes(char* content, int* length);

static bool Utf8Throughout(const char* bytes, int count)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, count, NULL, 0) > 0;
}

static bool AllAscii(const char* bytes, int count)
{
    for (int i = 0; i < count; i++)
        if ((unsigned char)bytes[i] >= 0x80)
            return false;
    return true;
}

// Wide text as the program's 8-bit text; `exact` false when some character
// has no place in the code page.
static int WideAsText(const wchar_t* wide, int count, char* text, int capacity, bool* exact)
{
    if (count == 0)
        return 0;
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, text, capacity, NULL, &usedDefault);
    *exact = !usedDefault;
    return length > 0 ? length : -1;
}

// The calibration file's text as UTF-16 on its way between its own
// encoding and the ANSI code page, for one decode or encode at a time.
static wchar_t gWideText[CalibrationFileLimit];

int DecodeCalibrationFile(const char* bytes, int count, char* text, int capacity, CalibrationEncoding* encoding,
                          bool* exact)
{
    wchar_t* wide = gWideText;
    const unsigned char* b = (const unsigned char*)bytes;
    *exact = true;
    bool bigEndian = false;
    if (Utf16Marked(b, count, &bigEndian)) {
        *encoding = bigEndian ? CalibrationUtf16Be : CalibrationUtf16Le;
        if (count % 2 != 0)
            return -1;
        int n = (count - 2) / 2;
        for (int i = 0; i < n; i++)
            wide[i] = (wchar_t)Utf16Unit(b + 2 + 2 * i, bigEndian);
        return WideAsText(wide, n, text, capacity, exact);
    }
    bool mark = count >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF;
    if (mark || (!AllAscii(bytes, count) && Utf8Throughout(bytes, count))) {
        *encoding = mark ? CalibrationUtf8Mark : CalibrationUtf8;
        const char* from = mark ? bytes + 3 : bytes;
        int length = mark ? count - 3 : count;
        if (length == 0)
            return 0;
        int n = MultiByteToWideChar(CP_UTF8, 0, from, length, wide, CalibrationFileLimit);
        return n > 0 ? WideAsText(wide, n, text, capacity, exact) : -1;
    }
    *encoding = CalibrationAnsi;
    if (count > capacity)
        return -1;
    memcpy(text, bytes, count);
    return count;
}

int EncodeCalibrationFile(const char* text, int length, CalibrationEncoding encoding, char* bytes, int capacity)
{
    wchar_t* wide = gWideText;
    if (encoding == CalibrationAnsi) {
        if (length > capacity)
            return -1;
        memcpy(bytes, text, length);
        return length;
    }
    int n = length ? MultiByteToWideChar(CP_ACP, 0, text, length, wide, CalibrationFileLimit) : 0;
    if (length && n <= 0)
        return -1;
    if (encoding == CalibrationUtf16Le || encoding == CalibrationUtf16Be) {
        if (2 + 2 * n > capacity)
            return -1;
        bool little = encoding == CalibrationUtf16Le;
        unsigned char* b = (unsigned char*)bytes;
        b[0] = little ? 0xFF : 0xFE;
        b[1] = little ? 0xFE : 0xFF;
        for (int i = 0; i < n; i++) {
            b[2 + 2 * i] = (unsigned char)(little ? wide[i] & 0xFF : wide[i] >> 8);
            b[3 + 2 * i] = (unsigned char)(little ? wide[i] >> 8 : wide[i] & 0xFF);
        }
        return 2 + 2 * n;
    }
    int mark = encoding == CalibrationUtf8Mark ? 3 : 0;
    if (mark > capacity)
        return -1;
    memcpy(bytes, "\xEF\xBB\xBF", mark);
    if (n == 0)
        return mark;
    int written = WideCharToMultiByte(CP_UTF8, 0, wide, n, bytes + mark, capacity - mark, NULL, NULL);
    return written > 0 ? mark + written : -1;
}

// ---- the file in the start-up folder ----

CalibrationFileState ReadCalibrationFile(char* content, int* length, CalibrationEncoding* encoding, bool* exact)
{
    static char bytes[CalibrationFileLimit];
    CalibrationEncoding found = CalibrationAnsi;
    bool whole = true;
    if (encoding)
        *encoding = found;
    if (exact)
        *exact = whole;
    int count = 0;
    CalibrationFileState state = ReadCalibrationBytes(bytes, &count);
    *length = 0;
    if (state != CalibrationFileLoaded)
        return state;
    int decoded = DecodeCalibrationFile(bytes, count, content, CalibrationFileLimit, &found, &whole);
    if (decoded < 0)
        return CalibrationFileNotText;
    *length = decoded;
    if (encoding)
        *encoding = found;
    if (exact)
        *exact = whole;
    return CalibrationFileLoaded;
}

// The file's bytes as they are stored.
static CalibrationFileState ReadCalibrationBytes(char* content, int* length)
{
    *length = 0;
    char path[PathBufferSize];
    // No start-up folder to look in: no calibration was ever saved there.
    if (!PathInFolder(gStartupDirectory, CalibrationFileName, path))
        return CalibrationFileMissing;
    HANDLE file = OpenExclusively(path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return LastOpenFailure() == MissingFile ? CalibrationFileMissing : CalibrationFileUnreadable;
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

bool SaveCalibration(const char* printer, const PrinterCalibration& calibration)
{
    static char content[CalibrationFileLimit];
    static char changed[CalibrationFileLimit];
    static char bytes[CalibrationFileLimit];
    char path[PathBufferSize], temporary[PathBufferSize];
    if (!PathInFolder(gStartupDirectory, CalibrationFileName, path) ||
        !PathInFolder(gStartupDirectory, "Scrivelander-calibration.tmp", temporary))
        return false;
    int length = 0;
    CalibrationEncoding encoding = CalibrationAnsi;
    bool exact = true;
    CalibrationFileState state = ReadCalibrationFile(content, &length, &encoding, &exact);
    // A file with characters the program can't hold is never written back:
    // they would be lost.
    if (state == CalibrationFileUnreadable || state == CalibrationFileNotText || !exact)
        return false;
    int newLength = WithPrinterSection(content, length, printer, calibration, changed, sizeof changed);
    if (newLength < 0)
        return false;
    // Saved as it was stored, so one file never mixes two encodings.
    int count = EncodeCalibrationFile(changed, newLength, encoding, bytes, sizeof bytes);
    return count >= 0 && WriteFileReplacing(path, temporary, bytes, (uint32_t)count) == FileReplaced;
}

bool StoredCalibrationText(const char* printer, CalibrationText* text, bool* found)
{
    static char content[CalibrationFileLimit];
    int length = 0;
    *found = false;
    CalibrationFileState state = ReadCalibrationFile(content, &length);
    if (state == CalibrationFileUnreadable || state == CalibrationFileNotText)
        return false;
    *found = FindPrinterSection(content, length, printer, text);
    return true;
}

bool StoredCalibration(const char* printer, double paperWidth, double paperHeight, PrinterCalibration* calibration,
                       bool* stored, char message[CalibrationMessageSize])
{
    *calibration = NoCalibration;
    *stored = false;
    CalibrationText text;
    bool found = false;
    if (!StoredCalibrationText(printer, &text, &found)) {
        snprintf(message, CalibrationMessageSize,
                 "The printer calibration in %s can't be read: the file may be open in another program, or "
                 "larger than 64 KB.",
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
