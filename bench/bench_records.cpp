// Unit records: writing one unit to the station store (from save() to
// written, and the caller's own cost), keeping the unit under test on disk,
// exporting 100,000 units to CSV, sending 10,000 queued units to a PostgreSQL
// server started here (over its Unix socket and over verified TLS), the
// line's figures (--results-summary) over 1,000,000 units in the station store
// and in the line store, and the Results view opened over 100,000 units.
// Prints figures; asserts nothing.
//   bench_records [units for the figures, 1000000 by default]
#include "lineForwarder.h"
#include "resultExport.h"
#include "resultFigures.h"
#include "resultSchema.h"
#include "resultStore.h"
#include "resultStoreFile.h"
#include "resultsCommand.h"
#include "resultsView.h"
#include "unitProgressFile.h"

#include "commandLineRun.h"
#include "pgCluster.h"
#include "sampleUnit.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSettings>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()));
    return values[index];
}

void fill(const QString &storePath, int units, bool queue)
{
    {
        QSqlDatabase db = resultStoreFile::open(QStringLiteral("fill"), storePath, false, 5000, nullptr);
        resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr);
        db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        db.transaction();
        for (int i = 0; i < units; ++i) {
            UnitRecord unit = sampleUnit("unit-" + std::to_string(i), 1779235200000 + i * 60000LL);
            // Each unit a serial of its own, as on a line: the stores number a
            // serial's attempts as they take them.
            unit.identity.serial = "SN-" + std::to_string(i);
            unit.keysPressed.resize(0);
            for (int key = 0; key < 104; ++key)
                unit.keysPressed.push_back(key + 8);
            QSqlQuery insert(db);
            insert.prepare(QStringLiteral("INSERT INTO units (%1) VALUES (%2)")
                               .arg(QString::fromLatin1(resultSchema::UnitColumns), resultSchema::placeholders()));
            resultSchema::bindUnit(insert, unit);
            insert.exec();
            if (queue)
                db.exec(QStringLiteral("INSERT INTO line_queue VALUES ('unit-%1', %1)").arg(i));
        }
        db.commit();
    }
    resultStoreFile::release(QStringLiteral("fill"));
}

void writeOne()
{
    // Beside the program rather than in /tmp, which may live in memory.
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-records-XXXXXX"));
    ResultStore store(dir.path());
    constexpr int Runs = 300;
    std::vector<double> callUs;
    std::vector<double> writtenMs;
    for (int i = 0; i < Runs; ++i) {
        QEventLoop loop;
        QObject::connect(&store, &ResultStore::saved, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        store.save(sampleUnit("write-" + std::to_string(i)));
        callUs.push_back(timer.nsecsElapsed() / 1e3);
        loop.exec();
        writtenMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("write one unit (WAL, synchronous=FULL), %d units:\n", Runs);
    std::printf("  save() on the caller: median %.1f us, p99 %.1f us\n", percentile(callUs, 0.5),
                percentile(callUs, 0.99));
    std::printf("  save() to written:    median %.2f ms, p99 %.2f ms\n", percentile(writtenMs, 0.5),
                percentile(writtenMs, 0.99));
}

// What the writer does every 2 s while a unit is tested and its progress
// changed: the progress file replaced through a synced temporary file.
void keepProgress()
{
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-records-XXXXXX"));
    const QString path = unitProgressFile::pathBeside(resultStoreFile::pathIn(dir.path()));
    constexpr int Runs = 300;
    std::vector<double> keptMs;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        unitProgressFile::write(path, sampleUnit("progress-" + std::to_string(i)), nullptr);
        keptMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("keep the unit under test on disk (progress file replaced, synced), %d times:\n", Runs);
    std::printf("  median %.2f ms, p99 %.2f ms\n", percentile(keptMs, 0.5), percentile(keptMs, 0.99));
}

void exportMany()
{
    QTemporaryDir dir;
    constexpr int Units = 100000;
    const QString store = resultStoreFile::pathIn(dir.path());
    fill(store, Units, false);
    QElapsedTimer timer;
    timer.start();
    qint64 rows = 0;
    QString error;
    resultExport::exportCsv(store, dir.filePath(QStringLiteral("all.csv")), ResultFilter(), &rows, &error);
    const double exportS = timer.nsecsElapsed() / 1e9;
    timer.restart();
    Figures figures;
    resultFigures::fromStation(store, FiguresQuery(), &figures, &error);
    std::printf("export %lld units to CSV: %.2f s (%.0f units/s, %.1f MB); figures: %.3f s\n",
                static_cast<long long>(rows), exportS, rows / exportS,
                QFileInfo(dir.filePath(QStringLiteral("all.csv"))).size() / 1e6, timer.nsecsElapsed() / 1e9);
}

void forwardMany()
{
    PgCluster cluster(true, QStringLiteral(TKT_TEST_CERTIFICATES));
    if (!cluster.init() || !cluster.start()) {
        std::printf("forward: no PostgreSQL server: %s\n", qPrintable(cluster.error()));
        return;
    }
    constexpr int Units = 10000;
    const QList<QPair<QString, QString>> routes = {
        {QStringLiteral("Unix socket"), cluster.url(QStringLiteral("line_socket"))},
        {QStringLiteral("TLS to 127.0.0.1, verify-full"),
         cluster.tlsUrl(QStringLiteral("line_tls"), cluster.certificate(QStringLiteral("root.crt")))}};
    for (const auto &route : routes) {
        const LineTarget target = parseLineTarget(route.second);
        cluster.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + target.database);
        QTemporaryDir dir;
        const QString store = resultStoreFile::pathIn(dir.path());
        fill(store, Units, true);
        LineForwarder forwarder(store, target, 5000, 1000);
        QElapsedTimer timer;
        timer.start();
        const int sent = forwarder.forwardQueued();
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf(
            "forward %d queued units to PostgreSQL (%s, fsync on, batches of %d): %.2f s (%.0f units/s); on "
            "the server: %s\n",
            sent, qPrintable(route.first), LineForwarder::DefaultBatch, seconds, sent / seconds,
            qPrintable(cluster.query(target.database, QStringLiteral("SELECT count(*) FROM unit_results")).join(' ')));
    }
}

// A line's month: three stations, two products, an operator per shift; one
// unit in twenty is a retest of the unit before it, one in twenty has no
// serial; about 5 % fail (chatter, key check, firmware), 3 % are left
// incomplete with up to 40 keys never pressed.
UnitRecord lineUnit(int i)
{
    UnitRecord u;
    u.unitId = "unit-" + std::to_string(i);
    u.startUtcMs = 1779235200000 + i * 2500LL;
    u.endUtcMs = u.startUtcMs + 2000;
    const unsigned h = (unsigned(i) * 2654435761u) >> 8;
    const bool retest = i % 20 == 1;
    u.identity = {"st-" + std::to_string(i % 3),
                  "1.1.8",
                  0x0416,
                  std::uint16_t(i % 5 == 0 ? 0x7372 : 0xb23c),
                  "Tavrin",
                  "TK-87",
                  i % 5 == 0 ? "M484" : "NUC121",
                  "V2.3",
                  "/dev/hidraw4",
                  ""};
    if (h % 20 != 7)
        u.identity.serial = "SN" + std::to_string(retest ? i - 1 : i);
    u.identity.operatorName = "op-" + std::to_string((i / 11520) % 6);
    u.criteria = "keys=all;chatter=fail;chatterMs=30;keyCheck=ifRun;calibration=ifRun;minKeysHeld=0;serial=off;"
                 "firmware=required";
    for (int key = 0; key < 104; ++key)
        u.keysPressed.push_back(key + 8);
    const unsigned roll = h % 1000;
    if (retest ? roll < 700 : roll >= 80) {
        u.outcome = UnitOutcome::Passed;
    } else if (roll < 30) {
        u.outcome = UnitOutcome::Failed;
        u.chatter = {{65 + int(h % 26), 4 + int(h % 20)}};
        u.chatterCount = 1;
        u.reasonKinds = "chatter";
        u.reasons = "A chattered (12 ms)";
    } else if (roll < 45) {
        u.outcome = UnitOutcome::Failed;
        u.keyCheckRun = true;
        u.keyCheckBadKeys = {4 + int(h % 30)};
        u.reasonKinds = "keyCheck";
        u.reasons = "key check: 1 key failed";
    } else if (roll < 50) {
        u.outcome = UnitOutcome::Failed;
        u.reasonKinds = "firmware";
        u.reasons = "firmware not answering";
    } else {
        u.outcome = UnitOutcome::Incomplete;
        for (int key = 0; key < int(h % 40) + 1; ++key)
            u.keysNeverPressed.push_back(65 + key);
        u.reasonKinds = "neverPressed";
        u.reasons = "keys never pressed";
    }
    return u;
}

// Many units a statement; each store numbers the attempts as it takes them
// (the line store's rows are numbered after, in bulk, see figuresOverLine).
void fillLine(QSqlDatabase &db, int units)
{
    constexpr int PerStatement = 500;
    const bool line = db.driverName() == QLatin1String("QPSQL");
    QStringList rows;
    for (int i = 0; i < PerStatement; ++i)
        rows << QLatin1Char('(') + resultSchema::placeholders() + QLatin1Char(')');
    const QString statement = QStringLiteral("INSERT INTO %1 (%2) VALUES ")
                                  .arg(line ? QStringLiteral("unit_results") : QStringLiteral("units"),
                                       QString::fromLatin1(resultSchema::UnitColumns));
    QSqlQuery many(db);
    many.prepare(statement + rows.join(QLatin1Char(',')));
    QSqlQuery one(db);
    one.prepare(statement + rows.first());
    db.transaction();
    for (int i = 0; i < units;) {
        QSqlQuery &insert = units - i >= PerStatement ? many : one;
        const int count = &insert == &many ? PerStatement : 1;
        for (int k = 0; k < count; ++k)
            resultSchema::bindUnit(insert, lineUnit(i + k));
        if (!insert.exec() && i == 0)
            std::printf("  filling: %s\n", qPrintable(insert.lastError().text()));
        i += count;
        if (i % 50000 < count) {
            db.commit();
            db.transaction();
        }
    }
    db.commit();
}

// The processor time of this process, all threads: what the work costs,
// whatever else the machine runs meanwhile.
double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

struct Timing
{
    double wall = 0;
    double cpu = 0;
};

Timing timeSummary(const QString &dataDir, const QStringList &extra, QString *text)
{
    QString errors;
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuSeconds();
    const int code = runCommandLine([&](CommandLine &commandLine) { resultsCommand::addTo(commandLine, dataDir); },
                                    QStringList{"--results-summary"} + extra, text, &errors);
    const Timing t{timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu};
    if (code != 0)
        std::printf("  summary failed (%d): %s\n", code, qPrintable(errors));
    return t;
}

QString totalLine(const QString &summary)
{
    for (const QString &line : summary.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("total")))
            return line.simplified();
    return QStringLiteral("(no total)");
}

void figuresOverStation(int units)
{
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-figures-XXXXXX"));
    const QString store = resultStoreFile::pathIn(dir.path());
    QElapsedTimer timer;
    timer.start();
    {
        QSqlDatabase db = resultStoreFile::open(QStringLiteral("fill"), store, false, 5000, nullptr);
        resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr);
        db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        fillLine(db, units);
    }
    resultStoreFile::release(QStringLiteral("fill"));
    const double fillS = timer.nsecsElapsed() / 1e9;
    QString summary;
    const Timing all = timeSummary(dir.path(), {}, &summary);
    QString week;
    const Timing oneWeek = timeSummary(dir.path(), {"--since", "2026-06-01", "--until", "2026-06-07"}, &week);
    std::printf("figures over %d units in the station store (filled at %.0f units/s, the store numbering attempts):\n",
                units, units / fillS);
    std::printf("  --results-summary, every unit: %.2f s (%.2f s of processor)   %s\n", all.wall, all.cpu,
                qPrintable(totalLine(summary)));
    std::printf("  --results-summary, one week:   %.2f s (%.2f s of processor)   %s\n", oneWeek.wall, oneWeek.cpu,
                qPrintable(totalLine(week)));
}

void figuresOverLine(int units)
{
    PgCluster cluster(true);
    if (!cluster.init() || !cluster.start()) {
        std::printf("line figures: no PostgreSQL server: %s\n", qPrintable(cluster.error()));
        return;
    }
    cluster.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE line"));
    QTemporaryDir dir;
    QSettings(dir.filePath(QStringLiteral("Config.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("results/url"), cluster.url(QStringLiteral("line")));
    QElapsedTimer timer;
    timer.start();
    {
        // The table, its attempt numbering and its figures, as a station makes them.
        LineForwarder forwarder(dir.filePath(QStringLiteral("none.sqlite")),
                                parseLineTarget(cluster.url(QStringLiteral("line"))), 1000, 1000);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("fill"));
        db.setHostName(cluster.socketDir());
        db.setPort(cluster.port());
        db.setUserName(QString::fromLatin1(PgCluster::SuperUser));
        db.setDatabaseName(QStringLiteral("line"));
        db.open();
        for (const QString &statement : LineForwarder::schemaStatements())
            db.exec(statement);
        // A million units through the server's numbering one at a time would
        // take the bench most of an hour here; they are numbered as the
        // triggers would, in one pass.
        db.exec(QStringLiteral("ALTER TABLE unit_results DISABLE TRIGGER USER"));
        fillLine(db, units);
        db.exec(QStringLiteral(
            "UPDATE unit_results r SET attempt = n.attempt, next_attempt_utc_ms = n.next FROM (SELECT unit_id,"
            " row_number() OVER w AS attempt, lead(start_utc_ms) OVER w AS next FROM unit_results"
            " WHERE serial <> '' WINDOW w AS (PARTITION BY serial ORDER BY start_utc_ms, unit_id)) n"
            " WHERE r.unit_id = n.unit_id"));
        db.exec(QStringLiteral("ALTER TABLE unit_results ENABLE TRIGGER USER"));
        db.exec(QStringLiteral("VACUUM ANALYZE unit_results"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    const double fillS = timer.nsecsElapsed() / 1e9;
    QString summary;
    const Timing all = timeSummary(dir.path(), {"--line"}, &summary);
    QString week;
    const Timing oneWeek = timeSummary(dir.path(), {"--line", "--since", "2026-06-01", "--until", "2026-06-07"}, &week);
    std::printf("figures over %d units in the line store (filled at %.0f units/s, attempts numbered in bulk):\n", units,
                units / fillS);
    // The server's share of the work is its own processes', not this one's.
    std::printf("  --results-summary --line, every unit: %.2f s   %s\n", all.wall, qPrintable(totalLine(summary)));
    std::printf("  --results-summary --line, one week:   %.2f s   %s\n", oneWeek.wall, qPrintable(totalLine(week)));
}

void resultsViewOpens(int units)
{
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-view-XXXXXX"));
    const QString store = resultStoreFile::pathIn(dir.path());
    {
        QSqlDatabase db = resultStoreFile::open(QStringLiteral("fill"), store, false, 5000, nullptr);
        resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr);
        db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        fillLine(db, units);
    }
    resultStoreFile::release(QStringLiteral("fill"));
    const QDate first = QDateTime::fromMSecsSinceEpoch(lineUnit(0).startUtcMs).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(lineUnit(units - 1).startUtcMs).date();
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuSeconds();
        ResultsView view(store);
        view.show();
        QCoreApplication::processEvents();
        const double builtS = timer.nsecsElapsed() / 1e9;
        QEventLoop loop;
        QObject::connect(&view, &ResultsView::figuresShown, &loop, &QEventLoop::quit);
        view.showDays(first, last);
        loop.exec();
        QCoreApplication::processEvents();
        std::printf("Results view over %d units (%s to %s): opened with the figures drawn in %.3f s, %.3f s of"
                    " processor (the window and its keyboard %.3f s), %lld units shown\n",
                    units, qPrintable(first.toString(Qt::ISODate)), qPrintable(last.toString(Qt::ISODate)),
                    timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu, builtS,
                    static_cast<long long>(view.figures().total.units));
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Each figure as soon as it is measured, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int figureUnits = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    writeOne();
    keepProgress();
    exportMany();
    forwardMany();
    figuresOverStation(figureUnits);
    figuresOverLine(figureUnits);
    resultsViewOpens(100000);
    return 0;
}
