#pragma once

#include "calibrationVerdict.h"
#include "hidAnswer.h"
#include "hidReport.h"
#include "keyMatrix.h"
#include "sixKeyTracker.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class UnitRecorder;

// A report to queue for the link, with the log line for each outcome.
struct AnswerReply
{
    HidReport report{};
    std::string failedLine;
    std::string successLine;
};

// Which page colours a key result paints: the key check's (bad keys red) or
// the calibration run's (named keys green).
enum class KeyResultMode
{
    KeyCheck = 0,
    Calibration = 1
};

// What one answer led to, for the window to show and queue.
struct AnswerEffects
{
    std::vector<std::string> logLines;
    std::vector<AnswerReply> replies;
    std::optional<bool> calibrated; // the magnetic platform's handshake: the calibration label
    Key1010Mark key1010 = Key1010Mark::None;
    // Key results to colour on the page, as HID usages; only with a complete matrix.
    std::optional<std::vector<int>> keyResult;
    KeyResultMode keyResultMode = KeyResultMode::KeyCheck;
    ProductionVerdict production = ProductionVerdict::None;
    bool productionFinished = false;
};

// Handles the firmware's answers one at a time, on the thread that owns the
// recorder: decodes each, keeps the six-key echo and the key matrix, decides
// what reaches the unit's recorder, and says what the window shows and which
// reports go back to the keyboard. Times are a steady clock's, in ms.
class AnswerHandler
{
public:
    // Rows of a layout query may arrive this long after it was sent.
    static constexpr std::int64_t LayoutAnswerMs = 1000;

    explicit AnswerHandler(UnitRecorder &recorder) : m_recorder(recorder) {}

    // The platform chosen (4-digit id texts): another platform has another matrix.
    void setPlatform(const std::string &vid4, const std::string &pid4, bool magnetic);
    // A keyboard is being connected: an incomplete matrix is asked for anew.
    void beginConnection() { m_matrix.beginConnection(); }
    // The link is open: the layout query when the matrix is still needed.
    std::vector<AnswerReply> linkOpened(std::int64_t nowMs);
    // The operator starts a key check or calibration run: earlier masks are dropped.
    void checkStarted() { m_matrix.clearMasks(); }

    // irTest: the IR/HE test is chosen, which takes the key-state answers off the page.
    AnswerEffects handle(const std::uint8_t *data, int length, bool irTest, std::int64_t nowMs);

private:
    void keyCheck(const HidAnswer &answer, std::int64_t nowMs, AnswerEffects &out);
    void calibration(const HidAnswer &answer, std::int64_t nowMs, AnswerEffects &out);
    // Masks cannot be placed on a partial matrix: the matrix is asked for again.
    void askForLayout(std::int64_t nowMs, AnswerEffects &out);
    AnswerReply layoutQuery(std::int64_t nowMs);

    UnitRecorder &m_recorder;
    KeyMatrix m_matrix;
    SixKeyTracker m_sixKeys;
    bool m_magnetic = false;
    std::optional<std::int64_t> m_layoutQueryAtMs;
    int m_echoCount = 0;
};
