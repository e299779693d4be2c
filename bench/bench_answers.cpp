// Key-state reports of the firmware through the main window, each answered by
// its six-key echo:
//  - latency from a report becoming readable to its echo being written, with
//    one report at a time as a typist makes them;
//  - answers handled per second, echo included, with reports sent as fast as
//    the window takes them (argument: how many, 50000 by default).
// Prints figures; judges nothing. The window logs a debug line per answer; a
// message handler drops them (counting the echoes the window queued), so
// writing them out does not dominate the figures.
#include "simWindowHarness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;
using SteadyClock = std::chrono::steady_clock;

namespace {

const int kPacedReports = 2000;
// Reports sent but not yet handled by the window, at most: below the
// simulated keyboard's input queue, so none is lost to it.
const long kInFlight = sim::kInputQueueDepth - 16;
// Each report holds one key, never the key of the report before, so its echo
// holds that key alone and tells which report it answers.
const int kUsages = 36; // 0x04 (A) to 0x27 (0)

std::atomic<long> g_echoesQueued{0};
std::atomic<long> g_echoesRefused{0};

void countAndDrop(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message.contains(QLatin1String("[Write Six Key] Successful")))
        g_echoesQueued.fetch_add(1, std::memory_order_relaxed);
    else if (message.contains(QLatin1String("[Write Key] Failed")))
        g_echoesRefused.fetch_add(1, std::memory_order_relaxed);
}

uint8_t usageOf(long i)
{
    return uint8_t(0x04 + i % kUsages);
}

std::vector<uint8_t> keyStateReport(long i)
{
    std::vector<uint8_t> block(9, 0); // modifiers, reserved, six keys, key 1010
    block[2] = usageOf(i);
    return sim::makeFrame(0x04, 0x09, block);
}

double percentile(const std::vector<double> &sorted, double q)
{
    if (sorted.empty())
        return 0.0;
    const size_t rank = size_t(std::ceil(q * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

struct Result
{
    long sent = 0;
    long refused = 0;
    long echoed = 0;
    long mismatched = 0;
    int delivered = 0;
    int dropped = 0;
    double seconds = 0.0;
    std::vector<double> latencyUs;
};

// One run of `count` reports. Paced: each waits until the one before was
// handled, then 2-3 ms more. Otherwise as fast as the window takes them.
Result runReports(SimKeyboard &kb, long count, bool paced)
{
    SimKeyboard::clearWrittenReports();
    const sim::SimStats before = SimKeyboard::stats();
    const long base = g_echoesQueued.load();
    const long refusedBase = g_echoesRefused.load();
    std::vector<SteadyClock::time_point> sentAt(static_cast<size_t>(count));
    std::atomic<bool> done{false};

    std::thread feeder([&]() {
        for (long i = 0; i < count; ++i) {
            const std::vector<uint8_t> report = keyStateReport(i);
            if (paced) {
                // The report before was handled; its echo goes out on the worker's next pass.
                const auto giveUp = SteadyClock::now() + std::chrono::seconds(2);
                while (g_echoesQueued.load() - base < i && SteadyClock::now() < giveUp)
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
                std::this_thread::sleep_for(std::chrono::microseconds(2000 + (i * 37) % 1000));
            } else {
                const auto giveUp = SteadyClock::now() + std::chrono::seconds(2);
                while (i - (g_echoesQueued.load() - base) >= kInFlight && SteadyClock::now() < giveUp)
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
            // Taken before the call: the report is readable from within it.
            sentAt[size_t(i)] = SteadyClock::now();
            kb.sendReport(report.data(), int(report.size()));
        }
        done = true;
    });

    // The GUI thread handles the answers meanwhile.
    QEventLoop loop;
    QTimer check;
    QElapsedTimer sinceDone;
    QObject::connect(&check, &QTimer::timeout, &loop, [&]() {
        if (!done.load())
            return;
        if (!sinceDone.isValid())
            sinceDone.start();
        if (g_echoesQueued.load() - base >= count || sinceDone.elapsed() > 3000)
            loop.quit();
    });
    check.start(10);
    loop.exec();
    feeder.join();
    // The last echoes queued are written on the worker's next passes.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 50)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    Result r;
    r.sent = count;
    r.refused = g_echoesRefused.load() - refusedBase;
    const sim::SimStats after = SimKeyboard::stats();
    r.delivered = after.deliveredReports - before.deliveredReports;
    r.dropped = after.droppedReports - before.droppedReports;
    SteadyClock::time_point lastEcho = sentAt.front();
    for (const sim::SimWrittenReport &w : kb.writtenReports()) {
        if (w.bytes.size() < 9 || w.bytes[1] != 0x04)
            continue;
        if (r.echoed < count) {
            if (w.bytes[8] != usageOf(r.echoed))
                ++r.mismatched;
            r.latencyUs.push_back(
                std::chrono::duration<double, std::micro>(w.writtenAt - sentAt[size_t(r.echoed)]).count());
        }
        lastEcho = w.writtenAt;
        ++r.echoed;
    }
    r.seconds = std::chrono::duration<double>(lastEcho - sentAt.front()).count();
    std::sort(r.latencyUs.begin(), r.latencyUs.end());
    return r;
}

void print(const char *what, const Result &r)
{
    std::printf("%s: %ld key-state reports sent, %d reports delivered (handshake answers included), %d dropped, "
                "%ld echoes written, %ld echoes out of order, %ld echoes refused by the link\n",
                what, r.sent, r.delivered, r.dropped, r.echoed, r.mismatched, r.refused);
    if (r.latencyUs.empty())
        return;
    std::printf("  report readable -> six-key echo written: median %.0f us, p99 %.0f us, max %.0f us\n",
                percentile(r.latencyUs, 0.5), percentile(r.latencyUs, 0.99), r.latencyUs.back());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler(countAndDrop);
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    const long flood = argc > 1 ? std::max(1L, std::atol(argv[1])) : 50000;

    SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
    mainPageDia window;
    if (!showConnected(window))
        return 1;
    // Lets the page lay out and the layout query be answered first.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    print("one at a time", runReports(kb, kPacedReports, true));
    const Result fast = runReports(kb, flood, false);
    print("as fast as taken", fast);
    std::printf("  answers handled with their echo written: %.0f per second (%.2f s; at most %ld in flight)\n",
                fast.seconds > 0 ? double(fast.echoed) / fast.seconds : 0.0, fast.seconds, kInFlight);
    return 0;
}
