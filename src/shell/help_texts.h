// The texts of the seven help boxes, each a run of paragraphs separated by one
// empty line, with no line feed at the end.
#ifndef SCRIVELANDER_HELP_TEXTS_H
#define SCRIVELANDER_HELP_TEXTS_H

extern const char UsageText[];        // Help, Using (and F1)
extern const char GhostscriptText[];  // Help, GhostScript
extern const char AdvancedText[];     // Help, Advanced
extern const char FormulaText[];      // Help, Formulas
extern const char AboutText[];        // Help, About
extern const char EditHelpText[];     // Edit, Edit Help
extern const char FillingFieldsText[]; // Help, Filling fields

#endif
