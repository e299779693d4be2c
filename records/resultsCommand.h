#pragma once

#include "resultFigures.h"

#include <QString>
#include <QStringList>

class CommandLine;
class QCommandLineParser;
class QTextStream;

// The command-line side of the test records, run before the window, the
// single-instance guard or any display:
//   --export-results FILE.csv [--since DATE] [--until DATE] [--platform VID:PID]
//   --results-summary [--since DATE] [--until DATE] [--platform VID:PID] [--line]
//   --line-store-sql
//   --forward-again   (queues the units the line store set aside once more)
// DATE is a UTC day (2026-05-20; --until takes in that whole day) or an ISO
// date and time; VID:PID four hex digits each, "0x" optional. --line reads
// the line store named by [results] url instead of the station's store. The
// report (--results-report) is the report unit's mode, on the same options.
namespace resultsCommand {

enum ExitCode
{
    Done = 0,
    BadArguments = 2,
    StoreUnreadable = 3,
    FileUnwritable = 4
};

// Adds the modes and the options of the figures. dataDir holds the store
// and Config.ini; empty, the window's own data folder, looked up when a mode
// runs.
void addTo(CommandLine &commandLine, const QString &dataDir = QString());
// The options a mode of the figures takes, as addTo adds them.
QStringList figureOptions();

// The figures the parsed options ask for, from the station's store or the
// line store; false with a message on err and the exit code to end with.
bool figures(const QCommandLineParser &parsed, const QString &dataDir, int maxFailedUnits, Figures *figures,
             QTextStream &err, int *exitCode);

} // namespace resultsCommand
