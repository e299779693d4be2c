// The keyboard's firmware on a USB gadget: reads the frames the host writes to
// the gadget's vendor interface (/dev/hidgN), answers them with the same logic
// as the simulated keyboard, and logs every frame in both directions, so a test
// can tell what the tool sent through the kernel and what it got back.
//
//   tkt_gadget_firmware --device /dev/hidg2 --log fw.log [--product 7372]
//                       [--live-ms 500] [--magnetic-verdict 0|2]
//
// Runs until SIGTERM or SIGINT. While the gadget is unbound from its UDC the
// device stays; reads simply bring nothing and answers are dropped.

#include "firmwareAnswers.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

using Clock = std::chrono::steady_clock;

// An answer that cannot leave within this time (the host is gone) is dropped.
constexpr int kWriteWaitMs = 200;
// How long one wait for a frame lasts, so the stop flag and the live reports
// are looked at regularly.
constexpr int kPollMs = 20;

struct Options
{
    std::string device = "/dev/hidg2";
    std::string log;
    unsigned productId = 0xb23c;
    int liveMs = 0;
    int magneticVerdict = 0;
};

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char *value = argv[i + 1];
        if (key == "--device")
            o.device = value;
        else if (key == "--log")
            o.log = value;
        else if (key == "--product")
            o.productId = unsigned(std::strtoul(value, nullptr, 16)) & 0xffffu;
        else if (key == "--live-ms")
            o.liveMs = std::atoi(value);
        else if (key == "--magnetic-verdict")
            o.magneticVerdict = std::atoi(value);
        else
            return false;
    }
    return (argc % 2) == 1;
}

// A keyboard whose matrix has A, B and C at known cells: the key check fails A
// and B, the magnetic run passes A, so the page's colours can be checked.
sim::SimKeyboardConfig keyboardFor(const Options &o)
{
    sim::SimKeyboardConfig c;
    c.productId = uint16_t(o.productId);
    c.nameText = o.productId == 0x7372 ? "TAVRIN,M484,V2.0.1" : "TAVRIN,K87,V1.0.0";
    c.buildText = "Mar 14 2024,09:30:00";
    c.layout[0][0] = 0x04; // A
    c.layout[1][1] = 0x05; // B
    c.layout[0][2] = 0x06; // C
    c.keyCheckMasks[0] = 0x01;
    c.keyCheckMasks[1] = 0x02;
    c.magneticProgressAnswers = 2;
    c.magneticPassMasks[0] = 0x01;
    c.magneticVerdict = o.magneticVerdict;
    return c;
}

class FrameLog
{
public:
    explicit FrameLog(const std::string &path) : m_file(path.empty() ? stdout : std::fopen(path.c_str(), "a")) {}
    ~FrameLog()
    {
        if (m_file && m_file != stdout)
            std::fclose(m_file);
    }
    bool ok() const { return m_file != nullptr; }

    // Milliseconds since start, the direction, the byte count and the frame's head.
    void frame(const char *direction, const uint8_t *data, long length)
    {
        const long n = length < 0 ? 0 : length;
        std::fprintf(m_file, "%.3f %s %ld", ms(), direction, n);
        for (long i = 0; i < n && i < 8; ++i)
            std::fprintf(m_file, " %02x", data[i]);
        std::fputc('\n', m_file);
        std::fflush(m_file);
    }

    void note(const char *text)
    {
        std::fprintf(m_file, "%.3f %s\n", ms(), text);
        std::fflush(m_file);
    }

private:
    double ms() const { return std::chrono::duration<double, std::milli>(Clock::now() - m_start).count(); }

    std::FILE *m_file;
    Clock::time_point m_start = Clock::now();
};

bool send(int fd, const sim::Frame &frame, FrameLog &log)
{
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, kWriteWaitMs) <= 0 || !(p.revents & POLLOUT)) {
        log.frame("drop", frame.data(), long(frame.size()));
        return false;
    }
    const ssize_t n = write(fd, frame.data(), frame.size());
    log.frame(n == ssize_t(frame.size()) ? "tx" : "txfail", frame.data(), long(frame.size()));
    return n == ssize_t(frame.size());
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s --device /dev/hidgN --log FILE [--product HEX] [--live-ms N] "
                     "[--magnetic-verdict 0|2]\n",
                     argv[0]);
        return 2;
    }
    FrameLog log(options.log);
    if (!log.ok()) {
        std::fprintf(stderr, "cannot write %s: %s\n", options.log.c_str(), std::strerror(errno));
        return 1;
    }
    const int fd = open(options.device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", options.device.c_str(), std::strerror(errno));
        return 1;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    const sim::SimKeyboardConfig keyboard = keyboardFor(options);
    sim::FirmwareState state;
    log.note("ready");
    auto nextLive = Clock::now();
    while (!g_stop) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, kPollMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            uint8_t frame[sim::kReportSize] = {};
            const ssize_t n = read(fd, frame, sizeof frame);
            if (n > 0) {
                log.frame("rx", frame, long(n));
                for (const sim::Frame &answer : sim::firmwareAnswers(keyboard, state, frame, int(n)))
                    send(fd, answer, log);
            }
        } else if (ready < 0 && errno != EINTR) {
            log.note("poll failed");
            break;
        }
        if (options.liveMs > 0 && Clock::now() >= nextLive) {
            send(fd, sim::nextLiveKeyStateFrame(state), log);
            nextLive = Clock::now() + std::chrono::milliseconds(options.liveMs);
        }
    }
    close(fd);
    log.note("stopped");
    return 0;
}
