#include "evdevKeyTranslation.h"

#include <array>

namespace {

// Linux input event codes that the logic names.
constexpr int KeyLeftCtrl = 29;
constexpr int KeyLeftAlt = 56;
constexpr int KeyRightCtrl = 97;
constexpr int KeyRightAlt = 100;

struct KeyEntry
{
    int evdevCode;
    std::uint8_t vkCode;
    std::uint8_t scanCode;
    bool extended;
    // Keypad keys: the navigation code they give with Num Lock off (always
    // without the extended flag, which tells them from the navigation block).
    std::uint8_t numLockOffVkCode;
};

constexpr bool Ext = true;
constexpr bool Std = false;

// US key positions. Scan codes are set 1, without the E0 prefix.
constexpr KeyEntry Keys[] = {
    {1, 0x1B, 0x01, Std, 0}, // Esc
    {2, 0x31, 0x02, Std, 0},     {3, 0x32, 0x03, Std, 0},   {4, 0x33, 0x04, Std, 0},   {5, 0x34, 0x05, Std, 0},
    {6, 0x35, 0x06, Std, 0},     {7, 0x36, 0x07, Std, 0},   {8, 0x37, 0x08, Std, 0},   {9, 0x38, 0x09, Std, 0},
    {10, 0x39, 0x0A, Std, 0},    {11, 0x30, 0x0B, Std, 0},  {12, 0xBD, 0x0C, Std, 0}, // - (OEM_MINUS)
    {13, 0xBB, 0x0D, Std, 0},                                                         // = (OEM_PLUS)
    {14, 0x08, 0x0E, Std, 0},                                                         // Backspace
    {15, 0x09, 0x0F, Std, 0},                                                         // Tab
    {16, 0x51, 0x10, Std, 0},                                                         // Q
    {17, 0x57, 0x11, Std, 0},                                                         // W
    {18, 0x45, 0x12, Std, 0},                                                         // E
    {19, 0x52, 0x13, Std, 0},                                                         // R
    {20, 0x54, 0x14, Std, 0},                                                         // T
    {21, 0x59, 0x15, Std, 0},                                                         // Y
    {22, 0x55, 0x16, Std, 0},                                                         // U
    {23, 0x49, 0x17, Std, 0},                                                         // I
    {24, 0x4F, 0x18, Std, 0},                                                         // O
    {25, 0x50, 0x19, Std, 0},                                                         // P
    {26, 0xDB, 0x1A, Std, 0},                                                         // [ (OEM_4)
    {27, 0xDD, 0x1B, Std, 0},                                                         // ] (OEM_6)
    {28, 0x0D, 0x1C, Std, 0},                                                         // Enter
    {29, 0xA2, 0x1D, Std, 0},                                                         // left Ctrl
    {30, 0x41, 0x1E, Std, 0},                                                         // A
    {31, 0x53, 0x1F, Std, 0},                                                         // S
    {32, 0x44, 0x20, Std, 0},                                                         // D
    {33, 0x46, 0x21, Std, 0},                                                         // F
    {34, 0x47, 0x22, Std, 0},                                                         // G
    {35, 0x48, 0x23, Std, 0},                                                         // H
    {36, 0x4A, 0x24, Std, 0},                                                         // J
    {37, 0x4B, 0x25, Std, 0},                                                         // K
    {38, 0x4C, 0x26, Std, 0},                                                         // L
    {39, 0xBA, 0x27, Std, 0},                                                         // ; (OEM_1)
    {40, 0xDE, 0x28, Std, 0},                                                         // ' (OEM_7)
    {41, 0xC0, 0x29, Std, 0},                                                         // ` (OEM_3)
    {42, 0xA0, 0x2A, Std, 0},                                                         // left Shift
    {43, 0xDC, 0x2B, Std, 0},                                                         // backslash (OEM_5)
    {44, 0x5A, 0x2C, Std, 0},                                                         // Z
    {45, 0x58, 0x2D, Std, 0},                                                         // X
    {46, 0x43, 0x2E, Std, 0},                                                         // C
    {47, 0x56, 0x2F, Std, 0},                                                         // V
    {48, 0x42, 0x30, Std, 0},                                                         // B
    {49, 0x4E, 0x31, Std, 0},                                                         // N
    {50, 0x4D, 0x32, Std, 0},                                                         // M
    {51, 0xBC, 0x33, Std, 0},                                                         // , (OEM_COMMA)
    {52, 0xBE, 0x34, Std, 0},                                                         // . (OEM_PERIOD)
    {53, 0xBF, 0x35, Std, 0},                                                         // / (OEM_2)
    {54, 0xA1, 0x36, Std, 0},                                                         // right Shift
    {55, 0x6A, 0x37, Std, 0},                                                         // keypad *
    {56, 0xA4, 0x38, Std, 0},                                                         // left Alt
    {57, 0x20, 0x39, Std, 0},                                                         // Space
    {58, 0x14, 0x3A, Std, 0},                                                         // Caps Lock
    {59, 0x70, 0x3B, Std, 0},                                                         // F1
    {60, 0x71, 0x3C, Std, 0},    {61, 0x72, 0x3D, Std, 0},  {62, 0x73, 0x3E, Std, 0},  {63, 0x74, 0x3F, Std, 0},
    {64, 0x75, 0x40, Std, 0},    {65, 0x76, 0x41, Std, 0},  {66, 0x77, 0x42, Std, 0},  {67, 0x78, 0x43, Std, 0},
    {68, 0x79, 0x44, Std, 0},    // F10
    {69, 0x90, 0x45, Ext, 0},    // Num Lock (the hook reports it extended)
    {70, 0x91, 0x46, Std, 0},    // Scroll Lock
    {71, 0x67, 0x47, Std, 0x24}, // keypad 7 / Home
    {72, 0x68, 0x48, Std, 0x26}, // keypad 8 / Up
    {73, 0x69, 0x49, Std, 0x21}, // keypad 9 / Page Up
    {74, 0x6D, 0x4A, Std, 0},    // keypad -
    {75, 0x64, 0x4B, Std, 0x25}, // keypad 4 / Left
    {76, 0x65, 0x4C, Std, 0x0C}, // keypad 5 / Clear
    {77, 0x66, 0x4D, Std, 0x27}, // keypad 6 / Right
    {78, 0x6B, 0x4E, Std, 0},    // keypad +
    {79, 0x61, 0x4F, Std, 0x23}, // keypad 1 / End
    {80, 0x62, 0x50, Std, 0x28}, // keypad 2 / Down
    {81, 0x63, 0x51, Std, 0x22}, // keypad 3 / Page Down
    {82, 0x60, 0x52, Std, 0x2D}, // keypad 0 / Insert
    {83, 0x6E, 0x53, Std, 0x2E}, // keypad . / Delete
    {86, 0xE2, 0x56, Std, 0},    // ISO key beside left Shift (OEM_102)
    {87, 0x7A, 0x57, Std, 0},    // F11
    {88, 0x7B, 0x58, Std, 0},    // F12
    {89, 0xC1, 0x73, Std, 0},    // JIS Ro
    {92, 0xFF, 0x79, Std, 0},    // JIS Henkan: no virtual key of its own
    {93, 0xFF, 0x70, Std, 0},    // JIS Katakana/Hiragana: likewise
    {94, 0xEB, 0x7B, Std, 0},    // JIS Muhenkan
    {96, 0x0D, 0x1C, Ext, 0},    // keypad Enter
    {97, 0xA3, 0x1D, Ext, 0},    // right Ctrl
    {98, 0x6F, 0x35, Ext, 0},    // keypad /
    {99, 0x2C, 0x37, Ext, 0},    // Print Screen
    {100, 0xA5, 0x38, Ext, 0},   // right Alt
    {102, 0x24, 0x47, Ext, 0},   // Home
    {103, 0x26, 0x48, Ext, 0},   // Up
    {104, 0x21, 0x49, Ext, 0},   // Page Up
    {105, 0x25, 0x4B, Ext, 0},   // Left
    {106, 0x27, 0x4D, Ext, 0},   // Right
    {107, 0x23, 0x4F, Ext, 0},   // End
    {108, 0x28, 0x50, Ext, 0},   // Down
    {109, 0x22, 0x51, Ext, 0},   // Page Down
    {110, 0x2D, 0x52, Ext, 0},   // Insert
    {111, 0x2E, 0x53, Ext, 0},   // Delete
    {113, 0xAD, 0x20, Ext, 0},   // Volume Mute
    {114, 0xAE, 0x2E, Ext, 0},   // Volume Down
    {115, 0xAF, 0x30, Ext, 0},   // Volume Up
    {119, 0x13, 0x45, Std, 0},   // Pause
    {122, 0x15, 0xF2, Std, 0},   // Korean Hangeul (Han/Yeong)
    {123, 0x19, 0xF1, Std, 0},   // Korean Hanja
    {124, 0xFF, 0x7D, Std, 0},   // JIS Yen: no virtual key of its own
    {125, 0x5B, 0x5B, Ext, 0},   // left Windows
    {126, 0x5C, 0x5C, Ext, 0},   // right Windows
    {127, 0x5D, 0x5D, Ext, 0},   // Applications (menu)
    {128, 0xA9, 0x68, Ext, 0},   // Browser Stop
    {140, 0xB7, 0x21, Ext, 0},   // Calculator (Launch App 2)
    {142, 0x5F, 0x5F, Ext, 0},   // Sleep
    {144, 0xB6, 0x6B, Ext, 0},   // My Computer (Launch App 1)
    {155, 0xB4, 0x6C, Ext, 0},   // Mail
    {156, 0xAB, 0x66, Ext, 0},   // Browser Favorites
    {157, 0xB6, 0x6B, Ext, 0},   // Computer (Launch App 1)
    {158, 0xA6, 0x6A, Ext, 0},   // Browser Back
    {159, 0xA7, 0x69, Ext, 0},   // Browser Forward
    {163, 0xB0, 0x19, Ext, 0},   // Next Track
    {164, 0xB3, 0x22, Ext, 0},   // Play/Pause
    {165, 0xB1, 0x10, Ext, 0},   // Previous Track
    {166, 0xB2, 0x24, Ext, 0},   // Stop (media)
    {171, 0xB5, 0x6D, Ext, 0},   // Media Select
    {172, 0xAC, 0x32, Ext, 0},   // Browser Home
    {173, 0xA8, 0x67, Ext, 0},   // Browser Refresh
    {183, 0x7C, 0x64, Std, 0},   // F13
    {184, 0x7D, 0x65, Std, 0},   {185, 0x7E, 0x66, Std, 0}, {186, 0x7F, 0x67, Std, 0}, {187, 0x80, 0x68, Std, 0},
    {188, 0x81, 0x69, Std, 0},   {189, 0x82, 0x6A, Std, 0}, {190, 0x83, 0x6B, Std, 0}, {191, 0x84, 0x6C, Std, 0},
    {192, 0x85, 0x6D, Std, 0},   {193, 0x86, 0x6E, Std, 0}, {194, 0x87, 0x76, Std, 0}, // F24
    {217, 0xAA, 0x65, Ext, 0},                                                         // Browser Search
};

using KeyTable = std::array<const KeyEntry *, EvdevKeyCodeCount>;

const KeyTable &keyTable()
{
    static const KeyTable table = [] {
        KeyTable t{};
        for (const KeyEntry &entry : Keys) {
            if (entry.evdevCode >= 0 && entry.evdevCode < EvdevKeyCodeCount)
                t[static_cast<std::size_t>(entry.evdevCode)] = &entry;
        }
        return t;
    }();
    return table;
}

bool inRange(int evdevCode)
{
    return evdevCode >= 0 && evdevCode < EvdevKeyCodeCount;
}

} // namespace

WinKeyEvent translateEvdevKey(int evdevCode, bool pressed, bool numLockOn, bool altDown)
{
    WinKeyEvent event;
    if (!inRange(evdevCode))
        return event;
    const KeyEntry *entry = keyTable()[static_cast<std::size_t>(evdevCode)];
    if (!entry)
        return event;

    event.scanCode = entry->scanCode;
    if (entry->numLockOffVkCode != 0 && !numLockOn) {
        event.vkCode = entry->numLockOffVkCode;
    } else {
        event.vkCode = entry->vkCode;
        if (entry->extended)
            event.flags |= 0x01;
    }
    if (altDown)
        event.flags |= 0x20;
    if (!pressed)
        event.flags |= 0x80;
    return event;
}

WinKeyEvent EvdevKeyboardState::handleKey(int evdevCode, bool pressed, bool numLockOn)
{
    setDown(evdevCode, pressed);
    return translateEvdevKey(evdevCode, pressed, numLockOn, altDown());
}

void EvdevKeyboardState::setDown(int evdevCode, bool down)
{
    if (inRange(evdevCode))
        m_down.set(static_cast<std::size_t>(evdevCode), down);
}

bool EvdevKeyboardState::isDown(int evdevCode) const
{
    return inRange(evdevCode) && m_down.test(static_cast<std::size_t>(evdevCode));
}

bool EvdevKeyboardState::ctrlDown() const
{
    return isDown(KeyLeftCtrl) || isDown(KeyRightCtrl);
}

bool EvdevKeyboardState::altDown() const
{
    return isDown(KeyLeftAlt) || isDown(KeyRightAlt);
}
