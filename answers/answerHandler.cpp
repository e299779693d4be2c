#include "answerHandler.h"

#include "unitRecorder.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

std::string hex2(int value)
{
    char text[8] = {};
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

} // namespace

void AnswerHandler::setPlatform(const std::string &vid4, const std::string &pid4, bool magnetic)
{
    m_matrix.setPlatform(vid4, pid4);
    m_magnetic = magnetic;
}

AnswerReply AnswerHandler::layoutQuery(std::int64_t nowMs)
{
    m_layoutQueryAtMs = nowMs;
    return {buildGetLayoutReport(), "USB serial port [Get keyboard layout] Failed ...",
            "USB serial port [Get keyboard layout] Successful ..."};
}

std::vector<AnswerReply> AnswerHandler::linkOpened(std::int64_t nowMs)
{
    if (!m_matrix.needsLayoutQuery())
        return {};
    return {layoutQuery(nowMs)};
}

AnswerEffects AnswerHandler::handle(const std::uint8_t *data, int length, bool irTest, std::int64_t nowMs)
{
    AnswerEffects out;
    const HidAnswer answer = decodeHidAnswer(data, length);
    switch (answer.kind) {
    case HidAnswerKind::TooShort:
        out.logLines.push_back("---------- *** answer 0x" + hex2(answer.code) +
                               " too short: " + std::to_string(answer.length) + " of " +
                               std::to_string(answer.minimumLength) + " bytes, dropped *** ----------");
        break;
    case HidAnswerKind::Handshake:
        if (m_magnetic)
            out.calibrated = answer.calibrated;
        break;
    case HidAnswerKind::KeyState: {
        if (irTest)
            break;
        m_sixKeys.applyKeyState(answer.keyState);
        out.replies.push_back({buildSixKeyReport(m_sixKeys.sixKeyReport().data()),
                               "USB serial port [Write Key] Failed ...",
                               "********************USB serial port [Write Six Key] Successful ...m_testNum:" +
                                   std::to_string(m_echoCount)});
        // A shift of echoes must not wrap the count into negative numbers.
        m_echoCount = m_echoCount == INT_MAX ? 0 : m_echoCount + 1;
        out.key1010 = m_sixKeys.applyKey1010(answer.key1010);
        break;
    }
    case HidAnswerKind::FullKey:
        out.replies.push_back({buildFullKeyReport(answer.report.data()), "USB serial port [Write Key] Failed ...",
                               "USB serial port [Write Full Key] Successful ..."});
        break;
    case HidAnswerKind::LayoutRow: {
        bool completed = false;
        m_matrix.addRow(answer.columns, &completed);
        if (completed)
            out.logLines.push_back("--------------------- Keyboard layout [Get Over] ----------------------------");
        break;
    }
    case HidAnswerKind::KeyCheck:
        keyCheck(answer, nowMs, out);
        break;
    case HidAnswerKind::Calibration:
        calibration(answer, nowMs, out);
        break;
    case HidAnswerKind::Multimedia: {
        const auto &m = answer.multimedia;
        out.replies.push_back({buildMultimediaReport(m[0], m[1], m[2]), "USB serial port [Write Multimedia] Failed ...",
                               "USB serial port [Write Multimedia CMD: " + std::to_string(m[0]) +
                                   "  Multimedia CMD: " + std::to_string(m[1]) +
                                   "  Multimedia CMD: " + std::to_string(m[2]) + "] Successful ..."});
        break;
    }
    case HidAnswerKind::Other:
        break;
    }
    return out;
}

void AnswerHandler::askForLayout(std::int64_t nowMs, AnswerEffects &out)
{
    out.logLines.push_back("---------- *** key result not shown: keyboard layout incomplete (" +
                           std::to_string(m_matrix.rowCount()) + " of 6 rows) *** ----------");
    // Rows of a query just sent may still be coming; restarting the table
    // under them would mix two answers.
    if (m_layoutQueryAtMs && nowMs - *m_layoutQueryAtMs < LayoutAnswerMs)
        return;
    m_matrix.beginConnection();
    out.replies.push_back(layoutQuery(nowMs));
}

void AnswerHandler::keyCheck(const HidAnswer &answer, std::int64_t nowMs, AnswerEffects &out)
{
    m_matrix.addMasks(answer.columns);
    // Every mask reaches the recorder, placed or not: a partial matrix must
    // not let a unit with bad keys pass on its keys alone.
    std::vector<std::pair<int, int>> cells;
    std::vector<int> badKeys = m_matrix.badKeys(&cells);
    std::vector<MatrixPosition> unplaced;
    for (const auto &[row, column] : cells)
        unplaced.push_back({row, column});
    if (m_matrix.isComplete()) {
        out.keyResult = badKeys;
        out.keyResultMode = KeyResultMode::KeyCheck;
    } else {
        askForLayout(nowMs, out);
    }
    m_recorder.keyCheckResult(std::move(badKeys), std::move(unplaced));
}

void AnswerHandler::calibration(const HidAnswer &answer, std::int64_t nowMs, AnswerEffects &out)
{
    const int status = answer.calibrationStatus;
    out.logLines.push_back("------------------------------------------------- m_responseCalibrationStatus:" +
                           std::to_string(status));
    const CalibrationStep step = calibrationStep(status);
    std::vector<int> keyDecs;
    if (step.applyMasks) {
        m_matrix.addMasks(answer.columns);
        if (m_matrix.isComplete()) {
            keyDecs = m_matrix.badKeyDecList();
            out.logLines.push_back("-------------------------------m_badKeyDecList.size():" +
                                   std::to_string(keyDecs.size()));
            out.keyResult = keyDecs;
            out.keyResultMode = KeyResultMode::Calibration;
        } else {
            askForLayout(nowMs, out);
        }
    }
    // A failed run names no keys: the record gets the keys of the matrix that
    // the run's answers did not pass, where the whole matrix is known.
    if (step.verdict == ProductionVerdict::Failed && m_matrix.isComplete()) {
        const std::vector<int> passed = m_matrix.badKeyDecList();
        for (int row = 0; row < KeyMatrix::Rows; ++row)
            for (int column = 0; column < KeyMatrix::Columns; ++column) {
                const int keyDec = m_matrix.cell(row, column);
                if (keyDec != 0 && std::find(passed.begin(), passed.end(), keyDec) == passed.end())
                    keyDecs.push_back(keyDec);
            }
    }
    // The calibration's verdict is the status byte's alone, masks or not.
    m_recorder.calibrationAnswer(status, std::move(keyDecs));
    out.production = step.verdict;
    out.productionFinished = step.finished;
}
