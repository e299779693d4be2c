#pragma once

#include <QObject>
#include <QString>

// Tells when the system or a user ends the program from outside (on Linux
// SIGTERM, SIGINT or SIGHUP: a shutdown, a logout, a kill, Ctrl+C in the
// terminal; on Windows the end of the session), so the window can close the
// normal way and the connected unit is recorded before the process goes.
// One implementation per system, chosen by the build.
class SessionEndWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SessionEndWatcher(QObject *parent = nullptr);
    // Gives the signals back to what handled them before.
    ~SessionEndWatcher() override;

    // Starts watching; false with the reason when it cannot, the program then
    // ends on those events as it did without. One watcher at a time.
    bool start(QString *error = nullptr);

signals:
    // Once, on the GUI thread, with what asked (for the log). A second request
    // while the window closes ends the process at once, as a stuck close
    // must not keep a shutdown waiting.
    void endRequested(const QString &why);
};
