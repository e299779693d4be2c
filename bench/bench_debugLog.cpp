// Prints what a debug log line costs on this machine: through the toolkit's
// message handler into the private file, with rotations, from one thread and
// from two at once. The caller only queues the line (the key test logs every
// key event, so that must stay far below the time between two key events);
// the log's own thread writes it out, and the time until all of it is written
// is printed as well.
#include "debugLog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

void writeLines(int count)
{
    for (int i = 0; i < count; ++i)
        qDebug().noquote() << "KeyEvent vkCode: 65 scanCode: 30 flags: 0 line" << i;
}

// Per line to the caller, and lines per second until the last one is written.
void report(const char *what, int lines, qint64 queuedNs, qint64 writtenNs)
{
    std::printf("%-34s %6d lines  %6.2f us/line to the caller  %9.0f lines/s written\n", what, lines,
                queuedNs / 1000.0 / lines, lines * 1e9 / double(writtenNs));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    const QString path = root.filePath(QStringLiteral("log/bench.log"));

    DebugLog *log = DebugLog::instance();
    log->setEchoToStderr(false);
    DebugLog::install();

    const int lines = 50000;
    QElapsedTimer timer;

    log->openFile(path, 64 * 1024 * 1024);
    // A burst the queue holds, as a key test's: the caller never waits.
    const int burst = DebugLog::DefaultQueueLines / 2;
    timer.start();
    writeLines(burst);
    qint64 queued = timer.nsecsElapsed();
    log->flush();
    report("a burst within the queue", burst, queued, timer.nsecsElapsed());

    // Floods: beyond the queue every caller waits for the disk.
    timer.start();
    writeLines(lines);
    queued = timer.nsecsElapsed();
    log->flush();
    report("one thread, no rotation", lines, queued, timer.nsecsElapsed());

    log->openFile(path, DebugLog::DefaultMaxBytes);
    timer.start();
    writeLines(lines);
    queued = timer.nsecsElapsed();
    log->flush();
    report("one thread, rotating at 1 MiB", lines, queued, timer.nsecsElapsed());
    std::printf("%-34s %6lld + %lld bytes\n", "files kept (current + previous)", QFileInfo(path).size(),
                QFileInfo(path + QStringLiteral(".1")).size());

    timer.start();
    QThread *other = QThread::create([] { writeLines(lines / 2); });
    other->start();
    writeLines(lines / 2);
    other->wait();
    queued = timer.nsecsElapsed();
    log->flush();
    report("two threads, rotating at 1 MiB", lines, queued, timer.nsecsElapsed());
    delete other;

    DebugLog::uninstall();
    log->closeFile();
    return 0;
}
