#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <mutex>

// Where the toolkit's debug output goes: standard error and, once a file is
// opened, a log file the operator can find. The key test logs every key event,
// so the file is kept readable and writable by its user only and its folder
// private; a file that cannot be made private is not written at all.
//
// The file is bounded: before a line would take it past the limit it is
// renamed to "<name>.1" (replacing the older one) and a fresh file is started.
//
// Safe to call from any thread; lines from different threads never interleave.
class DebugLog
{
public:
    static constexpr qint64 DefaultMaxBytes = 1024 * 1024;
    static constexpr qint64 MinMaxBytes = 1024;

    DebugLog() = default;
    ~DebugLog();

    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    // Appends to the file at path (created when missing, its folders too).
    // The file's folder is made private as well, so give the log a folder of
    // its own.
    // A limit below MinMaxBytes is raised to it. False when the file cannot be
    // opened or made private; the log then goes to standard error only.
    bool openFile(const QString &path, qint64 maxBytes = DefaultMaxBytes);
    void closeFile();
    QString filePath() const;

    void setEchoToStderr(bool echo);

    // One log line: time, a letter for the message type, the message.
    void write(QtMsgType type, const QString &message);

    // "<per-user local application data>/log/TavrinKeyboardTest.log". Needs the
    // application object, which gives the folder its name.
    static QString defaultFilePath();

    // The process-wide log that the toolkit's message handler writes to.
    static DebugLog *instance();
    // Routes qDebug(), qWarning() and the rest to instance().
    static void install();
    static void uninstall();

private:
    bool openLocked();
    void rotateLocked();
    void writeLocked(const QByteArray &line);

    mutable std::mutex m_mutex;
    QFile m_file;
    QString m_path;
    qint64 m_maxBytes = DefaultMaxBytes;
    qint64 m_size = 0;
    bool m_echo = true;
};
