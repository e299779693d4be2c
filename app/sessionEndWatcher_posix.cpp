// The self-pipe: the signal handler only writes the signal's number to a pipe
// (write() is async-signal-safe), and a socket notifier reads it on the GUI
// thread, where the window may be closed.
#include "sessionEndWatcher.h"

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
bool s_installed = false;
QSocketNotifier *s_notifier = nullptr;

extern "C" void onEndSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request: nothing is lost.
    [[maybe_unused]] const ssize_t written = write(s_pipe[1], &byte, 1);
    errno = saved;
}

void restoreSignals()
{
    for (int i = 0; i < SignalCount; ++i)
        sigaction(Signals[i], &s_previous[i], nullptr);
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
    for (int i = 0; i < SignalCount; ++i)
        sigaction(Signals[i], &action, &s_previous[i]);
    s_installed = true;

    s_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read);
    connect(s_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        int first = 0;
        // The pipe is non-blocking and holds a few bytes at most.
        for (int i = 0; i < 64 && read(s_pipe[0], &byte, 1) == 1; ++i)
            first = first ? first : byte;
        if (!first)
            return;
        // From now on the signals act as they did before: a second one ends a
        // close that hangs.
        restoreSignals();
        s_notifier->setEnabled(false);
        emit endRequested(signalName(first));
    });
    return true;
}
