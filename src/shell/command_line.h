// The program's one command-line argument: the path of a form to open at
// start, as a file manager's "Open with" or a drop on the program gives it.
#ifndef SCRIVELANDER_COMMAND_LINE_H
#define SCRIVELANDER_COMMAND_LINE_H

#include "base/program_state.h"

enum FormArgumentKind {
    NoFormArgument,      // an empty command line (or only blanks, or "")
    OneFormArgument,     // exactly one path, in `path`
    TooManyArguments,    // more than one, often a path with blanks that wasn't quoted
    FormPathTooLong,     // one path, longer than a path buffer holds
};

struct FormArgument {
    FormArgumentKind kind;
    char path[PathBufferSize];   // the path, unquoted; empty unless OneFormArgument
};

// Splits the arguments (the command line after the program's name) the way
// Windows programs do: blanks and tabs separate, double quotes group (a path
// with blanks is quoted), 2n backslashes before a quote are n backslashes and
// the quote groups, 2n+1 are n backslashes and a literal quote, other
// backslashes are themselves, and "" inside quotes is a literal quote.
FormArgument ParseFormArgument(const char* arguments);

// The form named by the arguments, as the open dialog would give it: its
// full path and its file name. False when there is none, or after telling
// the user why it is refused (more than one argument, a path too long).
bool FormNamedOnCommandLine(const char* arguments, char path[PathBufferSize], char title[PathBufferSize]);

#endif
