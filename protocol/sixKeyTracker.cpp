#include "sixKeyTracker.h"

#include <algorithm>

namespace {

constexpr int FirstModifierUsage = 0xE0;
constexpr int LastModifierUsage = 0xE7;
constexpr int FirstSlot = 2;
constexpr int SlotEnd = 8;

bool holdsUsage(const std::array<std::uint8_t, 8> &block, std::uint8_t usage)
{
    return std::find(block.begin() + FirstSlot, block.end(), usage) != block.end();
}

} // namespace

void SixKeyTracker::applyKeyState(const std::array<std::uint8_t, 8> &now)
{
    // Presses go before releases on purpose: with all six slots taken, a key that replaces another
    // in the same answer finds no slot and stays out of the echo. The firmware has always seen it so.
    const std::uint8_t newlySet = now[0] & ~m_lastKeyReport[0];
    const std::uint8_t newlyCleared = m_lastKeyReport[0] & ~now[0];
    for (int bit = 0; bit < 8; ++bit) {
        if (newlySet & (1u << bit))
            updateSixKeyReport(FirstModifierUsage + bit, true);
    }
    for (int p = FirstSlot; p < SlotEnd; ++p) {
        if (now[p] != 0 && !holdsUsage(m_lastKeyReport, now[p]))
            updateSixKeyReport(now[p], true);
    }
    for (int bit = 0; bit < 8; ++bit) {
        if (newlyCleared & (1u << bit))
            updateSixKeyReport(FirstModifierUsage + bit, false);
    }
    for (int p = FirstSlot; p < SlotEnd; ++p) {
        if (m_lastKeyReport[p] != 0 && !holdsUsage(now, m_lastKeyReport[p]))
            updateSixKeyReport(m_lastKeyReport[p], false);
    }
    m_lastKeyReport = now;
}

void SixKeyTracker::updateSixKeyReport(int usage, bool pressed)
{
    if (usage >= FirstModifierUsage && usage <= LastModifierUsage) {
        const auto bit = std::uint8_t(1u << (usage & 7));
        m_sixKeyReport[0] = pressed ? std::uint8_t(m_sixKeyReport[0] | bit) : std::uint8_t(m_sixKeyReport[0] & ~bit);
        return;
    }
    // A slot holds one byte; 0 marks a free slot and is never a key.
    if (usage <= 0 || usage > 0xFF)
        return;
    const auto slotsEnd = m_sixKeyReport.begin() + m_sixKeyIndex;
    const auto held = std::find(m_sixKeyReport.begin() + FirstSlot, slotsEnd, std::uint8_t(usage));
    if (pressed) {
        // A report naming a usage twice would otherwise fill two slots; an answer that then holds it
        // once before letting it go releases only one, and the other would stay in every later echo.
        if (held == slotsEnd && m_sixKeyIndex < SlotEnd)
            m_sixKeyReport[m_sixKeyIndex++] = std::uint8_t(usage);
        return;
    }
    if (held == slotsEnd)
        return;
    std::copy(held + 1, m_sixKeyReport.end(), held);
    m_sixKeyReport[SlotEnd - 1] = 0;
    --m_sixKeyIndex;
}

Key1010Mark SixKeyTracker::applyKey1010(std::uint8_t byte14)
{
    // Shown down for one answer only: the next answer releases it whatever its own byte 14 holds,
    // so a held key blinks down, released, down over consecutive answers.
    if (m_isKey1010Down) {
        m_isKey1010Down = false;
        return Key1010Mark::Released;
    }
    if (byte14 != 0) {
        m_isKey1010Down = true;
        return Key1010Mark::Down;
    }
    return Key1010Mark::None;
}

int specialKeyDec(int modifierBit)
{
    for (int bit = 0; bit < 8; ++bit) {
        if (modifierBit == (1 << bit))
            return FirstModifierUsage + bit;
    }
    return -1;
}
