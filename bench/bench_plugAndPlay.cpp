// Plug and play through the main window against the simulated keyboard:
//  - from the bus's arrival event to "Connect success" on the window, less the
//    window's own fixed wait before it searches;
//  - time per unplug/plug cycle and resident memory over many cycles
//    (argument: the number of cycles, 1000 by default).
// Prints figures; judges nothing. The window's debug lines are dropped by a
// message handler, so writing them out is not part of what is timed.
#include "simWindowHarness.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

// What the window waits after an arrival before it looks for the keyboard.
const double kArrivalWaitMs = 500.0;
const int kPlugs = 20;
const int kSequenceTimeoutMs = 10000;
// Resident memory is compared from here on, after allocators and caches settled.
const int kBaselineCycle = 50;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

long residentKiB()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kib = -1;
    for (int i = 0; i < 100 && std::fgets(line, sizeof line, f); ++i) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kib;
}

// Runs the event loop until done() holds, checking after every batch of events
// (whatever changes the window comes as an event); false after timeoutMs.
template <class Done> bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the loop, so the timeout is seen without events
    tick.start(20);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double percentile(const std::vector<double> &sorted, double q)
{
    if (sorted.empty())
        return 0.0;
    const size_t rank = size_t(std::ceil(q * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

void printSpread(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) {
        std::printf("%s: no samples\n", what);
        return;
    }
    std::printf("%s, %zu samples: median %.1f ms, p90 %.1f ms, max %.1f ms\n", what, ms.size(), percentile(ms, 0.5),
                percentile(ms, 0.9), ms.back());
}

class Bench
{
public:
    explicit Bench(mainPageDia *window) : m_window(window) {}

    bool idle() const { return m_window->findChild<QComboBox *>("comboBox_VidPidList")->isEnabled(); }
    bool connected() const { return isConnected(m_window); }

    bool pullOut(SimKeyboard &kb, const SimKeyboardConfig &c, int port)
    {
        kb.unplug();
        presenceOf(m_window)->injectUdevEvent(usbEvent(c, port, false));
        return waitFor([this]() { return idle() && !connected(); }, kSequenceTimeoutMs);
    }

    // Milliseconds from the arrival event to "Connect success"; -1 when it did not connect.
    double plugIn(SimKeyboard &kb, const SimKeyboardConfig &c, int port)
    {
        kb.replug();
        QElapsedTimer clock;
        clock.start();
        presenceOf(m_window)->injectUdevEvent(usbEvent(c, port, true));
        if (!waitFor([this]() { return connected(); }, kSequenceTimeoutMs))
            return -1.0;
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        return waitFor([this]() { return idle(); }, kSequenceTimeoutMs) ? ms : -1.0;
    }

private:
    mainPageDia *m_window;
};

void plugToConnected(Bench &bench, SimKeyboard &kb, const SimKeyboardConfig &c)
{
    std::vector<double> ms;
    int failed = 0;
    for (int i = 0; i < kPlugs; ++i) {
        if (!bench.pullOut(kb, c, 1)) {
            ++failed;
            continue;
        }
        const double t = bench.plugIn(kb, c, 1);
        if (t < 0)
            ++failed;
        else
            ms.push_back(t - kArrivalWaitMs);
        // The log of what was written is the simulator's, not the window's memory.
        SimKeyboard::clearWrittenReports();
    }
    printSpread("arrival event -> \"Connect success\", less the window's 500 ms wait", ms);
    std::printf("  plugs that did not connect: %d\n", failed);
}

void plugCycles(Bench &bench, mainPageDia *window, SimKeyboard &kb, const SimKeyboardConfig &c, int cycles)
{
    const int baselineCycle = cycles > kBaselineCycle ? kBaselineCycle : cycles / 2;
    std::vector<double> ms;
    ms.reserve(size_t(cycles));
    long baselineKiB = residentKiB();
    int failed = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < cycles; ++i) {
        if (i == baselineCycle)
            baselineKiB = residentKiB();
        QElapsedTimer clock;
        clock.start();
        const bool out = bench.pullOut(kb, c, 2);
        const bool in = out && bench.plugIn(kb, c, 2) >= 0;
        if (in)
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        else
            ++failed;
        SimKeyboard::clearWrittenReports();
        if ((i + 1) % 100 == 0) {
            std::printf("  after %d cycles: VmRSS %ld KiB, %.0f s\n", i + 1, residentKiB(),
                        double(total.elapsed()) / 1000.0);
            std::fflush(stdout);
        }
    }
    const long endKiB = residentKiB();
    printSpread("unplug + plug cycle", ms);
    std::printf("  cycles %d, failed %d, connects %s, disconnects %s, open handles at the end %d\n", cycles, failed,
                qPrintable(labelText(window, "label_ConnectNum")), qPrintable(labelText(window, "label_DisconNum")),
                SimKeyboard::stats().openHandles);
    std::printf("  VmRSS after cycle %d: %ld KiB, at the end: %ld KiB, growth %ld KiB\n", baselineCycle, baselineKiB,
                endKiB, endKiB - baselineKiB);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler(dropMessage);
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    // A quiet keyboard for the connection time; one that reports key states
    // every 5 ms for the cycles, so reports are in flight at every unplug.
    const SimKeyboardConfig quiet;
    SimKeyboardConfig chatty;
    chatty.serial = L"SIM0002";
    chatty.liveKeyStateMs = 5;
    SimKeyboard first = SimKeyboard::plugIn(quiet);

    mainPageDia window;
    window.init(QStringLiteral("English"));
    Bench bench(&window);
    if (!bench.connected() || !waitFor([&]() { return bench.idle(); }, kSequenceTimeoutMs)) {
        std::printf("the window did not connect to the simulated keyboard\n");
        return 1;
    }
    plugToConnected(bench, first, quiet);

    if (!bench.pullOut(first, quiet, 1)) {
        std::printf("the window did not let the first keyboard go\n");
        return 1;
    }
    SimKeyboard second = SimKeyboard::plugIn(chatty);
    if (bench.plugIn(second, chatty, 2) < 0) {
        std::printf("the window did not connect to the second keyboard\n");
        return 1;
    }
    plugCycles(bench, &window, second, chatty, cycles);
    return 0;
}
