#include "commandLine.h"
#include "resultExport.h"
#include "resultSchema.h"
#include "resultStoreFile.h"
#include "resultsCommand.h"

#include "csvRows.h"
#include "sampleUnit.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr std::int64_t Day = 24 * 3600 * 1000;
constexpr std::int64_t May20 = 1779235200000;

void writeStore(const QString &dataDir, const std::vector<UnitRecord> &units)
{
    QDir().mkpath(dataDir);
    {
        QSqlDatabase db =
            resultStoreFile::open(QStringLiteral("fill"), resultStoreFile::pathIn(dataDir), false, 100, nullptr);
        QVERIFY(resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr));
        for (const UnitRecord &unit : units)
            QVERIFY(resultSchema::insertUnit(db, unit, false, nullptr));
    }
    resultStoreFile::release(QStringLiteral("fill"));
}

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
    UnitRecord failed = sampleUnit("b-failed", May20 + 2000);
    failed.identity.product = "=1+2;'--";
    UnitRecord incomplete = sampleUnit("c-other", May20 + Day + 5, 0x7372);
    incomplete.keyCheckRun = false;
    incomplete.keyCheckBadKeys.clear();
    incomplete.verdict = Verdict::None;
    incomplete.outcome = UnitOutcome::Incomplete;
    return {passed, failed, incomplete};
}

int run(const QString &dataDir, const QStringList &args, QString *out = nullptr, QString *err = nullptr)
{
    QString outText;
    QString errText;
    QTextStream outStream(&outText);
    QTextStream errStream(&errText);
    CommandLine commandLine("", "");
    resultsCommand::addTo(commandLine, dataDir);
    if (commandLine.parse(QStringList{"TavrinKeyboardTest"} + args) == CommandLine::Outcome::Window)
        return -1;
    const int code = commandLine.run(outStream, errStream);
    if (out)
        *out = outText;
    if (err)
        *err = errText;
    return code;
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
        writeStore(dir.path(), units);
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
        QCOMPARE(rows[2].mid(23), (QStringList{"SN-0042", "3", QString::fromStdString(units[1].reasons),
                                               QString::fromStdString(units[1].capture)}));
    }

    void filters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("units");
        QTest::newRow("all") << QStringList{} << QStringList{"a-passed", "b-failed", "c-other"};
        QTest::newRow("since a day") << QStringList{"--since", "2026-05-21"} << QStringList{"c-other"};
        QTest::newRow("since a time") << QStringList{"--since", "2026-05-20T00:00:01.500"}
                                      << QStringList{"b-failed", "c-other"};
        QTest::newRow("platform") << QStringList{"--platform", "0x0416:0xB23C"} << QStringList{"a-passed", "b-failed"};
        QTest::newRow("both") << QStringList{"--platform", "0416:7372", "--since", "2026-06-01"} << QStringList{};
    }

    void filters()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, units);
        QTemporaryDir dir;
        writeStore(dir.path(), threeUnits());
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
        QTest::newRow("no store") << QStringList{"--results-summary"} << false << 3;
        QTest::newRow("file not writable") << QStringList{"--export-results", "/proc/x.csv"} << true << 4;
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, withStore);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        if (withStore)
            writeStore(dir.path(), threeUnits());
        QString err;
        QCOMPARE(run(dir.path(), args, nullptr, &err), exitCode);
        QCOMPARE(err.isEmpty(), exitCode <= 0);
    }

    void summary()
    {
        QTemporaryDir dir;
        writeStore(dir.path(), threeUnits());
        QString out;
        QCOMPARE(run(dir.path(), {"--results-summary"}, &out), 0);
        QCOMPARE(out, QStringLiteral("day         platform     units   passed   failed  incomplete  chatter\n"
                                     "2026-05-20  0416:b23c        2        1        1           0        1\n"
                                     "2026-05-21  0416:7372        1        0        0           1        1\n"
                                     "total                        3        1        1           1        2\n"));
    }

    // The real program, with no display and no window: the command runs first.
    void headlessProgram()
    {
#ifndef TKT_PROGRAM_PATH
        QSKIP("the program is not run by this build (see tests/records.cmake)");
#else
        QTemporaryDir dir;
        writeStore(dir.filePath(QStringLiteral("TavrinKeyboardTest/UserConfig")), threeUnits());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TKT_PROGRAM_PATH), {"--results-summary", "--platform", "0416:7372"});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(program.readAllStandardOutput().contains("2026-05-21  0416:7372        1"),
                 program.readAllStandardError().constData());
#endif
    }
};

QTEST_GUILESS_MAIN(tst_resultsCommand)
#include "tst_resultsCommand.moc"
