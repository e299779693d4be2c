#include "debugLog.h"
#include "stalledPipe.h"

#include <QScopeGuard>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr QFile::Permissions GroupOrOther =
    QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &content, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(content);
    file.close();
    return QFile::setPermissions(path, permissions);
}

// The messages of a log text, without the time and type that lead each line.
QStringList messagesOf(const QByteArray &text)
{
    QStringList messages;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        // "yyyy-MM-dd hh:mm:ss.zzz D message"
        if (line.size() > 26)
            messages.append(QString::fromUtf8(line.mid(26)));
    }
    return messages;
}

QString paddedLine(int i)
{
    return QStringLiteral("line %1 %2").arg(i).arg(QString(80, QLatin1Char('.')));
}

// Empty when `kept` holds the padded lines 0 to count - 1 in order; else what is wrong.
QString lostOrOutOfOrder(const QStringList &kept, int count)
{
    if (kept.size() != count)
        return QStringLiteral("%1 lines of %2").arg(kept.size()).arg(count);
    for (int i = 0; i < count; ++i)
        if (kept.at(i) != paddedLine(i))
            return QStringLiteral("line %1: %2").arg(i).arg(kept.at(i).left(20));
    return QString();
}

// The messages of the lines written to the pipe that start with "line ".
QStringList pipedLines(StalledPipe &pipe)
{
    return messagesOf(pipe.text()).filter(QRegularExpression(QStringLiteral("^line ")));
}

// Joined with std::thread, which ThreadSanitizer sees, unlike QThread::wait.
void writeTaggedLines(const QString &tag, int count)
{
    for (int i = 0; i < count; ++i)
        qDebug().noquote() << tag << i;
}

} // namespace

class tst_debugLog : public QObject
{
    Q_OBJECT
private slots:
    void permissions_data();
    void permissions();
    void rotation_data();
    void rotation();
    void openFailure_data();
    void openFailure();
    void linesFromTwoThreads();
    void linesBeforeCloseAreInTheFile();
    void nothingQueuedIsLostWhenTheLogGoes();
    void fullQueueWaitsAndLosesNothing();
    void lastLineDoesNotWaitForAStoppedDisk();
};

void tst_debugLog::permissions_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("filePermissions");
    QTest::addColumn<int>("folderPermissions");

    const int wideFolder = int(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                               QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QTest::newRow("new file, new folder") << false << 0 << 0;
    QTest::newRow("existing file 0644") << true
                                        << int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadOther)
                                        << wideFolder;
    QTest::newRow("existing file 0666") << true << int(QFile::ReadOwner | QFile::WriteOwner | GroupOrOther)
                                        << wideFolder;
}

void tst_debugLog::permissions()
{
    QFETCH(bool, fileExists);
    QFETCH(int, filePermissions);
    QFETCH(int, folderPermissions);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(QStringLiteral("app/log"));
    const QString path = folder + QStringLiteral("/TavrinKeyboardTest.log");
    const QByteArray earlier("earlier run\n");
    if (fileExists) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(folderPermissions)));
        QVERIFY(writeFile(path, earlier, QFile::Permissions(filePermissions)));
    }

    DebugLog log;
    log.setEchoToStderr(false);
    QVERIFY(log.openFile(path));
    log.write(QtDebugMsg, QStringLiteral("key 65 down"));
    log.flush();

    const QFile::Permissions file = QFileInfo(path).permissions();
    QVERIFY(file & QFile::ReadOwner);
    QVERIFY(file & QFile::WriteOwner);
    QCOMPARE(file & (GroupOrOther | QFile::ExeOwner), QFile::Permissions());
    QCOMPARE(QFileInfo(folder).permissions() & GroupOrOther, QFile::Permissions());
    QVERIFY(QFileInfo(folder).permissions() & QFile::ExeOwner);

    const QByteArray text = readAll(path);
    if (fileExists)
        QVERIFY(text.startsWith(earlier)); // appended, the earlier run kept
    QVERIFY(text.endsWith(" D key 65 down\n"));
}

void tst_debugLog::rotation_data()
{
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("padding");
    QTest::addColumn<int>("existingBytes");

    QTest::newRow("short lines, several rotations") << 2048 << 500 << 10 << 0;
    QTest::newRow("lines that just fit") << 1024 << 40 << 200 << 0;
    QTest::newRow("line longer than the limit") << 1024 << 5 << 3000 << 0;
    QTest::newRow("full file left by an earlier run") << 4096 << 3 << 10 << 5000;
    QTest::newRow("limit below the minimum") << 10 << 200 << 10 << 0;
}

void tst_debugLog::rotation()
{
    QFETCH(int, maxBytes);
    QFETCH(int, lines);
    QFETCH(int, padding);
    QFETCH(int, existingBytes);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString path = root.filePath(QStringLiteral("log/t.log"));
    const QString previous = path + QStringLiteral(".1");
    if (existingBytes > 0) {
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("log"))));
        QVERIFY(writeFile(path, QByteArray(existingBytes, 'x'), QFile::ReadOwner | QFile::WriteOwner));
    }
    const qint64 bound = qMax<qint64>(maxBytes, DebugLog::MinMaxBytes);

    DebugLog log;
    log.setEchoToStderr(false);
    QVERIFY(log.openFile(path, maxBytes));
    const QString pad(padding, QLatin1Char('.'));
    for (int i = 0; i < lines; ++i) {
        log.write(QtDebugMsg, QStringLiteral("line %1 %2").arg(i).arg(pad));
        log.flush();
        QVERIFY2(QFileInfo(path).size() <= bound, qPrintable(QString::number(i)));
    }

    QVERIFY(QFileInfo(path).size() <= bound);
    // An oversized file from before is moved aside whole, never cut.
    QVERIFY(QFileInfo(previous).size() <= qMax<qint64>(bound, existingBytes));
    QVERIFY(!QFile::exists(path + QStringLiteral(".2")));
    if (QFile::exists(previous))
        QCOMPARE(QFileInfo(previous).permissions() & GroupOrOther, QFile::Permissions());

    // What is kept is an unbroken run of the newest lines, ending with the last.
    const QStringList kept = (messagesOf(readAll(previous)) + messagesOf(readAll(path)))
                                 .filter(QRegularExpression(QStringLiteral("^line ")));
    QVERIFY(!kept.isEmpty());
    const int first = lines - kept.size();
    QVERIFY(first >= 0);
    for (int i = 0; i < kept.size(); ++i)
        QVERIFY2(kept.at(i).startsWith(QStringLiteral("line %1 ").arg(first + i)), qPrintable(kept.at(i).left(40)));
}

void tst_debugLog::openFailure_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("folder is a regular file") << QStringLiteral("plain/t.log");
    QTest::newRow("path is a folder") << QStringLiteral("folder");
}

void tst_debugLog::openFailure()
{
    QFETCH(QString, relativePath);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(writeFile(root.filePath(QStringLiteral("plain")), "x", QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("folder")));

    DebugLog log;
    log.setEchoToStderr(false);
    QVERIFY(!log.openFile(root.filePath(relativePath)));
    QVERIFY(log.filePath().isEmpty());
    log.write(QtWarningMsg, QStringLiteral("still fine")); // stderr only, no crash
    QCOMPARE(readAll(root.filePath(QStringLiteral("plain"))), QByteArray("x"));
}

void tst_debugLog::linesFromTwoThreads()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString path = root.filePath(QStringLiteral("log/threads.log"));

    DebugLog *log = DebugLog::instance();
    QVERIFY(log);
    log->setEchoToStderr(false);
    QVERIFY(log->openFile(path, 16 * 1024 * 1024));
    DebugLog::install();

    const int perThread = 3000;
    std::thread a(writeTaggedLines, QStringLiteral("gui"), perThread);
    std::thread b(writeTaggedLines, QStringLiteral("hid"), perThread);
    a.join();
    b.join();
    DebugLog::uninstall();
    log->closeFile();
    log->setEchoToStderr(true);

    const QStringList messages = messagesOf(readAll(path)).filter(QRegularExpression(QStringLiteral("^(gui|hid) ")));
    QCOMPARE(messages.size(), 2 * perThread);
    QSet<QString> unique(messages.begin(), messages.end());
    QCOMPARE(unique.size(), 2 * perThread);
    for (int i = 0; i < perThread; ++i) {
        QVERIFY(unique.contains(QStringLiteral("gui %1").arg(i)));
        QVERIFY(unique.contains(QStringLiteral("hid %1").arg(i)));
    }
}

// Lines are written behind the caller's back; closing the file must not
// drop the ones still queued. Each line is closed upon at once, before the
// writer had a chance to take it.
void tst_debugLog::linesBeforeCloseAreInTheFile()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString path = root.filePath(QStringLiteral("log/close.log"));
    DebugLog log;
    log.setEchoToStderr(false);
    const int runs = 100;
    for (int i = 0; i < runs; ++i) {
        QVERIFY(log.openFile(path, 64 * 1024 * 1024));
        log.write(QtDebugMsg, QStringLiteral("line %1").arg(i));
        log.closeFile();
    }
    const QStringList kept = messagesOf(readAll(path)).filter(QRegularExpression(QStringLiteral("^line ")));
    QCOMPARE(kept.size(), runs);
    for (int i = 0; i < runs; ++i)
        QCOMPARE(kept.at(i), QStringLiteral("line %1").arg(i));
}

// At the end of the process the log goes with lines still queued: here the
// file is a pipe nobody reads yet, so nearly all of them still wait.
void tst_debugLog::nothingQueuedIsLostWhenTheLogGoes()
{
    StalledPipe pipe;
    if (!pipe.isValid())
        QSKIP("no named pipe to stand in for a stalled disk here");
    const int lines = 5000;
    auto log = std::make_unique<DebugLog>(lines + 1);
    log->setEchoToStderr(false);
    QVERIFY(log->openFile(pipe.path(), 64 * 1024 * 1024));
    for (int i = 0; i < lines; ++i)
        log->write(QtDebugMsg, paddedLine(i));
    QVERIFY(log->pendingLines() > 0);
    pipe.startReading();
    log.reset();
    QCOMPARE(lostOrOutOfOrder(pipedLines(pipe), lines), QString());
}

// A disk that stops taking lines fills the queue: callers then wait, within
// the bound, and every line arrives once it moves again.
void tst_debugLog::fullQueueWaitsAndLosesNothing()
{
    StalledPipe pipe;
    if (!pipe.isValid())
        QSKIP("no named pipe to stand in for a stalled disk here");
    const int queueLines = 16;
    const int lines = 5000; // far more than the pipe and the queue hold
    DebugLog log(queueLines);
    log.setEchoToStderr(false);
    QVERIFY(log.openFile(pipe.path(), 64 * 1024 * 1024));
    std::atomic<int> queued{0};
    std::thread writer([&] {
        for (int i = 0; i < lines; ++i, ++queued)
            log.write(QtDebugMsg, paddedLine(i));
    });
    QTRY_VERIFY(log.pendingLines() == queueLines);
    QTest::qWait(100);
    QVERIFY(queued.load() < lines);
    QVERIFY(log.pendingLines() <= queueLines);

    pipe.startReading();
    writer.join();
    log.closeFile();
    QCOMPARE(lostOrOutOfOrder(pipedLines(pipe), lines), QString());
}

// The close's deadline logs its last line and ends the process; a disk that
// has stopped must not keep it from ending.
void tst_debugLog::lastLineDoesNotWaitForAStoppedDisk()
{
    StalledPipe pipe;
    if (!pipe.isValid())
        QSKIP("no named pipe to stand in for a stalled disk here");
    const int queueLines = 16;
    DebugLog log(queueLines);
    log.setEchoToStderr(false);
    QVERIFY(log.openFile(pipe.path(), 64 * 1024 * 1024));
    std::atomic<int> queued{0};
    std::thread writer([&] {
        for (int i = 0; i < 5000; ++i, ++queued)
            log.write(QtDebugMsg, paddedLine(i));
    });
    // A check that fails still lets the writer finish.
    const auto moveOn = qScopeGuard([&] {
        if (!writer.joinable())
            return;
        pipe.startReading();
        writer.join();
    });
    // Stopped: the queue full and nothing more taken for a while, with far
    // more lines than the pipe holds still to come.
    for (int before = -1; queued.load() != before;) {
        before = queued.load();
        QTest::qWait(200);
    }
    QCOMPARE(log.pendingLines(), queueLines);
    QVERIFY(!log.writeLast(QtDebugMsg, QStringLiteral("line last"), 50));
    QCOMPARE(log.pendingLines(), queueLines + 1);

    pipe.startReading();
    writer.join();
    QVERIFY(log.writeLast(QtDebugMsg, QStringLiteral("line after"), 60000));
    log.closeFile();
    QStringList kept = pipedLines(pipe);
    QCOMPARE(kept.count(QStringLiteral("line last")), 1);
    QCOMPARE(kept.takeLast(), QStringLiteral("line after"));
    kept.removeOne(QStringLiteral("line last"));
    QCOMPARE(lostOrOutOfOrder(kept, 5000), QString());
}

QTEST_GUILESS_MAIN(tst_debugLog)
#include "tst_debugLog.moc"
