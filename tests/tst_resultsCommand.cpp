#include "commandLine.h"
#include "lineQueue.h"
#include "lineSchema.h"
#include "resultExport.h"
#include "resultSchema.h"
#include "resultStoreFile.h"
#include "resultsCommand.h"

#include "commandLineRun.h"
#include "csvRows.h"
#include "sampleUnit.h"
#include "stationStore.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr std::int64_t Day = 24 * 3600 * 1000;
constexpr std::int64_t May20 = 1779235200000;

// Three units over two days and two platforms, with awkward identity texts.
std::vector<UnitRecord> threeUnits()
{
    UnitRecord passed = sampleUnit("a-passed", May20 + 1000);
    passed.keyCheckBadKeys.clear();
    passed.verdict = Verdict::None;
    passed.chatter.clear();
    passed.chatterCount = 0;
    passed.identity.manufacturer = " Tav,\"rin\"\r\nLtd ";
    passed.outcome = UnitOutcome::Passed;
    passed.reasons.clear();
    passed.reasonKinds.clear();
    UnitRecord failed = sampleUnit("b-failed", May20 + 2000);
    failed.identity.product = "=1+2;'--";
    UnitRecord incomplete = sampleUnit("c-other", May20 + Day + 5, 0x7372);
    incomplete.keyCheckRun = false;
    incomplete.keyCheckBadKeys.clear();
    incomplete.verdict = Verdict::None;
    incomplete.outcome = UnitOutcome::Incomplete;
    incomplete.reasonKinds = "neverPressed";
    incomplete.identity.operatorName = std::string();
    return {passed, failed, incomplete};
}

int run(const QString &dataDir, const QStringList &args, QString *out = nullptr, QString *err = nullptr)
{
    return runCommandLine([&](CommandLine &commandLine) { resultsCommand::addTo(commandLine, dataDir); }, args, out,
                          err);
}

} // namespace

class tst_resultsCommand : public QObject
{
    Q_OBJECT

private slots:
    void exportRoundTrip()
    {
        QTemporaryDir dir;
        const std::vector<UnitRecord> units = threeUnits();
        writeStationStore(dir.path(), units);
        const QString csv = dir.filePath(QStringLiteral("out.csv"));
        QCOMPARE(run(dir.path(), {"--export-results", csv}), 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QStringList> rows = csvRows(QString::fromUtf8(file.readAll()));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].join(','), resultExport::csvHeader());
        const QStringList &first = rows[1];
        QCOMPARE(first.size(), resultSchema::UnitColumnCount);
        QCOMPARE(first[0], QStringLiteral("a-passed"));
        QCOMPARE(first[1], QStringLiteral("2026-05-20T00:00:01.000Z"));
        QCOMPARE(first[5] + ':' + first[6], QStringLiteral("0416:b23c"));
        QCOMPARE(first[7], QString::fromStdString(units[0].identity.manufacturer));
        QCOMPARE(first[13], QStringLiteral("65 66 67"));
        QCOMPARE(first[21], QStringLiteral("passed"));
        // Read back as text, not run as a formula by a spreadsheet.
        QCOMPARE(rows[2][8], QStringLiteral("'=1+2;'--"));
        QCOMPARE(rows[2][16], QStringLiteral("65:12"));
        QCOMPARE(rows[2][19], QStringLiteral("5 6"));
        QCOMPARE(rows[2][21], QStringLiteral("failed"));
        QCOMPARE(rows[3][21], QStringLiteral("incomplete"));
        QCOMPARE(rows[3][22], QStringLiteral("removal"));
        QCOMPARE(rows[2].mid(23),
                 (QStringList{"SN-0042", "3", QString::fromStdString(units[1].reasons),
                              QString::fromStdString(units[1].capture), "ann", "2",
                              "keys=all;chatter=fail;chatterMs=30", "chatter keyCheck neverPressed", "7"}));
        // The store counts the serial's attempts; an empty operator is not a missing one.
        QCOMPARE(rows[3].mid(27, 2), (QStringList{"", "3"}));
    }

    void filters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("units");
        QTest::newRow("all") << QStringList{} << QStringList{"a-passed", "b-failed", "c-other"};
        QTest::newRow("since a day") << QStringList{"--since", "2026-05-21"} << QStringList{"c-other"};
        QTest::newRow("since a time") << QStringList{"--since", "2026-05-20T00:00:01.500"}
                                      << QStringList{"b-failed", "c-other"};
        QTest::newRow("until a day, that day included")
            << QStringList{"--until", "2026-05-20"} << QStringList{"a-passed", "b-failed"};
        QTest::newRow("until a time") << QStringList{"--until", "2026-05-20T00:00:02"} << QStringList{"a-passed"};
        QTest::newRow("platform") << QStringList{"--platform", "0x0416:0xB23C"} << QStringList{"a-passed", "b-failed"};
        QTest::newRow("both") << QStringList{"--platform", "0416:7372", "--since", "2026-06-01"} << QStringList{};
    }

    void filters()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, units);
        QTemporaryDir dir;
        writeStationStore(dir.path(), threeUnits());
        const QString csv = dir.filePath(QStringLiteral("out.csv"));
        QCOMPARE(run(dir.path(), QStringList{"--export-results", csv} + args), 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList ids;
        for (const QStringList &row : csvRows(QString::fromUtf8(file.readAll())).mid(1))
            ids << row.first();
        QCOMPARE(ids, units);
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withStore");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("bad date") << QStringList{"--results-summary", "--since", "20.5.2026"} << true << 2;
        QTest::newRow("bad platform") << QStringList{"--results-summary", "--platform", "0416"} << true << 2;
        QTest::newRow("bad platform in export")
            << QStringList{"--export-results", "x.csv", "--platform", "g:1"} << true << 2;
        QTest::newRow("until before since")
            << QStringList{"--results-summary", "--since", "2026-05-21", "--until", "2026-05-20"} << true << 2;
        QTest::newRow("line store of an export") << QStringList{"--export-results", "x.csv", "--line"} << true << 2;
        QTest::newRow("no store") << QStringList{"--results-summary"} << false << 3;
        QTest::newRow("no line store set") << QStringList{"--results-summary", "--line"} << true << 3;
        QTest::newRow("forward again with a filter")
            << QStringList{"--forward-again", "--since", "2026-05-20"} << true << 2;
        QTest::newRow("forward again, no store") << QStringList{"--forward-again"} << false << 3;
        QTest::newRow("file not writable") << QStringList{"--export-results", "/proc/x.csv"} << true << 4;
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, withStore);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        if (withStore)
            writeStationStore(dir.path(), threeUnits());
        QString err;
        QCOMPARE(run(dir.path(), args, nullptr, &err), exitCode);
        QCOMPARE(err.isEmpty(), exitCode <= 0);
    }

    // Then the line store's queue: the units set aside go back into it.
    void summaryAndForwardAgain()
    {
        QTemporaryDir dir;
        writeStationStore(dir.path(), threeUnits());
        {
            QSqlDatabase db = resultStoreFile::open(QStringLiteral("queue"), resultStoreFile::pathIn(dir.path()), false,
                                                    100, nullptr);
            QSqlQuery(db).exec(QStringLiteral("INSERT INTO line_queue SELECT unit_id, 0 FROM units"));
            QVERIFY(lineQueue::setAside(db, QStringLiteral("b-failed"), QStringLiteral("check"), 1, nullptr));
        }
        resultStoreFile::release(QStringLiteral("queue"));
        QString out;
        QCOMPARE(run(dir.path(), {"--results-summary"}, &out), 0);
        // One serial tested three times: its first attempt passed, its last
        // (the second day's) did not end in a pass.
        QCOMPARE(out.split(QLatin1Char('\n')).mid(1),
                 QStringList({
                     "units started 2026-05-20 00:00 to 2026-05-21 00:00 UTC",
                     "stations: bench-3",
                     "criteria: keys=all;chatter=fail;chatterMs=30 (3 units)",
                     "",
                     "day         station  operator  model   platform   units  passed  failed  incomplete  serials  "
                     " first pass  final yield  retests",
                     "2026-05-20  bench-3  ann       NUC121  0416:b23c      2       1       1           0        1  "
                     "1 (100.0 %)    0 (0.0 %)        1",
                     "2026-05-21  bench-3  (none)    NUC121  0416:7372      1       0       0           1        1  "
                     "  0 (0.0 %)    0 (0.0 %)        1",
                     "total                                                 3       1       1           1        1  "
                     "1 (100.0 %)    0 (0.0 %)        2",
                     "",
                     "reasons of units not passed  units   share  cumulative",
                     "keys never pressed               2  50.0 %      50.0 %",
                     "key chattered                    1  25.0 %      75.0 %",
                     "key check failed                 1  25.0 %     100.0 %",
                     "",
                     "keys that failed  how            units",
                     "68                never pressed      2",
                     "65                chattered          1",
                     "usage 4           key check          1",
                     "",
                     "line store: 2 units queued, 1 set aside",
                     "",
                 }));
        QCOMPARE(run(dir.path(), {"--forward-again"}, &out), 0);
        QVERIFY2(out.startsWith(QLatin1String("1 units set aside")), qPrintable(out));
        QCOMPARE(run(dir.path(), {"--results-summary"}, &out), 0);
        QVERIFY2(out.endsWith(QLatin1String("line store: 3 units queued, 0 set aside\n")), qPrintable(out));
    }

    // What a DBA runs where stations may not make the line store's objects.
    void lineStoreSql()
    {
        QString out;
        QCOMPARE(run(QString(), {"--line-store-sql"}, &out), 0);
        for (const char *made : {"CREATE TABLE IF NOT EXISTS unit_results", "CREATE TRIGGER unit_results_attempt",
                                 "FUNCTION results_groups(", "FUNCTION results_key_failures("})
            QVERIFY2(out.contains(QLatin1String(made)), made);
        QCOMPARE(out.count(QStringLiteral(";\n")), int(lineSchema::statements().size()));
    }

    // A tool killed while it made the store leaves a file without tables:
    // an empty store to both commands.
    void storeWithoutTables()
    {
        QTemporaryDir dir;
        {
            QSqlDatabase db =
                resultStoreFile::open(QStringLiteral("half"), resultStoreFile::pathIn(dir.path()), false, 100, nullptr);
            QVERIFY(db.isOpen());
        }
        resultStoreFile::release(QStringLiteral("half"));
        const QString csv = dir.filePath(QStringLiteral("out.csv"));
        QString out;
        QCOMPARE(run(dir.path(), {"--export-results", csv}, &out), 0);
        QCOMPARE(out, QStringLiteral("0 units written to %1\n").arg(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), resultExport::csvHeader().toUtf8() + "\r\n");
        QCOMPARE(run(dir.path(), {"--results-summary"}, &out), 0);
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("\ntotal +0 +0 +0 +0 +0 "))), qPrintable(out));
    }

    // The real program, with no display and no window: the command runs first.
    void headlessProgram()
    {
#ifndef TKT_PROGRAM_PATH
        QSKIP("the program is not run by this build (see tests/records.cmake)");
#else
        QTemporaryDir dir;
        writeStationStore(dir.filePath(QStringLiteral("TavrinKeyboardTest/UserConfig")), threeUnits());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TKT_PROGRAM_PATH), {"--results-summary", "--platform", "0416:7372"});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(program.readAllStandardOutput())
                     .contains(QRegularExpression(QStringLiteral("\n2026-05-21 .* 0416:7372 +1 "))),
                 program.readAllStandardError().constData());
#endif
    }
};

QTEST_GUILESS_MAIN(tst_resultsCommand)
#include "tst_resultsCommand.moc"
