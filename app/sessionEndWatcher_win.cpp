// Windows asks every program whether the session may end
// (WM_QUERYENDSESSION), which Qt passes on as commitDataRequest; closing the
// window there records the connected unit before WM_ENDSESSION, after which
// Windows ends the process without running anything further.
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
    connect(app, &QGuiApplication::commitDataRequest, this, [this, app](QSessionManager &) {
        disconnect(app, &QGuiApplication::commitDataRequest, this, nullptr);
        emit endRequested(QStringLiteral("the Windows session ends"));
    });
    return true;
}
