#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command-line side of the station store, run before the window, the
// single-instance guard or any display:
//   --export-results FILE.csv [--since DATE] [--platform VID:PID]
//   --results-summary [--since DATE] [--platform VID:PID]
//   --forward-again   (queues the units the line store set aside once more)
// DATE is a UTC day (2026-05-20) or an ISO date and time; VID:PID four hex
// digits each, "0x" optional.
namespace resultsCommand {

enum ExitCode
{
    NotOurs = -1, // the arguments hold no results command
    Done = 0,
    BadArguments = 2,
    StoreUnreadable = 3,
    FileUnwritable = 4
};

// args as QCoreApplication::arguments() gives them, the program first.
int run(const QStringList &args, const QString &dataDir, QTextStream &out, QTextStream &err);

// For main(): -1 without touching anything when argv holds no results
// command; otherwise makes a console application object, runs the command on
// the data folder the window uses and returns the exit code.
int runFromMain(int &argc, char **argv);

} // namespace resultsCommand
