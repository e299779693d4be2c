#include "resultsCommand.h"

#include "commandLine.h"
#include "figuresText.h"
#include "lineQueue.h"
#include "lineSchema.h"
#include "lineTarget.h"
#include "programFiles.h"
#include "resultExport.h"
#include "resultStoreFile.h"
#include "resultsSettings.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>
#include <QTextStream>

namespace resultsCommand {

namespace {

const QString ExportOption = QStringLiteral("export-results");
const QString SummaryOption = QStringLiteral("results-summary");
const QString SinceOption = QStringLiteral("since");
const QString UntilOption = QStringLiteral("until");
const QString PlatformOption = QStringLiteral("platform");
const QString LineOption = QStringLiteral("line");
const QString LineSqlOption = QStringLiteral("line-store-sql");
const QString ForwardAgainOption = QStringLiteral("forward-again");

// A day is the day's start, or with wholeDay the next day's: --until 2026-05-21
// takes in the whole of the 21st.
bool parseDate(const QString &text, bool wholeDay, qint64 &utcMs)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10) {
        utcMs = QDateTime(wholeDay ? day.addDays(1) : day, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
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

bool parsePlatform(const QString &text, FiguresQuery &query)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    quint16 vid = 0;
    quint16 pid = 0;
    if (parts.size() != 2 || !parseHex4(parts[0], vid) || !parseHex4(parts[1], pid))
        return false;
    query.vid = vid;
    query.pid = pid;
    return true;
}

QString dataDirOr(const QString &dataDir)
{
    // The window's data folder: the same application name, so the same place.
    return dataDir.isEmpty()
               ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/UserConfig")
               : dataDir;
}

// The period and platform the options ask for; false with a message on err
// when one is bad.
bool readQuery(const QCommandLineParser &parsed, FiguresQuery &query, QTextStream &err)
{
    for (const QString &option : {SinceOption, UntilOption}) {
        if (!parsed.isSet(option))
            continue;
        const QString text = parsed.value(option);
        qint64 when = 0;
        if (!parseDate(text, option == UntilOption, when)) {
            err << QStringLiteral("--%1: \"%2\" is not a date (2026-05-20, or 2026-05-20T08:00:00)\n")
                       .arg(option, text);
            return false;
        }
        (option == SinceOption ? query.sinceUtcMs : query.untilUtcMs) = when;
    }
    if (query.sinceUtcMs && query.untilUtcMs && *query.untilUtcMs <= *query.sinceUtcMs) {
        err << QStringLiteral("--until is not after --since\n");
        return false;
    }
    if (parsed.isSet(PlatformOption)) {
        const QString text = parsed.value(PlatformOption);
        if (!parsePlatform(text, query)) {
            err << QStringLiteral("--platform: \"%1\" is not VID:PID (such as 0416:b23c)\n").arg(text);
            return false;
        }
    }
    return true;
}

int summary(const QCommandLineParser &parsed, const QString &dataDir, QTextStream &out, QTextStream &err)
{
    Figures found;
    int code = Done;
    if (!figures(parsed, dataDir, 0, &found, err, &code))
        return code;
    figuresText::writeTable(
        found, figuresText::keyNamesFrom(programFiles::path(QStringLiteral("configDir/KeyInfo.config"))), out);
    // What this station still owes the line store; the line's figures lack it.
    const QString storePath = resultStoreFile::pathIn(dataDirOr(dataDir));
    lineQueue::Counts counts;
    QString error;
    if (!parsed.isSet(LineOption) || QFileInfo(storePath).isFile()) {
        if (!resultExport::queueCounts(storePath, counts, &error)) {
            err << error << '\n';
            return StoreUnreadable;
        }
        out << QStringLiteral("\nline store: %1 units queued, %2 set aside\n").arg(counts.queued).arg(counts.setAside);
    }
    return Done;
}

int exportCsv(const QCommandLineParser &parsed, const QString &dataDir, QTextStream &out, QTextStream &err)
{
    FiguresQuery query;
    if (!readQuery(parsed, query, err))
        return BadArguments;
    ResultFilter filter;
    filter.sinceUtcMs = query.sinceUtcMs;
    filter.untilUtcMs = query.untilUtcMs;
    filter.vid = query.vid;
    filter.pid = query.pid;
    const QString csvPath = parsed.value(ExportOption);
    qint64 rows = 0;
    QString error;
    if (!resultExport::exportCsv(resultStoreFile::pathIn(dataDirOr(dataDir)), csvPath, filter, &rows, &error)) {
        err << error << '\n';
        return error.startsWith(csvPath) ? FileUnwritable : StoreUnreadable;
    }
    out << QStringLiteral("%1 units written to %2\n").arg(rows).arg(csvPath);
    return Done;
}

// The units the line store set aside go back into its queue; the running
// tool, or the next start, sends them.
int forwardAgain(const QString &dataDir, QTextStream &out, QTextStream &err)
{
    const QString storePath = resultStoreFile::pathIn(dataDirOr(dataDir));
    const QString name = QStringLiteral("tkt_results_again");
    qint64 again = -1;
    QString error = QStringLiteral("no results store at %1").arg(storePath);
    if (QFileInfo(storePath).isFile()) {
        resultStoreFile::Access access;
        access.journal = resultStoreFile::Access::AsFound;
        resultStoreFile::Opened opened;
        QSqlDatabase db = resultStoreFile::open(name, storePath, access, 5000, &opened);
        QSqlError sqlError = opened.error;
        if (db.isOpen())
            again = lineQueue::queueAgain(db, &sqlError);
        error = QStringLiteral("%1 cannot be written: %2").arg(storePath, sqlError.text().trimmed());
    }
    resultStoreFile::release(name);
    if (again < 0) {
        err << error << '\n';
        return StoreUnreadable;
    }
    out << QStringLiteral("%1 units set aside by the line store are queued for it again; the tool sends them while "
                          "it runs\n")
               .arg(again);
    return Done;
}

} // namespace

QStringList figureOptions()
{
    return {SinceOption, UntilOption, PlatformOption, LineOption};
}

bool figures(const QCommandLineParser &parsed, const QString &dataDir, int maxFailedUnits, Figures *figures,
             QTextStream &err, int *exitCode)
{
    FiguresQuery query;
    query.maxFailedUnits = maxFailedUnits;
    if (!readQuery(parsed, query, err)) {
        *exitCode = BadArguments;
        return false;
    }
    *exitCode = StoreUnreadable;
    const QString dir = dataDirOr(dataDir);
    QString error;
    bool ok = false;
    if (!parsed.isSet(LineOption)) {
        ok = resultFigures::fromStation(resultStoreFile::pathIn(dir), query, figures, &error);
    } else {
        const QString url = readResultsSettings(dir).lineUrl;
        if (url.isEmpty())
            error = QStringLiteral("--line: no line store, [results] url is not set in %1/Config.ini").arg(dir);
        else
            ok = resultFigures::fromLine(parseLineTarget(url), query, figures, &error);
    }
    if (!ok)
        err << error << '\n';
    return ok;
}

void addTo(CommandLine &commandLine, const QString &dataDir)
{
    commandLine.addOption(QCommandLineOption(
        SinceOption, QStringLiteral("Only units from DATE on (UTC day or ISO date-time)"), QStringLiteral("DATE")));
    commandLine.addOption(QCommandLineOption(
        UntilOption, QStringLiteral("Only units before DATE (a UTC day is included)"), QStringLiteral("DATE")));
    commandLine.addOption(QCommandLineOption(
        PlatformOption, QStringLiteral("Only units of one platform, such as 0416:b23c"), QStringLiteral("VID:PID")));
    commandLine.addOption(QCommandLineOption(
        LineOption, QStringLiteral("Read the line store of [results] url instead of this station's store")));
    commandLine.addMode(
        QCommandLineOption(SummaryOption,
                           QStringLiteral("Print the line's figures: yield per day, station, operator and product, "
                                          "reasons and keys that failed")),
        figureOptions(), [dataDir](const QCommandLineParser &parsed, QTextStream &out, QTextStream &err) {
            return summary(parsed, dataDir, out, err);
        });
    commandLine.addMode(QCommandLineOption(ExportOption,
                                           QStringLiteral("Write every unit tested to FILE.csv, one row each"),
                                           QStringLiteral("FILE.csv")),
                        {SinceOption, UntilOption, PlatformOption},
                        [dataDir](const QCommandLineParser &parsed, QTextStream &out, QTextStream &err) {
                            return exportCsv(parsed, dataDir, out, err);
                        });
    commandLine.addMode(
        QCommandLineOption(LineSqlOption,
                           QStringLiteral("Print the SQL that makes the line store's table, its attempt numbering "
                                          "and its figures' functions, for psql")),
        {}, [](const QCommandLineParser &, QTextStream &out, QTextStream &) {
            for (const QString &statement : lineSchema::statements())
                out << statement << ";\n";
            return Done;
        });
    commandLine.addMode(
        QCommandLineOption(ForwardAgainOption, QStringLiteral("Queue the units the line store set aside for it again")),
        {}, [dataDir](const QCommandLineParser &, QTextStream &out, QTextStream &err) {
            return forwardAgain(dataDir, out, err);
        });
    commandLine.addHelpNote(QStringLiteral("Exit codes: 0 done, 2 bad arguments, 3 store unreadable (or unwritable), "
                                           "4 FILE.csv or FILE.pdf unwritable."));
}

} // namespace resultsCommand
