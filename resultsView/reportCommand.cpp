#include "reportCommand.h"

#include "commandLine.h"
#include "programFiles.h"
#include "resultsCommand.h"
#include "resultsReport.h"

#include <QTextStream>

namespace reportCommand {

namespace {

const QString ReportOption = QStringLiteral("results-report");

int report(const QCommandLineParser &parsed, const QString &dataDir, const QString &layoutPath, QTextStream &out,
           QTextStream &err)
{
    // Enough to read through; the figures above count them all.
    constexpr int MaxFailedUnits = 1000;
    Figures figures;
    int code = resultsCommand::Done;
    if (!resultsCommand::figures(parsed, dataDir, MaxFailedUnits, &figures, err, &code))
        return code;
    const QString pdfPath = parsed.value(ReportOption);
    const QString layout =
        layoutPath.isEmpty() ? programFiles::path(QStringLiteral("configDir/KeyInfo.config")) : layoutPath;
    QString error;
    if (!resultsReport::write(figures, figuresText::keyNamesFrom(layout), pdfPath, &error)) {
        err << error << '\n';
        return resultsCommand::FileUnwritable;
    }
    out << QStringLiteral("report of %1 units written to %2\n").arg(figures.total.units).arg(pdfPath);
    return resultsCommand::Done;
}

} // namespace

void addTo(CommandLine &commandLine, const QString &dataDir, const QString &layoutPath)
{
    commandLine.addMode(
        QCommandLineOption(ReportOption,
                           QStringLiteral("Write the line's figures, reasons, key heat map and failed units to "
                                          "FILE.pdf"),
                           QStringLiteral("FILE.pdf")),
        resultsCommand::figureOptions(),
        [dataDir, layoutPath](const QCommandLineParser &parsed, QTextStream &out, QTextStream &err) {
            return report(parsed, dataDir, layoutPath, out, err);
        },
        true);
}

} // namespace reportCommand
