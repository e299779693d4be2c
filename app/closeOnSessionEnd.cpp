#include "closeOnSessionEnd.h"

#include "debugLog.h"
#include "sessionEndWatcher.h"

#include <QCoreApplication>
#include <QDebug>
#include <QWidget>

void closeOnSessionEnd(SessionEndWatcher &watcher, QWidget &window, std::function<void()> closing,
                       std::function<void()> makeSafe)
{
    QObject::connect(&watcher, &SessionEndWatcher::endRequested, &window,
                     [&window, closing = std::move(closing)](const QString &why) {
                         qDebug().noquote()
                             << QStringLiteral("---------- *** %1: the window closes *** ----------").arg(why);
                         // The close's bound first: a log on a disk that has stopped
                         // must not hold the close up without one.
                         closing();
                         // Whatever ends the process from here on (a second signal) finds
                         // every line of the close on disk, none left in the queue.
                         DebugLog::instance()->setWriteThrough();
                         window.close();
                         // Also leaves any nested event loop, such as a dialog's.
                         QCoreApplication::quit();
                     });
    QObject::connect(
        &watcher, &SessionEndWatcher::endingNow, &window,
        [&window, makeSafe = std::move(makeSafe)] {
            if (window.isVisible())
                window.close();
            makeSafe();
        },
        Qt::DirectConnection);
}
