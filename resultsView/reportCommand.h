#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// --results-report FILE.pdf [--since DATE] [--until DATE] [--platform VID:PID]
// [--line]: the report of a period written without the window, the
// single-instance guard or a display, with the exit codes of the other
// results commands (resultsCommand).
namespace reportCommand {

// Runs the command; a QApplication must exist. -1 when args hold no report.
int run(const QStringList &args, const QString &dataDir, const QString &layoutPath, QTextStream &out, QTextStream &err);

// For main(): -1 without touching anything when argv holds no report;
// otherwise makes an application object on a platform that needs no display,
// runs the command on the window's data folder and returns the exit code.
int runFromMain(int &argc, char **argv);

// Picks a Qt platform that draws without a display, unless one is chosen.
void chooseHeadlessPlatform();

} // namespace reportCommand
