#pragma once

#include <QString>

class CommandLine;

// The command-line side of the station store, run before the window, the
// single-instance guard or any display:
//   --export-results FILE.csv [--since DATE] [--platform VID:PID]
//   --results-summary [--since DATE] [--platform VID:PID]
// DATE is a UTC day (2026-05-20) or an ISO date and time; VID:PID four hex
// digits each, "0x" optional.
namespace resultsCommand {

enum ExitCode
{
    Done = 0,
    BadArguments = 2,
    StoreUnreadable = 3,
    FileUnwritable = 4
};

// Adds both modes and their two options. dataDir holds the store; empty, the
// window's own data folder, looked up when a mode runs.
void addTo(CommandLine &commandLine, const QString &dataDir = QString());

} // namespace resultsCommand
