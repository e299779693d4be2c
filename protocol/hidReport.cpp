#include "hidReport.h"

namespace {

HidReport frame(HidCmd cmd, std::uint8_t lengthByte)
{
    HidReport report{}; // zero-filled: every byte not named stays 0
    report[0] = HidReportId;
    report[1] = cmd;
    report[5] = lengthByte;
    return report;
}

std::uint8_t lowByte(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

LightSetting lightSettingForTestType(int testType)
{
    LightSetting s;
    switch (testType) {
    case 0:
        s.ledColorCount = 3;
        break;
    case 2:
        s.ledColors[0] = 0;
        s.ledColors[1] = 255;
        s.ledColors[2] = 0;
        break;
    case 3:
        s.ledColors[0] = 0;
        s.ledColors[1] = 0;
        s.ledColors[2] = 255;
        break;
    case 4:
        s.ledColors[0] = 255;
        s.ledColors[1] = 255;
        s.ledColors[2] = 255;
        break;
    case 99:
        s.ledOn = 0;
        break;
    default: // 1 and anything unknown: red, one colour
        break;
    }
    return s;
}

HidReport buildShakeHandsReport()
{
    return frame(HidCmd_ShakeHands, 0x00);
}

HidReport buildDeviceInfoReport()
{
    return frame(HidCmd_DeviceInfo, 0x00);
}

HidReport buildGetLayoutReport()
{
    return frame(HidCmd_GetLayout, 0x00);
}

HidReport buildCheckLayoutReport()
{
    return frame(HidCmd_CheckLayout, 0x00);
}

HidReport buildResetReport()
{
    HidReport r = frame(HidCmd_Reset, 0x00);
    r[6] = 0x01;
    return r;
}

HidReport buildMagneticReport(bool leave)
{
    HidReport r = frame(HidCmd_Magnetic, 0x18);
    r[6] = 0x08;
    r[7] = leave ? 0x01 : 0x00;
    return r;
}

HidReport buildLedReport(const LightSetting &setting)
{
    HidReport r = frame(HidCmd_Led, 0x0B);
    r[6] = lowByte(setting.ledOn);
    r[7] = lowByte(setting.ledColorCount);
    for (std::size_t i = 0; i < setting.ledColors.size(); ++i)
        r[8 + i] = lowByte(setting.ledColors[i]);
    return r;
}

HidReport buildSixKeyReport(const std::uint8_t *sixKey)
{
    HidReport r = frame(HidCmd_SixKey, 0x09);
    for (int i = 0; i < 8; ++i)
        r[HidReportDataOffset + i] = sixKey[i];
    return r;
}

HidReport buildFullKeyReport(const std::uint8_t *answer)
{
    // The length byte says 21 but only bytes 6-18 of the answer travel back.
    HidReport r = frame(HidCmd_FullKey, 0x15);
    for (int i = 6; i <= 18; ++i)
        r[i] = answer[i];
    return r;
}

HidReport buildMultimediaReport(int operateTypeMultimedia, int operateTypeHttp, int operateTypeTools)
{
    HidReport r = frame(HidCmd_MultimediaWebTool, 0x03);
    r[6] = lowByte(operateTypeMultimedia);
    r[7] = lowByte(operateTypeHttp);
    r[8] = lowByte(operateTypeTools);
    return r;
}
