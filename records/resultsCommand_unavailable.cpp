// The results commands where the toolkit has no SQL module: they are known
// and refused with the reason, never taken for the window's arguments.
#include "resultsCommand.h"

#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace resultsCommand {

int run(const QStringList &args, const QString &, QTextStream &, QTextStream &err)
{
    if (!args.contains(QStringLiteral("--export-results")) && !args.contains(QStringLiteral("--results-summary")))
        return NotOurs;
    err << "this build has no SQL module: the results store cannot be read\n";
    return StoreUnreadable;
}

int runFromMain(int &argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--export-results") == 0 || std::strcmp(argv[i], "--results-summary") == 0) {
            std::fputs("this build has no SQL module: the results store cannot be read\n", stderr);
            return StoreUnreadable;
        }
    }
    return NotOurs;
}

} // namespace resultsCommand
