#pragma once

#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <QtGlobal>

// The log lines of the code under test, from any thread, still shown as the
// test's own. start() once; count() the lines a pattern matches.
namespace recordedLog {

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

inline void start()
{
    shownBy() = qInstallMessageHandler(keep);
}

inline int count(const QString &pattern)
{
    QMutexLocker lock(&mutex());
    return static_cast<int>(lines().filter(QRegularExpression(pattern)).size());
}

} // namespace recordedLog
