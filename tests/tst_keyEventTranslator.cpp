#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "lockKeyStateFake.h"

#include <QtTest>

namespace {

struct KeyEvent
{
    int vkCode;
    int keyFlags;
    int scCode = 0;
};

// Every identity the rules can reach, each with its own HID usage.
QList<TestKey> baseKeys()
{
    return {
        {-11, 1001, 0}, {-12, 1002, 0}, {-13, 1003, 0}, {-14, 1004, 0}, {19, 72, 0},    {145, 71, 0},   {160, 225, 4},
        {65, 4, 3},     {36, 74, 2},    {45, 73, 2},    {46, 76, 2},    {37, 80, 5},    {96, 98, 5},    {97, 89, 4},
        {100, 92, 3},   {101, 93, 3},   {103, 95, 2},   {110, 99, 5},   {601, 40, 3},   {602, 88, 4},   {701, 137, 4},
        {702, 138, 5},  {703, 136, 5},  {144, 83, 1},   {20, 57, 3},    {2350, 145, 5}, {2360, 144, 5},
    };
}

QList<TestKey> keysWithout(const QList<int> &omitted)
{
    QList<TestKey> keys;
    for (const TestKey &key : baseKeys()) {
        if (!omitted.contains(key.qtDec))
            keys.append(key);
    }
    return keys;
}

} // namespace

Q_DECLARE_METATYPE(QVector<KeyEvent>)

class tst_keyEventTranslator : public QObject
{
    Q_OBJECT

private slots:
    void keyEvents_data();
    void keyEvents();
    void lockIndicators_data();
    void lockIndicators();
    void lockRefreshIgnoresOtherCodes();
    void noLockSourceShowsOff();

private:
    struct Page
    {
        keyboardPage page;
        QSet<int> toggled;
        int reads = 0;
        explicit Page(const QList<int> &omitted = {})
        {
            page.setLockKeyState(std::make_unique<lockKeyStateFake>(&toggled, &reads));
            page.parseKeyboardInfo(testLayoutJson(keysWithout(omitted)).constData());
        }
    };
};

void tst_keyEventTranslator::keyEvents_data()
{
    QTest::addColumn<QList<int>>("omitted");
    QTest::addColumn<QVector<KeyEvent>>("events");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("untouched");
    QTest::addColumn<QList<int>>("loggedScanCodes");

    const QList<int> none;
    using E = QVector<KeyEvent>;

    QTest::newRow("Left Shift down") << none << E{{160, 0}} << 160 << 1 << 1 << QList<int>{65} << none;
    QTest::newRow("Left Shift up") << none << E{{160, 0}, {160, 128}} << 160 << 2 << 1 << none << none;
    QTest::newRow("Left Shift again, counted once")
        << none << E{{160, 0}, {160, 128}, {160, 0}} << 160 << 1 << 1 << none << none;
    QTest::newRow("two keys count two") << none << E{{160, 0}, {65, 0}, {160, 128}, {65, 128}} << 65 << 2 << 2 << none
                                        << none;

    QTest::newRow("Han/Yeong") << none << E{{0x15, 0}} << 2360 << 1 << 1 << none << none;
    QTest::newRow("Hanja up") << none << E{{0x19, 0}, {0x19, 128}} << 2350 << 2 << 1 << none << none;
    QTest::newRow("keypad 7, Num Lock off") << none << E{{36, 0}} << 103 << 1 << 1 << QList<int>{36} << none;
    QTest::newRow("keypad 7 with Alt") << none << E{{36, 32}} << 103 << 1 << 1 << QList<int>{36} << none;
    QTest::newRow("keypad 7 up with Alt") << none << E{{36, 0}, {36, 160}} << 103 << 2 << 1 << none << none;
    QTest::newRow("Home of the navigation block") << none << E{{36, 1}} << 36 << 1 << 1 << QList<int>{103} << none;
    QTest::newRow("Home up") << none << E{{36, 1}, {36, 129}} << 36 << 2 << 1 << QList<int>{103} << none;
    QTest::newRow("keypad 4 from Left") << none << E{{37, 0}} << 100 << 1 << 1 << QList<int>{37} << none;
    QTest::newRow("Left arrow, extended") << none << E{{37, 1}} << 37 << 1 << 1 << QList<int>{100} << none;
    QTest::newRow("keypad point from Delete") << none << E{{46, 0}} << 110 << 1 << 1 << QList<int>{46} << none;
    QTest::newRow("keypad 0 from Insert") << none << E{{45, 0}} << 96 << 1 << 1 << QList<int>{45} << none;
    QTest::newRow("no Insert key: keypad 0 marks nothing")
        << QList<int>{45} << E{{45, 0}} << 96 << 0 << 0 << QList<int>{36, 103} << none;
    QTest::newRow("keypad 1 from End, key absent") << none << E{{35, 0}} << 97 << 0 << 0 << none << none;
    QTest::newRow("keypad 5 as Clear") << none << E{{12, 0}} << 101 << 1 << 1 << none << none;
    QTest::newRow("keypad 5 up") << none << E{{12, 0}, {12, 128}} << 101 << 2 << 1 << none << none;
    QTest::newRow("Clear with Alt marks nothing") << none << E{{12, 32}} << 101 << 0 << 0 << none << none;

    QTest::newRow("main Enter") << none << E{{13, 0}} << 601 << 1 << 1 << QList<int>{602} << none;
    QTest::newRow("main Enter with Alt") << none << E{{13, 32}} << 601 << 1 << 1 << QList<int>{602} << none;
    QTest::newRow("main Enter up with Alt") << none << E{{13, 0}, {13, 160}} << 601 << 2 << 1 << none << none;
    QTest::newRow("keypad Enter") << none << E{{13, 1}} << 602 << 1 << 1 << QList<int>{601} << none;
    QTest::newRow("keypad Enter with Alt") << none << E{{13, 33}} << 602 << 1 << 1 << QList<int>{601} << none;
    QTest::newRow("keypad Enter up") << none << E{{13, 1}, {13, 129}} << 602 << 2 << 1 << none << none;
    QTest::newRow("keypad Enter up with Alt") << none << E{{13, 1}, {13, 161}} << 602 << 2 << 1 << none << none;
    QTest::newRow("Enter injected extended: nothing")
        << none << E{{13, 17}} << 601 << 0 << 0 << QList<int>{602} << none;
    QTest::newRow("Enter injected: nothing") << none << E{{13, 16}} << 602 << 0 << 0 << QList<int>{601} << none;

    QTest::newRow("JIS Yen, scan 125") << none << E{{255, 0, 125}} << 701 << 1 << 1 << QList<int>{702, 703}
                                       << QList<int>{125};
    QTest::newRow("JIS Henkan, scan 121")
        << none << E{{255, 0, 121}} << 702 << 1 << 1 << QList<int>{701} << QList<int>{121};
    QTest::newRow("JIS Kana, scan 112") << none << E{{255, 0, 112}} << 703 << 1 << 1 << QList<int>{701}
                                        << QList<int>{112};
    QTest::newRow("JIS Yen up") << none << E{{255, 0, 125}, {255, 128, 125}} << 701 << 2 << 1 << none
                                << QList<int>{125, 125};
    QTest::newRow("vk 255, scan 123: log only")
        << none << E{{255, 0, 123}} << 701 << 0 << 0 << QList<int>{702, 703} << QList<int>{123};
    QTest::newRow("vk 255 extended: log only") << none << E{{255, 1, 125}} << 701 << 0 << 0 << none << QList<int>{125};

    QTest::newRow("injected extended: green, not counted") << none << E{{65, 17}} << 65 << 1 << 0 << none << none;
    QTest::newRow("17 then a real press adds nothing")
        << none << E{{65, 17}, {65, 128}, {65, 0}} << 65 << 1 << 0 << none << none;
    QTest::newRow("injected going down: blue") << none << E{{65, 16}} << 65 << 2 << 0 << none << none;
    QTest::newRow("injected with Alt: blue") << none << E{{65, 48}} << 65 << 2 << 0 << none << none;
    QTest::newRow("Alt held, extended") << none << E{{65, 33}} << 65 << 1 << 1 << none << none;

    QTest::newRow("Pause extended marks Num Lock") << none << E{{19, 1}} << 144 << 1 << 1 << QList<int>{19} << none;
    QTest::newRow("Pause extended up") << none << E{{19, 1}, {19, 129}} << 144 << 2 << 1 << QList<int>{19} << none;
    QTest::newRow("Pause extended without key 19") << QList<int>{19} << E{{19, 1}} << 144 << 0 << 0 << none << none;
    QTest::newRow("plain Pause") << none << E{{19, 0}} << 19 << 1 << 1 << QList<int>{144} << none;

    QTest::newRow("key not on the page") << none << E{{90, 0}, {90, 128}} << 65 << 0 << 0 << QList<int>{160} << none;
    QTest::newRow("indicator code never counts")
        << none << E{{-12, 0}, {-12, 0}, {-12, 128}} << 65 << 0 << 0 << none << none;
    QTest::newRow("special identity is no key event")
        << none << E{{601, 0}, {703, 0}} << 601 << 0 << 0 << QList<int>{703} << none;
}

void tst_keyEventTranslator::keyEvents()
{
    QFETCH(QList<int>, omitted);
    QFETCH(QVector<KeyEvent>, events);
    QFETCH(int, key);
    QFETCH(int, state);
    QFETCH(int, count);
    QFETCH(QList<int>, untouched);
    QFETCH(QList<int>, loggedScanCodes);

    Page p(omitted);
    QSignalSpy spy(&p.page, &keyboardPage::sigAlreadyPressedKeyNum);
    for (int scCode : loggedScanCodes) {
        const QByteArray line =
            "----------------------------------------vkCode 255 -> scCode: " + QByteArray::number(scCode);
        QTest::ignoreMessage(QtDebugMsg, line.constData());
    }

    for (const KeyEvent &e : events)
        p.page.handleKeyboardEvent(e.vkCode, e.keyFlags, e.scCode);

    if (omitted.contains(key))
        QVERIFY(!p.page.keyButton(key));
    else
        QCOMPARE(keyStateOf(p.page.keyButton(key)), state);
    for (int other : untouched)
        QCOMPARE(keyStateOf(p.page.keyButton(other)), 0);
    QCOMPARE(p.page.pressedKeyNum(), count);
    QCOMPARE(spy.count(), events.size());
    QCOMPARE(spy.last().at(0).toInt(), count);
}

void tst_keyEventTranslator::lockIndicators_data()
{
    QTest::addColumn<QVector<KeyEvent>>("events");
    QTest::addColumn<QList<int>>("toggledAtEachEvent");
    QTest::addColumn<int>("indicator");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("keyState");

    using E = QVector<KeyEvent>;
    QTest::newRow("Caps Lock press shows on") << E{{20, 0}} << QList<int>{20} << -12 << true << 20 << 1;
    QTest::newRow("Caps Lock release shows off")
        << E{{20, 0}, {20, 128}} << QList<int>{20, 0} << -12 << false << 20 << 2;
    QTest::newRow("Caps Lock release shows on") << E{{20, 0}, {20, 128}} << QList<int>{0, 20} << -12 << true << 20 << 2;
    QTest::newRow("Num Lock onto -11") << E{{144, 1}} << QList<int>{144} << -11 << true << 144 << 1;
    QTest::newRow("Scroll Lock onto -13") << E{{145, 0}} << QList<int>{145} << -13 << true << 145 << 1;
    QTest::newRow("Caps does not show Num Lock") << E{{20, 0}} << QList<int>{144} << -11 << false << 20 << 1;
    QTest::newRow("Caps reads its own toggle") << E{{20, 0}} << QList<int>{144} << -12 << false << 20 << 1;
    QTest::newRow("Pause extended does not refresh Num Lock")
        << E{{19, 1}} << QList<int>{144} << -11 << false << 144 << 1;
    QTest::newRow("fourth indicator never on")
        << E{{20, 0}, {144, 0}, {145, 0}} << QList<int>{20, 144, 145} << -14 << false << 145 << 1;
}

void tst_keyEventTranslator::lockIndicators()
{
    QFETCH(QVector<KeyEvent>, events);
    QFETCH(QList<int>, toggledAtEachEvent);
    QFETCH(int, indicator);
    QFETCH(bool, on);
    QFETCH(int, key);
    QFETCH(int, keyState);

    Page p;
    for (int i = 0; i < events.size(); ++i) {
        p.toggled = {toggledAtEachEvent.value(i)};
        p.page.handleKeyboardEvent(events[i].vkCode, events[i].keyFlags, events[i].scCode);
    }
    keyboardButCustom *button = p.page.keyButton(indicator);
    QVERIFY(button);
    QVERIFY(on ? lockShowsOn(button) : lockShowsOff(button));
    QCOMPARE(keyStateOf(p.page.keyButton(key)), keyState);
}

void tst_keyEventTranslator::lockRefreshIgnoresOtherCodes()
{
    Page p;
    p.toggled = {20, 144, 145};
    for (int vkCode : {0, 19, 65, -12, 160, 255})
        p.page.updateLockKeyStatus(vkCode);
    QCOMPARE(p.reads, 0);
    p.page.updateLockKeyStatus(144);
    QVERIFY(lockShowsOn(p.page.keyButton(-11)));
    QVERIFY(lockShowsOff(p.page.keyButton(-12)));
}

void tst_keyEventTranslator::noLockSourceShowsOff()
{
    Page p;
    p.toggled = {20};
    p.page.updateLockKeyStatus(20);
    QVERIFY(lockShowsOn(p.page.keyButton(-12)));
    p.page.setLockKeyState(nullptr);
    p.page.updateLockKeyStatus(20);
    QVERIFY(lockShowsOff(p.page.keyButton(-12)));
}

QTEST_MAIN(tst_keyEventTranslator)
#include "tst_keyEventTranslator.moc"
