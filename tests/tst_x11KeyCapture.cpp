// The X11 capture end to end against the real X server that the test run
// provides: keys are injected through XTest from a connection of their own,
// as a physical keyboard would type them, and a recording target stands in for
// the main window.

#include "hookLog.h"
#include "hookRecordingTarget.h"
#include "keyCapture.h"

#include <QtTest>

#include <memory>

// Xlib's macros break the toolkit's headers: these come last.
#include "otherX11Client.h"
#include "xtestKeyboard.h"

namespace {

using Forwarded = HookRecordingTarget::Forwarded;

QString describe(const std::vector<Forwarded> &events)
{
    QStringList parts;
    for (const Forwarded &e : events)
        parts << QString("vk %1 flags %2 scan 0x%3").arg(e.vkCode).arg(e.flags).arg(e.scanCode, 0, 16);
    return parts.join(", ");
}

// A target that stops capture from inside its own key handling, as a window
// might when a key ends the test.
class RemovingTarget : public HookTarget
{
public:
    void handleHookKeyEvent(int, std::uint32_t, std::uint32_t, std::uint32_t, bool) override
    {
        ++calls;
        keyCapture::removeHooks();
    }
    int calls = 0;
};

} // namespace

class tst_x11KeyCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void keyReachesTargetAsWindowsKey_data();
    void keyReachesTargetAsWindowsKey();
    void capsLockStillToggles();
    void heldKeyRepeatsAreNotForwarded();
    void ctrlSpaceClears();
    void ctrlLeftStepsLightTypeBack();
    void ctrlHeldBeforeInstallCounts();
    void otherClientGetsNothingWhileGrabbed();
    void installTwiceAndRemoveTwice();
    void grabHeldByAnotherClientFails();
    void noDisplayFails();
    void removeFromInsideTheTarget();

private:
    void key(KeySym sym, bool down) { QVERIFY2(m_keys->key(sym, down), "key missing from the server's keymap"); }
    void tap(KeySym sym)
    {
        key(sym, true);
        key(sym, false);
    }
    bool logContains(const QString &text) const;

    std::unique_ptr<XTestKeyboard> m_keys;
    HookRecordingTarget m_target;
    QStringList m_log;
};

void tst_x11KeyCapture::initTestCase()
{
    m_keys = std::make_unique<XTestKeyboard>();
    QVERIFY2(m_keys->isUsable(), "needs an X server with XTest (scripts/test.sh runs the tests under xvfb-run)");

    // Keypad keys must arrive as navigation codes: start with Num Lock off.
    const unsigned int numLock = m_keys->numLockMask();
    QVERIFY(numLock != 0);
    if (m_keys->isLocked(numLock))
        tap(XK_Num_Lock);
    QTRY_VERIFY(!m_keys->isLocked(numLock));

    setHookLogSink([this](const std::string &line) { m_log << QString::fromStdString(line); });
    hookTargets()[HookTargetKey] = &m_target;
}

void tst_x11KeyCapture::cleanupTestCase()
{
    keyCapture::removeHooks();
    removeHookTarget(HookTargetKey, &m_target);
    setHookLogSink(nullptr);
    m_keys.reset();
}

void tst_x11KeyCapture::init()
{
    keyCapture::clearHeldKeys();
    QVERIFY(keyCapture::installHooks());
    m_target.forget();
    m_log.clear();
}

void tst_x11KeyCapture::cleanup()
{
    // Never leave a key down for the next case (or the X server).
    m_keys->releaseAll();
    QTest::qWait(20);
    keyCapture::removeHooks();
    hookTargets()[HookTargetKey] = &m_target;
}

bool tst_x11KeyCapture::logContains(const QString &text) const
{
    for (const QString &line : m_log) {
        if (line.contains(text))
            return true;
    }
    return false;
}

void tst_x11KeyCapture::keyReachesTargetAsWindowsKey_data()
{
    QTest::addColumn<qulonglong>("keysym");
    QTest::addColumn<uint>("vkCode");
    QTest::addColumn<uint>("scanCode");
    QTest::addColumn<uint>("pressFlags");

    QTest::newRow("letter A") << qulonglong(XK_a) << 65u << 0x1Eu << 0u;
    QTest::newRow("left Shift") << qulonglong(XK_Shift_L) << 160u << 0x2Au << 0u;
    QTest::newRow("keypad 7 with Num Lock off") << qulonglong(XK_KP_Home) << 36u << 0x47u << 0u;
    QTest::newRow("right Ctrl") << qulonglong(XK_Control_R) << 163u << 0x1Du << 1u;
    QTest::newRow("keypad Enter") << qulonglong(XK_KP_Enter) << 13u << 0x1Cu << 1u;
    QTest::newRow("left Windows") << qulonglong(XK_Super_L) << 91u << 0x5Bu << 1u;
    QTest::newRow("F5") << qulonglong(XK_F5) << 116u << 0x3Fu << 0u;
}

void tst_x11KeyCapture::keyReachesTargetAsWindowsKey()
{
    QFETCH(qulonglong, keysym);
    QFETCH(uint, vkCode);
    QFETCH(uint, scanCode);
    QFETCH(uint, pressFlags);

    tap(KeySym(keysym));
    QTRY_COMPARE(m_target.forwarded.size(), std::size_t(2));
    const std::vector<Forwarded> expected{{vkCode, pressFlags, scanCode}, {vkCode, pressFlags | 0x80u, scanCode}};
    QCOMPARE(describe(m_target.forwarded), describe(expected));
}

void tst_x11KeyCapture::capsLockStillToggles()
{
    const bool before = m_keys->isLocked(LockMask);
    tap(XK_Caps_Lock);
    QTRY_COMPARE(m_target.forwarded.size(), std::size_t(2));
    QCOMPARE(m_target.forwarded[0].vkCode, 20u);
    QTRY_COMPARE(m_keys->isLocked(LockMask), !before);
    QVERIFY(logContains("Windows key press [ retuirn 0 ]"));

    tap(XK_Caps_Lock);
    QTRY_COMPARE(m_keys->isLocked(LockMask), before);
}

void tst_x11KeyCapture::heldKeyRepeatsAreNotForwarded()
{
    QVERIFY(m_keys->setRepeatRate(150, 30));

    // First make sure the server repeats an injected key at all: a plain
    // client without any grab sees the repeats.
    keyCapture::removeHooks();
    OtherX11Client other;
    QVERIFY(other.showFocusedWindow());
    other.keyPressesWithin(50);
    key(XK_b, true);
    const int pressesWithoutGrab = other.keyPressesWithin(500);
    key(XK_b, false);
    other.keyPressesWithin(50);

    bool serverRepeats = pressesWithoutGrab >= 3;
    if (serverRepeats) {
        QVERIFY(keyCapture::installHooks());
        m_target.forget();
        key(XK_b, true);
        QTest::qWait(500);
        key(XK_b, false);
        QTRY_COMPARE(m_target.forwarded.size(), std::size_t(2));
        QCOMPARE(describe(m_target.forwarded), describe({{66, 0, 0x30}, {66, 0x80, 0x30}}));
    }

    m_keys->restoreRepeatRate();
    if (!serverRepeats)
        QSKIP("the X server does not auto-repeat injected keys");
}

void tst_x11KeyCapture::ctrlSpaceClears()
{
    key(XK_Control_L, true);
    key(XK_space, true);
    key(XK_space, false);
    key(XK_Control_L, false);
    QTRY_COMPARE(m_target.received.size(), std::size_t(4));
    QCOMPARE(m_target.clearCount, 1);
    // The Ctrl release that completed the chord is not shown.
    QCOMPARE(describe(m_target.forwarded), describe({{0xA2, 0, 0x1D}, {0x20, 0, 0x39}, {0x20, 0x80, 0x39}}));
    QVERIFY(logContains("Ctrl+SPACE  [ Clear all Key ]"));
}

void tst_x11KeyCapture::ctrlLeftStepsLightTypeBack()
{
    key(XK_Control_L, true);
    tap(XK_Left);
    key(XK_Control_L, false);
    QTRY_COMPARE(m_target.received.size(), std::size_t(4));
    QCOMPARE(m_target.ledSteps, std::vector<int>{-1});
    QCOMPARE(m_target.forwarded.size(), std::size_t(4));
    QCOMPARE(m_target.forwarded[2].flags, 0x81u);
}

void tst_x11KeyCapture::ctrlHeldBeforeInstallCounts()
{
    keyCapture::removeHooks();
    key(XK_Control_R, true);
    QVERIFY(keyCapture::installHooks());
    tap(XK_Right);
    key(XK_Control_R, false);
    QTRY_COMPARE(m_target.received.size(), std::size_t(3));
    QCOMPARE(m_target.ledSteps, std::vector<int>{1});
    // The release of a key pressed before capture started is still shown.
    QCOMPARE(m_target.forwarded.back().vkCode, 0xA3u);
    QCOMPARE(m_target.forwarded.back().flags, 0x81u);
}

void tst_x11KeyCapture::otherClientGetsNothingWhileGrabbed()
{
    OtherX11Client other;
    QVERIFY(other.showFocusedWindow());
    other.keyPressesWithin(50);

    tap(XK_c);
    QTRY_COMPARE(m_target.forwarded.size(), std::size_t(2));
    QCOMPARE(other.keyPressesWithin(300), 0);

    QVERIFY(keyCapture::removeHooks());
    QVERIFY(!keyCapture::isInstalled());
    QVERIFY(other.showFocusedWindow());
    tap(XK_c);
    QCOMPARE(other.keyPressesWithin(500), 1);
    QCOMPARE(m_target.forwarded.size(), std::size_t(2));
}

void tst_x11KeyCapture::installTwiceAndRemoveTwice()
{
    QVERIFY(keyCapture::isInstalled());
    QVERIFY(keyCapture::installHooks());
    tap(XK_d);
    // One grab, one connection: each event arrives once.
    QTRY_COMPARE(m_target.forwarded.size(), std::size_t(2));
    QTest::qWait(100);
    QCOMPARE(m_target.forwarded.size(), std::size_t(2));
    QVERIFY(keyCapture::removeHooks());
    QVERIFY(keyCapture::removeHooks());
    QVERIFY(!keyCapture::isInstalled());
}

void tst_x11KeyCapture::grabHeldByAnotherClientFails()
{
    keyCapture::removeHooks();
    OtherX11Client other;
    Display *holder = other.display();
    QVERIFY(holder);
    QCOMPARE(XGrabKeyboard(holder, DefaultRootWindow(holder), False, GrabModeAsync, GrabModeAsync, CurrentTime),
             GrabSuccess);
    XSync(holder, False);

    QVERIFY(!keyCapture::installHooks());
    QVERIFY(!keyCapture::isInstalled());
    QVERIFY2(logContains("Set keyboard Hook error, error code=1 (AlreadyGrabbed"), qPrintable(m_log.join('\n')));

    XUngrabKeyboard(holder, CurrentTime);
    XSync(holder, False);
    QVERIFY(keyCapture::installHooks());
}

void tst_x11KeyCapture::noDisplayFails()
{
    keyCapture::removeHooks();
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    const bool installed = keyCapture::installHooks();
    qputenv("DISPLAY", display);
    QVERIFY(!installed);
    QVERIFY(!keyCapture::isInstalled());
    QVERIFY2(logContains("cannot open X display"), qPrintable(m_log.join('\n')));
}

void tst_x11KeyCapture::removeFromInsideTheTarget()
{
    RemovingTarget remover;
    hookTargets()[HookTargetKey] = &remover;
    // Several events in one burst: the rest must be dropped safely once the
    // grab is gone.
    key(XK_e, true);
    key(XK_f, true);
    key(XK_f, false);
    key(XK_e, false);
    QTRY_VERIFY(!keyCapture::isInstalled());
    QTest::qWait(100);
    QCOMPARE(remover.calls, 1);
    QVERIFY(keyCapture::installHooks());
    hookTargets()[HookTargetKey] = &m_target;
}

QTEST_GUILESS_MAIN(tst_x11KeyCapture)
#include "tst_x11KeyCapture.moc"
