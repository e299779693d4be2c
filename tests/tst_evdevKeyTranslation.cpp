#include "evdevKeyTranslation.h"

#include <QtTest>

#include <linux/input-event-codes.h>

#include <map>
#include <tuple>

// Key codes come from the kernel's own header, so a slip in the translation's
// numbers does not hide behind the same slip here.
class tst_evdevKeyTranslation : public QObject
{
    Q_OBJECT

private slots:
    void translate_data();
    void translate();
    void unknownAndOutOfRangeCodes_data();
    void unknownAndOutOfRangeCodes();
    void noTwoKeysLookAlike();
    void keyboardStateFlags_data();
    void keyboardStateFlags();
    void keyboardStateCtrl();
};

void tst_evdevKeyTranslation::translate_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("numLockOn");
    QTest::addColumn<bool>("altDown");
    QTest::addColumn<uint>("vkCode");
    QTest::addColumn<uint>("scanCode");
    QTest::addColumn<uint>("flags");

    QTest::newRow("A press") << KEY_A << true << false << false << 65u << 0x1Eu << 0u;
    QTest::newRow("A release") << KEY_A << false << false << false << 65u << 0x1Eu << 128u;
    QTest::newRow("Z") << KEY_Z << true << false << false << 90u << 0x2Cu << 0u;
    QTest::newRow("1") << KEY_1 << true << false << false << 49u << 0x02u << 0u;
    QTest::newRow("0") << KEY_0 << true << false << false << 48u << 0x0Bu << 0u;
    QTest::newRow("Esc") << KEY_ESC << true << false << false << 27u << 0x01u << 0u;
    QTest::newRow("F1") << KEY_F1 << true << false << false << 112u << 0x3Bu << 0u;
    QTest::newRow("F12") << KEY_F12 << true << false << false << 123u << 0x58u << 0u;
    QTest::newRow("F13") << KEY_F13 << true << false << false << 124u << 0x64u << 0u;
    QTest::newRow("F24") << KEY_F24 << true << false << false << 135u << 0x76u << 0u;
    QTest::newRow("minus OEM") << KEY_MINUS << true << false << false << 0xBDu << 0x0Cu << 0u;
    QTest::newRow("equal OEM") << KEY_EQUAL << true << false << false << 0xBBu << 0x0Du << 0u;
    QTest::newRow("left brace OEM_4") << KEY_LEFTBRACE << true << false << false << 0xDBu << 0x1Au << 0u;
    QTest::newRow("semicolon OEM_1") << KEY_SEMICOLON << true << false << false << 0xBAu << 0x27u << 0u;
    QTest::newRow("apostrophe OEM_7") << KEY_APOSTROPHE << true << false << false << 0xDEu << 0x28u << 0u;
    QTest::newRow("grave OEM_3") << KEY_GRAVE << true << false << false << 0xC0u << 0x29u << 0u;
    QTest::newRow("backslash OEM_5") << KEY_BACKSLASH << true << false << false << 0xDCu << 0x2Bu << 0u;
    QTest::newRow("slash OEM_2") << KEY_SLASH << true << false << false << 0xBFu << 0x35u << 0u;
    QTest::newRow("ISO key OEM_102") << KEY_102ND << true << false << false << 226u << 0x56u << 0u;
    QTest::newRow("main Enter") << KEY_ENTER << true << false << false << 13u << 0x1Cu << 0u;
    QTest::newRow("keypad Enter extended") << KEY_KPENTER << true << true << false << 13u << 0x1Cu << 1u;
    QTest::newRow("keypad Enter release") << KEY_KPENTER << false << true << false << 13u << 0x1Cu << 129u;
    QTest::newRow("keypad divide extended") << KEY_KPSLASH << true << false << false << 111u << 0x35u << 1u;
    QTest::newRow("keypad multiply") << KEY_KPASTERISK << true << false << false << 106u << 0x37u << 0u;
    QTest::newRow("left Shift") << KEY_LEFTSHIFT << true << false << false << 160u << 0x2Au << 0u;
    QTest::newRow("right Shift not extended") << KEY_RIGHTSHIFT << true << false << false << 161u << 0x36u << 0u;
    QTest::newRow("left Ctrl") << KEY_LEFTCTRL << true << false << false << 162u << 0x1Du << 0u;
    QTest::newRow("right Ctrl extended") << KEY_RIGHTCTRL << true << false << false << 163u << 0x1Du << 1u;
    QTest::newRow("left Alt press carries Alt") << KEY_LEFTALT << true << false << true << 164u << 0x38u << 32u;
    QTest::newRow("right Alt press") << KEY_RIGHTALT << true << false << true << 165u << 0x38u << 33u;
    QTest::newRow("right Alt release") << KEY_RIGHTALT << false << false << false << 165u << 0x38u << 129u;
    QTest::newRow("Tab with Alt held") << KEY_TAB << true << false << true << 9u << 0x0Fu << 32u;
    QTest::newRow("Tab release with Alt held") << KEY_TAB << false << false << true << 9u << 0x0Fu << 160u;
    QTest::newRow("Up with Alt held") << KEY_UP << true << false << true << 38u << 0x48u << 33u;
    QTest::newRow("left Windows") << KEY_LEFTMETA << true << false << false << 91u << 0x5Bu << 1u;
    QTest::newRow("right Windows") << KEY_RIGHTMETA << true << false << false << 92u << 0x5Cu << 1u;
    QTest::newRow("Applications") << KEY_COMPOSE << true << false << false << 93u << 0x5Du << 1u;
    QTest::newRow("Home block extended") << KEY_HOME << true << true << false << 36u << 0x47u << 1u;
    QTest::newRow("Insert block") << KEY_INSERT << true << false << false << 45u << 0x52u << 1u;
    QTest::newRow("Delete block") << KEY_DELETE << true << false << false << 46u << 0x53u << 1u;
    QTest::newRow("Page Down block") << KEY_PAGEDOWN << true << false << false << 34u << 0x51u << 1u;
    QTest::newRow("Left arrow") << KEY_LEFT << true << false << false << 37u << 0x4Bu << 1u;
    QTest::newRow("Left arrow release") << KEY_LEFT << false << false << false << 37u << 0x4Bu << 129u;
    QTest::newRow("Right arrow") << KEY_RIGHT << true << false << false << 39u << 0x4Du << 1u;
    QTest::newRow("Down arrow") << KEY_DOWN << true << false << false << 40u << 0x50u << 1u;
    QTest::newRow("keypad 7 Num Lock on") << KEY_KP7 << true << true << false << 103u << 0x47u << 0u;
    QTest::newRow("keypad 7 Num Lock off: Home, not extended")
        << KEY_KP7 << true << false << false << 36u << 0x47u << 0u;
    QTest::newRow("keypad 7 Num Lock off release") << KEY_KP7 << false << false << false << 36u << 0x47u << 128u;
    QTest::newRow("keypad 8 off") << KEY_KP8 << true << false << false << 38u << 0x48u << 0u;
    QTest::newRow("keypad 9 off") << KEY_KP9 << true << false << false << 33u << 0x49u << 0u;
    QTest::newRow("keypad 4 off") << KEY_KP4 << true << false << false << 37u << 0x4Bu << 0u;
    QTest::newRow("keypad 5 off: Clear") << KEY_KP5 << true << false << false << 12u << 0x4Cu << 0u;
    QTest::newRow("keypad 6 off") << KEY_KP6 << true << false << false << 39u << 0x4Du << 0u;
    QTest::newRow("keypad 1 off") << KEY_KP1 << true << false << false << 35u << 0x4Fu << 0u;
    QTest::newRow("keypad 2 off") << KEY_KP2 << true << false << false << 40u << 0x50u << 0u;
    QTest::newRow("keypad 3 off") << KEY_KP3 << true << false << false << 34u << 0x51u << 0u;
    QTest::newRow("keypad 0 off") << KEY_KP0 << true << false << false << 45u << 0x52u << 0u;
    QTest::newRow("keypad dot off") << KEY_KPDOT << true << false << false << 46u << 0x53u << 0u;
    QTest::newRow("keypad 0 on") << KEY_KP0 << true << true << false << 96u << 0x52u << 0u;
    QTest::newRow("keypad 5 on") << KEY_KP5 << true << true << false << 101u << 0x4Cu << 0u;
    QTest::newRow("keypad 9 on") << KEY_KP9 << true << true << false << 105u << 0x49u << 0u;
    QTest::newRow("keypad dot on") << KEY_KPDOT << true << true << false << 110u << 0x53u << 0u;
    QTest::newRow("keypad dot off with Alt") << KEY_KPDOT << true << false << true << 46u << 0x53u << 32u;
    QTest::newRow("keypad minus") << KEY_KPMINUS << true << false << false << 109u << 0x4Au << 0u;
    QTest::newRow("keypad plus") << KEY_KPPLUS << true << false << false << 107u << 0x4Eu << 0u;
    QTest::newRow("Pause") << KEY_PAUSE << true << false << false << 19u << 0x45u << 0u;
    QTest::newRow("Print Screen extended") << KEY_SYSRQ << true << false << false << 44u << 0x37u << 1u;
    QTest::newRow("Num Lock extended") << KEY_NUMLOCK << true << true << false << 144u << 0x45u << 1u;
    QTest::newRow("Scroll Lock") << KEY_SCROLLLOCK << true << false << false << 145u << 0x46u << 0u;
    QTest::newRow("Caps Lock") << KEY_CAPSLOCK << true << false << false << 20u << 0x3Au << 0u;
    QTest::newRow("Space") << KEY_SPACE << true << false << false << 32u << 0x39u << 0u;
    QTest::newRow("JIS Ro") << KEY_RO << true << false << false << 193u << 0x73u << 0u;
    QTest::newRow("JIS Muhenkan") << KEY_MUHENKAN << true << false << false << 235u << 0x7Bu << 0u;
    QTest::newRow("JIS Yen") << KEY_YEN << true << false << false << 255u << 0x7Du << 0u;
    QTest::newRow("JIS Henkan") << KEY_HENKAN << true << false << false << 255u << 0x79u << 0u;
    QTest::newRow("JIS Katakana/Hiragana release")
        << KEY_KATAKANAHIRAGANA << false << false << false << 255u << 0x70u << 128u;
    QTest::newRow("Korean Hangeul") << KEY_HANGEUL << true << false << false << 21u << 0xF2u << 0u;
    QTest::newRow("Korean Hanja") << KEY_HANJA << true << false << false << 25u << 0xF1u << 0u;
    QTest::newRow("Browser Back") << KEY_BACK << true << false << false << 166u << 0x6Au << 1u;
    QTest::newRow("Browser Forward") << KEY_FORWARD << true << false << false << 167u << 0x69u << 1u;
    QTest::newRow("Browser Refresh") << KEY_REFRESH << true << false << false << 168u << 0x67u << 1u;
    QTest::newRow("Browser Stop") << KEY_STOP << true << false << false << 169u << 0x68u << 1u;
    QTest::newRow("Browser Search") << KEY_SEARCH << true << false << false << 170u << 0x65u << 1u;
    QTest::newRow("Browser Favorites") << KEY_BOOKMARKS << true << false << false << 171u << 0x66u << 1u;
    QTest::newRow("Browser Home") << KEY_HOMEPAGE << true << false << false << 172u << 0x32u << 1u;
    QTest::newRow("Volume Mute") << KEY_MUTE << true << false << false << 173u << 0x20u << 1u;
    QTest::newRow("Volume Down") << KEY_VOLUMEDOWN << true << false << false << 174u << 0x2Eu << 1u;
    QTest::newRow("Volume Up") << KEY_VOLUMEUP << true << false << false << 175u << 0x30u << 1u;
    QTest::newRow("Next Track") << KEY_NEXTSONG << true << false << false << 176u << 0x19u << 1u;
    QTest::newRow("Previous Track") << KEY_PREVIOUSSONG << true << false << false << 177u << 0x10u << 1u;
    QTest::newRow("Media Stop") << KEY_STOPCD << true << false << false << 178u << 0x24u << 1u;
    QTest::newRow("Play/Pause") << KEY_PLAYPAUSE << true << false << false << 179u << 0x22u << 1u;
    QTest::newRow("Mail") << KEY_MAIL << true << false << false << 180u << 0x6Cu << 1u;
    QTest::newRow("Media Select") << KEY_CONFIG << true << false << false << 181u << 0x6Du << 1u;
    QTest::newRow("Launch App 1") << KEY_COMPUTER << true << false << false << 182u << 0x6Bu << 1u;
    QTest::newRow("Launch App 2 (Calculator)") << KEY_CALC << true << false << false << 183u << 0x21u << 1u;
    QTest::newRow("Mail release with Alt") << KEY_MAIL << false << false << true << 180u << 0x6Cu << 161u;
}

void tst_evdevKeyTranslation::translate()
{
    QFETCH(int, code);
    QFETCH(bool, pressed);
    QFETCH(bool, numLockOn);
    QFETCH(bool, altDown);
    QFETCH(uint, vkCode);
    QFETCH(uint, scanCode);
    QFETCH(uint, flags);

    const WinKeyEvent event = translateEvdevKey(code, pressed, numLockOn, altDown);
    QVERIFY(event.isValid());
    QCOMPARE(uint(event.vkCode), vkCode);
    QCOMPARE(uint(event.scanCode), scanCode);
    QCOMPARE(uint(event.flags), flags);
    QVERIFY2(!(event.flags & 0x10), "X11 cannot tell an injected key, so the flag is never set");
}

void tst_evdevKeyTranslation::unknownAndOutOfRangeCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("reserved 0") << KEY_RESERVED;
    QTest::newRow("negative") << -1;
    QTest::newRow("far negative") << -100000;
    QTest::newRow("first past the table") << EvdevKeyCodeCount;
    QTest::newRow("far past") << (1 << 30);
    QTest::newRow("power key has no Windows key") << KEY_POWER;
    QTest::newRow("keypad equal") << KEY_KPEQUAL;
}

void tst_evdevKeyTranslation::unknownAndOutOfRangeCodes()
{
    QFETCH(int, code);
    QVERIFY(!translateEvdevKey(code, true, true, true).isValid());
    EvdevKeyboardState state;
    QVERIFY(!state.handleKey(code, true, false).isValid());
    QVERIFY(!state.ctrlDown());
    QVERIFY(!state.altDown());
}

void tst_evdevKeyTranslation::noTwoKeysLookAlike()
{
    // Two physical keys giving the same vkCode, scan code and extended bit
    // would be one key to the keyboard page. The only intended pair is the two
    // "my computer" keys of different keyboards.
    std::map<std::tuple<uint, uint, uint>, int> seen;
    int known = 0;
    for (int code = 0; code < EvdevKeyCodeCount; ++code) {
        for (bool numLockOn : {false, true}) {
            const WinKeyEvent event = translateEvdevKey(code, true, numLockOn, false);
            if (!event.isValid())
                continue;
            ++known;
            QVERIFY2(event.vkCode <= 255, qPrintable(QString("code %1").arg(code)));
            QVERIFY2(event.scanCode != 0 && event.scanCode <= 0xFF, qPrintable(QString("code %1").arg(code)));
            const auto identity = std::make_tuple(uint(event.vkCode), uint(event.scanCode), uint(event.flags));
            const auto it = seen.find(identity);
            if (it != seen.end() && it->second != code) {
                const bool computerKeys = (it->second == KEY_FILE && code == KEY_COMPUTER);
                QVERIFY2(computerKeys, qPrintable(QString("codes %1 and %2 look alike").arg(it->second).arg(code)));
            }
            seen.emplace(identity, code);
        }
    }
    QVERIFY(known > 2 * 120);
}

void tst_evdevKeyTranslation::keyboardStateFlags_data()
{
    QTest::addColumn<QVector<int>>("codes");  // key codes, negative = release of -code
    QTest::addColumn<QVector<uint>>("flags"); // flags of each translated event
    QTest::addColumn<bool>("altAfter");

    QTest::newRow("Alt press, key, key up, Alt up")
        << QVector<int>{KEY_LEFTALT, KEY_TAB, -KEY_TAB, -KEY_LEFTALT} << QVector<uint>{32, 32, 160, 128} << false;
    QTest::newRow("right Alt held over an extended key")
        << QVector<int>{KEY_RIGHTALT, KEY_UP, -KEY_UP, -KEY_RIGHTALT} << QVector<uint>{33, 33, 161, 129} << false;
    QTest::newRow("one Alt released while the other is held")
        << QVector<int>{KEY_LEFTALT, KEY_RIGHTALT, -KEY_LEFTALT, KEY_A} << QVector<uint>{32, 33, 160, 32} << true;
    QTest::newRow("Alt's repeat still carries Alt")
        << QVector<int>{KEY_LEFTALT, KEY_LEFTALT, -KEY_LEFTALT} << QVector<uint>{32, 32, 128} << false;
    QTest::newRow("no Alt") << QVector<int>{KEY_A, -KEY_A} << QVector<uint>{0, 128} << false;
}

void tst_evdevKeyTranslation::keyboardStateFlags()
{
    QFETCH(QVector<int>, codes);
    QFETCH(QVector<uint>, flags);
    QFETCH(bool, altAfter);

    EvdevKeyboardState state;
    QVector<uint> got;
    for (int code : codes)
        got << uint(state.handleKey(code < 0 ? -code : code, code > 0, false).flags);
    QCOMPARE(got, flags);
    QCOMPARE(state.altDown(), altAfter);
}

void tst_evdevKeyTranslation::keyboardStateCtrl()
{
    EvdevKeyboardState state;
    QVERIFY(!state.ctrlDown());
    state.handleKey(KEY_RIGHTCTRL, true, false);
    QVERIFY(state.ctrlDown());
    state.handleKey(KEY_LEFTCTRL, true, false);
    state.handleKey(KEY_RIGHTCTRL, false, false);
    QVERIFY(state.ctrlDown());
    state.handleKey(KEY_LEFTCTRL, false, false);
    QVERIFY(!state.ctrlDown());

    // A Ctrl already down when watching starts counts, and so does its release.
    state.setDown(KEY_LEFTCTRL, true);
    QVERIFY(state.ctrlDown());
    state.handleKey(KEY_LEFTCTRL, false, false);
    QVERIFY(!state.ctrlDown());

    state.setDown(KEY_LEFTALT, true);
    state.clear();
    QVERIFY(!state.altDown());
}

QTEST_APPLESS_MAIN(tst_evdevKeyTranslation)
#include "tst_evdevKeyTranslation.moc"
