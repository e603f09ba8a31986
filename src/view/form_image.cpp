#include "view/form_image.h"

#include <stdlib.h>
#include <string.h>

#include "base/file_io.h"
#include "base/form_pages.h"
#include "view/bmp_format.h"
#include "view/bmp_rle.h"
#include "view/form_fields.h"
#include "view/half_view.h"
#include "view/view_globals.h"

FormImage gFormImage = {};

void EntryFilePathOf(const char* path, char entryPath[PathBufferSize])
{
    size_t length = strnlen(path, PathBufferSize - 1);
    size_t keep = length >= 3 ? length - 3 : 0;
    memcpy(entryPath, path, keep);
    memcpy(entryPath + keep, "dta", 4);
}

void (*gShowLoadMessage)(const char* text) = ShowInMessageBox;

static void ReleaseImageResources()
{
    if (!gFormImage.resourcesHeld)
        return;
    SelectObject(gFormImage.hdcMem, gFormImage.previousBitmap);
    DeleteDC(gFormImage.hdcMem);
    DeleteObject(gFormImage.hBitmap);
    gFormImage.hdcMem = NULL;
    gFormImage.hBitmap = NULL;
    gFormImage.bits = NULL;
    gFormImage.previousBitmap = NULL;
    gFormImage.resourcesHeld = false;
}

void ReleaseFormImage()
{
    ReleaseHalfViews();
    ReleaseImageResources();
    free(gFormImage.headerBlock);
    gFormImage.headerBlock = NULL;
    gFormImage.headerBlockSize = 0;
}

void FormImageChanged()
{
    gFormImage.version++;
}

void FormImageRectChanged(const RECT& rect)
{
    HalfViewChanged(rect);
}

static const char UnreadableText[] = "This .bmp file could not be read.";
static const char NoMemoryText[] = "There is not enough memory to open this .bmp file.";

// The program never writes a picture: it is read with read access alone,
// shared with other readers, so a read-only form opens.
static HANDLE OpenPictureFile(const char* path)
{
    return OpenForReading(path);
}

// Why a form's file could not be opened, from the system's error and the
// path's attributes (INVALID_FILE_ATTRIBUTES when it has none).
static const char* OpenRefusalReason(DWORD error, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "It is a folder, not a .bmp file.";
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
        return "There is no such file.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "Another program has it open.";
    case ERROR_ACCESS_DENIED:
        return "Access to it is denied.";
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_SUPPORTED:
        return "It is a device, not a .bmp file.";
    }
    return "It can't be opened.";
}

// Tells the user that the form at `path` was not opened, and why.
static void ReportNotOpened(const char* path, const char* reason)
{
    char text[PathBufferSize + 200];
    wsprintfA(text, "The form can't be opened:\n%s\n\n%s", path, reason);
    gShowLoadMessage(text);
}

// Opens the picture at `path` for a load: a file on a disk, or
// INVALID_HANDLE_VALUE with the reason in `reason`.
static HANDLE OpenPictureToLoad(const char* path, const char** reason)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *reason = OpenRefusalReason(ERROR_SUCCESS, attributes);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = OpenPictureFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        *reason = OpenRefusalReason(error, GetFileAttributesA(path));
        return INVALID_HANDLE_VALUE;
    }
    // A device name (CON, NUL, COM1) opens something that is no file.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        *reason = OpenRefusalReason(ERROR_INVALID_FUNCTION, INVALID_FILE_ATTRIBUTES);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

static bool ReadExactly(HANDLE file, void* buffer, uint32_t count)
{
    DWORD got = 0;
    return ReadFile(file, buffer, count, &got, NULL) && got == count;
}

// Reads the run-length stream of `count` bytes that follows in `file` and
// checks it against the picture before anything is made of it. NULL, with
// the stream in *stream for the caller to free, or why not.
static const char* ReadRunLengthStream(HANDLE file, const uint8_t* block, uint32_t count, int width, int height,
                                       uint8_t** stream)
{
    *stream = (uint8_t*)malloc(count);
    if (!*stream)
        return NoMemoryText;
    const char* refusal = ReadExactly(file, *stream, count)
                              ? DecodeBmpRle(*stream, count, ReadU16(block + 14), width, height, NULL, 0)
                              : UnreadableText;
    if (refusal) {
        free(*stream);
        *stream = NULL;
    }
    return refusal;
}

// The checked stream's pixels written into the picture's memory.
static void DecodeIntoPicture(const uint8_t* stream, uint32_t count, const uint8_t* block, int width, int height,
                              void* bits, uint32_t imageBytes)
{
    memset(bits, 0, imageBytes);
    DecodeBmpRle(stream, count, ReadU16(block + 14), width, height, (uint8_t*)bits, imageBytes / height);
}

// Reads the headers and checks them before anything of the current image is
// given up. Returns the new header block (owned by the caller), or NULL with
// `refusal` telling why the file is refused (NULL when the file's size can't
// be had).
static uint8_t* ReadCheckedHeaders(HANDLE file, BITMAPFILEHEADER* fileHeader, BmpImageCheck* image,
                                   const char** refusal)
{
    *refusal = NULL;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return NULL;
    uint8_t head[BmpFileHeaderSize] = {};
    DWORD got = 0;
    if (size.QuadPart > 0 && !ReadFile(file, head, sizeof head, &got, NULL))
        got = 0;
    BmpFileCheck check = CheckBmpFileHeader((uint64_t)size.QuadPart, head, got);
    if (check.refusal) {
        *refusal = check.refusal;
        return NULL;
    }
    memcpy(fileHeader, head, sizeof head);
    uint8_t* block = (uint8_t*)malloc(check.headerBlockSize);
    if (!block) {
        *refusal = NoMemoryText;
        return NULL;
    }
    if (!ReadExactly(file, block, check.headerBlockSize)) {
        free(block);
        *refusal = UnreadableText;
        return NULL;
    }
    *image = CheckBmpHeaderBlock(block, check.headerBlockSize, check.filePixelBytes);
    if (image->refusal) {
        free(block);
        *refusal = image->refusal;
        return NULL;
    }
    return block;
}

// A reload of the same picture (every entry change reloads the form) reads
// into the DIB section it already has instead of creating a new one.
static bool SameImageAsLoaded(const uint8_t* block, uint32_t blockSize)
{
    return gFormImage.resourcesHeld && gFormImage.bits && gFormImage.headerBlock &&
           gFormImage.headerBlockSize == blockSize &&
           memcmp(gFormImage.headerBlock, block, blockSize) == 0;
}

// A picture this large is let go to make room when a new one can't be made
// beside it: two large pictures may not fit into a 32-bit process at once.
const uint32_t LargePictureBytes = 64u << 20;

static bool RunLengthBlock(const uint8_t* block)
{
    uint32_t compression = ReadU32(block + 16);
    return compression == BmpRle8 || compression == BmpRle4;
}

static HBITMAP CreatePictureBitmap(const uint8_t* block, void** bits)
{
    *bits = NULL;
    // A DIB section holds its pixels as they are: a run-length picture gets
    // one of plain rows (the same header and colours), decoded into it.
    BITMAPINFOHEADER plain;
    memcpy(&plain, block, sizeof plain);
    uint8_t* copy = NULL;
    if (RunLengthBlock(block)) {
        uint32_t size = plain.biSize + 4 * 256;
        copy = (uint8_t*)calloc(1, size);
        if (!copy)
            return NULL;
        uint32_t colours = plain.biClrUsed ? plain.biClrUsed : 1u << plain.biBitCount;
        memcpy(copy, block, plain.biSize + 4 * colours);
        ((BITMAPINFOHEADER*)copy)->biCompression = BI_RGB;
        ((BITMAPINFOHEADER*)copy)->biSizeImage = 0;
    }
    HBITMAP bitmap = CreateDIBSection(NULL, (const BITMAPINFO*)(copy ? copy : block), DIB_RGB_COLORS, bits, NULL, 0);
    free(copy);
    if (bitmap && !*bits) {
        DeleteObject(bitmap);
        bitmap = NULL;
    }
    return bitmap;
}

// Frees the picture on screen; its memory device context stays.
static void LetPictureGo()
{
    SelectObject(gFormImage.hdcMem, gFormImage.previousBitmap);
    DeleteObject(gFormImage.hBitmap);
    gFormImage.hBitmap = NULL;
    gFormImage.bits = NULL;
}

// Reads the picture that LetPictureGo freed again from its file (without the
// entries that were drawn into it). When it can't, the window shows no form.
static void ReadPictureAgain()
{
    FormPicture picture;
    if (LoadFormPicture(&picture)) {
        DIBSECTION section = {};
        GetObjectA(picture.bitmap, sizeof section, &section);
        SelectObject(picture.dc, picture.previous);
        DeleteDC(picture.dc);
        SelectObject(gFormImage.hdcMem, picture.bitmap);
        gFormImage.hBitmap = picture.bitmap;
        gFormImage.bits = section.dsBm.bmBits;
        gFormImage.pictureReadAgain = true;
    }
    FormImageChanged();
    InvalidateRect(gMainWindow, NULL, TRUE);
}

// Puts a DIB section made from the header block into the memory device
// context (made at the first load) and only then lets the previous picture
// go, so a load the platform can't make room for leaves the form on screen
// as it was. Returns false after telling the user why.
static bool ReplaceImageBitmap(const uint8_t* block)
{
    // The half-size tiles are only copies; their memory is freed for the
    // new picture, and they are made again from whichever picture remains.
    ReleaseHalfViews();
    void* bits = NULL;
    HBITMAP bitmap = CreatePictureBitmap(block, &bits);
    bool letGo = false;
    if (!bitmap && gFormImage.hBitmap && gFormImage.imageBytes >= LargePictureBytes) {
        // A large picture on screen makes room; it comes back from its file
        // if the new one still can't be made.
        LetPictureGo();
        letGo = true;
        bitmap = CreatePictureBitmap(block, &bits);
    }
    if (!bitmap) {
        gShowLoadMessage("Can't get hBitmap!");
        if (letGo)
            ReadPictureAgain();
        return false;
    }
    bool madeDc = false;
    if (!gFormImage.hdcMem) {
        HDC windowDc = GetDC(gMainWindow);
        gFormImage.hdcMem = CreateCompatibleDC(windowDc);
        ReleaseDC(gMainWindow, windowDc);
        if (!gFormImage.hdcMem) {
            DeleteObject(bitmap);
            gShowLoadMessage("Can't create hdcMem!");
            return false;
        }
        madeDc = true;
    }
    HGDIOBJ replaced = SelectObject(gFormImage.hdcMem, bitmap);
    if (!replaced || replaced == HGDI_ERROR) {
        DeleteObject(bitmap);
        if (madeDc) {
            DeleteDC(gFormImage.hdcMem);
            gFormImage.hdcMem = NULL;
        }
        gShowLoadMessage("Can't select hBitmap into hdcMem!");
        if (letGo)
            ReadPictureAgain();
        return false;
    }
    if (madeDc)
        gFormImage.previousBitmap = replaced;   // the context's own, selected back at release
    else
        DeleteObject(gFormImage.hBitmap);       // the previous picture, now selected out (if not let go)
    gFormImage.hBitmap = bitmap;
    gFormImage.bits = bits;
    gFormImage.resourcesHeld = true;
    return true;
}

void SetEntriesOnlyMode(bool entriesOnly)
{
    gFormImage.EntriesOnlyMode = entriesOnly;
}

bool LoadFormImage(const char* path)
{
    gFormImage.pictureReadAgain = false;
    const char* reason = NULL;
    HANDLE file = OpenPictureToLoad(path, &reason);
    if (file == INVALID_HANDLE_VALUE) {
        // A reload of the form on screen that can't open it is told by the
        // reload, which names what that means for its entries.
        if (path != gFormImage.formPath)
            ReportNotOpened(path, reason);
        return false;
    }
    BITMAPFILEHEADER fileHeader;
    BmpImageCheck image = {};
    const char* refusal = NULL;
    uint8_t* block = ReadCheckedHeaders(file, &fileHeader, &image, &refusal);
    if (!block) {
        CloseHandle(file);
        if (refusal)
            gShowLoadMessage(refusal);
        else
            ReportNotOpened(path, UnreadableText);
        return false;
    }
    uint8_t* stream = NULL;
    if (image.runLength) {
        refusal = ReadRunLengthStream(file, block, image.bytesToRead, image.width, image.height, &stream);
        if (refusal) {
            free(block);
            CloseHandle(file);
            gShowLoadMessage(refusal);
            return false;
        }
    }
    uint32_t blockSize = fileHeader.bfOffBits - BmpFileHeaderSize;
    bool reuse = SameImageAsLoaded(block, blockSize);
    if (!reuse && !ReplaceImageBitmap(block)) {
        free(stream);
        free(block);
        CloseHandle(file);
        return false;
    }

    // From here on the new picture replaces the old one.
    free(gFormImage.headerBlock);
    gFormImage.headerBlock = block;
    gFormImage.headerBlockSize = blockSize;
    gFormImage.fileHeader = fileHeader;
    memcpy(&gFormImage.headerCopy, block, sizeof gFormImage.headerCopy);
    gFormImage.pixelByteCount = (int)image.bytesToRead;
    GdiFlush();   // entries drawn by GDI land before the pixels are replaced
    DWORD got = 0;
    if (stream)
        DecodeIntoPicture(stream, image.bytesToRead, block, image.width, image.height, gFormImage.bits,
                          image.imageBytes);
    else
        ReadFile(file, gFormImage.bits, image.bytesToRead, &got, NULL);
    free(stream);
    gFormImage.imageBytes = image.imageBytes;
    // A form or page opened (not a reload of the one on screen): its fields
    // are found in its own pixels, before they are blanked.
    if (path != gFormImage.formPath)
        FindFormImageFields(path, fileHeader.bfOffBits, stream == NULL);
    if (gFormImage.EntriesOnlyMode)
        memset(gFormImage.bits, 0xFF, image.imageBytes);
    gFormImage.blanked = gFormImage.EntriesOnlyMode;
    CloseHandle(file);
    FormImageChanged();

    gFormImage.width = image.width;
    gFormImage.height = image.height;
    gFormImage.imageLoaded = true;
    if (path != gFormImage.formPath) {
        size_t length = strnlen(path, PathBufferSize - 1);
        memcpy(gFormImage.formPath, path, length);
        gFormImage.formPath[length] = 0;
    }
    EntryFilePathOf(gFormImage.formPath, gFormImage.entryFilePath);
    ShowFormTitle();
    return true;
}

const char* FormTitle()
{
    return gFormImage.formPath[0] ? FileNameOf(gFormImage.formPath) : "Scrivelander";
}

void ShowFormTitle()
{
    ShowTitle(FormTitle());
}

// Whether the file still begins with the headers of the picture loaded.
static bool HoldsLoadedHeaders(HANDLE file)
{
    uint8_t head[BmpFileHeaderSize];
    if (!ReadExactly(file, head, sizeof head) || ReadU32(head + 10) != gFormImage.fileHeader.bfOffBits)
        return false;
    uint8_t* block = (uint8_t*)malloc(gFormImage.headerBlockSize);
    bool same = block && ReadExactly(file, block, gFormImage.headerBlockSize) &&
                memcmp(block, gFormImage.headerBlock, gFormImage.headerBlockSize) == 0;
    free(block);
    return same;
}

// A picture of its own from a checked header block and the `pixelBytes`
// pixel bytes that follow it in `file`, blanked when `blank`. NULL when it
// was made; otherwise why not, with nothing to release.
static const char* ReadPicture(HANDLE file, const uint8_t* block, uint32_t pixelBytes, uint32_t imageBytes,
                               bool blank, FormPicture* picture)
{
    int width = (int)ReadU32(block + 4), height = (int)ReadU32(block + 8);
    uint8_t* stream = NULL;
    if (RunLengthBlock(block)) {
        const char* refusal = ReadRunLengthStream(file, block, pixelBytes, width, height, &stream);
        if (refusal)
            return refusal;
    }
    void* bits = NULL;
    HBITMAP bitmap = CreatePictureBitmap(block, &bits);
    if (!bitmap) {
        free(stream);
        return NoMemoryText;
    }
    if (stream) {
        DecodeIntoPicture(stream, pixelBytes, block, width, height, bits, imageBytes);
        free(stream);
    } else if (!ReadExactly(file, bits, pixelBytes)) {
        DeleteObject(bitmap);
        return UnreadableText;
    }
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ previous = dc ? SelectObject(dc, bitmap) : NULL;
    if (!previous || previous == HGDI_ERROR) {
        if (dc)
            DeleteDC(dc);
        DeleteObject(bitmap);
        return NoMemoryText;
    }
    if (blank)
        memset(bits, 0xFF, imageBytes);
    picture->dc = dc;
    picture->bitmap = bitmap;
    picture->previous = previous;
    return NULL;
}

bool LoadFormPicture(FormPicture* picture)
{
    memset(picture, 0, sizeof *picture);
    if (!gFormImage.resourcesHeld || !gFormImage.headerBlock)
        return false;
    HANDLE file = OpenPictureFile(gFormImage.formPath);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool read = HoldsLoadedHeaders(file) && !ReadPicture(file, gFormImage.headerBlock,
                                                         (uint32_t)gFormImage.pixelByteCount, gFormImage.imageBytes,
                                                         gFormImage.blanked, picture);
    CloseHandle(file);
    return read;
}

const char* ReadFormFile(const char* path, bool blank, FormFileFacts* facts, FormPicture* picture)
{
    if (picture)
        memset(picture, 0, sizeof *picture);
    HANDLE file = OpenPictureFile(path);
    if (file == INVALID_HANDLE_VALUE)
        return "The file can't be opened: it is missing, or another program has it open.";
    BITMAPFILEHEADER fileHeader;
    BmpImageCheck image = {};
    const char* refusal = NULL;
    uint8_t* block = ReadCheckedHeaders(file, &fileHeader, &image, &refusal);
    if (block) {
        BITMAPINFOHEADER header;
        memcpy(&header, block, sizeof header);
        facts->width = image.width;
        facts->height = image.height;
        facts->pixelsPerMeter = header.biXPelsPerMeter;
        if (picture)
            refusal = ReadPicture(file, block, image.bytesToRead, image.imageBytes, blank, picture);
        free(block);
    } else if (!refusal) {
        refusal = UnreadableText;
    }
    CloseHandle(file);
    return refusal;
}

void ReleaseFormPicture(FormPicture* picture)
{
    if (!picture->dc)
        return;
    SelectObject(picture->dc, picture->previous);
    DeleteDC(picture->dc);
    DeleteObject(picture->bitmap);
    memset(picture, 0, sizeof *picture);
}
