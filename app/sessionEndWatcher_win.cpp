// Windows asks every program whether the session may end
// (WM_QUERYENDSESSION), which Qt passes on as commitDataRequest; closing the
// window there records the connected unit. Then WM_ENDSESSION, inside which
// Qt emits aboutToQuit: once its handler returns, Windows may end the process
// without running anything further, so the records are made safe right there.
#include "sessionEndWatcher.h"

#include <QGuiApplication>
#include <QSessionManager>

SessionEndWatcher::SessionEndWatcher(QObject *parent) : QObject(parent) {}

SessionEndWatcher::~SessionEndWatcher() = default;

bool SessionEndWatcher::start(QString *error)
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app) {
        if (error)
            *error = QStringLiteral("no GUI application");
        return false;
    }
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
        if (m_requested)
            return;
        m_requested = true;
        emit endRequested(QStringLiteral("the Windows session ends"));
    });
    // Also at a normal end, where it costs nothing: the window is closed
    // then and the records are written already.
    connect(app, &QCoreApplication::aboutToQuit, this, &SessionEndWatcher::endingNow, Qt::DirectConnection);
    return true;
}
