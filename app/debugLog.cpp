#include "debugLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

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

QByteArray formatLine(QtMsgType type, const QString &message)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toUtf8() +
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

DebugLog::~DebugLog()
{
    closeFile();
}

bool DebugLog::openFile(const QString &path, qint64 maxBytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file.isOpen())
        m_file.close();
    m_path = path;
    m_maxBytes = qMax(maxBytes, MinMaxBytes);
    if (!openLocked()) {
        m_path.clear();
        return false;
    }
    if (m_size >= m_maxBytes)
        rotateLocked();
    // Runs are appended to one file; this line tells where each one begins.
    writeLocked(formatLine(
        QtInfoMsg,
        QStringLiteral("---------- log opened by process %1 ----------").arg(QCoreApplication::applicationPid())));
    return m_file.isOpen();
}

void DebugLog::closeFile()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file.close();
    m_path.clear();
    m_size = 0;
}

QString DebugLog::filePath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

void DebugLog::setEchoToStderr(bool echo)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_echo = echo;
}

void DebugLog::write(QtMsgType type, const QString &message)
{
    t_insideLog = true;
    {
        // The time is taken inside the lock too: lines then appear in time
        // order, and the C library's time zone state is never read concurrently.
        std::lock_guard<std::mutex> lock(m_mutex);
        const QByteArray line = formatLine(type, message);
        if (m_echo)
            writeStderr(line);
        writeLocked(line);
    }
    t_insideLog = false;
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
    m_file.flush();
    if (written > 0)
        m_size += written;
}
