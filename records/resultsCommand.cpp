#include "resultsCommand.h"

#include "commandLine.h"
#include "resultExport.h"
#include "resultStoreFile.h"

#include <QDateTime>
#include <QStandardPaths>
#include <QTextStream>

namespace resultsCommand {

namespace {

const QString ExportOption = QStringLiteral("export-results");
const QString SummaryOption = QStringLiteral("results-summary");
const QString SinceOption = QStringLiteral("since");
const QString PlatformOption = QStringLiteral("platform");

bool parseSince(const QString &text, qint64 &utcMs)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10) {
        utcMs = QDateTime(day, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
        return true;
    }
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        return false;
    // A time without a zone is taken as UTC, as the store keeps every time.
    if (when.timeSpec() == Qt::LocalTime)
        when.setTimeSpec(Qt::UTC);
    utcMs = when.toMSecsSinceEpoch();
    return true;
}

bool parseHex4(QString text, quint16 &value)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const uint parsed = text.toUInt(&ok, 16);
    if (!ok || text.isEmpty() || text.size() > 4)
        return false;
    value = static_cast<quint16>(parsed);
    return true;
}

bool parsePlatform(const QString &text, ResultFilter &filter)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    quint16 vid = 0;
    quint16 pid = 0;
    if (parts.size() != 2 || !parseHex4(parts[0], vid) || !parseHex4(parts[1], pid))
        return false;
    filter.vid = vid;
    filter.pid = pid;
    return true;
}

QString storeIn(const QString &dataDir)
{
    // The window's data folder: the same application name, so the same place.
    const QString dir = dataDir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                                                QStringLiteral("/UserConfig")
                                          : dataDir;
    return resultStoreFile::pathIn(dir);
}

// The filters both modes take; false with a message on err when one is bad.
bool readFilter(const QCommandLineParser &parsed, ResultFilter &filter, QTextStream &err)
{
    if (parsed.isSet(SinceOption)) {
        const QString text = parsed.value(SinceOption);
        qint64 since = 0;
        if (!parseSince(text, since)) {
            err << QStringLiteral("--since: \"%1\" is not a date (2026-05-20, or 2026-05-20T08:00:00)\n").arg(text);
            return false;
        }
        filter.sinceUtcMs = since;
    }
    if (parsed.isSet(PlatformOption)) {
        const QString text = parsed.value(PlatformOption);
        if (!parsePlatform(text, filter)) {
            err << QStringLiteral("--platform: \"%1\" is not VID:PID (such as 0416:b23c)\n").arg(text);
            return false;
        }
    }
    return true;
}

int summary(const QCommandLineParser &parsed, const QString &dataDir, QTextStream &out, QTextStream &err)
{
    ResultFilter filter;
    if (!readFilter(parsed, filter, err))
        return BadArguments;
    QString error;
    if (!resultExport::writeSummary(storeIn(dataDir), filter, out, &error)) {
        err << error << '\n';
        return StoreUnreadable;
    }
    return Done;
}

int exportCsv(const QCommandLineParser &parsed, const QString &dataDir, QTextStream &out, QTextStream &err)
{
    ResultFilter filter;
    if (!readFilter(parsed, filter, err))
        return BadArguments;
    const QString csvPath = parsed.value(ExportOption);
    qint64 rows = 0;
    QString error;
    if (!resultExport::exportCsv(storeIn(dataDir), csvPath, filter, &rows, &error)) {
        err << error << '\n';
        return error.startsWith(csvPath) ? FileUnwritable : StoreUnreadable;
    }
    out << QStringLiteral("%1 units written to %2\n").arg(rows).arg(csvPath);
    return Done;
}

} // namespace

void addTo(CommandLine &commandLine, const QString &dataDir)
{
    commandLine.addOption(QCommandLineOption(
        SinceOption, QStringLiteral("Only units from DATE on (UTC day or ISO date-time)"), QStringLiteral("DATE")));
    commandLine.addOption(QCommandLineOption(
        PlatformOption, QStringLiteral("Only units of one platform, such as 0416:b23c"), QStringLiteral("VID:PID")));
    const QStringList filters{SinceOption, PlatformOption};
    commandLine.addMode(
        QCommandLineOption(SummaryOption, QStringLiteral("Print the units tested per day and platform")), filters,
        [dataDir](const QCommandLineParser &parsed, QTextStream &out, QTextStream &err) {
            return summary(parsed, dataDir, out, err);
        });
    commandLine.addMode(QCommandLineOption(ExportOption,
                                           QStringLiteral("Write every unit tested to FILE.csv, one row each"),
                                           QStringLiteral("FILE.csv")),
                        filters, [dataDir](const QCommandLineParser &parsed, QTextStream &out, QTextStream &err) {
                            return exportCsv(parsed, dataDir, out, err);
                        });
    commandLine.addHelpNote(
        QStringLiteral("Exit codes: 0 done, 2 bad arguments, 3 store unreadable, 4 FILE.csv unwritable."));
}

} // namespace resultsCommand
