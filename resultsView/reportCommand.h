#pragma once

#include <QString>

class CommandLine;

// --results-report FILE.pdf [--since DATE] [--until DATE] [--platform VID:PID]
// [--line]: the report of a period, written without the window, the
// single-instance guard or a display, with the exit codes of the other
// results commands (resultsCommand, which adds the options it takes).
namespace reportCommand {

// Adds the mode, which draws. dataDir holds the store and Config.ini (empty:
// the window's own data folder); layoutPath names the keys (empty: the
// layout the program ships with).
void addTo(CommandLine &commandLine, const QString &dataDir = QString(), const QString &layoutPath = QString());

} // namespace reportCommand
