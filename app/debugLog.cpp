#include "debugLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>
#include <utility>

namespace {

constexpr QFile::Permissions PrivateFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
constexpr QFile::Permissions PrivateFolder = PrivateFile | QFile::ExeOwner | QFile::ExeUser;

Q_GLOBAL_STATIC(DebugLog, g_processLog)

// Set while this thread is inside the log, so that a message the log itself
// provokes (a warning from QFile, say) cannot deadlock on its mutex.
thread_local bool t_insideLog = false;

char typeLetter(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 'D';
    case QtInfoMsg:
        return 'I';
    case QtWarningMsg:
        return 'W';
    case QtCriticalMsg:
        return 'C';
    case QtFatalMsg:
        return 'F';
    }
    return '?';
}

// The time in local time, given how far local time is from UTC then.
QByteArray formatLine(qint64 msecsSinceEpoch, int offsetFromUtc, QtMsgType type, const QString &message)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::OffsetFromUTC, offsetFromUtc)
               .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz "))
               .toUtf8() +
           typeLetter(type) + ' ' + message.toUtf8() + '\n';
}

void writeStderr(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    DebugLog *log = g_processLog.isDestroyed() ? nullptr : g_processLog();
    if (!log || t_insideLog) {
        writeStderr(message.toLocal8Bit() + '\n');
        return;
    }
    log->write(type, message);
}

} // namespace

DebugLog::DebugLog(int queueLines) : m_queueLines(qMax(1, queueLines))
{
    m_writer = std::thread([this] { runWriter(); });
}

DebugLog::~DebugLog()
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_stopping = true;
    }
    m_linesQueued.notify_all();
    if (m_writer.joinable())
        m_writer.join();
    closeFile();
}

bool DebugLog::openFile(const QString &path, qint64 maxBytes)
{
    // Lines queued so far were meant for where the log went until now.
    flush();
    const bool insideBefore = std::exchange(t_insideLog, true);
    bool opened = false;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        if (m_file.isOpen())
            m_file.close();
        m_path = path;
        m_maxBytes = qMax(maxBytes, MinMaxBytes);
        if (!openLocked()) {
            m_path.clear();
        } else {
            if (m_size >= m_maxBytes)
                rotateLocked();
            opened = m_file.isOpen();
        }
    }
    t_insideLog = insideBefore;
    // Runs are appended to one file; this line tells where each one begins.
    if (opened)
        write(QtInfoMsg,
              QStringLiteral("---------- log opened by process %1 ----------").arg(QCoreApplication::applicationPid()));
    return opened;
}

void DebugLog::closeFile()
{
    flush();
    const bool insideBefore = std::exchange(t_insideLog, true);
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        m_file.close();
        m_path.clear();
        m_size = 0;
    }
    t_insideLog = insideBefore;
}

QString DebugLog::filePath() const
{
    std::lock_guard<std::mutex> lock(m_fileMutex);
    return m_path;
}

void DebugLog::setEchoToStderr(bool echo)
{
    std::lock_guard<std::mutex> lock(m_queueMutex);
    m_echo = echo;
}

std::uint64_t DebugLog::queueLocked(std::unique_lock<std::mutex> &lock, QtMsgType type, const QString &message)
{
    // The time is taken inside the lock, so lines appear in time order. It is
    // put into words under the file's lock, where the writer writes it: the C
    // library's time zone state is never read concurrently, and the caller
    // saves the cost.
    Line line{QDateTime::currentMSecsSinceEpoch(), type, message, m_echo};
    if (m_writerDone) {
        // The writer is gone (the log is being destroyed): straight out.
        lock.unlock();
        writeLines({line});
        return 0;
    }
    m_queue.push_back(std::move(line));
    if (m_queue.size() == 1)
        m_linesQueued.notify_one();
    return ++m_queued;
}

void DebugLog::write(QtMsgType type, const QString &message)
{
    const bool insideBefore = std::exchange(t_insideLog, true);
    std::unique_lock<std::mutex> lock(m_queueMutex);
    // Full: the caller waits for the writer rather than lose the line.
    m_linesTaken.wait(lock, [this] { return int(m_queue.size()) < m_queueLines || m_writerDone; });
    const bool waitForIt = type == QtFatalMsg || m_writeThrough;
    const bool writerIdle = m_queue.empty();
    const std::uint64_t sequence = queueLocked(lock, type, message);
    if (lock.owns_lock())
        lock.unlock();
    if (waitForIt && sequence != 0) {
        waitWritten(sequence, -1);
    } else if (writerIdle && sequence != 0) {
        // The writer was woken for this line. With one core to share (a
        // small station, a virtual machine) it would otherwise wait until the
        // caller, a key being painted, gives the core up; it only starts the
        // write and is back waiting for the disk at once.
        std::this_thread::yield();
    }
    t_insideLog = insideBefore;
}

bool DebugLog::flush(int waitMs)
{
    std::uint64_t sequence = 0;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        sequence = m_queued;
    }
    return waitWritten(sequence, waitMs);
}

void DebugLog::setWriteThrough()
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_writeThrough = true;
    }
    flush();
}

bool DebugLog::writeLast(QtMsgType type, const QString &message, int waitMs)
{
    const bool insideBefore = std::exchange(t_insideLog, true);
    std::unique_lock<std::mutex> lock(m_queueMutex);
    const std::uint64_t sequence = queueLocked(lock, type, message);
    if (lock.owns_lock())
        lock.unlock();
    const bool written = sequence == 0 || waitWritten(sequence, waitMs);
    t_insideLog = insideBefore;
    return written;
}

int DebugLog::pendingLines() const
{
    std::lock_guard<std::mutex> lock(m_queueMutex);
    return int(m_queue.size());
}

bool DebugLog::waitWritten(std::uint64_t sequence, int waitMs)
{
    // The writer never waits for itself.
    if (std::this_thread::get_id() == m_writer.get_id())
        return true;
    std::unique_lock<std::mutex> lock(m_queueMutex);
    const auto written = [&] { return m_written >= sequence || m_writerDone; };
    if (waitMs < 0) {
        m_linesTaken.wait(lock, written);
        return true;
    }
    return m_linesTaken.wait_for(lock, std::chrono::milliseconds(waitMs), written);
}

void DebugLog::runWriter()
{
    // Whatever the file or the terminal say while being written goes to
    // standard error, never back into the queue this thread empties.
    t_insideLog = true;
    std::unique_lock<std::mutex> lock(m_queueMutex);
    for (;;) {
        m_linesQueued.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
        if (m_queue.empty())
            break;
        std::deque<Line> batch;
        batch.swap(m_queue);
        const std::uint64_t upTo = m_queued;
        lock.unlock();
        // Room again for callers that waited.
        m_linesTaken.notify_all();
        writeLines(batch);
        lock.lock();
        m_written = upTo;
        m_linesTaken.notify_all();
    }
    m_writerDone = true;
    lock.unlock();
    m_linesTaken.notify_all();
}

void DebugLog::writeLines(const std::deque<Line> &lines)
{
    QByteArray echo;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        for (const Line &line : lines) {
            const QByteArray text =
                formatLine(line.msecsSinceEpoch, offsetFromUtcLocked(line.msecsSinceEpoch), line.type, line.message);
            if (line.echo)
                echo += text;
            writeLocked(text);
        }
        // One flush for the lot: a line is on its way to the disk once written.
        if (m_file.isOpen())
            m_file.flush();
    }
    // The file first: it is what is read later; the echo is for whoever watches.
    if (!echo.isEmpty())
        writeStderr(echo);
}

int DebugLog::offsetFromUtcLocked(qint64 msecsSinceEpoch)
{
    // The C library reads the system's time zone file for every conversion to
    // local time, a round trip each where it lies on a network share. Local
    // time only ever changes its distance from UTC on a whole minute.
    const qint64 minute = msecsSinceEpoch / 60000;
    if (minute != m_offsetMinute) {
        m_offsetMinute = minute;
        m_offsetFromUtc = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).offsetFromUtc();
    }
    return m_offsetFromUtc;
}

QString DebugLog::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/log/TavrinKeyboardTest.log");
}

DebugLog *DebugLog::instance()
{
    return g_processLog.isDestroyed() ? nullptr : g_processLog();
}

void DebugLog::install()
{
    instance(); // built now rather than inside the first message
    qInstallMessageHandler(messageHandler);
}

void DebugLog::uninstall()
{
    qInstallMessageHandler(nullptr);
}

bool DebugLog::openLocked()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        writeStderr("Debug log: cannot create the folder " + folder.toLocal8Bit() + '\n');
        return false;
    }
    // Where the system has no Unix permissions this may fail; the file's own
    // permissions below are what must hold.
    QFile::setPermissions(folder, PrivateFolder);

    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        writeStderr("Debug log: cannot open " + m_path.toLocal8Bit() + ": " + m_file.errorString().toLocal8Bit() +
                    '\n');
        return false;
    }
    // Also narrows a file that an older run or another tool left wider open.
    if (!m_file.setPermissions(PrivateFile)) {
        writeStderr("Debug log: cannot make " + m_path.toLocal8Bit() + " private; not writing it\n");
        m_file.close();
        return false;
    }
    m_size = m_file.size();
    return true;
}

void DebugLog::rotateLocked()
{
    m_file.close();
    const QString previous = m_path + QStringLiteral(".1");
    QFile::remove(previous);
    const bool renamed = QFile::rename(m_path, previous);
    if (!openLocked())
        return;
    if (!renamed || m_size >= m_maxBytes) {
        // The full file could not be moved aside: start it afresh rather than
        // let it grow without bound.
        m_file.resize(0);
        m_size = 0;
    }
}

void DebugLog::writeLocked(const QByteArray &line)
{
    if (!m_file.isOpen())
        return;
    QByteArray bounded = line;
    if (bounded.size() > m_maxBytes) {
        bounded.truncate(static_cast<int>(m_maxBytes) - 1);
        bounded.append('\n');
    }
    if (m_size + bounded.size() > m_maxBytes) {
        rotateLocked();
        if (!m_file.isOpen())
            return;
    }
    const qint64 written = m_file.write(bounded);
    if (written > 0)
        m_size += written;
}
