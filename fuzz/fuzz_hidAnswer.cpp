// Feeds sequences of firmware reports through the answer units the way the window drives them.
// The input is cut into chunks: [length][control][report bytes ...]. The length byte is the
// length the link reports (0..255, so lengths past 64 occur); the report buffer is allocated
// with exactly the bytes that length covers, so any read past it is an ASan error. Control bits
// play the operator and the device: a platform change, a new connection, the IR/HE test button,
// and whether the IR/HE test is selected.
//
// Beyond "no crash, no UB" it checks what the window relies on: a decoded answer never claims
// more bytes than were read, masks and lists stay within the matrix, the six-key report holds at
// most six distinct usages that are all still held, and a platform change or a new connection
// leaves the layout table empty or complete.
#include "calibrationVerdict.h"
#include "hidAnswer.h"
#include "hidReport.h"
#include "keyMatrix.h"
#include "sixKeyTracker.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        abort();
}

constexpr std::uint8_t PlatformChange = 0x01; // bits 1-2 pick one of four platforms
constexpr std::uint8_t NewConnection = 0x08;
constexpr std::uint8_t IrTestButton = 0x10;   // empties the masks, as pressing the button does
constexpr std::uint8_t IrTestSelected = 0x20; // key-state answers are ignored while set

const char *const platformVid[4] = {"0416", "0416", "258a", "0c45"};
const char *const platformPid[4] = {"b23c", "7372", "002a", "7698"};

struct Window
{
    SixKeyTracker tracker;
    KeyMatrix matrix;
    std::array<std::uint8_t, 8> lastApplied{};
    bool irTest = false;
    int platform = -1;

    void control(std::uint8_t bits)
    {
        if (bits & PlatformChange) {
            const int p = (bits >> 1) & 3;
            matrix.setPlatform(platformVid[p], platformPid[p]);
            if (p != platform)
                check(matrix.rowCount() == 0 && matrix.cell(0, 0) == 0 && matrix.cell(5, 21) == 0);
            platform = p;
        }
        if (bits & NewConnection) {
            matrix.beginConnection();
            check(matrix.rowCount() == 0 || matrix.isComplete());
        }
        if (bits & IrTestButton) {
            matrix.clearMasks();
            check(matrix.badKeyMaskMap().empty());
        }
        irTest = (bits & IrTestSelected) != 0;
    }

    void judgeKeys()
    {
        const auto &masks = matrix.badKeyMaskMap();
        check(masks.size() <= size_t(KeyMatrix::Columns));
        for (const auto &[column, mask] : masks)
            check(column >= 0 && column < KeyMatrix::Columns && mask > 0 && mask <= 0xFF);
        // An incomplete table would judge every key it lacks as usage 0.
        if (!matrix.isComplete())
            return;
        const std::vector<int> list = matrix.badKeyDecList();
        check(list.size() <= size_t(KeyMatrix::Rows * KeyMatrix::Columns));
        for (int keyDec : list)
            check(keyDec >= 0 && keyDec <= 0xFF);
    }

    void checkSixKeyReport() const
    {
        const auto &report = tracker.sixKeyReport();
        check(report[1] == 0);
        bool freeSeen = false;
        for (int slot = 2; slot < 8; ++slot) {
            const std::uint8_t usage = report[size_t(slot)];
            if (usage == 0) {
                freeSeen = true;
                continue;
            }
            check(!freeSeen); // pressed keys stay packed from slot 2
            check(std::count(report.begin() + 2, report.end(), usage) == 1);
            check(std::find(lastApplied.begin() + 2, lastApplied.end(), usage) != lastApplied.end());
        }
        // A modifier bit is set only while the key state holds it, as a bit or as a usage.
        std::uint8_t held = lastApplied[0];
        for (int p = 2; p < 8; ++p) {
            if (lastApplied[size_t(p)] >= 0xE0 && lastApplied[size_t(p)] <= 0xE7)
                held = std::uint8_t(held | (1u << (lastApplied[size_t(p)] & 7)));
        }
        check((report[0] & ~held) == 0);
    }

    void handle(const HidAnswer &a)
    {
        switch (a.kind) {
        case HidAnswerKind::KeyState: {
            if (irTest)
                break;
            tracker.applyKeyState(a.keyState);
            lastApplied = a.keyState;
            checkSixKeyReport();
            const HidReport echo = buildSixKeyReport(tracker.sixKeyReport().data());
            check(echo[1] == HidCmd_SixKey);
            tracker.applyKey1010(a.key1010);
            break;
        }
        case HidAnswerKind::FullKey: {
            const HidReport echo = buildFullKeyReport(a.report.data());
            check(std::equal(echo.begin() + 6, echo.begin() + 19, a.report.begin() + 6));
            break;
        }
        case HidAnswerKind::LayoutRow: {
            const int before = matrix.rowCount();
            bool completed = false;
            const bool stored = matrix.addRow(a.columns, &completed);
            check(stored == (before < KeyMatrix::Rows));
            check(completed == (stored && matrix.isComplete()));
            check(matrix.rowCount() >= 0 && matrix.rowCount() <= KeyMatrix::Rows);
            break;
        }
        case HidAnswerKind::KeyCheck:
            matrix.addMasks(a.columns);
            judgeKeys();
            break;
        case HidAnswerKind::Calibration: {
            const CalibrationStep step = calibrationStep(a.calibrationStatus);
            check(step.finished == (step.verdict != ProductionVerdict::None));
            if (step.applyMasks) {
                matrix.addMasks(a.columns);
                judgeKeys();
            }
            break;
        }
        case HidAnswerKind::Multimedia:
            buildMultimediaReport(a.multimedia[0], a.multimedia[1], a.multimedia[2]);
            break;
        case HidAnswerKind::Handshake:
        case HidAnswerKind::Other:
        case HidAnswerKind::TooShort:
            break;
        }
    }
};

void checkDecoded(const HidAnswer &a, int readable, const std::uint8_t *bytes)
{
    check(a.length == readable);
    if (a.length >= 2)
        check(a.code == bytes[1]);
    if (a.kind == HidAnswerKind::TooShort) {
        check(a.minimumLength > a.length);
        return;
    }
    const std::uint8_t byte6 = a.length > 6 ? bytes[6] : 0;
    const std::uint8_t byte7 = a.length > 7 ? bytes[7] : 0;
    check(a.length >= 2 && a.length >= minimumAnswerLength(a.code, byte6, byte7));
    if (a.kind == HidAnswerKind::FullKey) {
        for (int i = a.length; i < HidReportSize; ++i)
            check(a.report[size_t(i)] == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Window window;
    size_t at = 0;
    // Bounded by the input: every chunk consumes at least its two header bytes.
    while (at + 2 <= size) {
        const int length = data[at];
        window.control(data[at + 1]);
        at += 2;
        const size_t readable = size_t(std::min(length, HidReportSize));
        const size_t available = std::min(readable, size - at);
        // Exactly the bytes the length covers; input that runs out is padded with zeros.
        // A zero-length allocation still gives a pointer that ASan guards.
        std::unique_ptr<std::uint8_t[]> report(new std::uint8_t[readable]());
        if (available > 0)
            std::memcpy(report.get(), data + at, available);
        at += available;

        const HidAnswer answer = decodeHidAnswer(report.get(), length);
        checkDecoded(answer, int(readable), report.get());
        window.handle(answer);
    }
    return 0;
}
