// Resource ids of Scrivelander, read by both windres and the C++ code.
#ifndef SCRIVELANDER_RESOURCE_H
#define SCRIVELANDER_RESOURCE_H

// Icons
#define IDI_PROGRAM 102

// Menu commands of "FORMFILE"
#define IDM_CONVERT_PDF     40034
#define IDM_OPEN_BMP        40040
#define IDM_OPEN_ORIGINAL   40041
#define IDM_PRINT           40011
#define IDM_EXIT            40002
#define IDM_EDIT_HELP       40025
#define IDM_LEFT_JUSTIFIED  40020
#define IDM_RIGHT_JUSTIFIED 40021
#define IDM_HORIZONTAL      40043
#define IDM_VERTICAL        40042
#define IDM_FONT            65535
#define IDM_ZOOM_OUT        40045
#define IDM_ZOOM_IN         40044
#define IDM_HELP_USING      40008
#define IDM_HELP_GHOSTSCRIPT 40036
#define IDM_HELP_ADVANCED   40016
#define IDM_HELP_FORMULAS   40026
#define IDM_HELP_ABOUT      40006

// Menu commands added after the items above, each at the end of its menu
#define IDM_PRINT_CALIBRATION 40046   // File
#define IDM_NEXT_PAGE       40047     // File
#define IDM_PREVIOUS_PAGE   40048     // File
#define IDM_PRINT_ALL_PAGES 40049     // File
#define IDM_PRINT_FROM_TABLE 40050    // File
#define IDM_SAVE_AS_PDF     40051     // File
#define IDM_UNDO            40070     // Edit
#define IDM_REDO            40071     // Edit
#define IDM_SHOW_FIELDS     40072     // Edit
#define IDM_SNAP_TO_FIELDS  40073     // Edit
#define IDM_HELP_FILLING_FIELDS 40080 // Help

// Controls of the conversion dialog "PDFTOBMP" (besides IDOK and IDCANCEL)
#define IDC_RESOLUTION      1001
#define IDC_BLACK_WHITE     1002
#define IDC_SHADES_OF_GRAY  1003
#define IDC_FULL_COLOR      1004
#define IDC_CONVERTING_TEXT 1005   // the "Converting" window

// Controls of the calibration dialog "PRINTCALIBRATION" (besides IDOK and IDCANCEL)
#define IDC_CAL_PRINTER      1101
#define IDC_CAL_OFFSET_X     1102
#define IDC_CAL_OFFSET_Y     1103
#define IDC_CAL_SCALE_X      1104
#define IDC_CAL_SCALE_Y      1105
#define IDC_CAL_PAPER_CORNER 1106
#define IDC_CAL_TEST_SHEET   1107
#define IDC_CAL_TRUE_SIZE    1108

#endif
