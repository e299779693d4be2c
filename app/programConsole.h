#pragma once

#include <QStringList>

// The process's arguments and console, where platforms differ.
namespace programConsole {

// The arguments as given, the program first: on Windows from the wide command
// line, so that any file name survives; elsewhere argv in the locale's
// encoding. Read before any application object exists.
QStringList arguments(int argc, char **argv);

// Lets a command-line mode's output, written to descriptors 1 and 2, reach
// the console it was started from. The Windows program is a GUI program and
// gets none: it attaches to its parent's console, for the descriptors not
// redirected to a file or a pipe. Elsewhere there is nothing to do.
void useParentConsole();

} // namespace programConsole
