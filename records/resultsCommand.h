#pragma once

#include "resultFigures.h"

#include <QString>
#include <QStringList>

class QTextStream;

// The command-line side of the test records, run before the window, the
// single-instance guard or any display:
//   --export-results FILE.csv [--since DATE] [--until DATE] [--platform VID:PID]
//   --results-summary [--since DATE] [--until DATE] [--platform VID:PID] [--line]
//   --results-report FILE.pdf [--since DATE] [--until DATE] [--platform VID:PID] [--line]
// DATE is a UTC day (2026-05-20; --until includes that day) or an ISO date and
// time; VID:PID four hex digits each, "0x" optional. --line reads the line
// store named by [results] url instead of the station's. The report is written
// by the program's report unit; this one reads its arguments.
namespace resultsCommand {

enum ExitCode
{
    NotOurs = -1, // the arguments hold no results command
    Done = 0,
    BadArguments = 2,
    StoreUnreadable = 3,
    FileUnwritable = 4
};

struct Request
{
    enum Mode
    {
        Export,
        Summary,
        Report
    };
    Mode mode = Summary;
    QString filePath; // the CSV or the PDF
    FiguresQuery query;
    bool line = false;
};

// Reads the arguments (the program first) into request; false with the reason
// for arguments that are not a results command of ours or are wrong.
bool parse(const QStringList &args, Request *request, QString *why);
// The usage lines, for a message after why.
const char *usage();

// Figures of the request's store: the station's in dataDir, or the line store
// of dataDir's Config.ini. False with the reason, and the exit code to end with.
bool figures(const Request &request, const QString &dataDir, Figures *figures, QString *why, int *exitCode);

// Runs an export or a summary; args as QCoreApplication::arguments() gives them.
int run(const QStringList &args, const QString &dataDir, QTextStream &out, QTextStream &err);

// The folder the window keeps its data in.
QString windowDataDir();

// For main(): -1 without touching anything when argv holds no export or
// summary; otherwise makes a console application object, runs the command on
// the data folder the window uses and returns the exit code.
int runFromMain(int &argc, char **argv);

} // namespace resultsCommand
