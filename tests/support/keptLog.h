#pragma once

// The debug lines of the code under test, from any thread, kept for the test
// to count and still shown as the test's own.

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace keptLog {

inline QMutex &mutex()
{
    static QMutex m;
    return m;
}

inline QStringList &lines()
{
    static QStringList l;
    return l;
}

inline QtMessageHandler &shownBy()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void keep(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&mutex());
        lines() << message;
    }
    shownBy()(type, context, message);
}

inline void install()
{
    shownBy() = qInstallMessageHandler(keep);
}

inline void clear()
{
    QMutexLocker lock(&mutex());
    lines().clear();
}

// Lines holding text.
inline int count(const QString &text)
{
    QMutexLocker lock(&mutex());
    return static_cast<int>(lines().filter(text).size());
}

} // namespace keptLog
