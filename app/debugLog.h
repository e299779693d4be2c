#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

// Where the toolkit's debug output goes: standard error and, once a file is
// opened, a log file the operator can find. The key test logs every key event,
// so the file is kept readable and writable by its user only and its folder
// private; a file that cannot be made private is not written at all.
//
// The file is bounded: before a line would take it past the limit it is
// renamed to "<name>.1" (replacing the older one) and a fresh file is started.
//
// Lines are written by a thread of the log's own, so a caller (a key being
// handled) never waits for a disk or a terminal: write() stamps the line and
// queues it. The queue is bounded; when it is full, callers wait for the
// writer rather than lose a line. Lines keep the order in which they were
// queued, and closing the file or destroying the log writes out what is
// queued first.
//
// Safe to call from any thread; lines from different threads never interleave.
class DebugLog
{
public:
    static constexpr qint64 DefaultMaxBytes = 1024 * 1024;
    static constexpr qint64 MinMaxBytes = 1024;
    // Minutes of a busy key test's lines; beyond it a caller waits.
    static constexpr int DefaultQueueLines = 8192;

    explicit DebugLog(int queueLines = DefaultQueueLines);
    ~DebugLog();

    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    // Appends to the file at path (created when missing, its folders too).
    // The file's folder is made private as well, so give the log a folder of
    // its own.
    // A limit below MinMaxBytes is raised to it. False when the file cannot be
    // opened or made private; the log then goes to standard error only.
    // Lines queued before go where the log went before.
    bool openFile(const QString &path, qint64 maxBytes = DefaultMaxBytes);
    // Writes out what is queued, then closes the file.
    void closeFile();
    QString filePath() const;

    void setEchoToStderr(bool echo);

    // One log line: time, a letter for the message type, the message. Queued;
    // a fatal message is written before the call returns, as the process ends
    // right after it.
    void write(QtMsgType type, const QString &message);

    // Returns once every line queued before the call is written, or once
    // waitMs have passed (false then); a negative waitMs waits for as long as
    // it takes.
    bool flush(int waitMs = -1);
    // From now on each write() returns only once its line is written: for the
    // end of the process, where whatever ends it may not wait for the queue.
    void setWriteThrough();

    // The process's last line, for when its time is up: queued even past the
    // bound, and the writer given at most waitMs to put it and every line
    // before it on disk, so a disk that has stopped cannot hold the end up.
    // False when the line was not written in that time.
    bool writeLast(QtMsgType type, const QString &message, int waitMs);

    // Lines queued and not yet taken by the writer.
    int pendingLines() const;

    // "<per-user local application data>/log/TavrinKeyboardTest.log". Needs the
    // application object, which gives the folder its name.
    static QString defaultFilePath();

    // The process-wide log that the toolkit's message handler writes to.
    static DebugLog *instance();
    // Routes qDebug(), qWarning() and the rest to instance().
    static void install();
    static void uninstall();

private:
    // A line as the caller left it; the writer puts it into words.
    struct Line
    {
        qint64 msecsSinceEpoch = 0;
        QtMsgType type = QtDebugMsg;
        QString message;
        bool echo = true;
    };

    void runWriter();
    void writeLines(const std::deque<Line> &lines);
    // Queues a line, with the queue's lock held; its number (counted from 1),
    // or 0 when the writer is gone and the line was written at once.
    std::uint64_t queueLocked(std::unique_lock<std::mutex> &lock, QtMsgType type, const QString &message);
    // Waits until the line numbered `sequence` is written, at most waitMs
    // (false then), or without end when waitMs is negative.
    bool waitWritten(std::uint64_t sequence, int waitMs);

    bool openLocked();
    void rotateLocked();
    void writeLocked(const QByteArray &line);
    int offsetFromUtcLocked(qint64 msecsSinceEpoch);

    // The file side: taken by the writer for each batch and by open and close.
    mutable std::mutex m_fileMutex;
    QFile m_file;
    QString m_path;
    qint64 m_maxBytes = DefaultMaxBytes;
    qint64 m_size = 0;
    // Local time's distance from UTC, looked up for this minute.
    qint64 m_offsetMinute = -1;
    int m_offsetFromUtc = 0;

    // The queue side; never held while the file is written.
    mutable std::mutex m_queueMutex;
    std::condition_variable m_linesQueued; // the writer waits on it
    std::condition_variable m_linesTaken;  // callers wait on it for room or for their line
    std::deque<Line> m_queue;
    const int m_queueLines;
    std::uint64_t m_queued = 0;  // lines ever queued
    std::uint64_t m_written = 0; // of them, lines written
    bool m_echo = true;
    bool m_writeThrough = false;
    bool m_stopping = false;
    bool m_writerDone = false;
    std::thread m_writer;
};
