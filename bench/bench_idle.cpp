// What a station costs while a keyboard is connected and nobody touches it:
// the main window connected to the simulated keyboard (which only answers the
// handshake), its debug log writing to a file as the program's does, nothing
// else happening. Prints the process's CPU in percent of one core and, for
// each thread, how often it woke (voluntary context switches) and its CPU.
// Argument: seconds to watch (20 by default). Prints figures; judges nothing.
#include "debugLog.h"
#include "simWindowHarness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

struct ThreadSample
{
    std::string name;
    long long wakeUps = 0; // voluntary context switches: each is a wait that ended
    long long cpuNs = 0;   // time on a CPU
};

std::string readLine(const std::string &path)
{
    std::string text;
    if (FILE *f = std::fopen(path.c_str(), "r")) {
        char buffer[512] = {};
        if (std::fgets(buffer, sizeof buffer, f))
            text = buffer;
        std::fclose(f);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

long long field(const std::string &statusPath, const char *name)
{
    long long value = 0;
    if (FILE *f = std::fopen(statusPath.c_str(), "r")) {
        char line[256];
        const size_t length = std::strlen(name);
        for (int i = 0; i < 200 && std::fgets(line, sizeof line, f); ++i) {
            if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
                value = std::atoll(line + length + 1);
                break;
            }
        }
        std::fclose(f);
    }
    return value;
}

std::map<long, ThreadSample> sampleThreads()
{
    std::map<long, ThreadSample> threads;
    const QStringList tids = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &tid : tids) {
        const std::string base = "/proc/self/task/" + tid.toStdString();
        ThreadSample s;
        s.name = readLine(base + "/comm");
        s.wakeUps = field(base + "/status", "voluntary_ctxt_switches");
        // The scheduler's own count, in nanoseconds: clock ticks are far too
        // coarse for a thread that is meant to sleep.
        s.cpuNs = std::atoll(readLine(base + "/schedstat").c_str());
        threads[tid.toLong()] = s;
    }
    return threads;
}

// The window's own event loop, as the program runs it, for ms.
void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir(data).removeRecursively();
    // The program's log, to a file, lines not echoed.
    DebugLog::instance()->setEchoToStderr(false);
    DebugLog::instance()->openFile(data + QStringLiteral("/log/TavrinKeyboardTest.log"));
    DebugLog::install();

    SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
    mainPageDia window;
    if (!showConnected(window))
        return 1;
    // The layout query, the light setting and the first handshakes settle first.
    runEvents(3000);

    const std::map<long, ThreadSample> before = sampleThreads();
    const int writesBefore = int(kb.writtenReports().size());
    QElapsedTimer wall;
    wall.start();
    runEvents(seconds * 1000);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const std::map<long, ThreadSample> after = sampleThreads();
    const int writes = int(kb.writtenReports().size()) - writesBefore;

    long long wakeUps = 0, cpuNs = 0;
    std::printf("connected and idle for %.1f s, %d reports written to the keyboard (handshakes)\n", elapsed, writes);
    std::printf("  %-18s %12s %10s\n", "thread", "wake-ups/s", "CPU %");
    for (const auto &entry : after) {
        const auto earlier = before.find(entry.first);
        const ThreadSample start = earlier == before.end() ? ThreadSample() : earlier->second;
        const long long w = entry.second.wakeUps - start.wakeUps;
        const long long t = entry.second.cpuNs - start.cpuNs;
        wakeUps += w;
        cpuNs += t;
        std::printf("  %-18s %12.1f %10.3f\n", entry.second.name.c_str(), double(w) / elapsed,
                    100.0 * double(t) / 1e9 / elapsed);
    }
    std::printf("whole process: %.1f wake-ups/s, %.3f %% of a core\n", double(wakeUps) / elapsed,
                100.0 * double(cpuNs) / 1e9 / elapsed);
    DebugLog::uninstall();
    return 0;
}
