#pragma once

#include <cstdint>

// What the keyboard hook procedure does with one event, and the return value
// that stands for it under Windows.
enum class HookOutcome
{
    PassAlongChain, // nCode != 0: CallNextHookEx, result unchanged
    LetThrough,     // return 0: the system still delivers the event
    Swallow,        // return 1: nobody else sees the event
};

// The decision half of the low-level keyboard hook procedure, free of any
// platform: the set of held keys (so an automatic repeat is recognised and let
// through untouched), the hand-over to the registered HookTarget, and the
// choice between letting an event through and swallowing it.
//
// One instance per process serves the real hooks (keyboardHookCore()); tests
// make their own.
class KeyboardHookCore
{
public:
    static constexpr int HeldKeySlots = 128;

    // Runs the hook procedure's steps for one event. Hands an accepted event
    // to the target entered under "HOOK" (if any) with ctrlDown, and writes the
    // hook's log line for it.
    // eventTimeUs is the capture source's own time of the event in
    // microseconds (the hook record's or the X server's milliseconds times
    // 1000, a kernel input event's own time), so timing between keys does not
    // depend on when the event got handled.
    HookOutcome handleKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags,
                               bool ctrlDown, std::int64_t eventTimeUs = 0);
    // The time of the event being handed to the target (or handed last).
    std::int64_t eventTimeUs() const { return m_eventTimeUs; }

    // Test start: all slots zero, nothing held.
    void clearHeldKeys();

    int heldKeyCount() const { return m_heldKeyCount; }
    // Slot i (0 .. HeldKeySlots-1); 0 for an index out of range.
    unsigned char heldKey(int slot) const;
    bool isHeld(std::uint32_t vkCode) const;

    // The flags values that mean a key went down: 0x00, 0x01, 0x11, 0x20,
    // 0x21. Everything else, an injected plain press 0x10 included, counts as
    // a release.
    static bool isPressFlags(std::uint32_t flags);
    // Caps Lock, Num Lock, Scroll Lock and both Ctrl keys: the system must still
    // see them so the lock states and lights change and Ctrl stays usable.
    static bool isLetThroughKey(std::uint32_t vkCode);

private:
    void press(std::uint32_t vkCode);
    void release(std::uint32_t vkCode);

    unsigned char m_heldKeys[HeldKeySlots] = {};
    int m_heldKeyCount = 0;
    std::int64_t m_eventTimeUs = 0;
};

// The process-wide state the hook procedures use.
KeyboardHookCore &keyboardHookCore();
