// The real program against the simulated keyboard, ended from outside as a
// shutdown, a logout or a kill ends it: the connected unit is in the store,
// ended by the window's close.
#include "privateProgramHome.h"
#include "sampleUnit.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Bounds a hang; a normal close takes a fraction of it.
constexpr int EndMs = 10000;
constexpr int StartMs = 60000;

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
        QProcessEnvironment env = privateProgramHome(root);
        QVERIFY(!env.isEmpty());
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TKT_SIM_PRELOAD));
        env.insert(QStringLiteral("TKT_SIM_KEYBOARDS"), QStringLiteral("0416:b23c"));
        const QString data = root.filePath(QStringLiteral("data/TavrinKeyboardTest"));
        QFile log(data + QStringLiteral("/log/TavrinKeyboardTest.log"));
        auto logText = [&log] {
            return (log.isOpen() || log.open(QIODevice::ReadOnly)) ? (log.seek(0), log.readAll()) : QByteArray();
        };

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
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("verdict: testing"), StartMs);
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
        if (closedBy.isEmpty()) {
            QCOMPARE(program.exitStatus(), QProcess::CrashExit);
            return;
        }
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QByteArray text = logText();
        QCOMPARE(text.count(": the window closes"), 1);
        QVERIFY2(text.contains(closedBy.toLatin1() + ": the window closes"), text.right(2000).constData());
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), data + QStringLiteral("/UserConfig/results.sqlite"),
                             QStringLiteral("SELECT ended FROM units")),
                 QStringList{"close"});
#endif
    }
};

QTEST_GUILESS_MAIN(tst_sessionEnd)
#include "tst_sessionEnd.moc"
