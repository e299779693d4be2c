#pragma once

// Inside of the simulator, shared by the control API (simKeyboard.cpp) and the
// hidapi functions (simHidapi.cpp). Everything here is touched only with
// Registry::mutex held.

#include "firmwareAnswers.h"
#include "simKeyboard.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

namespace sim {

using Clock = std::chrono::steady_clock;

struct QueuedReport
{
    std::array<uint8_t, kReportSize> bytes{};
    int length = 0;
    Clock::time_point due;
};

struct KeyboardState
{
    SimKeyboardConfig config;
    bool present = true; // false once resetAll forgot it
    bool plugged = true;
    int failOpens = 0;
    bool hung = false; // the firmware takes no report: every write times out
    FirmwareState firmware;
    Clock::time_point nextLiveReport;
    std::deque<QueuedReport> pending; // scripted reports not yet due
};

} // namespace sim

// hidapi's opaque handle type; the simulator gives it its content.
struct hid_device_
{
    int id = 0;
    int keyboard = -1;
    int interfaceNumber = -1;
    bool nonblocking = false;
    bool dead = false; // the keyboard was forgotten by resetAll
    int reads = 0;
    std::deque<sim::QueuedReport> input;
    std::wstring error;
    struct hid_device_info *info = nullptr;
};

namespace sim {

struct Registry
{
    std::mutex mutex;
    std::condition_variable arrived; // a report was queued or a device went away
    std::vector<KeyboardState> keyboards;
    std::set<hid_device_ *> handles;
    std::vector<SimWrittenReport> written;
    SimStats stats;
    int nextHandleId = 1;
};

Registry &registry();

// Fills in a path for every interface that has none.
void completePaths(SimKeyboardConfig &config, int keyboardIndex);
// Queues a report for every handle open on the keyboard's interface.
void deliverLocked(Registry &r, int keyboard, int interfaceNumber, const uint8_t *data, int length,
                   Clock::time_point due);
// Moves scripted and periodic reports that are due into the handles' queues.
void pumpLocked(Registry &r, int keyboard, Clock::time_point now);
// The firmware's answer to one written report.
void answerLocked(Registry &r, int keyboard, const uint8_t *data, int length);

} // namespace sim
