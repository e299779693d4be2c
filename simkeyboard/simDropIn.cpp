// Only in the preloadable library: plugs in the keyboards named by
// TKT_SIM_KEYBOARDS when the library is loaded, so the real program finds a
// keyboard at start-up without any code of its own knowing about the simulator.
//
//   TKT_SIM_KEYBOARDS="0416:b23c,0416:7372"   vendor:product pairs (hex), or "none"
//   TKT_SIM_LIVE_MS=1500                      key-state report period while open (0 = off)
//   TKT_SIM_CONTROL=/path/to/fifo             plug and unplug while the program runs
//   TKT_SIM_MAGNETIC_VERDICT=2                the magnetic check's verdict status (0 passed, 2 failed)
//
// Without TKT_SIM_KEYBOARDS, one NUC121 keyboard (0416:b23c) is plugged in.
//
// With TKT_SIM_CONTROL, the named FIFO (made when missing) takes lines
// "plug vvvv:pppp", "unplug vvvv:pppp" and "replug vvvv:pppp", and the
// program's udev monitor sees each change as the USB device's event
// (simUdev.cpp), so the tool follows plugging as with real keyboards.

#include "simKeyboard.h"
#include "simUdev.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Row = std::array<uint8_t, sim::kLayoutColumns>;

// A small ten-keyless matrix in HID usages, row by row.
const std::array<Row, sim::kLayoutRows> kLayout = {{
    {0x29, 0x00, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48},
    {0x35, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x2D, 0x2E, 0x2A, 0x49, 0x4A, 0x4B},
    {0x2B, 0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13, 0x2F, 0x30, 0x31, 0x4C, 0x4D, 0x4E},
    {0x39, 0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F, 0x33, 0x34, 0x28},
    {0xE1, 0x1D, 0x1B, 0x06, 0x19, 0x05, 0x11, 0x10, 0x36, 0x37, 0x38, 0xE5, 0x00, 0x00, 0x00, 0x52},
    {0xE0, 0xE3, 0xE2, 0x2C, 0xE6, 0xE7, 0x65, 0xE4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x51, 0x4F},
}};

bool parseEntry(const std::string &entry, uint16_t &vid, uint16_t &pid)
{
    unsigned v = 0, p = 0;
    char tail = 0;
    if (std::sscanf(entry.c_str(), "%x:%x%c", &v, &p, &tail) != 2 || v > 0xffff || p > 0xffff)
        return false;
    vid = uint16_t(v);
    pid = uint16_t(p);
    return true;
}

sim::SimKeyboardConfig configFor(uint16_t vid, uint16_t pid, int liveMs, int index)
{
    sim::SimKeyboardConfig c;
    c.vendorId = vid;
    c.productId = pid;
    c.manufacturer = L"Tavrin Simulated";
    wchar_t product[64];
    std::swprintf(product, 64, L"Simulated keyboard %04x:%04x", vid, pid);
    c.product = product;
    char name[58];
    std::snprintf(name, sizeof name, "TAVRIN,SIM-%04X,V1.0.%d", pid, index);
    c.nameText = name;
    c.buildText = "Jan  5 2024,10:11:12";
    c.layout = kLayout;
    c.keyCheckMasks[2] = 0x02; // one key of the second row fails the key check
    c.calibrated = true;
    c.magneticProgressAnswers = 3;
    c.magneticPassMasks.fill(0x3F);
    const char *verdict = std::getenv("TKT_SIM_MAGNETIC_VERDICT");
    c.magneticVerdict = verdict ? std::atoi(verdict) : 0;
    c.liveKeyStateMs = liveMs;
    return c;
}

// The keyboards that the program can plug in; the control thread adds to
// them after start-up.
int g_liveMs = 1500;
int g_nextIndex = 0;

constexpr int kMaxKeyboards = 32;

void plug(uint16_t vid, uint16_t pid)
{
    sim::SimKeyboard unplugged = sim::SimKeyboard::find(vid, pid, false);
    if (unplugged.id() >= 0)
        unplugged.replug();
    else if (g_nextIndex < kMaxKeyboards)
        sim::SimKeyboard::plugIn(configFor(vid, pid, g_liveMs, g_nextIndex++));
    else
        std::fprintf(stderr, "simulated keyboard: no more than %d keyboards\n", kMaxKeyboards);
}

void control(const std::string &line)
{
    char command[16] = {};
    char ids[32] = {};
    uint16_t vid = 0, pid = 0;
    if (std::sscanf(line.c_str(), "%15s %31s", command, ids) != 2 || !parseEntry(ids, vid, pid)) {
        std::fprintf(stderr, "simulated keyboard: ignoring control line \"%s\" (want plug|unplug|replug vvvv:pppp)\n",
                     line.c_str());
        return;
    }
    const std::string what = command;
    if (what == "unplug" || what == "replug") {
        sim::SimKeyboard plugged = sim::SimKeyboard::find(vid, pid, true);
        if (plugged.id() < 0)
            std::fprintf(stderr, "simulated keyboard: no %04x:%04x plugged in\n", vid, pid);
        plugged.unplug();
    }
    if (what == "plug" || what == "replug")
        plug(vid, pid);
    if (what != "plug" && what != "unplug" && what != "replug")
        std::fprintf(stderr, "simulated keyboard: unknown control command \"%s\"\n", command);
    else
        std::fprintf(stderr, "simulated keyboard: %s %04x:%04x\n", command, vid, pid);
}

// Opened for reading and writing, the FIFO never reports an end when a
// writer such as echo closes it, so one open serves the whole run.
void controlLoop(std::string fifo)
{
    const int fd = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "simulated keyboard: cannot open %s: %s\n", fifo.c_str(), std::strerror(errno));
        return;
    }
    std::string line;
    char buffer[256];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                if (!line.empty())
                    control(line);
                line.clear();
            } else if (line.size() < 128) {
                line += buffer[i];
            }
        }
    }
    close(fd);
}

void startControl(const char *fifo)
{
    struct stat info;
    if (stat(fifo, &info) != 0 && mkfifo(fifo, 0600) != 0) {
        std::fprintf(stderr, "simulated keyboard: cannot make %s: %s\n", fifo, std::strerror(errno));
        return;
    }
    if (stat(fifo, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        std::fprintf(stderr, "simulated keyboard: %s is not a FIFO\n", fifo);
        return;
    }
    sim::setPlugListener(sim::postUdevPlugEvent);
    std::thread(controlLoop, std::string(fifo)).detach();
    std::fprintf(stderr, "simulated keyboard: plugging by lines written to %s\n", fifo);
}

struct DropIn
{
    DropIn()
    {
        const char *live = std::getenv("TKT_SIM_LIVE_MS");
        g_liveMs = live ? std::max(0, std::atoi(live)) : 1500;
        const char *env = std::getenv("TKT_SIM_KEYBOARDS");
        const std::string list = env ? env : "0416:b23c";
        if (list != "none")
            plugList(list);
        std::fprintf(stderr, "simulated keyboard: %d keyboard(s) plugged in\n", g_nextIndex);
        // Last: from here on the control thread plugs too.
        const char *control = std::getenv("TKT_SIM_CONTROL");
        if (control && *control)
            startControl(control);
    }

    static void plugList(const std::string &list)
    {
        size_t start = 0;
        // Bounded by the text itself: each turn consumes at least one character.
        while (start <= list.size() && g_nextIndex < kMaxKeyboards) {
            const size_t comma = list.find(',', start);
            const std::string entry =
                list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            uint16_t vid = 0, pid = 0;
            if (parseEntry(entry, vid, pid))
                sim::SimKeyboard::plugIn(configFor(vid, pid, g_liveMs, g_nextIndex++));
            else if (!entry.empty())
                std::fprintf(stderr, "simulated keyboard: ignoring \"%s\" (want vvvv:pppp)\n", entry.c_str());
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
};

const DropIn dropIn;

} // namespace
