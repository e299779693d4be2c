#include "reportCommand.h"

#include "resultsCommand.h"
#include "resultsReport.h"

#include <QApplication>
#include <QTextStream>

#include <cstring>

namespace reportCommand {

int run(const QStringList &args, const QString &dataDir, const QString &layoutPath, QTextStream &out, QTextStream &err)
{
    resultsCommand::Request request;
    QString why;
    if (!args.contains(QStringLiteral("--results-report")))
        return resultsCommand::NotOurs;
    auto fail = [&](int code) {
        err << why << '\n';
        if (code == resultsCommand::BadArguments)
            err << resultsCommand::usage();
        err.flush();
        return code;
    };
    if (!resultsCommand::parse(args, &request, &why))
        return fail(resultsCommand::BadArguments);
    // Enough to read through; the figures above count them all.
    request.query.maxFailedUnits = 1000;
    Figures figures;
    int code = resultsCommand::Done;
    if (!resultsCommand::figures(request, dataDir, &figures, &why, &code))
        return fail(code);
    if (!resultsReport::write(figures, figuresText::keyNamesFrom(layoutPath), request.filePath, &why))
        return fail(resultsCommand::FileUnwritable);
    out << QStringLiteral("report of %1 units written to %2\n").arg(figures.total.units).arg(request.filePath);
    out.flush();
    return resultsCommand::Done;
}

int runFromMain(int &argc, char **argv)
{
    bool ours = false;
    for (int i = 1; i < argc && !ours; ++i)
        ours = std::strcmp(argv[i], "--results-report") == 0;
    if (!ours)
        return resultsCommand::NotOurs;
    chooseHeadlessPlatform();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return run(app.arguments(), resultsCommand::windowDataDir(),
               QCoreApplication::applicationDirPath() + QStringLiteral("/configDir/KeyInfo.config"), out, err);
}

} // namespace reportCommand
