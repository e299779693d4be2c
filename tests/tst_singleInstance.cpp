#include "privateProgramHome.h"
#include "singleInstanceGuard.h"

#include <QtTest>

#include <cstdio>

Q_DECLARE_METATYPE(QSharedMemory::SharedMemoryError)

// Child mode: this binary, started with TKT_GUARD_CHILD_KEY set, takes the guard,
// says "held" or "refused" on standard output, and keeps the guard until it is
// killed or its hold time (TKT_GUARD_CHILD_HOLD_MS) is up.
static int runGuardChild(const QString &key)
{
    SingleInstanceGuard guard(key);
    if (!guard.acquire()) {
        std::fputs("refused\n", stdout);
        std::fflush(stdout);
        return -1;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    const int holdMs = qEnvironmentVariableIntValue("TKT_GUARD_CHILD_HOLD_MS");
    QThread::msleep(static_cast<unsigned long>(qBound(0, holdMs, 120000)));
    return 0;
}

namespace {

constexpr int ProcessTimeoutMs = 30000;
const QString ProgramKey = QStringLiteral("TavrinKeyboardTest1.0");
const QByteArray RefusalLine("--------------- EXE already runing -----------------");

QString uniqueKey(const QString &tag)
{
    return QStringLiteral("tst_singleInstance-%1-%2").arg(QCoreApplication::applicationPid()).arg(tag);
}

bool startGuardChild(QProcess &child, const QString &key, int holdMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TKT_GUARD_CHILD_KEY"), key);
    env.insert(QStringLiteral("TKT_GUARD_CHILD_HOLD_MS"), QString::number(holdMs));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    return child.waitForStarted(ProcessTimeoutMs);
}

QByteArray firstLine(QProcess &child)
{
    QElapsedTimer timer;
    timer.start();
    while (!child.canReadLine() && timer.elapsed() < ProcessTimeoutMs) {
        if (!child.waitForReadyRead(1000) && child.state() == QProcess::NotRunning)
            break;
    }
    return child.readLine().trimmed();
}

// Removes what killed holders leave of a key: the segment, and the system
// semaphore that guards it (its creator was the one killed, so nobody else
// would ever remove it). Only to be called once no process uses the key.
bool removeLeftovers(const QString &key)
{
    bool segmentFree = false;
    {
        SingleInstanceGuard guard(key);
        segmentFree = guard.acquire();
    }
    QSystemSemaphore owner(key, 1, QSystemSemaphore::Create); // removed when destroyed
    return segmentFree;
}

// Points this process's shared-memory keys at a private folder while alive, as
// the program children see it, so that the test can inspect and clean up their
// segment without touching a real instance on this machine.
class TempPathOverride
{
public:
    explicit TempPathOverride(const QString &path) : m_had(qEnvironmentVariableIsSet("TMPDIR"))
    {
        m_old = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(path));
    }
    ~TempPathOverride()
    {
        if (m_had)
            qputenv("TMPDIR", m_old);
        else
            qunsetenv("TMPDIR");
    }

private:
    bool m_had;
    QByteArray m_old;
};

} // namespace

class tst_singleInstance : public QObject
{
    Q_OBJECT
private slots:
    void inProcess();
    void secondProcess_data();
    void secondProcess();
    void realProgram();
    void refusalNote_data();
    void refusalNote();
};

void tst_singleInstance::inProcess()
{
    const QString key = uniqueKey(QStringLiteral("inProcess"));
    SingleInstanceGuard first(key);
    SingleInstanceGuard second(key);
    QVERIFY(first.acquire());
    QVERIFY(first.acquire()); // taking it again is harmless
    QVERIFY(!second.acquire());
    QVERIFY(first.isHeld());

    SingleInstanceGuard other(uniqueKey(QStringLiteral("other")));
    QVERIFY(other.acquire()); // another key is another guard

    first.release();
    QVERIFY(second.acquire());
    QVERIFY(!first.acquire());
}

void tst_singleInstance::secondProcess_data()
{
    QTest::addColumn<QString>("firstEnds"); // "running", "killed" or "exited"
    QTest::addColumn<bool>("secondHolds");

    QTest::newRow("first still running") << "running" << false;
    QTest::newRow("first killed") << "killed" << true;
    QTest::newRow("first exited") << "exited" << true;
}

void tst_singleInstance::secondProcess()
{
    QFETCH(QString, firstEnds);
    QFETCH(bool, secondHolds);
    const QString key = uniqueKey(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), '_'));

    QProcess first;
    QVERIFY(startGuardChild(first, key, firstEnds == QLatin1String("exited") ? 0 : 120000));
    QCOMPARE(firstLine(first), QByteArray("held"));
    if (firstEnds == QLatin1String("killed")) {
        first.kill();
        QVERIFY(first.waitForFinished(ProcessTimeoutMs));
#ifdef Q_OS_UNIX
        // The dead holder's segment is still there: a plain create must fail,
        // or this row would not exercise the orphan at all.
        QSharedMemory plain(key);
        QVERIFY(!plain.create(1));
        QCOMPARE(plain.error(), QSharedMemory::AlreadyExists);
#endif
    } else if (firstEnds == QLatin1String("exited")) {
        QVERIFY(first.waitForFinished(ProcessTimeoutMs));
        QCOMPARE(first.exitCode(), 0);
    }

    QProcess second;
    QVERIFY(startGuardChild(second, key, 0));
    QCOMPARE(firstLine(second), secondHolds ? QByteArray("held") : QByteArray("refused"));
    QVERIFY(second.waitForFinished(ProcessTimeoutMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), secondHolds ? 0 : 255);

    if (firstEnds == QLatin1String("running")) {
        QCOMPARE(first.state(), QProcess::Running); // the holder is left alone
        first.kill();
        first.waitForFinished(ProcessTimeoutMs);
    }
    QVERIFY(removeLeftovers(key));
}

void tst_singleInstance::realProgram()
{
#ifndef TKT_PROGRAM_PATH
    QSKIP("the program is not part of this build");
#else
    QTemporaryDir root;
    const QProcessEnvironment env = privateProgramHome(root);
    QVERIFY(!env.isEmpty());
    const QString logPath = root.filePath(QStringLiteral("data/TavrinKeyboardTest/log/TavrinKeyboardTest.log"));
    const QString program = QStringLiteral(TKT_PROGRAM_PATH);

    auto start = [&](QProcess &process) {
        process.setProcessEnvironment(env);
        process.start(program, QStringList());
        return process.waitForStarted(ProcessTimeoutMs);
    };
    auto logOpenedBy = [&](QProcess &process) {
        QFile log(logPath);
        return log.open(QIODevice::ReadOnly) &&
               log.readAll().contains("log opened by process " + QByteArray::number(process.processId()) + " ");
    };

    QProcess first;
    QVERIFY(start(first));
    QTRY_VERIFY_WITH_TIMEOUT(logOpenedBy(first), ProcessTimeoutMs);

    QProcess second;
    QVERIFY(start(second));
    QVERIFY(second.waitForFinished(ProcessTimeoutMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 255); // -1 from main
    QVERIFY2(second.readAllStandardError().contains(RefusalLine), "refusal line missing");
    QCOMPARE(first.state(), QProcess::Running);

    first.kill(); // SIGKILL: no chance to give the segment up
    QVERIFY(first.waitForFinished(ProcessTimeoutMs));

    QProcess third;
    QVERIFY(start(third));
    QTRY_VERIFY_WITH_TIMEOUT(logOpenedBy(third) || third.state() == QProcess::NotRunning, ProcessTimeoutMs);
    QVERIFY2(!third.readAllStandardError().contains(RefusalLine), "a killed copy still blocks the start");
    QCOMPARE(third.state(), QProcess::Running);
    third.kill();
    QVERIFY(third.waitForFinished(ProcessTimeoutMs));

    TempPathOverride privateTemp(root.filePath(QStringLiteral("ipc")));
    QVERIFY(removeLeftovers(ProgramKey));
#endif
}

void tst_singleInstance::refusalNote_data()
{
    QTest::addColumn<QSharedMemory::SharedMemoryError>("probeError");
    QTest::addColumn<QSharedMemory::SharedMemoryError>("createError");
    QTest::addColumn<bool>("anotherUser");

    QTest::newRow("another copy of this user runs") << QSharedMemory::NoError << QSharedMemory::AlreadyExists << false;
    QTest::newRow("other user's segment, our semaphore")
        << QSharedMemory::PermissionDenied << QSharedMemory::AlreadyExists << true;
    QTest::newRow("other user's semaphore")
        << QSharedMemory::PermissionDenied << QSharedMemory::PermissionDenied << true;
    QTest::newRow("key file cannot be made") << QSharedMemory::KeyError << QSharedMemory::KeyError << false;
}

void tst_singleInstance::refusalNote()
{
    QFETCH(QSharedMemory::SharedMemoryError, probeError);
    QFETCH(QSharedMemory::SharedMemoryError, createError);
    QFETCH(bool, anotherUser);

    const QString note = SingleInstanceGuard::refusalNote(probeError, createError, ProgramKey);
    QCOMPARE(!note.isEmpty(), anotherUser);
    if (anotherUser) {
        QVERIFY2(note.contains(QStringLiteral("\"%1\" is held by another user").arg(ProgramKey)), qPrintable(note));
        QVERIFY2(note.contains(QLatin1String("ipcrm")), qPrintable(note));
    }
}

int main(int argc, char *argv[])
{
    const QString childKey = qEnvironmentVariable("TKT_GUARD_CHILD_KEY");
    if (!childKey.isEmpty())
        return runGuardChild(childKey);
    QCoreApplication app(argc, argv);
    tst_singleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleInstance.moc"
