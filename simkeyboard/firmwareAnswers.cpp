#include "firmwareAnswers.h"

#include <algorithm>

namespace sim {

std::vector<uint8_t> makeFrame(uint8_t code, uint8_t lengthByte, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> frame(kReportSize, 0);
    frame[0] = 0x01;
    frame[1] = code;
    frame[5] = lengthByte;
    const size_t n = std::min(data.size(), size_t(kReportSize - 6));
    std::copy(data.begin(), data.begin() + long(n), frame.begin() + 6);
    return frame;
}

namespace {

// A magnetic run answers this many progress reports at most, whatever the
// configuration asks for.
constexpr int kMaxProgressAnswers = 1000;

Frame textFrame(const std::string &text)
{
    const size_t n = std::min(text.size(), size_t(kReportSize - 6));
    return makeFrame(0x0D, uint8_t(n), std::vector<uint8_t>(text.begin(), text.begin() + long(n)));
}

Frame masksFrame(uint8_t code, const std::vector<uint8_t> &head, const std::array<uint8_t, kLayoutColumns> &masks)
{
    std::vector<uint8_t> data = head;
    data.insert(data.end(), masks.begin(), masks.end());
    return makeFrame(code, uint8_t(data.size()), data);
}

} // namespace

std::vector<Frame> firmwareAnswers(const SimKeyboardConfig &c, FirmwareState &state, const uint8_t *data, int length)
{
    std::vector<Frame> out;
    if (!data || length < 2 || data[0] != 0x01)
        return out;
    const uint8_t b6 = length > 6 ? data[6] : 0;
    const uint8_t b7 = length > 7 ? data[7] : 0;
    switch (data[1]) {
    case 0x0D:
        if (!c.answerIdentity)
            break;
        ++state.identityQueries;
        if (state.identityQueries > c.buildTextFirstQueries)
            out.push_back(textFrame(c.nameText));
        out.push_back(textFrame(c.buildText));
        break;
    case 0x01:
        if (c.answerHandshake) {
            Frame frame = makeFrame(0x01);
            frame[20] = c.calibrated ? 1 : 0;
            out.push_back(frame);
        }
        break;
    case 0x10:
        for (int r = 0; r < c.layoutRowsAnswered && r < kLayoutRows; ++r)
            out.push_back(
                makeFrame(0x10, kLayoutColumns, std::vector<uint8_t>(c.layout[r].begin(), c.layout[r].end())));
        break;
    case 0x0E:
        out.push_back(masksFrame(0x0E, {}, c.keyCheckMasks));
        break;
    case 0x21:
        if (b6 != 0x08 || b7 != 0x00)
            break; // leaving the check needs no answer
        for (int i = 0; i < c.magneticProgressAnswers && i < kMaxProgressAnswers; ++i)
            out.push_back(masksFrame(0x21, {0x08, 0x01}, c.magneticPassMasks));
        out.push_back(masksFrame(0x21, {0x08, uint8_t(c.magneticVerdict)}, c.magneticVerdictMasks));
        break;
    default:
        break; // light, reset and the echoes are acted on without an answer
    }
    return out;
}

Frame nextLiveKeyStateFrame(FirmwareState &state)
{
    // Boot-report block in bytes 6-13, key 1010 in byte 14.
    std::vector<uint8_t> data(9, 0);
    state.liveKeyDown = !state.liveKeyDown;
    data[8] = state.liveKeyDown ? 1 : 0;
    return makeFrame(0x04, 0x09, data);
}

} // namespace sim
