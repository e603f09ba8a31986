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

// The full path of a file in a folder: the folder, "\" and the name.
// Returns false when the folder is unknown (empty) or the path would not
// fit its 260 bytes.
bool PathInFolder(const char* folder, const char* name, char path[PathBufferSize]);

// The settings file's full path in the start-up directory (PathInFolder).
bool SettingsFilePath(const char* startupDirectory, char path[PathBufferSize]);

// The settings file's bytes for a resolution text of up to three characters:
// "PrinterResolution=" and the text, no line end, no terminating zero.
// Returns their number, 18 + n.
int SettingsFileContent(const char* resolutionText, char content[SettingsContentLimit]);

// Reads the settings file in `text` (empty when it is missing or unreadable).
void ReadSettingsFile(char text[5]);

// Gives the settings file at `path` (a name ending in ".ini") `count` bytes
// of content. They go first to a temporary file beside it, the same name
// ending in ".tmp", which takes its place once written whole; every write is
// checked. False, with the settings file as it was, when that can't be done.
bool WriteSettingsFile(const char* path, const char* content, int count);

// ---- the settings group ----

// At start-up: records the current folder as the start-up folder and reads
// the settings file there into the resolution text.
void ReadSettings();

// The resolution text the conversion dialog took (at most three characters).
void SetResolutionText(const char* text);

#endif
