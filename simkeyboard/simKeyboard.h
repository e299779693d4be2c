#pragma once

// A simulated keyboard firmware behind hidapi's C functions (simHidapi.cpp), so
// the HID link and everything above it runs without hardware. This header is
// the control side: tests (and the drop-in library's start-up) plug keyboards
// in, script what they send, pull them out and read back what was written.
//
// All state lives in one process-wide registry guarded by one mutex: the link's
// worker reads while the GUI thread writes and a test thread steers.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

constexpr int kReportSize = 64;
constexpr int kLayoutRows = 6;
constexpr int kLayoutColumns = 22;
// Like the kernel's hidraw buffer: a reader that falls this far behind loses
// the newest reports, and the loss is counted.
constexpr int kInputQueueDepth = 64;

struct SimInterface
{
    int number = 0;
    std::string path; // empty: one is made up from the ids and the number
};

struct SimKeyboardConfig
{
    uint16_t vendorId = 0x0416;
    uint16_t productId = 0xb23c;
    std::wstring manufacturer = L"Tavrin";
    std::wstring product = L"Simulated keyboard";
    std::wstring serial = L"SIM0001";
    std::vector<SimInterface> interfaces{{0, {}}, {1, {}}, {2, {}}};
    int commandInterface = 2; // the interface whose writes the firmware answers

    // Identity answers to 0x0D: raw bytes, copied from byte 6 (at most 58 are
    // sent; no terminator is added when the text fills the report).
    std::string nameText = "TAVRIN,K87,V1.0.0";
    std::string buildText = "Jan  5 2024,10:11:12";
    // The first this-many queries are answered with the build-time report only,
    // as a keyboard does that answers first with its build time.
    int buildTextFirstQueries = 0;
    bool answerIdentity = true;

    bool answerHandshake = true;
    bool calibrated = false; // byte 20 of the handshake answer

    std::array<std::array<uint8_t, kLayoutColumns>, kLayoutRows> layout{};
    // A layout query is answered with the first this-many rows (rows lost on the way).
    int layoutRowsAnswered = kLayoutRows;
    std::array<uint8_t, kLayoutColumns> keyCheckMasks{};

    // Magnetic check: this many status-1 answers with passMasks, then one with
    // magneticVerdict (0 passed, 2 failed) and verdictMasks.
    int magneticProgressAnswers = 2;
    int magneticVerdict = 0;
    std::array<uint8_t, kLayoutColumns> magneticPassMasks{};
    std::array<uint8_t, kLayoutColumns> magneticVerdictMasks{};

    // Answers and scripted reports are cut to this many bytes (short reads).
    int reportLength = kReportSize;
    // Delay before an answer can be read.
    int answerDelayMs = 0;
    // While the command interface is open, a key-state report (key 1010 down,
    // then all up, alternately) every this-many ms; 0 = never.
    int liveKeyStateMs = 0;
};

struct SimWrittenReport
{
    int keyboard = -1;
    int interfaceNumber = -1;
    int handle = -1;
    int readsBefore = 0; // reads made on this handle before this write
    std::vector<uint8_t> bytes;
    // When hid_write took it, so a benchmark can time an echo against the
    // report that caused it.
    std::chrono::steady_clock::time_point writtenAt{};
};

struct SimStats
{
    int initCalls = 0;
    int exitCalls = 0;
    int exitCallsWhileOpen = 0; // hid_exit while some handle was still open
    int openHandles = 0;
    int openCalls = 0;
    int failedOpens = 0;
    int droppedReports = 0; // lost to a full input queue
    int deliveredReports = 0;
};

// One simulated keyboard in the registry. Copies name the same keyboard.
class SimKeyboard
{
public:
    static SimKeyboard plugIn(const SimKeyboardConfig &config);
    // Unplugs and forgets every keyboard; handles still open become dead
    // (reads and writes fail) until their owner closes them. Also clears the
    // log and the statistics.
    static void resetAll();
    static std::vector<SimWrittenReport> allWrittenReports();
    static void clearWrittenReports();
    static SimStats stats();
    // The first keyboard with these ids that is (or is not) plugged in; one
    // whose id() is -1 when there is none (its methods then do nothing).
    static SimKeyboard find(uint16_t vendorId, uint16_t productId, bool plugged);

    int id() const { return m_id; }
    // Reads on open handles return -1, enumeration no longer lists it, opens fail.
    void unplug();
    void replug();
    // The next n opens of any of its interfaces fail.
    void failNextOpens(int n);
    // A firmware that hangs: every write fails as the kernel's write timeout
    // ends it, while reads go on finding nothing, so the keyboard stays listed
    // and its link open.
    void setHung(bool hung);
    // An unasked report on the command interface, readable after delayMs.
    // length < 64 makes a short read.
    void sendReport(const uint8_t *data, int length, int delayMs = 0);
    // A whole script: each report becomes readable after its own delay from now.
    struct Scripted
    {
        int delayMs;
        std::vector<uint8_t> bytes;
    };
    void playScript(const std::vector<Scripted> &script);
    void setReportLength(int length);
    void setCalibrated(bool calibrated);
    std::vector<SimWrittenReport> writtenReports() const;
    int identityQueries() const;

private:
    explicit SimKeyboard(int id) : m_id(id) {}
    int m_id;
};

// Told of every plugIn, unplug and replug that changed something: after the
// change, outside the registry's lock, on the thread that made it, so the
// listener may call back into the simulator. An empty listener stops it.
using PlugListener = std::function<void(uint16_t vid, uint16_t pid, int keyboard, bool plugged)>;
void setPlugListener(PlugListener listener);

// 64-byte frame: report id 0x01, the code, byte 5 and data from byte 6.
std::vector<uint8_t> makeFrame(uint8_t code, uint8_t lengthByte = 0, const std::vector<uint8_t> &data = {});

} // namespace sim
