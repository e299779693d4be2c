#include "resultsCommand.h"

#include "lineQueue.h"
#include "resultExport.h"
#include "resultStoreFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace resultsCommand {

namespace {

const QString ExportOption = QStringLiteral("--export-results");
const QString SummaryOption = QStringLiteral("--results-summary");
const QString ForwardAgainOption = QStringLiteral("--forward-again");
const QString SinceOption = QStringLiteral("--since");
const QString PlatformOption = QStringLiteral("--platform");

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

const char *usage()
{
    return "usage: TavrinKeyboardTest --export-results FILE.csv [--since DATE] [--platform VID:PID]\n"
           "       TavrinKeyboardTest --results-summary [--since DATE] [--platform VID:PID]\n"
           "       TavrinKeyboardTest --forward-again\n"
           "DATE: a UTC day such as 2026-05-20, or an ISO date and time; VID:PID such as 0416:b23c\n";
}

// The units the line store set aside go back into its queue; the running
// tool, or the next start, sends them.
int forwardAgain(const QString &storePath, QTextStream &out, QTextStream &err)
{
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
        err.flush();
        return StoreUnreadable;
    }
    out << QStringLiteral("%1 units set aside by the line store are queued for it again; the tool sends them while "
                          "it runs\n")
               .arg(again);
    out.flush();
    return Done;
}

} // namespace

int run(const QStringList &args, const QString &dataDir, QTextStream &out, QTextStream &err)
{
    if (!args.contains(ExportOption) && !args.contains(SummaryOption) && !args.contains(ForwardAgainOption))
        return NotOurs;

    auto bad = [&](const QString &why) {
        err << why << '\n' << usage();
        err.flush();
        return BadArguments;
    };
    bool summary = false;
    bool again = false;
    bool filtered = false;
    QString csvPath;
    ResultFilter filter;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"));
        if (arg == SummaryOption) {
            summary = true;
        } else if (arg == ForwardAgainOption) {
            again = true;
        } else if (arg == ExportOption || arg == SinceOption || arg == PlatformOption) {
            if (!hasValue)
                return bad(QStringLiteral("%1 needs a value").arg(arg));
            const QString value = args[++i];
            qint64 since = 0;
            if (arg == ExportOption) {
                if (!csvPath.isEmpty())
                    return bad(QStringLiteral("%1 given twice").arg(arg));
                csvPath = value;
            } else if (arg == SinceOption) {
                filtered = true;
                if (!parseSince(value, since))
                    return bad(QStringLiteral("--since: \"%1\" is not a date").arg(value));
                filter.sinceUtcMs = since;
            } else if (!parsePlatform(value, filter)) {
                return bad(QStringLiteral("--platform: \"%1\" is not VID:PID").arg(value));
            } else {
                filtered = true;
            }
        } else {
            return bad(QStringLiteral("unknown argument \"%1\"").arg(arg));
        }
    }
    if (int(summary) + int(!csvPath.isEmpty()) + int(again) > 1)
        return bad(QStringLiteral("give one of --export-results, --results-summary and --forward-again"));
    if (again && filtered)
        return bad(QStringLiteral("--forward-again takes no --since or --platform: it queues every unit set aside"));

    const QString storePath = resultStoreFile::pathIn(dataDir);
    if (again)
        return forwardAgain(storePath, out, err);
    QString error;
    if (summary) {
        if (!resultExport::writeSummary(storePath, filter, out, &error)) {
            err << error << '\n';
            err.flush();
            return StoreUnreadable;
        }
        return Done;
    }
    qint64 rows = 0;
    if (!resultExport::exportCsv(storePath, csvPath, filter, &rows, &error)) {
        err << error << '\n';
        err.flush();
        return error.startsWith(csvPath) ? FileUnwritable : StoreUnreadable;
    }
    out << QStringLiteral("%1 units written to %2\n").arg(rows).arg(csvPath);
    out.flush();
    return Done;
}

int runFromMain(int &argc, char **argv)
{
    bool ours = false;
    for (int i = 1; i < argc && !ours; ++i)
        ours = std::strcmp(argv[i], "--export-results") == 0 || std::strcmp(argv[i], "--results-summary") == 0 ||
               std::strcmp(argv[i], "--forward-again") == 0;
    if (!ours)
        return NotOurs;
    QCoreApplication app(argc, argv);
    // The window's data folder: the same application name, so the same place.
    const QString dataDir =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/UserConfig");
    QTextStream out(stdout);
    QTextStream err(stderr);
    return run(app.arguments(), dataDir, out, err);
}

} // namespace resultsCommand
