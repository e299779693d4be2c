// The real program against the simulated keyboard, ended from outside as a
// shutdown, a logout or a kill ends it: the connected unit is in the store,
// ended by the window's close, and after a kill -9 the next start records
// what the killed one had.
#include "csvRows.h"
#include "privateProgramHome.h"
#include "sampleUnit.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Bounds a hang; a normal close takes a fraction of it.
constexpr int EndMs = 10000;
constexpr int StartMs = 60000;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program's environment with one simulated keyboard plugged in, and
// plugging by lines written to root's "sim-control"; empty when it could not
// be made. Its data folder is root's "data/TavrinKeyboardTest".
QProcessEnvironment simulatedStation(const QTemporaryDir &root)
{
    QProcessEnvironment env = privateProgramHome(root);
#ifdef TKT_SIM_PRELOAD
    if (!env.isEmpty()) {
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TKT_SIM_PRELOAD));
        env.insert(QStringLiteral("TKT_SIM_KEYBOARDS"), QStringLiteral("0416:b23c"));
        env.insert(QStringLiteral("TKT_SIM_CONTROL"), root.filePath(QStringLiteral("sim-control")));
    }
#endif
    return env;
}

#if defined(TKT_PROGRAM_PATH)
// Starts the program again on the same home, without a keyboard, and closes
// it: what the ended one left is taken in, and the single-instance segment a
// killed one left is cleared while its key file is still there (once that
// file is gone, a later key file may take its inode, and so its key).
bool restartAndClose(QProcess &program, QProcessEnvironment env, const QString &log)
{
    env.insert(QStringLiteral("TKT_SIM_KEYBOARDS"), QStringLiteral("none"));
    program.setProcessEnvironment(env);
    // The window's set-up comes after the signals are taken.
    const QByteArray ready = "init m_strVid";
    const int before = readAll(log).count(ready);
    program.start(QStringLiteral(TKT_PROGRAM_PATH), QStringList());
    return program.waitForStarted(StartMs) &&
           QTest::qWaitFor([&] { return readAll(log).count(ready) > before; }, StartMs) &&
           ::kill(static_cast<pid_t>(program.processId()), SIGTERM) == 0 && program.waitForFinished(EndMs) &&
           program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
}
#endif

} // namespace

class tst_sessionEnd : public QObject
{
    Q_OBJECT

private slots:
    // Each signal closes the window once and the unit is recorded, ended by
    // the close; what comes during the close (a shutdown's SIGHUP after its
    // SIGTERM) does not cut it short, a signal inherited as ignored (nohup)
    // stays ignored, and only a second Ctrl+C ends the program at once.
    void unitRecorded_data()
    {
        QTest::addColumn<QList<int>>("sent");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("hupIgnored");
        QTest::addColumn<QString>("closedBy"); // empty: ended at once by the signal
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM} << 0 << false << "SIGTERM";
        QTest::newRow("SIGINT") << QList<int>{SIGINT} << 0 << false << "SIGINT";
        QTest::newRow("SIGHUP") << QList<int>{SIGHUP} << 0 << false << "SIGHUP";
        QTest::newRow("SIGTERM, SIGHUP 50 ms later") << QList<int>{SIGTERM, SIGHUP} << 50 << false << "SIGTERM";
        QTest::newRow("SIGHUP inherited as ignored, then SIGTERM")
            << QList<int>{SIGHUP, SIGTERM} << 1000 << true << "SIGTERM";
        // Signals of one kind sent at once merge into one: the second comes a
        // little later, and again until the program is gone.
        QTest::newRow("Ctrl+C twice") << QList<int>{SIGINT, SIGINT} << 10 << false << "";
    }

    void unitRecorded()
    {
#if !defined(TKT_PROGRAM_PATH) || !defined(TKT_SIM_PRELOAD)
        QSKIP("the program or the simulated keyboard is not part of this build");
#else
        QFETCH(QList<int>, sent);
        QFETCH(int, gapMs);
        QFETCH(bool, hupIgnored);
        QFETCH(QString, closedBy);
        QTemporaryDir root;
        const QProcessEnvironment env = simulatedStation(root);
        QVERIFY(!env.isEmpty());
        const QString data = root.filePath(QStringLiteral("data/TavrinKeyboardTest"));
        const QString log = data + QStringLiteral("/log/TavrinKeyboardTest.log");

        QProcess program;
        program.setProcessEnvironment(env);
        // The shell hands its ignored SIGHUP on through exec, as nohup does.
        if (hupIgnored)
            program.start(QStringLiteral("/bin/sh"),
                          {"-c", "trap '' HUP; exec \"$0\"", QStringLiteral(TKT_PROGRAM_PATH)});
        else
            program.start(QStringLiteral(TKT_PROGRAM_PATH), QStringList());
        QVERIFY(program.waitForStarted(StartMs));
        // The unit runs once its verdict is logged.
        QVERIFY2(QTest::qWaitFor([&] { return readAll(log).contains("verdict: testing"); }, StartMs),
                 program.readAllStandardError().right(2000).constData());
        // Where a signal must come during the close, the close is made to
        // last: the store held as a database browser holds it, so the unit
        // goes to the fallback file after about a second.
        const bool storeHeld = sent.size() > 1;
        const QString store = data + QStringLiteral("/UserConfig/results.sqlite");
        QSqlDatabase locker;
        if (storeHeld) {
            locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            locker.setDatabaseName(store);
            QVERIFY(locker.open());
            QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        const auto release = [&] {
            if (!locker.isValid())
                return;
            locker.close();
            locker = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        };
        const auto releaseOnFailure = qScopeGuard(release);
        // Never kill(0, ...): that would be this test's own process group.
        const pid_t pid = static_cast<pid_t>(program.processId());
        QVERIFY(pid > 0);
        for (int i = 0; i < sent.size(); ++i) {
            if (i > 0)
                program.waitForFinished(gapMs);
            QVERIFY2(program.state() == QProcess::Running, "ended before the last signal");
            QVERIFY(::kill(pid, sent[i]) == 0);
        }
        QElapsedTimer waited;
        waited.start();
        while (!program.waitForFinished(closedBy.isEmpty() ? gapMs : EndMs) && waited.elapsed() < EndMs) {
            if (closedBy.isEmpty())
                ::kill(pid, sent.last());
        }
        QVERIFY2(program.state() == QProcess::NotRunning, "still running after the signals");
        release();
        if (closedBy.isEmpty()) {
            QCOMPARE(program.exitStatus(), QProcess::CrashExit);
            QVERIFY(restartAndClose(program, env, log));
            return;
        }
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QByteArray text = readAll(log);
        QCOMPARE(text.count(": the window closes"), 1);
        QVERIFY2(text.contains(closedBy.toLatin1() + ": the window closes"), text.right(2000).constData());
        // The debug log is written behind the program's back; what the close
        // logged last, after the event loop, is in the file all the same.
        QVERIFY(text.contains("MainHidInterFace::~MainHidInterFace()"));
        if (storeHeld) {
            const QByteArray kept = readAll(data + QStringLiteral("/UserConfig/results-unwritten.txt"));
            QCOMPARE(kept.count("unit_id="), 1);
            QVERIFY2(kept.contains("\tended=close"), kept.constData());
            return;
        }
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), store, QStringLiteral("SELECT ended FROM units")),
                 QStringList{"close"});
#endif
    }

    // kill -9 at two moments, then a start without a keyboard, closed, and
    // the export: the unit is there once, as it was when the kill came.
    void killedHard_data()
    {
        QTest::addColumn<bool>("storeLocked");
        QTest::addColumn<QString>("ended");   // a pattern
        QTest::addColumn<QString>("outcome"); // empty: any
        QTest::newRow("while a unit is connected") << false << "crash"
                                                   << "incomplete";
        // The simulator's unplug is seen as a lost link or a removal, as on a kernel.
        QTest::newRow("right after a unit ended, the store locked") << true << "removal|link lost"
                                                                    << "";
    }

    void killedHard()
    {
#if !defined(TKT_PROGRAM_PATH) || !defined(TKT_SIM_PRELOAD)
        QSKIP("the program or the simulated keyboard is not part of this build");
#else
        QFETCH(bool, storeLocked);
        QFETCH(QString, ended);
        QFETCH(QString, outcome);
        QTemporaryDir root;
        QProcessEnvironment env = simulatedStation(root);
        QVERIFY(!env.isEmpty());
        const QString data = root.filePath(QStringLiteral("data/TavrinKeyboardTest"));
        const QString log = data + QStringLiteral("/log/TavrinKeyboardTest.log");
        const QString store = data + QStringLiteral("/UserConfig/results.sqlite");

        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TKT_PROGRAM_PATH), QStringList());
        QVERIFY(program.waitForStarted(StartMs));
        QVERIFY2(QTest::qWaitFor([&] { return readAll(log).contains("verdict: testing"); }, StartMs),
                 program.readAllStandardError().right(2000).constData());
        QSqlDatabase locker;
        if (storeLocked) {
            // A database browser holding the store with unsaved edits.
            locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            locker.setDatabaseName(store);
            QVERIFY(locker.open());
            QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
            QFile fifo(env.value(QStringLiteral("TKT_SIM_CONTROL")));
            QVERIFY(fifo.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            fifo.write("unplug 0416:b23c\n");
            fifo.close();
            // On disk within about a second, though the store is held.
            QTRY_VERIFY_WITH_TIMEOUT(
                readAll(data + QStringLiteral("/UserConfig/results-unwritten.txt")).contains("unit_id="), EndMs);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(
                readAll(data + QStringLiteral("/UserConfig/results-progress.txt")).contains("\tended=crash"), EndMs);
        }
        program.kill();
        QVERIFY(program.waitForFinished(EndMs));
        if (locker.isValid()) {
            locker.close();
            locker = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        }

        QVERIFY(restartAndClose(program, env, log));

        const QString csv = root.filePath(QStringLiteral("units.csv"));
        program.start(QStringLiteral(TKT_PROGRAM_PATH), {"--export-results", csv});
        QVERIFY(program.waitForFinished(EndMs));
        QCOMPARE(program.exitCode(), 0);
        const QList<QStringList> rows = csvRows(QString::fromUtf8(readAll(csv)));
        QCOMPARE(rows.size(), 2);
        const QStringList &header = rows.first();
        const QString end = rows[1].at(header.indexOf(QStringLiteral("ended")));
        QVERIFY2(QRegularExpression(QStringLiteral("^(%1)$").arg(ended)).match(end).hasMatch(), qPrintable(end));
        if (!outcome.isEmpty())
            QCOMPARE(rows[1].at(header.indexOf(QStringLiteral("outcome"))), outcome);
#endif
    }
};

QTEST_GUILESS_MAIN(tst_sessionEnd)
#include "tst_sessionEnd.moc"
