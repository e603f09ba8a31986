#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

#include "output/print.h"

// The printed size of a width x height picture as a print without
// calibration maps it; false when the scanner resolution is unknown.
static bool PrintedSize(int width, int height, double printerDpi, double scannerDpi, SIZE* size)
{
    PageMapping mapping;
    if (!MapFormToPage(printerDpi, scannerDpi, NULL, PrinterGeometry(), &mapping))
        return false;
    RECT place = PagePictureRect(mapping, width, height);
    size->cx = place.right;
    size->cy = place.bottom;
    return true;
}

static std::string Shown(double dpi)
{
    char text[32];
    snprintf(text, sizeof text, "%.0f", dpi);
    return text;
}

TEST(PrintScale, ResolutionsAsShownAndAsUsed)
{
    EXPECT_EQ("300", Shown(ScannerResolution(11811)));
    EXPECT_EQ("96", Shown(ScannerResolution(3779)));     // 95.99 is shown as 96 ...
    SIZE size;
    ASSERT_TRUE(PrintedSize(950, 100, 950, ScannerResolution(3779), &size));
    EXPECT_EQ(950 * 950 / 95, size.cx);                   // ... but scales by 95
    EXPECT_EQ("580", Shown(PrinterResolution(5100)));
}

TEST(PrintScale, LetterFormOnA600DotPrinter)
{
    SIZE size;
    ASSERT_TRUE(PrintedSize(2550, 3300, PrinterResolution(5100), ScannerResolution(11811), &size));
    EXPECT_EQ(4921, size.cx);   // p is 579: 2550 x 579 / 300
    EXPECT_EQ(6369, size.cy);
}

TEST(PrintScale, ResolutionsTruncatingToNothingAreUnknown)
{
    SIZE size;
    for (int pixelsPerMeter : { 0, 1, 39, -1, -39, -11811 }) {
        SCOPED_TRACE(pixelsPerMeter);
        EXPECT_FALSE(PrintedSize(100, 100, 300, ScannerResolution(pixelsPerMeter), &size));
    }
    EXPECT_TRUE(PrintedSize(100, 100, 300, ScannerResolution(40), &size));   // 1.016 dpi
}

TEST(PrintScale, HugeImagesDoNotOverflow)
{
    SIZE size;
    ASSERT_TRUE(PrintedSize(60000, 40000, 100000, 1.5, &size));
    EXPECT_EQ(2147483647, size.cx);
    EXPECT_EQ(2147483647, size.cy);
    ASSERT_TRUE(PrintedSize(30000, 20000, 2400, 300, &size));
    EXPECT_EQ(240000, size.cx);   // 30000 x 2400 passes 32 bits before the division
    EXPECT_EQ(160000, size.cy);
}
