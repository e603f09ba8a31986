#include "output/print_page.h"

#include <math.h>
#include <stdint.h>

#include "entries/entry_draw.h"
#include "view/view_state.h"
#include "entries/entry_style.h"

PrinterGeometry GeometryOf(HDC printer)
{
    PrinterGeometry geometry;
    geometry.logPixelsX = GetDeviceCaps(printer, LOGPIXELSX);
    geometry.logPixelsY = GetDeviceCaps(printer, LOGPIXELSY);
    geometry.physicalWidth = GetDeviceCaps(printer, PHYSICALWIDTH);
    geometry.physicalHeight = GetDeviceCaps(printer, PHYSICALHEIGHT);
    geometry.physicalOffsetX = GetDeviceCaps(printer, PHYSICALOFFSETX);
    geometry.physicalOffsetY = GetDeviceCaps(printer, PHYSICALOFFSETY);
    return geometry;
}

static double Millimetres(int pixels, int dpi)
{
    return pixels > 0 && dpi > 0 ? pixels * 25.4 / dpi : 0;
}

double PaperWidth(const PrinterGeometry& geometry)
{
    return Millimetres(geometry.physicalWidth, geometry.logPixelsX);
}

double PaperHeight(const PrinterGeometry& geometry)
{
    return Millimetres(geometry.physicalHeight, geometry.logPixelsY);
}

static int Clamped(int64_t value)
{
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : (int)value;
}

int MillimetresToPixels(double millimetres, int dpi)
{
    return Clamped(llround(millimetres * dpi / 25.4));
}

bool MapFormToPage(double printerDpi, double scannerDpi, const PrinterCalibration* calibration,
                   const PrinterGeometry& geometry, PageMapping* mapping)
{
    mapping->printerDpiX = mapping->printerDpiY = (int)printerDpi;
    mapping->scannerDpi = (int)scannerDpi;
    mapping->originX = mapping->originY = 0;
    mapping->scaleX = mapping->scaleY = 1;
    if (mapping->scannerDpi <= 0)
        return false;
    if (calibration) {
        mapping->originX = MillimetresToPixels(calibration->offsetX, geometry.logPixelsX);
        mapping->originY = MillimetresToPixels(calibration->offsetY, geometry.logPixelsY);
        if (calibration->paperCorner) {
            mapping->originX -= geometry.physicalOffsetX;
            mapping->originY -= geometry.physicalOffsetY;
        }
        mapping->scaleX = calibration->scaleX / 100;
        mapping->scaleY = calibration->scaleY / 100;
        if (calibration->trueSize && geometry.logPixelsX > 0 && geometry.logPixelsY > 0) {
            mapping->printerDpiX = geometry.logPixelsX;
            mapping->printerDpiY = geometry.logPixelsY;
        }
    }
    return true;
}

// A length in form pixels on the page: times p over s in whole numbers, the
// product first (as the picture has always been stretched), then stretched
// by the calibration. A scale of exactly 1 leaves the whole number as it is.
static int64_t PageLength(const PageMapping& mapping, int length, int printerDpi, double scale)
{
    int64_t scaled = (int64_t)length * printerDpi / mapping.scannerDpi;
    return Clamped(llround((double)Clamped(scaled) * scale));
}

int PageX(const PageMapping& mapping, int x)
{
    return Clamped(mapping.originX + PageLength(mapping, x, mapping.printerDpiX, mapping.scaleX));
}

int PageY(const PageMapping& mapping, int y)
{
    return Clamped(mapping.originY + PageLength(mapping, y, mapping.printerDpiY, mapping.scaleY));
}

RECT PagePictureRect(const PageMapping& mapping, int width, int height)
{
    RECT place;
    place.left = mapping.originX;
    place.top = mapping.originY;
    place.right = PageX(mapping, width);
    place.bottom = PageY(mapping, height);
    return place;
}

EntryRecord PageEntry(const PageMapping& mapping, const EntryRecord& record)
{
    EntryRecord page = record;
    page.x = PageX(mapping, record.x);
    page.y = PageY(mapping, record.y);
    page.width = page.x - PageX(mapping, record.x - record.width);
    page.height = PageY(mapping, record.y + record.height) - page.y;
    return page;
}

// A font size on the page, rounded to the nearest pixel rather than cut, and
// never 0 (the printer's default size) when it was not 0.
static LONG PageFontLength(const PageMapping& mapping, LONG length, int printerDpi, double scale)
{
    if (length == 0)
        return 0;
    double scaled = (double)length * printerDpi / mapping.scannerDpi * scale;
    LONG rounded = Clamped(llround(scaled));
    return rounded != 0 ? rounded : length < 0 ? -1 : 1;
}

LOGFONTA PageFont(const PageMapping& mapping, const LOGFONTA& font)
{
    bool vertical = font.lfEscapement == 900;
    LOGFONTA page = font;
    page.lfHeight = PageFontLength(mapping, font.lfHeight, vertical ? mapping.printerDpiX : mapping.printerDpiY,
                                   vertical ? mapping.scaleX : mapping.scaleY);
    page.lfWidth = PageFontLength(mapping, font.lfWidth, vertical ? mapping.printerDpiY : mapping.printerDpiX,
                                  vertical ? mapping.scaleY : mapping.scaleX);
    return page;
}

void DrawFormPage(HDC printer, const FormPage& form, const PageMapping& mapping)
{
    RECT place = PagePictureRect(mapping, form.width, form.height);
    if (form.picture)
        StretchBlt(printer, place.left, place.top, place.right - place.left, place.bottom - place.top, form.picture,
                   0, 0, form.width, form.height, SRCCOPY);
    if (!form.entries)
        return;
    // A slot without text draws nothing on screen, so it is passed over.
    SIZE picture = { form.width, form.height };
    for (int i = 0; i < form.slots; i++) {
        const EntryRecord& r = form.entries[i];
        if (r.text[0] == 0)
            continue;
        LOGFONTA font = PageFont(mapping, RecordDrawingFont(form.baseFont, r));
        DrawEntryIntoPicture(printer, PageEntry(mapping, r), font, ColourOfIndex(r.colourIndex), form.entries,
                             picture);
    }
}

FormPage FormPageOf(HDC picture, int width, int height, const EntryRecord* entries)
{
    FormPage form = {};
    form.picture = picture;
    form.width = width;
    form.height = height;
    form.entries = entries;
    form.slots = entries ? EntryTableSlots : 0;
    form.baseFont = gCurrentFont;
    return form;
}

PagePrintResult PrintFormPage(HDC printer, const FormPage& form, const PageMapping* mapping)
{
    if (StartPage(printer) <= 0)
        return PageNotStarted;
    if (mapping && (form.picture || form.entries))
        DrawFormPage(printer, form, *mapping);
    else if (form.picture)
        DrawFormView(printer);   // the view as shown, less the field outlines: never printed
    return EndPage(printer) <= 0 ? PageNotEnded : PagePrinted;
}
