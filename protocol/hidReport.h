#pragma once

#include <array>
#include <cstdint>

// Every report exchanged with the keyboard's vendor interface, in both directions:
// byte 0 report id, byte 1 command code, bytes 2-4 zero, byte 5 a per-command
// length constant, data from byte 6. No checksum, no sequence number.
constexpr int HidReportSize = 64;
constexpr int HidReportDataOffset = 6;
constexpr std::uint8_t HidReportId = 0x01;

using HidReport = std::array<std::uint8_t, HidReportSize>;

enum HidCmd : std::uint8_t
{
    HidCmd_ShakeHands = 0x01,
    HidCmd_SixKey = 0x04,
    HidCmd_FullKey = 0x05,
    HidCmd_MultimediaWebTool = 0x06,
    HidCmd_DeviceInfo = 0x0D,
    HidCmd_CheckLayout = 0x0E,
    HidCmd_GetLayout = 0x10,
    HidCmd_Led = 0x12,
    HidCmd_Reset = 0x14,
    HidCmd_Magnetic = 0x21,
};

// The light report's fields as the window holds them; each is written as its low byte.
struct LightSetting
{
    int ledOn = 1;
    int ledColorCount = 1;
    std::array<int, 9> ledColors{{255, 0, 0, 0, 255, 0, 0, 0, 255}};
};

// Test type 0..4 (RGB, R, G, B, W) or 99 (light off); other values light red.
LightSetting lightSettingForTestType(int testType);

HidReport buildShakeHandsReport();
HidReport buildDeviceInfoReport();
HidReport buildGetLayoutReport();
HidReport buildCheckLayoutReport();
HidReport buildResetReport();
HidReport buildMagneticReport(bool leave);
HidReport buildLedReport(const LightSetting &setting);
// sixKey: the eight-byte boot-style key report (modifiers, reserved, six usages).
HidReport buildSixKeyReport(const std::uint8_t *sixKey);
// answer: a full-key answer of HidReportSize bytes; bytes 6-18 are echoed.
HidReport buildFullKeyReport(const std::uint8_t *answer);
HidReport buildMultimediaReport(int operateTypeMultimedia, int operateTypeHttp, int operateTypeTools);
