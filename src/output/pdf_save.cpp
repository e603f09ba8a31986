#include "output/pdf_save.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/form_pages.h"
#include "entries/entry_edit.h"
#include "entries/entry_record.h"
#include "entries/entry_style.h"
#include "entries/entry_text.h"
#include "entries/formula.h"
#include "output/pdf_writer.h"
#include "output/print_pages.h"
#include "view/form_image.h"
#include "view/view_globals.h"

double SavedPageDpi(int32_t pixelsPerMeter)
{
    if (WholeDpi(pixelsPerMeter) <= 0)
        return UnknownPageDpi;
    return (double)llround(pixelsPerMeter * 0.0254);
}

bool ProposedPdfName(const char* formPath, char name[PathBufferSize])
{
    const char* file = FileNameOf(formPath);
    const char* dot = strrchr(file, '.');
    size_t stem = dot ? (size_t)(dot - file) : strlen(file);
    if (stem + 5 > (size_t)PathBufferSize)
        return false;
    memcpy(name, file, stem);
    memcpy(name + stem, ".pdf", 5);
    return true;
}

const char* SaveFailureReason(ReplaceOutcome outcome, DWORD error)
{
    if (outcome == NoRoomOnDisk || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        return "The disk is full.";
    switch (error) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
        return "Its folder is not there any more.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "Another program has it open.";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return outcome == TemporaryNotMade ? "Its folder can't be written to."
                                           : "It is read-only, or access to it is denied.";
    }
    return outcome == FileNotReplaced ? "It could not be replaced." : "It could not be written.";
}

// ---- one page's entries as text ----

// The entries of the page being saved: a table of its own, so the form on
// screen keeps its own.
static EntryRecord gSaveEntries[EntryTableSlots];

// A font the file holds, by the face the platform chose for an entry.
struct SavedFont {
    char face[LF_FACESIZE];
    LONG weight;
    BYTE italic;
    int object;
    uint16_t widths[256];
};

// What a save keeps from page to page: the file being made and its fonts.
struct PdfSave {
    PdfOutput out;
    std::vector<SavedFont> fonts;
    ReplacingFile file;
};

// Hands the bytes made so far to the temporary file.
static bool WriteMade(PdfSave& save)
{
    std::string bytes;
    PdfTakePending(save.out, &bytes);
    return WriteReplacing(&save.file, bytes.data(), (uint32_t)bytes.size());
}

// The font's widths of codes 0 to 255 in 1000ths of its em: measured with
// the face made as large as its design grid, so they are the design's own.
static void MeasureWidths(HDC dc, const LOGFONTA& font, int em, uint16_t widths[256])
{
    memset(widths, 0, 256 * sizeof widths[0]);
    LOGFONTA design = font;
    design.lfHeight = -em;
    design.lfWidth = 0;
    design.lfEscapement = design.lfOrientation = 0;
    HFONT made = CreateFontIndirectA(&design);
    if (!made)
        return;
    HGDIOBJ previous = SelectObject(dc, made);
    INT units[256] = {};
    if (GetCharWidth32A(dc, 32, 255, units + 32))
        for (int c = 32; c < 256; c++)
            widths[c] = (uint16_t)(units[c] > 0 ? llround(units[c] * 1000.0 / em) : 0);
    SelectObject(dc, previous);
    DeleteObject(made);
}

static int Thousandths(int units, int em)
{
    return (int)llround(units * 1000.0 / em);
}

// The font selected in `dc` (made from `font`) as a font object of the
// file, with its descriptor and its file as the platform has it. False
// when there is no memory.
static bool WriteSelectedFont(PdfSave& save, HDC dc, const LOGFONTA& font, SavedFont& saved)
{
    PdfFont pdf = {};
    std::vector<uint8_t> file;
    UINT metricsSize = GetOutlineTextMetricsA(dc, 0, NULL);
    std::vector<uint8_t> metricsBytes(metricsSize ? metricsSize : sizeof(OUTLINETEXTMETRICA));
    OUTLINETEXTMETRICA* metrics = (OUTLINETEXTMETRICA*)metricsBytes.data();
    int em = 1000;
    pdf.name = PdfNameOf(saved.face);
    if (metricsSize && GetOutlineTextMetricsA(dc, metricsSize, metrics)) {
        em = metrics->otmEMSquare > 0 ? metrics->otmEMSquare : 1000;
        pdf.name = PdfNameOf((const char*)metrics + (size_t)metrics->otmpFaceName);
        pdf.box[0] = Thousandths(metrics->otmrcFontBox.left, em);
        pdf.box[1] = Thousandths(metrics->otmrcFontBox.bottom, em);
        pdf.box[2] = Thousandths(metrics->otmrcFontBox.right, em);
        pdf.box[3] = Thousandths(metrics->otmrcFontBox.top, em);
        pdf.italicAngle = metrics->otmItalicAngle / 10;
        pdf.ascent = Thousandths(metrics->otmAscent, em);
        pdf.descent = Thousandths(metrics->otmDescent, em);
        pdf.capHeight = Thousandths(metrics->otmsCapEmHeight, em);
    }
    pdf.italic = saved.italic != 0;
    pdf.stemV = saved.weight >= FW_BOLD ? 120 : 80;
    // The whole file of the face (not of a collection): embedded as it is.
    DWORD size = GetFontData(dc, 0, 0, NULL, 0);
    if (size != GDI_ERROR && size > 0) {
        file.resize(size);
        if (GetFontData(dc, 0, 0, file.data(), size) == size) {
            pdf.file = file.data();
            pdf.fileSize = size;
        }
    }
    MeasureWidths(dc, font, em, saved.widths);
    memcpy(pdf.widths, saved.widths, sizeof pdf.widths);
    saved.object = PdfNewObject(save.out);
    return PdfWriteFont(save.out, saved.object, pdf);
}

// The file's font for the face selected in `dc`, written the first time a
// text uses it. NULL when there is no memory.
static const SavedFont* FontOfSelected(PdfSave& save, HDC dc, const LOGFONTA& font)
{
    SavedFont key = {};
    GetTextFaceA(dc, LF_FACESIZE, key.face);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    key.weight = metrics.tmWeight;
    key.italic = metrics.tmItalic;
    for (const SavedFont& f : save.fonts)
        if (strcmp(f.face, key.face) == 0 && f.weight == key.weight && f.italic == key.italic)
            return &f;
    if (!WriteSelectedFont(save, dc, font, key))
        return NULL;
    save.fonts.push_back(key);
    return &save.fonts.back();
}

static uint32_t RgbOf(COLORREF colour)
{
    return (uint32_t)GetRValue(colour) << 16 | (uint32_t)GetGValue(colour) << 8 | GetBValue(colour);
}

// One entry's text onto the page's content, as it is drawn into a picture
// of `picture` pixels: its font, its value, its place. False when there is
// no memory.
static bool AddEntryText(PdfSave& save, HDC dc, const EntryRecord& r, const LOGFONTA& font, SIZE picture,
                         std::string& content, std::vector<int>& pageFonts)
{
    ShownEntry shown;
    HGDIOBJ previous = NULL;
    HFONT made = SelectShownEntry(dc, r, font, EntryValue(r, gSaveEntries), picture, &shown, &previous);
    if (!made)
        return true;
    bool ok = true;
    LOGFONTA drawn = font;
    GetObjectA(made, sizeof drawn, &drawn);
    const SavedFont* saved = shown.length > 0 ? FontOfSelected(save, dc, drawn) : NULL;
    if (saved) {
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        // Where the platform puts each character: the extents of the text
        // up to and with it.
        INT reach[EntryTextSize] = {};
        int advances[EntryTextSize] = {};
        SIZE extent;
        GetTextExtentExPointA(dc, shown.text, shown.length, 0, NULL, reach, &extent);
        for (int i = 0; i < shown.length; i++)
            advances[i] = reach[i] - (i ? reach[i - 1] : 0);
        PdfTextRun run = {};
        run.font = saved->object;
        run.size = metrics.tmHeight - metrics.tmInternalLeading;
        run.turned = shown.turned;
        run.x = shown.turned ? shown.x + metrics.tmAscent : shown.x;
        run.y = shown.turned ? shown.y : shown.y + metrics.tmAscent;
        run.colour = RgbOf(ColourOfIndex(r.colourIndex));
        run.text = shown.text;
        run.length = shown.length;
        run.advances = advances;
        run.widths = saved->widths;
        PdfAppendText(content, picture.cy, run);
        bool listed = false;
        for (int f : pageFonts)
            listed = listed || f == saved->object;
        if (!listed)
            pageFonts.push_back(saved->object);
    } else if (shown.length > 0) {
        ok = false;
    }
    SelectObject(dc, previous);
    DeleteObject(made);
    return ok;
}

// ---- one page ----

// The picture of a page as its DIB section holds it.
static PdfPicture PictureOf(const FormPicture& picture)
{
    PdfPicture p = {};
    DIBSECTION section = {};
    if (GetObjectA(picture.bitmap, sizeof section, &section) != (int)sizeof section)
        return p;
    p.width = section.dsBm.bmWidth;
    p.height = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
    p.bitCount = section.dsBmih.biBitCount;
    p.bits = (const uint8_t*)section.dsBm.bmBits;
    p.stride = section.dsBm.bmWidthBytes;
    p.topDown = section.dsBmih.biHeight < 0;
    if (section.dsBmih.biCompression == BI_BITFIELDS)
        memcpy(p.masks, section.dsBitfields, sizeof p.masks);
    if (p.bitCount <= 8) {
        RGBQUAD colours[256] = {};
        p.paletteCount = (int)GetDIBColorTable(picture.dc, 0, 256, colours);
        for (int i = 0; i < p.paletteCount; i++)
            p.palette[i] = (uint32_t)colours[i].rgbRed << 16 | (uint32_t)colours[i].rgbGreen << 8 | colours[i].rgbBlue;
    }
    return p;
}

static const char NoMemoryText[] = "There is not enough memory to save this form as a PDF.";
static const char EntriesUnreadableText[] = "Its entry file can't be read: another program may have it open.";

// The picture of a page as an image object, written out at once, so only
// the picture and its compressed stream are ever in memory. 0 when the
// page has none; -1 when it failed (`reason`).
static int WritePicture(PdfSave& save, const FormPicture& picture, const char** reason)
{
    if (!picture.dc)
        return 0;
    PdfPicture p = PictureOf(picture);
    if (!p.bits) {
        *reason = NoMemoryText;
        return -1;
    }
    int image = PdfNewObject(save.out);
    // 1-bit and palette pictures are small and compress well; a picture of
    // millions of colours is compressed fast.
    if (!PdfWriteImage(save.out, image, p, p.bitCount <= 8 ? 6 : 1)) {
        *reason = NoMemoryText;
        return -1;
    }
    return image;
}

// One page of the document: its picture (unless `blank`) and its entries.
// NULL when written (or failed writing: the file tells), otherwise why not.
static const char* SavePage(PdfSave& save, HDC dc, const char* path, bool blank, const LOGFONTA& baseFont)
{
    FormFileFacts facts = {};
    FormPicture picture = {};
    const char* refusal = ReadFormFile(path, false, &facts, blank ? NULL : &picture);
    if (refusal)
        return refusal;
    char entryPath[PathBufferSize];
    EntryFilePathOf(path, entryPath);
    if (ReadEntriesOf(entryPath, gSaveEntries) == EntryFileUnreadable) {
        ReleaseFormPicture(&picture);
        return EntriesUnreadableText;
    }
    int image = WritePicture(save, picture, &refusal);
    ReleaseFormPicture(&picture);
    if (image < 0)
        return refusal;
    WriteMade(save);
    PdfPage page;
    page.width = facts.width;
    page.height = facts.height;
    page.dpi = SavedPageDpi(facts.pixelsPerMeter);
    page.image = image;
    std::string content = PdfPageContentStart(page.dpi, page.width, page.height, image);
    SIZE size = { facts.width, facts.height };
    // A slot without text draws nothing, so it is passed over, as printing does.
    for (int i = 0; i < EntryTableSlots; i++) {
        const EntryRecord& r = gSaveEntries[i];
        if (r.text[0] && !AddEntryText(save, dc, r, RecordDrawingFont(baseFont, r), size, content, page.fonts))
            return NoMemoryText;
    }
    content += PdfPageContentEnd();
    if (!PdfWritePage(save.out, page, content))
        return NoMemoryText;
    WriteMade(save);
    return NULL;
}

// The temporary file beside the target, so that the rename never crosses
// volumes.
static bool TemporaryPathFor(const char* target, char temporary[PathBufferSize])
{
    return PagePathOf(target, "SCRVPDF.tmp", temporary);
}

// Holds an existing target open, exclusively, until the new file takes its
// place. NULL with the target held (or absent: `held` INVALID_HANDLE_VALUE);
// otherwise why it can't be replaced.
static const char* HoldTarget(const char* target, HANDLE* held)
{
    *held = INVALID_HANDLE_VALUE;
    DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return NULL;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "It is a folder.";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "It is read-only.";
    *held = OpenExclusively(target, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (*held == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? NULL : SaveFailureReason(FileNotReplaced, error);
    }
    return NULL;
}

const char* SavePdfFile(const char* target, const char* const* pagePaths, int count, bool blank,
                        const LOGFONTA& baseFont, char failedPage[PathBufferSize])
{
    failedPage[0] = 0;
    char temporary[PathBufferSize];
    if (!TemporaryPathFor(target, temporary))
        return "Its path is too long.";
    HANDLE held = INVALID_HANDLE_VALUE;
    const char* refusal = HoldTarget(target, &held);
    if (refusal)
        return refusal;
    PdfSave save;
    ReplaceOutcome outcome = StartReplacing(temporary, &save.file);
    if (outcome != FileReplaced) {
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        return SaveFailureReason(outcome, save.file.error);
    }
    HDC dc = CreateCompatibleDC(NULL);
    if (!dc)
        refusal = NoMemoryText;
    PdfBegin(save.out);
    // A write that failed (a full disk) ends the save at the page it was on.
    for (int i = 0; i < count && !refusal && save.file.error == ERROR_SUCCESS; i++) {
        refusal = SavePage(save, dc, pagePaths[i], blank, baseFont);
        if (refusal)
            lstrcpynA(failedPage, pagePaths[i], PathBufferSize);
    }
    if (dc)
        DeleteDC(dc);
    if (!refusal) {
        PdfFinish(save.out);
        WriteMade(save);
    }
    outcome = FinishReplacing(target, temporary, &save.file, refusal != NULL, held);
    if (refusal)
        return refusal;
    return outcome == FileReplaced ? NULL : SaveFailureReason(outcome, save.file.error);
}

// ---- the command ----

// The pages of the form's document, each path in a buffer of its own, in
// page order. False, after telling the user, when they can't be listed.
static bool DocumentPagePaths(std::vector<std::string>& paths)
{
    PageList list;
    if (!ListDocumentPages(gFormImage.formPath, &list)) {
        ShowMessage(NoMemoryText, NULL, MB_OK);
        return false;
    }
    for (int i = 0; i < list.count; i++) {
        char path[PathBufferSize];
        if (PagePathOf(gFormImage.formPath, list.names[i], path))
            paths.push_back(path);
    }
    FreePageList(&list);
    if (paths.empty())
        ShowMessage("No page of this form is in its folder any more.", NULL, MB_OK);
    return !paths.empty();
}

// Tells the user of pages of unknown resolution (saved at 300 dpi), and of
// a page that can't be read. False when one can't: nothing is saved.
static bool PagesChecked(const std::vector<std::string>& paths)
{
    std::string unknown;
    int listed = 0;
    for (const std::string& path : paths) {
        FormFileFacts facts = {};
        const char* refusal = ReadFormFile(path.c_str(), false, &facts, NULL);
        if (refusal) {
            std::string text = "This page can't be read, so nothing was saved:\n" + path + "\n\n" + refusal;
            ShowMessage(text.c_str(), NULL, MB_OK);
            return false;
        }
        if (WholeDpi(facts.pixelsPerMeter) <= 0 && listed++ < ListedPages)
            unknown += std::string(FileNameOf(path.c_str())) + "\n";
    }
    if (listed == 0)
        return true;
    char text[80];
    snprintf(text, sizeof text, "%d page%s\n\nThey are saved at %d dpi.", listed, listed == 1 ? "" : "s",
             UnknownPageDpi);
    std::string message = "The scanner resolution of these pages is unknown:\n\n" + unknown + "\n" + text;
    ShowMessage(message.c_str(), "Save as PDF", MB_OK);
    return true;
}

// Whether `target` is one of the pages or one of their entry files, which a
// save never touches.
static bool IsPageOrEntryFile(const char* target, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        char entryPath[PathBufferSize];
        EntryFilePathOf(path.c_str(), entryPath);
        if (lstrcmpiA(target, path.c_str()) == 0 || lstrcmpiA(target, entryPath) == 0)
            return true;
    }
    return false;
}

// The save dialog: the form's name with ".pdf", in the form's folder. False
// when cancelled.
static bool ChooseTarget(char target[PathBufferSize])
{
    char folder[PathBufferSize];
    size_t folderLength = (size_t)(FileNameOf(gFormImage.formPath) - gFormImage.formPath);
    memcpy(folder, gFormImage.formPath, folderLength);
    folder[folderLength] = 0;
    if (!ProposedPdfName(gFormImage.formPath, target))
        target[0] = 0;
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = gMainWindow;
    dialog.lpstrFilter = "PDF files (*.pdf)\0*.pdf\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = target;
    dialog.nMaxFile = PathBufferSize;
    dialog.lpstrInitialDir = folder[0] ? folder : NULL;
    dialog.lpstrTitle = "Save as PDF";
    dialog.lpstrDefExt = "pdf";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetSaveFileNameA(&dialog) != 0;
}

void OnSaveAsPdf()
{
    if (!CancelEntryEdit())
        return;
    if (!gFormImage.imageLoaded) {
        ShowMessage("There is no form to save. Open a form first.", NULL, MB_OK);
        return;
    }
    std::vector<std::string> paths;
    if (!DocumentPagePaths(paths) || !PagesChecked(paths))
        return;
    char target[PathBufferSize];
    if (!ChooseTarget(target))
        return;
    const char* reason = NULL;
    char failedPage[PathBufferSize] = "";
    if (IsPageOrEntryFile(target, paths)) {
        reason = "It is a page of this form or its entry file, which a PDF never replaces. Choose another name.";
    } else {
        std::vector<const char*> pagePaths;
        for (const std::string& path : paths)
            pagePaths.push_back(path.c_str());
        HCURSOR previous = SetCursor(LoadCursor(NULL, IDC_WAIT));
        reason = SavePdfFile(target, pagePaths.data(), (int)pagePaths.size(), gFormImage.blanked, gCurrentFont,
                             failedPage);
        SetCursor(previous);
    }
    if (!reason)
        return;
    std::string text = "The PDF was not saved:\n" + std::string(target) + "\n\n";
    if (failedPage[0])
        text += "This page can't be read:\n" + std::string(failedPage) + "\n\n";
    text += reason;
    text += "\n\nA file that was there before is unchanged.";
    ShowMessage(text.c_str(), NULL, MB_OK);
}
