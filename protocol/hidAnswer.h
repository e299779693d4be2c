#pragma once

#include "hidReport.h"

#include <array>
#include <cstdint>

// What one input report of the keyboard's firmware means to the tool. The window dispatches on
// `kind` only; every byte it needs has already been copied out here, bounded by what was read.
enum class HidAnswerKind
{
    Handshake,
    KeyState,
    FullKey,
    LayoutRow,
    KeyCheck,
    Calibration,
    Multimedia,
    Other,
    TooShort
};

constexpr std::uint8_t HidMagneticCalibrationAnswer = 0x08; // byte 6 of a 0x21 answer that carries a result

struct HidAnswer
{
    HidAnswerKind kind = HidAnswerKind::TooShort;
    std::uint8_t code = 0;                  // byte 1 when present
    int length = 0;                         // bytes actually read
    int minimumLength = 0;                  // for TooShort: what this code needs
    bool calibrated = false;                // Handshake: byte 20 == 1
    std::array<std::uint8_t, 8> keyState{}; // KeyState: bytes 6-13
    std::uint8_t key1010 = 0;               // KeyState: byte 14
    HidReport report{};                     // FullKey: the whole answer, zero-filled past length (for the echo)
    std::array<std::uint8_t, 22> columns{}; // LayoutRow: bytes 6-27; KeyCheck: masks 6-27; Calibration: masks 8-29
    std::uint8_t calibrationStatus = 0;     // Calibration: byte 7
    std::array<int, 3> multimedia{};        // Multimedia: bytes 6, 7, 8
};

// A report shorter than its code needs decodes as TooShort instead of being read as zeros: a
// truncated calibration answer would otherwise pass as "status 0, no failing keys".
HidAnswer decodeHidAnswer(const std::uint8_t *data, int length);

// Minimum length an answer with this code must have to be read; 2 for codes the tool ignores.
int minimumAnswerLength(std::uint8_t code, std::uint8_t byte6, std::uint8_t byte7);
