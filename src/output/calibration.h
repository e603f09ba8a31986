// Printer calibration: how far a printer's page is to be moved and
// stretched so that a form lands where it stands on the paper. Kept for
// each printer name in "Scrivelander-calibration.ini" in the start-up
// folder, a text file of one section per printer:
//
//     ; comment lines begin with ";"
//     [Printer name]
//     OffsetX=5          millimetres, right is positive
//     OffsetY=-3         millimetres, down is positive
//     ScaleX=100         percent, across the page
//     ScaleY=98.5        percent, down the page
//     PaperCorner=1      1: the page starts at the paper's corner,
//                        0: at the printable area's corner
//
// Names and keys are compared without regard to case; a key that is
// missing keeps its value from a printer without calibration; other keys
// are passed over. Numbers take a "." (or ",") for decimals. Saving a
// printer's values writes its section anew and leaves every other line of
// the file as it was.
#ifndef SCRIVELANDER_CALIBRATION_H
#define SCRIVELANDER_CALIBRATION_H

#include "base/program_state.h"

const char CalibrationFileName[] = "Scrivelander-calibration.ini";
const int CalibrationFileLimit = 64 * 1024;   // a file larger than this is refused, not cut
const int PrinterNameSize = 256;
const int CalibrationFieldSize = 32;          // one value as typed or stored
const double SmallestScale = 50, LargestScale = 200;
const int CalibrationMessageSize = 600;

struct PrinterCalibration {
    double offsetX, offsetY;   // millimetres; right and down are positive
    double scaleX, scaleY;     // percent
    bool paperCorner;          // shift by the unprintable margin
};

// A printer without calibration: no offset, 100 %, the printable area's corner.
const PrinterCalibration NoCalibration = { 0, 0, 100, 100, false };

// The values as the dialog shows them and the file holds them: text, until
// they are checked.
struct CalibrationText {
    char offsetX[CalibrationFieldSize];
    char offsetY[CalibrationFieldSize];
    char scaleX[CalibrationFieldSize];
    char scaleY[CalibrationFieldSize];
    bool paperCorner;
};

// ---- numbers, free of window calls ----

// A decimal number: blanks around it, an optional sign, digits with at most
// one "." or "," among or before them. False for anything else (empty text,
// letters, "1e3", "--2", a second point).
bool ParseCalibrationNumber(const char* text, double* value);

// A value as the file and the dialog show it: at most two decimals, no
// trailing zeros ("5", "-3", "98.5", "0.25").
void FormatCalibrationNumber(double value, char text[CalibrationFieldSize]);

CalibrationText CalibrationAsText(const PrinterCalibration& calibration);

// Checks typed or stored values against a paper of this size in millimetres
// (0 when the printer's paper is not known: offsets are then not compared
// with it). On success fills `calibration` and returns true; otherwise
// writes the message that tells what is wrong, and which box, and returns
// false. `field` (may be NULL) receives 0 to 3 for the offending value in
// the order offsetX, offsetY, scaleX, scaleY.
bool CheckCalibration(const CalibrationText& text, double paperWidth, double paperHeight,
                      PrinterCalibration* calibration, char message[CalibrationMessageSize], int* field);

// ---- the file's text, free of window calls ----

// Finds the section of `printer` in the file's text and reads its values
// into `text` (values it lacks are those of NoCalibration). False when the
// file has no section for the printer.
bool FindPrinterSection(const char* file, int length, const char* printer, CalibrationText* text);

// The file's text with the printer's section holding `calibration`: the
// section is rewritten in place, or added at the end; a new file starts
// with comment lines telling the format. Returns the new length, or -1 when
// it would not fit `capacity` bytes.
int WithPrinterSection(const char* file, int length, const char* printer,
                       const PrinterCalibration& calibration, char* out, int capacity);

// ---- the file's encoding ----

// How the file's text is stored: ANSI, or as Notepad saves "UTF-8" and
// "Unicode" (UTF-16, either byte order), each known by its byte order mark.
enum CalibrationEncoding { AnsiEncoding, Utf8Encoding, Utf16LeEncoding, Utf16BeEncoding };

// The file's bytes as ANSI text, which the sections are read and written
// in; `exact` tells whether every character has an ANSI form, so that the
// text goes back into the file's encoding unchanged. -1 when the bytes are
// not text of their encoding, or don't fit `capacity`.
int DecodeCalibrationFile(const char* bytes, int length, char* text, int capacity, CalibrationEncoding* encoding,
                          bool* exact);

// ANSI text as the bytes of a file in `encoding`, its byte order mark
// first; -1 when they don't fit `capacity`.
int EncodeCalibrationFile(const char* text, int length, CalibrationEncoding encoding, char* bytes, int capacity);

// ---- the file in the start-up folder ----

enum CalibrationFileState { CalibrationFileMissing, CalibrationFileLoaded, CalibrationFileUnreadable };

// Reads the whole file into `content` (CalibrationFileLimit bytes) and sets
// `length`. Missing: length 0. Unreadable: held open elsewhere, too large,
// or a start-up folder too long for its path.
CalibrationFileState ReadCalibrationFile(char* content, int* length);

// Saves the printer's section, keeping every other line, the file's
// encoding and its line ends. The new text goes to a file beside it that
// then replaces it in one step, so a failure leaves the file as it was.
// False when it could not be saved (also when the file holds characters
// that ANSI text can't carry, which a save would change).
bool SaveCalibration(const char* printer, const PrinterCalibration& calibration);

// The printer's section of the file as typed, and whether it has one. False
// when the file can't be read.
bool StoredCalibrationText(const char* printer, CalibrationText* text, bool* found);

// The calibration stored for a printer. Returns false (with a message
// saying why) when the file can't be read, is not text of a known
// encoding, or the printer's values are not valid for its paper; with no section, `calibration` is NoCalibration and
// `stored` false.
bool StoredCalibration(const char* printer, double paperWidth, double paperHeight,
                       PrinterCalibration* calibration, bool* stored, char message[CalibrationMessageSize]);

#endif
