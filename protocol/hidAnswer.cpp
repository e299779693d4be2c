#include "hidAnswer.h"

#include <algorithm>

namespace {

HidAnswerKind kindOf(std::uint8_t code, std::uint8_t byte6)
{
    switch (code) {
    case HidCmd_ShakeHands:
        return HidAnswerKind::Handshake;
    case HidCmd_SixKey:
        return HidAnswerKind::KeyState;
    case HidCmd_FullKey:
        return HidAnswerKind::FullKey;
    case HidCmd_GetLayout:
        return HidAnswerKind::LayoutRow;
    case HidCmd_CheckLayout:
        return HidAnswerKind::KeyCheck;
    case HidCmd_Magnetic:
        return byte6 == HidMagneticCalibrationAnswer ? HidAnswerKind::Calibration : HidAnswerKind::Other;
    case HidCmd_MultimediaWebTool:
        return HidAnswerKind::Multimedia;
    default:
        return HidAnswerKind::Other;
    }
}

template <std::size_t N> void copyFrom(std::array<std::uint8_t, N> &to, const std::uint8_t *data, int first)
{
    std::copy(data + first, data + first + int(N), to.begin());
}

} // namespace

int minimumAnswerLength(std::uint8_t code, std::uint8_t byte6, std::uint8_t byte7)
{
    switch (kindOf(code, byte6)) {
    case HidAnswerKind::Handshake:
        return 21;
    case HidAnswerKind::KeyState:
        return 15;
    case HidAnswerKind::FullKey:
        return 19;
    case HidAnswerKind::LayoutRow:
    case HidAnswerKind::KeyCheck:
        return 28;
    case HidAnswerKind::Calibration:
        // Statuses 0 and 1 carry 22 column masks; any other status is judged on byte 7 alone.
        return byte7 <= 1 ? 30 : 8;
    case HidAnswerKind::Multimedia:
        return 9;
    default:
        return 2;
    }
}

HidAnswer decodeHidAnswer(const std::uint8_t *data, int length)
{
    HidAnswer a;
    if (!data || length < 2) {
        a.length = data ? std::max(length, 0) : 0;
        a.minimumLength = 2;
        return a;
    }
    const int n = std::min(length, HidReportSize);
    a.length = n;
    a.code = data[1];

    if (a.code == HidCmd_Magnetic && n < 8) {
        // Byte 6 tells a result from other traffic and byte 7 holds the status; without both
        // the answer cannot even be classified.
        if (n > 6 && data[6] != HidMagneticCalibrationAnswer) {
            a.kind = HidAnswerKind::Other;
            a.minimumLength = 2;
            return a;
        }
        a.minimumLength = 8;
        return a;
    }
    const std::uint8_t byte6 = n > 6 ? data[6] : 0;
    const std::uint8_t byte7 = n > 7 ? data[7] : 0;
    a.minimumLength = minimumAnswerLength(a.code, byte6, byte7);
    if (n < a.minimumLength)
        return a; // TooShort

    a.kind = kindOf(a.code, byte6);
    switch (a.kind) {
    case HidAnswerKind::Handshake:
        a.calibrated = data[20] == 1;
        break;
    case HidAnswerKind::KeyState:
        copyFrom(a.keyState, data, 6);
        a.key1010 = data[14];
        break;
    case HidAnswerKind::FullKey:
        std::copy(data, data + n, a.report.begin());
        break;
    case HidAnswerKind::LayoutRow:
    case HidAnswerKind::KeyCheck:
        copyFrom(a.columns, data, 6);
        break;
    case HidAnswerKind::Calibration:
        a.calibrationStatus = byte7;
        if (byte7 <= 1)
            copyFrom(a.columns, data, 8);
        break;
    case HidAnswerKind::Multimedia:
        a.multimedia = {data[6], data[7], data[8]};
        break;
    default:
        break;
    }
    return a;
}
