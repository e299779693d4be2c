// Figures of the HID link against a simulated keyboard that answers at once:
//  - round trip from queueWriteData to the answer handled on the GUI thread;
//  - the highest rate of unasked reports taken without losing one;
//  - CPU used while the link is open and idle, in percent of one core.
// Prints them; judges nothing.

#include "mainHidInterFace.h"
#include "simKeyboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

class Receiver : public QObject
{
public:
    QEventLoop *loop = nullptr;
    qint64 received = 0;
    qint64 outOfOrder = 0;
    int lastSequence = -1;
    QElapsedTimer clock;
    qint64 lastAt = 0;

    void onReport(unsigned char *buffer, int length)
    {
        const MainHidInterFace::TakenReport taken = MainHidInterFace::takeReport(buffer);
        const unsigned char *data = taken.data.get();
        if (data && length >= 10 && data[1] == 0x04) {
            const int sequence = data[6] | (data[7] << 8) | (data[8] << 16);
            if (sequence <= lastSequence)
                ++outOfOrder;
            lastSequence = sequence;
        }
        ++received;
        lastAt = clock.nsecsElapsed();
        if (loop)
            loop->quit();
    }
};

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void roundTrip(MainHidInterFace &link, Receiver &receiver)
{
    const int rounds = 2000;
    std::vector<double> micros;
    micros.reserve(rounds);
    std::vector<uint8_t> handshake = sim::makeFrame(0x01);
    QEventLoop loop;
    receiver.loop = &loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    int lost = 0;
    for (int i = 0; i < rounds; ++i) {
        const qint64 before = receiver.received;
        const qint64 t0 = receiver.clock.nsecsElapsed();
        link.queueWriteData(handshake.data());
        guard.start(1000);
        while (receiver.received == before && guard.isActive())
            loop.exec();
        if (receiver.received == before) {
            ++lost;
            continue;
        }
        micros.push_back(double(receiver.lastAt - t0) / 1000.0);
    }
    receiver.loop = nullptr;
    std::sort(micros.begin(), micros.end());
    if (micros.empty()) {
        std::printf("round trip: no answer in %d rounds\n", rounds);
        return;
    }
    const auto at = [&](double q) { return micros[std::min(micros.size() - 1, size_t(q * double(micros.size())))]; };
    std::printf("round trip (queueWriteData -> answer handled on GUI thread), %zu rounds: median %.0f us, "
                "p99 %.0f us, max %.0f us, unanswered %d\n",
                micros.size(), at(0.5), at(0.99), micros.back(), lost);
}

// Feeds `rate` reports per second for `seconds`; true when every one arrived.
bool feedAt(sim::SimKeyboard &kb, Receiver &receiver, int rate, double seconds, qint64 &sent, qint64 &got)
{
    receiver.received = 0;
    receiver.lastSequence = -1;
    receiver.outOfOrder = 0;
    const sim::SimStats before = sim::SimKeyboard::stats();
    std::atomic<bool> done{false};
    sent = qint64(rate * seconds);
    std::thread feeder([&] {
        std::vector<uint8_t> report = sim::makeFrame(0x04, 9);
        QElapsedTimer t;
        t.start();
        for (qint64 i = 0; i < sent; ++i) {
            const qint64 due = qint64(double(i) * 1e9 / rate);
            while (t.nsecsElapsed() < due)
                std::this_thread::yield();
            report[6] = uint8_t(i);
            report[7] = uint8_t(i >> 8);
            report[8] = uint8_t(i >> 16);
            kb.sendReport(report.data(), 64);
        }
        done = true;
    });
    QElapsedTimer wall;
    wall.start();
    while (!done.load() || (receiver.received < sent && wall.elapsed() < qint64(seconds * 1000) + 2000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    feeder.join();
    got = receiver.received;
    const int dropped = sim::SimKeyboard::stats().droppedReports - before.droppedReports;
    return got == sent && dropped == 0 && receiver.outOfOrder == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    sim::SimKeyboard kb = sim::SimKeyboard::plugIn(sim::SimKeyboardConfig());

    MainHidInterFace link;
    Receiver receiver;
    receiver.clock.start();
    QObject::connect(&link, &MainHidInterFace::sigHidDataArrived, &receiver, &Receiver::onReport);
    link.setVidPid(0x0416, 0xb23c);
    link.getHidList();
    if (link.hidOpenPath() != 0) {
        std::printf("could not open the simulated keyboard\n");
        return 1;
    }
    link.start();

    roundTrip(link, receiver);

    int best = 0;
    for (int rate : {500, 1000, 2000, 3000, 4000, 6000, 8000, 12000, 16000}) {
        qint64 sent = 0, got = 0;
        const bool clean = feedAt(kb, receiver, rate, 1.0, sent, got);
        std::printf("unasked reports at %5d/s for 1 s: sent %lld, delivered %lld%s\n", rate, sent, got,
                    clean ? "" : "  <- loss");
        if (!clean)
            break;
        best = rate;
    }
    std::printf("highest rate without loss: %d reports/s\n", best);

    // Idle: nothing queued, nothing sent; the GUI thread sleeps, so the
    // process's CPU time is the worker's waiting for reports that never come.
    QThread::msleep(200);
    const double cpu0 = processCpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QThread::sleep(3);
    const double cpu = processCpuSeconds() - cpu0;
    const double wall = double(idle.nsecsElapsed()) / 1e9;
    std::printf("idle while open: %.2f %% of a core (%.3f CPU s over %.2f s)\n", 100.0 * cpu / wall, cpu, wall);

    link.closeHid();
    return 0;
}
