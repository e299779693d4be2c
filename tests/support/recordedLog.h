#pragma once

#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <QtGlobal>

// While it lives, the log lines of the code under test, from any thread, are
// kept as well as shown as the test's own.
class RecordedLog
{
public:
    RecordedLog() { s_shownBy = qInstallMessageHandler(keep); }
    ~RecordedLog() { qInstallMessageHandler(s_shownBy); }

    // Forgets the lines kept so far (a test's next row).
    static void clear()
    {
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
    }

    // The lines the regular expression matches.
    static int count(const QString &pattern)
    {
        QMutexLocker lock(&s_mutex);
        return static_cast<int>(s_lines.filter(QRegularExpression(pattern)).size());
    }

private:
    static void keep(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        {
            QMutexLocker lock(&s_mutex);
            s_lines << message;
        }
        s_shownBy(type, context, message);
    }

    static inline QMutex s_mutex;
    static inline QStringList s_lines;
    static inline QtMessageHandler s_shownBy = nullptr;
};
