// Prints what a debug log line costs on this machine: through the toolkit's
// message handler into the private file (flushed per line), with rotations,
// from one thread and from two at once. The key test logs every key event, so
// a line must stay far below the time between two key events.
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

void report(const char *what, int lines, qint64 ns)
{
    std::printf("%-44s %8d lines  %8.2f us/line  %10.0f lines/s\n", what, lines, ns / 1000.0 / lines,
                lines * 1e9 / double(ns));
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
    timer.start();
    writeLines(lines);
    report("one thread, no rotation", lines, timer.nsecsElapsed());

    log->openFile(path, DebugLog::DefaultMaxBytes);
    timer.start();
    writeLines(lines);
    const qint64 rotating = timer.nsecsElapsed();
    report("one thread, rotating at 1 MiB", lines, rotating);
    std::printf("%-44s %8lld + %lld bytes\n", "files kept (current + previous)", QFileInfo(path).size(),
                QFileInfo(path + QStringLiteral(".1")).size());

    timer.start();
    QThread *other = QThread::create([] { writeLines(lines / 2); });
    other->start();
    writeLines(lines / 2);
    other->wait();
    report("two threads, rotating at 1 MiB", lines, timer.nsecsElapsed());
    delete other;

    DebugLog::uninstall();
    log->closeFile();
    return 0;
}
