#include "resultsCommand.h"

#include "figuresText.h"
#include "lineTarget.h"
#include "resultExport.h"
#include "resultStoreFile.h"
#include "resultsSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace resultsCommand {

namespace {

const QString ExportOption = QStringLiteral("--export-results");
const QString SummaryOption = QStringLiteral("--results-summary");
const QString ReportOption = QStringLiteral("--results-report");
const QString SinceOption = QStringLiteral("--since");
const QString UntilOption = QStringLiteral("--until");
const QString PlatformOption = QStringLiteral("--platform");
const QString LineOption = QStringLiteral("--line");

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

ResultFilter exportFilter(const FiguresQuery &query)
{
    ResultFilter filter;
    filter.sinceUtcMs = query.sinceUtcMs;
    filter.untilUtcMs = query.untilUtcMs;
    filter.vid = query.vid;
    filter.pid = query.pid;
    return filter;
}

} // namespace

const char *usage()
{
    return "usage: TavrinKeyboardTest --export-results FILE.csv [--since DATE] [--until DATE] [--platform VID:PID]\n"
           "       TavrinKeyboardTest --results-summary [--since DATE] [--until DATE] [--platform VID:PID] [--line]\n"
           "       TavrinKeyboardTest --results-report FILE.pdf [--since DATE] [--until DATE] [--platform VID:PID]"
           " [--line]\n"
           "DATE: a UTC day such as 2026-05-20 (--until takes in the whole day), or an ISO date and time;\n"
           "VID:PID such as 0416:b23c; --line: the line store of [results] url instead of this station's store\n";
}

bool parse(const QStringList &args, Request *request, QString *why)
{
    const int modes =
        int(args.contains(ExportOption)) + int(args.contains(SummaryOption)) + int(args.contains(ReportOption));
    if (modes == 0) {
        *why = QStringLiteral("no results command");
        return false;
    }
    if (modes > 1) {
        *why = QStringLiteral("give one of --export-results, --results-summary and --results-report");
        return false;
    }
    Request r;
    bool pathGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"));
        if (arg == SummaryOption) {
            r.mode = Request::Summary;
        } else if (arg == LineOption) {
            r.line = true;
        } else if (arg == ExportOption || arg == ReportOption || arg == SinceOption || arg == UntilOption ||
                   arg == PlatformOption) {
            if (!hasValue) {
                *why = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            const QString value = args[++i];
            qint64 when = 0;
            if (arg == ExportOption || arg == ReportOption) {
                if (pathGiven) {
                    *why = QStringLiteral("%1 given twice").arg(arg);
                    return false;
                }
                pathGiven = true;
                r.mode = arg == ExportOption ? Request::Export : Request::Report;
                r.filePath = value;
            } else if (arg == PlatformOption) {
                if (!parsePlatform(value, r.query)) {
                    *why = QStringLiteral("--platform: \"%1\" is not VID:PID").arg(value);
                    return false;
                }
            } else if (!parseDate(value, arg == UntilOption, when)) {
                *why = QStringLiteral("%1: \"%2\" is not a date").arg(arg, value);
                return false;
            } else {
                (arg == SinceOption ? r.query.sinceUtcMs : r.query.untilUtcMs) = when;
            }
        } else {
            *why = QStringLiteral("unknown argument \"%1\"").arg(arg);
            return false;
        }
    }
    if (r.query.sinceUtcMs && r.query.untilUtcMs && *r.query.untilUtcMs <= *r.query.sinceUtcMs) {
        *why = QStringLiteral("--until is not after --since");
        return false;
    }
    if (r.line && r.mode == Request::Export) {
        *why = QStringLiteral("--line goes with --results-summary or --results-report");
        return false;
    }
    *request = r;
    return true;
}

bool figures(const Request &request, const QString &dataDir, Figures *figures, QString *why, int *exitCode)
{
    *exitCode = StoreUnreadable;
    if (!request.line)
        return resultFigures::fromStation(resultStoreFile::pathIn(dataDir), request.query, figures, why);
    const QString url = readResultsSettings(dataDir).lineUrl;
    if (url.isEmpty()) {
        *why = QStringLiteral("--line: no line store, [results] url is not set in %1/Config.ini").arg(dataDir);
        return false;
    }
    return resultFigures::fromLine(parseLineTarget(url), request.query, figures, why);
}

int run(const QStringList &args, const QString &dataDir, QTextStream &out, QTextStream &err)
{
    Request request;
    QString why;
    if (!parse(args, &request, &why)) {
        if (!args.contains(ExportOption) && !args.contains(SummaryOption) && !args.contains(ReportOption))
            return NotOurs;
        err << why << '\n' << usage();
        err.flush();
        return BadArguments;
    }
    if (request.mode == Request::Report)
        return NotOurs;

    auto fail = [&](int code) {
        err << why << '\n';
        err.flush();
        return code;
    };
    if (request.mode == Request::Summary) {
        Figures found;
        int code = Done;
        if (!figures(request, dataDir, &found, &why, &code))
            return fail(code);
        const QString layout = QCoreApplication::applicationDirPath() + QStringLiteral("/configDir/KeyInfo.config");
        figuresText::writeTable(found, figuresText::keyNamesFrom(layout), out);
        return Done;
    }
    qint64 rows = 0;
    if (!resultExport::exportCsv(resultStoreFile::pathIn(dataDir), request.filePath, exportFilter(request.query), &rows,
                                 &why))
        return fail(why.startsWith(request.filePath) ? FileUnwritable : StoreUnreadable);
    out << QStringLiteral("%1 units written to %2\n").arg(rows).arg(request.filePath);
    out.flush();
    return Done;
}

QString windowDataDir()
{
    // The window's data folder: the same application name, so the same place.
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/UserConfig");
}

int runFromMain(int &argc, char **argv)
{
    bool ours = false;
    for (int i = 1; i < argc && !ours; ++i)
        ours = std::strcmp(argv[i], "--export-results") == 0 || std::strcmp(argv[i], "--results-summary") == 0;
    if (!ours)
        return NotOurs;
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return run(app.arguments(), windowDataDir(), out, err);
}

} // namespace resultsCommand
