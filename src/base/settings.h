// The settings file "Scrivelander.ini" in the start-up folder: one line
// "PrinterResolution=" and the printer resolution used for conversions.
// This file writes the settings group of base/program_state.h: the start-up
// folder and the resolution text.
#ifndef SCRIVELANDER_SETTINGS_H
#define SCRIVELANDER_SETTINGS_H

#include "base/program_state.h"

const char SettingsFileName[] = "Scrivelander.ini";
const int SettingsReadLimit = 50;   // only the file's first bytes are looked at
const char SettingsKey[] = "PrinterResolution=";
const int SettingsKeyLength = 18;
const int SettingsContentLimit = SettingsKeyLength + 3;

// ---- the file's format, free of window calls ----

// The resolution text held in the first bytes of a settings file: the digits
// that directly follow the first "=" among the first 50 bytes, at most four of
// them; empty when there is no "=". The key in front of "=" is not compared.
// `text` receives up to four characters and a terminating zero.
void ParseResolutionText(const char* bytes, int count, char text[5]);

// The settings file's full path in the start-up directory (PathInFolder of
// base/file_io.h): false when the directory is unknown (empty) or the path
// would not fit its 260 bytes.
bool SettingsFilePath(const char* startupDirectory, char path[PathBufferSize]);

// The settings file's bytes for a resolution text of up to three characters:
// "PrinterResolution=" and the text, no line end, no terminating zero.
// Returns their number, 18 + n.
int SettingsFileContent(const char* resolutionText, char content[SettingsContentLimit]);

// Reads the settings file in `text` (empty when it is missing or unreadable).
void ReadSettingsFile(char text[5]);

// ---- the settings group ----

// At start-up: records the current folder as the start-up folder and reads
// the settings file there into the resolution text.
void ReadSettings();

// The resolution text the conversion dialog took (at most three characters).
void SetResolutionText(const char* text);

enum SettingsWrite { SettingsWritten, SettingsPathTooLong, SettingsNotWritten };

// Writes the resolution text into the settings file in the start-up folder,
// whatever folder an open dialog has made current since. The new file is
// written beside it and then takes its place, so a failure (a full disk)
// leaves the file as it was, never cut short.
SettingsWrite WriteSettings();

#endif
