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
    void unitRecorded_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void unitRecorded()
    {
#if !defined(TKT_PROGRAM_PATH) || !defined(TKT_SIM_PRELOAD)
        QSKIP("the program or the simulated keyboard is not part of this build");
#else
        QFETCH(int, signal);
        QTemporaryDir root;
        QProcessEnvironment env = privateProgramHome(root);
        QVERIFY(!env.isEmpty());
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TKT_SIM_PRELOAD));
        env.insert(QStringLiteral("TKT_SIM_KEYBOARDS"), QStringLiteral("0416:b23c"));
        const QString data = root.filePath(QStringLiteral("data/TavrinKeyboardTest"));
        QFile log(data + QStringLiteral("/log/TavrinKeyboardTest.log"));

        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TKT_PROGRAM_PATH), QStringList());
        QVERIFY(program.waitForStarted(StartMs));
        // The unit runs once its verdict is logged.
        QTRY_VERIFY_WITH_TIMEOUT((log.isOpen() || log.open(QIODevice::ReadOnly)) &&
                                     (log.seek(0), log.readAll().contains("verdict: testing")),
                                 StartMs);
        QVERIFY(::kill(static_cast<pid_t>(program.processId()), signal) == 0);
        QVERIFY2(program.waitForFinished(EndMs), "still running after the signal");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // The debug log is written behind the program's back; what the close
        // logged last, after the event loop, is in the file all the same.
        QVERIFY(log.seek(0));
        QVERIFY(log.readAll().contains("MainHidInterFace::~MainHidInterFace()"));
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), data + QStringLiteral("/UserConfig/results.sqlite"),
                             QStringLiteral("SELECT ended FROM units")),
                 QStringList{"close"});
#endif
    }
};

QTEST_GUILESS_MAIN(tst_sessionEnd)
#include "tst_sessionEnd.moc"
