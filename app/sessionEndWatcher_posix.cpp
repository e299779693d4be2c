// The self-pipe: the signal handler only writes the signal's number to a pipe
// (write() is async-signal-safe), and a socket notifier reads it on the GUI
// thread, where the window may be closed.
#include "sessionEndWatcher.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int Signals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int SignalCount = sizeof Signals / sizeof Signals[0];

int s_pipe[2] = {-1, -1};
struct sigaction s_previous[SignalCount];
// A signal the program was started with ignored (nohup, a service manager)
// stays ignored: it is never caught, so never given back either.
bool s_caught[SignalCount] = {};
bool s_installed = false;
// Set by the first signal, in the handler itself, so a second Ctrl+C is told
// apart even before the GUI thread has read the first.
volatile sig_atomic_t s_ending = 0;
QSocketNotifier *s_notifier = nullptr;

extern "C" void onEndSignal(int number)
{
    const int saved = errno;
    if (number == SIGINT && s_ending) {
        // A second Ctrl+C: the person at the terminal wants it ended now. The
        // signal is blocked inside its own handler, so it acts as the handler
        // returns.
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(SIGINT, &fallback, nullptr);
        raise(SIGINT);
    }
    s_ending = 1;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request: nothing is lost.
    [[maybe_unused]] const ssize_t written = write(s_pipe[1], &byte, 1);
    errno = saved;
}

void restoreSignals()
{
    for (int i = 0; i < SignalCount; ++i) {
        if (s_caught[i])
            sigaction(Signals[i], &s_previous[i], nullptr);
        s_caught[i] = false;
    }
}

QString signalName(int number)
{
    switch (number) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(number);
    }
}

} // namespace

SessionEndWatcher::SessionEndWatcher(QObject *parent) : QObject(parent) {}

SessionEndWatcher::~SessionEndWatcher()
{
    if (!s_installed)
        return;
    restoreSignals();
    delete s_notifier;
    s_notifier = nullptr;
    close(s_pipe[0]);
    close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
    s_ending = 0;
    s_installed = false;
}

bool SessionEndWatcher::start(QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (s_installed)
        return fail(QStringLiteral("another watcher has the signals"));
    if (pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));

    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < SignalCount; ++i) {
        if (sigaction(Signals[i], nullptr, &s_previous[i]) != 0 || s_previous[i].sa_handler == SIG_IGN)
            continue;
        s_caught[i] = sigaction(Signals[i], &action, nullptr) == 0;
    }
    s_installed = true;

    s_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read);
    connect(s_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        // The pipe is non-blocking and holds a few bytes at most.
        for (int i = 0; i < 64 && read(s_pipe[0], &byte, 1) == 1; ++i) {
            // Once the close runs, a shutdown's SIGHUP after its SIGTERM, or
            // a second kill, must not cut it short: it is bounded anyway.
            if (m_requested) {
                qDebug().noquote() << QStringLiteral(
                                          "---------- *** %1 while closing: the close goes on *** ----------")
                                          .arg(signalName(byte));
                continue;
            }
            m_requested = true;
            emit endRequested(signalName(byte));
        }
    });
    return true;
}
