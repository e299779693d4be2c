#include "hookLog.h"
#include "hookRecordingTarget.h"
#include "keyboardHookCore.h"

#include <QtTest>

#include <string>
#include <vector>

namespace {

// One step of a sequence: a key event as the hook receives it, or the test
// start's emptying of the held-key set (clear).
struct Step
{
    std::uint32_t vkCode = 0;
    std::uint32_t flags = 0;
    int nCode = 0;
    bool clear = false;
};

Step key(std::uint32_t vkCode, std::uint32_t flags, int nCode = 0)
{
    return {vkCode, flags, nCode, false};
}

Step testStart()
{
    Step step;
    step.clear = true;
    return step;
}

using Steps = QVector<Step>;
using Outcomes = QVector<int>; // HookOutcome per key step, as int
using VkList = QVector<uint>;

constexpr int Pass = static_cast<int>(HookOutcome::PassAlongChain);
constexpr int Through = static_cast<int>(HookOutcome::LetThrough);
constexpr int Swallow = static_cast<int>(HookOutcome::Swallow);

VkList heldSet(const KeyboardHookCore &core)
{
    VkList held;
    for (int i = 0; i < core.heldKeyCount(); ++i)
        held << core.heldKey(i);
    return held;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class tst_keyboardHookCore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_log.clear();
        setHookLogSink([this](const std::string &line) { m_log.push_back(line); });
    }
    void cleanup() { setHookLogSink(nullptr); }

    void sequences_data();
    void sequences();
    void fullHeldSetStillShowsAndSwallows();
    void releaseKeepsOrderAndZeroesFreedSlots();
    void withoutTargetStillDecides();
    void logLines_data();
    void logLines();

private:
    std::vector<std::string> m_log;
};

void tst_keyboardHookCore::sequences_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<Outcomes>("outcomes");
    QTest::addColumn<VkList>("targetSaw"); // vkCode of each event handed to the target
    QTest::addColumn<VkList>("heldAfter");

    QTest::newRow("letter press and release swallowed")
        << Steps{key(0x41, 0x00), key(0x41, 0x80)} << Outcomes{Swallow, Swallow} << VkList{0x41, 0x41} << VkList{};
    QTest::newRow("held letter's repeats let through, not shown")
        << Steps{key(0x41, 0x00), key(0x41, 0x00), key(0x41, 0x00), key(0x41, 0x80)}
        << Outcomes{Swallow, Through, Through, Swallow} << VkList{0x41, 0x41} << VkList{};
    QTest::newRow("extended press repeats") << Steps{key(0x25, 0x01), key(0x25, 0x01), key(0x25, 0x81)}
                                            << Outcomes{Swallow, Through, Swallow} << VkList{0x25, 0x25} << VkList{};
    QTest::newRow("injected extended press is a press")
        << Steps{key(0x2D, 0x11), key(0x2D, 0x11)} << Outcomes{Swallow, Through} << VkList{0x2D} << VkList{0x2D};
    QTest::newRow("injected plain press counts as release")
        << Steps{key(0x41, 0x10), key(0x41, 0x10)} << Outcomes{Swallow, Swallow} << VkList{0x41, 0x41} << VkList{};
    QTest::newRow("press with Alt down and its repeat")
        << Steps{key(0xA4, 0x20), key(0x09, 0x20), key(0x09, 0x20), key(0x09, 0xA0), key(0xA4, 0x80)}
        << Outcomes{Swallow, Swallow, Through, Swallow, Swallow} << VkList{0xA4, 0x09, 0x09, 0xA4} << VkList{};
    QTest::newRow("extended press with Alt down")
        << Steps{key(0x26, 0x21), key(0x26, 0x21)} << Outcomes{Swallow, Through} << VkList{0x26} << VkList{0x26};
    QTest::newRow("Caps Lock let through both ways")
        << Steps{key(0x14, 0x00), key(0x14, 0x80)} << Outcomes{Through, Through} << VkList{0x14, 0x14} << VkList{};
    QTest::newRow("Num Lock (extended) let through")
        << Steps{key(0x90, 0x01), key(0x90, 0x81)} << Outcomes{Through, Through} << VkList{0x90, 0x90} << VkList{};
    QTest::newRow("Scroll Lock let through")
        << Steps{key(0x91, 0x00), key(0x91, 0x80)} << Outcomes{Through, Through} << VkList{0x91, 0x91} << VkList{};
    QTest::newRow("left Ctrl let through, held while down")
        << Steps{key(0xA2, 0x00)} << Outcomes{Through} << VkList{0xA2} << VkList{0xA2};
    QTest::newRow("right Ctrl let through")
        << Steps{key(0xA3, 0x01), key(0xA3, 0x81)} << Outcomes{Through, Through} << VkList{0xA3, 0xA3} << VkList{};
    QTest::newRow("Shift, Alt, Windows key swallowed")
        << Steps{key(0xA0, 0x00), key(0xA4, 0x20), key(0x5B, 0x01)} << Outcomes{Swallow, Swallow, Swallow}
        << VkList{0xA0, 0xA4, 0x5B} << VkList{0xA0, 0xA4, 0x5B};
    QTest::newRow("nCode other than 0 only passed along")
        << Steps{key(0x41, 0x00, 1), key(0x41, 0x80, -1), key(0x14, 0x00, 3)} << Outcomes{Pass, Pass, Pass} << VkList{}
        << VkList{};
    QTest::newRow("release of a key never pressed is shown")
        << Steps{key(0x42, 0x80)} << Outcomes{Swallow} << VkList{0x42} << VkList{};
    QTest::newRow("pressed before the test start, released after")
        << Steps{key(0x43, 0x00), testStart(), key(0x43, 0x80)} << Outcomes{Swallow, Swallow} << VkList{0x43, 0x43}
        << VkList{};
    QTest::newRow("release while Alt held (0xA0)")
        << Steps{key(0x41, 0x20), key(0x41, 0xA0)} << Outcomes{Swallow, Swallow} << VkList{0x41, 0x41} << VkList{};
    QTest::newRow("keys held in press order, no duplicates")
        << Steps{key(0x41, 0x00), key(0x42, 0x00), key(0x41, 0x00), key(0x43, 0x00)}
        << Outcomes{Swallow, Swallow, Through, Swallow} << VkList{0x41, 0x42, 0x43} << VkList{0x41, 0x42, 0x43};
    QTest::newRow("middle key released") << Steps{key(0x41, 0x00), key(0x42, 0x00), key(0x43, 0x00), key(0x42, 0x80)}
                                         << Outcomes{Swallow, Swallow, Swallow, Swallow}
                                         << VkList{0x41, 0x42, 0x43, 0x42} << VkList{0x41, 0x43};
    QTest::newRow("released key's next press is shown again")
        << Steps{key(0x41, 0x00), key(0x41, 0x80), key(0x41, 0x00)} << Outcomes{Swallow, Swallow, Swallow}
        << VkList{0x41, 0x41, 0x41} << VkList{0x41};
}

void tst_keyboardHookCore::sequences()
{
    QFETCH(Steps, steps);
    QFETCH(Outcomes, outcomes);
    QFETCH(VkList, targetSaw);
    QFETCH(VkList, heldAfter);

    KeyboardHookCore core;
    HookRecordingTarget target;
    HookTargetRegistration registration(&target);

    Outcomes got;
    for (const Step &step : steps) {
        if (step.clear) {
            core.clearHeldKeys();
            continue;
        }
        got << static_cast<int>(core.handleKeyEvent(step.nCode, step.vkCode, 0x1E, step.flags, false));
    }
    QCOMPARE(got, outcomes);

    VkList saw;
    for (const auto &event : target.received)
        saw << event.vkCode;
    QCOMPARE(saw, targetSaw);
    QCOMPARE(heldSet(core), heldAfter);
}

void tst_keyboardHookCore::fullHeldSetStillShowsAndSwallows()
{
    KeyboardHookCore core;
    HookRecordingTarget target;
    HookTargetRegistration registration(&target);

    for (std::uint32_t vk = 1; vk <= 128; ++vk) {
        const HookOutcome expected = vk == 0x14 ? HookOutcome::LetThrough : HookOutcome::Swallow;
        QCOMPARE(core.handleKeyEvent(0, vk, 0, 0x00, false), expected);
    }
    QCOMPARE(core.heldKeyCount(), KeyboardHookCore::HeldKeySlots);

    // The 129th key is shown and swallowed but cannot be stored, so its repeat
    // looks like a fresh press.
    QCOMPARE(core.handleKeyEvent(0, 200, 0, 0x00, false), HookOutcome::Swallow);
    QCOMPARE(core.handleKeyEvent(0, 200, 0, 0x00, false), HookOutcome::Swallow);
    QCOMPARE(core.heldKeyCount(), KeyboardHookCore::HeldKeySlots);
    QCOMPARE(target.received.size(), std::size_t(130));
    QVERIFY(!core.isHeld(200));

    // A held key's repeat is still recognised with the set full.
    QCOMPARE(core.handleKeyEvent(0, 128, 0, 0x00, false), HookOutcome::LetThrough);

    // Its release frees a slot and the next key is stored again.
    QCOMPARE(core.handleKeyEvent(0, 1, 0, 0x80, false), HookOutcome::Swallow);
    QCOMPARE(core.heldKeyCount(), 127);
    QCOMPARE(int(core.heldKey(127)), 0);
    QCOMPARE(core.handleKeyEvent(0, 200, 0, 0x00, false), HookOutcome::Swallow);
    QVERIFY(core.isHeld(200));
    QCOMPARE(int(core.heldKey(127)), 200);

    core.clearHeldKeys();
    QCOMPARE(core.heldKeyCount(), 0);
    for (int slot = 0; slot < KeyboardHookCore::HeldKeySlots; ++slot)
        QCOMPARE(int(core.heldKey(slot)), 0);
}

void tst_keyboardHookCore::releaseKeepsOrderAndZeroesFreedSlots()
{
    KeyboardHookCore core;
    for (std::uint32_t vk : {0x41u, 0x42u, 0x43u, 0x44u})
        core.handleKeyEvent(0, vk, 0, 0x00, false);
    core.handleKeyEvent(0, 0x41, 0, 0x80, false);
    core.handleKeyEvent(0, 0x43, 0, 0x81, false);

    QCOMPARE(heldSet(core), (VkList{0x42, 0x44}));
    for (int slot = core.heldKeyCount(); slot < KeyboardHookCore::HeldKeySlots; ++slot)
        QCOMPARE(int(core.heldKey(slot)), 0);
    QCOMPARE(int(core.heldKey(-1)), 0);
    QCOMPARE(int(core.heldKey(KeyboardHookCore::HeldKeySlots)), 0);
}

void tst_keyboardHookCore::withoutTargetStillDecides()
{
    KeyboardHookCore core;
    QVERIFY(!findHookTarget(HookTargetKey));
    QCOMPARE(core.handleKeyEvent(0, 0x41, 0, 0x00, false), HookOutcome::Swallow);
    QCOMPARE(core.handleKeyEvent(0, 0x41, 0, 0x00, false), HookOutcome::LetThrough);
    QCOMPARE(core.handleKeyEvent(0, 0x14, 0, 0x00, false), HookOutcome::LetThrough);
    QCOMPARE(core.heldKeyCount(), 2);
}

void tst_keyboardHookCore::logLines_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QStringList>("log");

    const QString through = "---------------------- *** Windows key press [ retuirn 0 ]  *** --------------------";
    const QString swallow =
        "---------------------- *** Windows key press [ *** return 1 *** ] *** --------------------";

    QTest::newRow("swallowed key") << Steps{key(0x41, 0x00)} << QStringList{swallow};
    QTest::newRow("lock key") << Steps{key(0x14, 0x00)} << QStringList{through};
    QTest::newRow("repeat logs nothing") << Steps{key(0xA2, 0x00), key(0xA2, 0x00)} << QStringList{through};
    QTest::newRow("passed along logs nothing") << Steps{key(0x41, 0x00, 1)} << QStringList{};
}

void tst_keyboardHookCore::logLines()
{
    QFETCH(Steps, steps);
    QFETCH(QStringList, log);

    KeyboardHookCore core;
    for (const Step &step : steps)
        core.handleKeyEvent(step.nCode, step.vkCode, 0, step.flags, false);

    QStringList got;
    for (const std::string &line : m_log)
        got << QString::fromStdString(line);
    QCOMPARE(got, log);
}

QTEST_APPLESS_MAIN(tst_keyboardHookCore)
#include "tst_keyboardHookCore.moc"
