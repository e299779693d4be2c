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
    // ends on those events as it did without. One watcher at a time. A signal
    // the program was started with ignored (nohup) stays ignored.
    bool start(QString *error = nullptr);

signals:
    // Once, on the GUI thread, with what asked (for the log). Further
    // requests while the window closes are only logged: at a shutdown SIGHUP
    // follows SIGTERM, and the close must finish. Only a second Ctrl+C ends
    // the process at once, for a person at the terminal.
    void endRequested(const QString &why);
    // The process may be ended as soon as the slots connected here return
    // (Windows ends it right after WM_ENDSESSION): what must be on disk is
    // written in them, directly. Never emitted where the system waits for the
    // process to end by itself.
    void endingNow();

private:
    bool m_requested = false;
};
