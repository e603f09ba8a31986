// The command and control ids are fixed numbers: other programs post the
// menu's commands by number, and the end-to-end tests read every id from
// resources/resource.h by name, so this is the one place that holds the
// numbers themselves.
#include <gtest/gtest.h>

#include "resources/resource.h"

TEST(ResourceIds, EveryMenuCommandAndConversionControlKeepsItsNumber)
{
    struct Case {
        const char* name;
        int id;
        int number;
    } cases[] = {
        { "IDM_CONVERT_PDF", IDM_CONVERT_PDF, 40034 },
        { "IDM_OPEN_BMP", IDM_OPEN_BMP, 40040 },
        { "IDM_OPEN_ORIGINAL", IDM_OPEN_ORIGINAL, 40041 },
        { "IDM_PRINT", IDM_PRINT, 40011 },
        { "IDM_EXIT", IDM_EXIT, 40002 },
        { "IDM_EDIT_HELP", IDM_EDIT_HELP, 40025 },
        { "IDM_LEFT_JUSTIFIED", IDM_LEFT_JUSTIFIED, 40020 },
        { "IDM_RIGHT_JUSTIFIED", IDM_RIGHT_JUSTIFIED, 40021 },
        { "IDM_HORIZONTAL", IDM_HORIZONTAL, 40043 },
        { "IDM_VERTICAL", IDM_VERTICAL, 40042 },
        { "IDM_FONT", IDM_FONT, 65535 },
        { "IDM_ZOOM_OUT", IDM_ZOOM_OUT, 40045 },
        { "IDM_ZOOM_IN", IDM_ZOOM_IN, 40044 },
        { "IDM_HELP_USING", IDM_HELP_USING, 40008 },
        { "IDM_HELP_GHOSTSCRIPT", IDM_HELP_GHOSTSCRIPT, 40036 },
        { "IDM_HELP_ADVANCED", IDM_HELP_ADVANCED, 40016 },
        { "IDM_HELP_FORMULAS", IDM_HELP_FORMULAS, 40026 },
        { "IDM_HELP_ABOUT", IDM_HELP_ABOUT, 40006 },
        { "IDM_PRINT_CALIBRATION", IDM_PRINT_CALIBRATION, 40046 },
        { "IDM_NEXT_PAGE", IDM_NEXT_PAGE, 40047 },
        { "IDM_PREVIOUS_PAGE", IDM_PREVIOUS_PAGE, 40048 },
        { "IDM_PRINT_ALL_PAGES", IDM_PRINT_ALL_PAGES, 40049 },
        { "IDM_PRINT_FROM_TABLE", IDM_PRINT_FROM_TABLE, 40050 },
        { "IDM_SAVE_AS_PDF", IDM_SAVE_AS_PDF, 40051 },
        { "IDM_UNDO", IDM_UNDO, 40070 },
        { "IDM_REDO", IDM_REDO, 40071 },
        { "IDM_SHOW_FIELDS", IDM_SHOW_FIELDS, 40072 },
        { "IDM_SNAP_TO_FIELDS", IDM_SNAP_TO_FIELDS, 40073 },
        { "IDM_HELP_FILLING_FIELDS", IDM_HELP_FILLING_FIELDS, 40080 },
        { "IDC_RESOLUTION", IDC_RESOLUTION, 1001 },
        { "IDC_BLACK_WHITE", IDC_BLACK_WHITE, 1002 },
        { "IDC_SHADES_OF_GRAY", IDC_SHADES_OF_GRAY, 1003 },
        { "IDC_FULL_COLOR", IDC_FULL_COLOR, 1004 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.number, c.id) << c.name;
}
