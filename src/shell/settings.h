// The settings file "Scrivelander.ini": one line "PrinterResolution=" and the
// printer resolution used for conversions.
#ifndef SCRIVELANDER_SETTINGS_H
#define SCRIVELANDER_SETTINGS_H

const char SettingsFileName[] = "Scrivelander.ini";
const int SettingsReadLimit = 50;   // only the file's first bytes are looked at

// The resolution text held in the first bytes of a settings file: the digits
// that directly follow the first "=" among the first 50 bytes, at most four of
// them; empty when there is no "=". The key in front of "=" is not compared.
// `text` receives up to four characters and a terminating zero.
void ParseResolutionText(const char* bytes, int count, char text[5]);

// Reads the settings file in the current directory into `text` (empty when
// it is missing or unreadable).
void ReadSettingsFile(char text[5]);

#endif
