#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "lockKeyStateFake.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

using KeyStates = QMap<int, int>; // identity -> state

namespace {

// Row 0: Esc (usage 41) and the Caps Lock indicator; rows 1..6: the rest.
// 220 is the backslash key filed under usage 49, 223 the ISO hash key under 50.
QList<TestKey> resultKeys()
{
    return {
        {27, 41, 0},   {-12, 1002, 0}, {65, 4, 3},     {220, 49, 2},   {223, 50, 3},  {226, 100, 4},
        {193, 135, 4}, {2350, 145, 5}, {2360, 144, 5}, {1010, 200, 6}, {160, 225, 4},
    };
}

// Applies a variant the way the main window does on sigCurIndexSelectWithKeyboardLanguage.
void applyVariant(keyboardPage *page, int index)
{
    page->resetAlreadyPressedKeyNum();
    page->setNoSuchKeyList(keyboardPage::noSuchKeyListForVariant(index));
    page->clearAllKeyState();
}

class pathPage : public keyboardPage
{
public:
    explicit pathPage(const QString &path) : m_path(path) {}

protected:
    QString keyboardInfoPath() const override { return m_path; }

private:
    QString m_path;
};

class upperCaseTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (QByteArray(context) == "keyboardPage")
            return QString::fromLatin1(sourceText).toUpper();
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class tst_keyboardPage : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void variants_data();
    void variants();
    void deviceResults_data();
    void deviceResults();
    void keyEventsNameTheKey();
    void repressAfterPassResultCountsAgain();
    void markDeviceKey_data();
    void markDeviceKey();
    void clearKeepsCountAndBlacksAbsentKeys();
    void previousAbsentKeysStayBlackUntilClear();
    void failedKeyStaysRedUntilItsFailureIsCleared();
    void retranslateBeforeAnyKey();
    void duplicateIdentityLaterKeyWins();
    void loading_data();
    void loading();
    void noLayoutFile();
    void firstResizeLoadsOnce();
    void keyAddedToShownPageIsVisible();
    void keyGeometryAndFont();
};

void tst_keyboardPage::construction()
{
    keyboardPage page;
    QCOMPARE(page.objectName(), QString("keyboardPage"));
    QCOMPARE(page.windowTitle(), QString("Form"));
    QCOMPARE(page.size(), QSize(743, 357));
    QVERIFY(page.findChild<QFrame *>("frame"));
    QCOMPARE(page.findChildren<keyboardButCustom *>().size(), 0);
    QCOMPARE(page.pressedKeyNum(), 0);

    const QList<QRadioButton *> radios = page.findChildren<QRadioButton *>();
    QCOMPARE(radios.size(), 4);
    const QStringList names{"US", "UK", "KR", "JP"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(radios[i]->text(), names[i]);
        QVERIFY(radios[i]->group());
        QCOMPARE(radios[i]->group()->id(radios[i]), i);
        QCOMPARE(radios[i]->isChecked(), i == 0);
    }
    QVERIFY(radios[0]->group()->exclusive());

    QLabel *legend = page.findChild<QLabel *>();
    QVERIFY(legend);
    QCOMPARE(legend->text(), QString("(Black means no such key)"));
}

void tst_keyboardPage::variants_data()
{
    QTest::addColumn<QList<int>>("clicks"); // radio ids, in order
    QTest::addColumn<QList<int>>("black");
    QTest::addColumn<QList<int>>("white");

    QTest::newRow("US after load") << QList<int>{} << QList<int>{193, 2350, 2360} << QList<int>{1010, 27};
    QTest::newRow("UK") << QList<int>{1} << QList<int>{193, 2350, 2360} << QList<int>{226, 65, 27};
    QTest::newRow("KR") << QList<int>{2} << QList<int>{226, 193} << QList<int>{2350, 2360, 65};
    QTest::newRow("JP") << QList<int>{3} << QList<int>{226, 2350, 2360} << QList<int>{193, 65};
    QTest::newRow("UK then US again") << QList<int>{1, 0} << QList<int>{226, 193, 2350, 2360} << QList<int>{65};
    QTest::newRow("US clicked while selected") << QList<int>{0} << QList<int>{226, 2350} << QList<int>{65, 160};
    QTest::newRow("JP then JP") << QList<int>{3, 3} << QList<int>{226, 2350} << QList<int>{193, 65, 160};
}

void tst_keyboardPage::variants()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QList<int>, black);
    QFETCH(QList<int>, white);

    keyboardPage page;
    connect(&page, &keyboardPage::sigKeyboardAlreadyLoad, &page, [&page] { applyVariant(&page, 0); });
    connect(&page, &keyboardPage::sigCurIndexSelectWithKeyboardLanguage, &page,
            [&page](int index) { applyVariant(&page, index); });
    QSignalSpy variantSpy(&page, &keyboardPage::sigCurIndexSelectWithKeyboardLanguage);
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());

    // Keys pressed before the click, the black ones among them, must come back clean.
    for (int vk : {65, 160, 226})
        page.handleKeyboardEvent(vk, 0, 0);
    QCOMPARE(keyStateOf(page.keyButton(226)), 1);
    QCOMPARE(page.pressedKeyNum(), 3);

    page.resize(1005, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QList<QRadioButton *> radios = page.findChildren<QRadioButton *>();
    for (int id : clicks)
        QTest::mouseClick(radios.at(id), Qt::LeftButton, {}, QPoint(8, radios.at(id)->height() / 2)); // on the dot

    QCOMPARE(variantSpy.count(), clicks.size());
    for (int i = 0; i < clicks.size(); ++i)
        QCOMPARE(variantSpy.at(i).at(0).toInt(), clicks[i]);
    if (clicks.isEmpty()) {
        // A black key pressed turns green and counts like any other.
        for (int vk : {65, 160, 226})
            QCOMPARE(keyStateOf(page.keyButton(vk)), 1);
    } else {
        QCOMPARE(page.pressedKeyNum(), 0);
        QVERIFY(radios.at(clicks.last())->isChecked());
    }
    for (int key : black)
        QCOMPARE(keyStateOf(page.keyButton(key)), 5);
    for (int key : white)
        QCOMPARE(keyStateOf(page.keyButton(key)), 0);
}

void tst_keyboardPage::deviceResults_data()
{
    QTest::addColumn<QList<int>>("keyDecList");
    QTest::addColumn<int>("resultType");
    QTest::addColumn<KeyStates>("states");

    QTest::newRow("pass, empty list: rows 1-6 white, row 0 kept")
        << QList<int>{} << 1 << KeyStates{{27, 2}, {65, 0}, {160, 0}, {220, 0}, {226, 5}, {2350, 5}};
    QTest::newRow("fail, empty list: rows 1-6 green, row 0 kept")
        << QList<int>{} << 0 << KeyStates{{27, 2}, {65, 3}, {160, 3}, {220, 3}, {226, 5}, {2360, 5}};
    QTest::newRow("pass list: 50 colours the key under 49")
        << QList<int>{50, 4} << 1 << KeyStates{{220, 3}, {223, 0}, {65, 3}, {160, 0}};
    QTest::newRow("fail list: 50 colours only the key under 50")
        << QList<int>{50} << 0 << KeyStates{{223, 4}, {220, 3}, {65, 3}};
    QTest::newRow("fail list: 49 itself") << QList<int>{49} << 2 << KeyStates{{220, 4}, {223, 3}};
    QTest::newRow("pass list names row 0") << QList<int>{41} << 1 << KeyStates{{27, 3}, {65, 0}};
    QTest::newRow("fail list names row 0") << QList<int>{41} << 0 << KeyStates{{27, 4}, {65, 3}};
    QTest::newRow("absent key listed stays black") << QList<int>{100, 145} << 1 << KeyStates{{226, 5}, {2350, 5}};
    QTest::newRow("absent key failed stays black") << QList<int>{100} << 0 << KeyStates{{226, 5}, {65, 3}};
    QTest::newRow("unknown usages ignored") << QList<int>{0, -1, 9999, 2147483647} << 0 << KeyStates{{65, 3}, {27, 2}};
}

// What a key does on the page is told by its identity, for whoever records the test.
void tst_keyboardPage::keyEventsNameTheKey()
{
    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    QSignalSpy spy(&page, &keyboardPage::sigKeyEvent);
    page.handleKeyboardEvent(65, 0, 0);
    page.handleKeyboardEvent(65, 128, 0);
    page.handleKeyboardEvent(0x7B7B, 0, 0); // no such key on the page: nothing to tell
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0), (QList<QVariant>{65, true}));
    QCOMPARE(spy.at(1), (QList<QVariant>{65, false}));
}

void tst_keyboardPage::deviceResults()
{
    QFETCH(QList<int>, keyDecList);
    QFETCH(int, resultType);
    QFETCH(KeyStates, states);

    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    applyVariant(&page, 0);
    page.handleKeyboardEvent(27, 0, 0);
    page.handleKeyboardEvent(27, 128, 0);
    page.handleKeyboardEvent(65, 0, 0);
    page.handleKeyboardEvent(226, 0, 0); // black key pressed: green now, black again after a result
    QCOMPARE(page.pressedKeyNum(), 3);

    QSignalSpy countSpy(&page, &keyboardPage::sigAlreadyPressedKeyNum);
    page.showKeyDecListResult(keyDecList, resultType);

    for (auto it = states.cbegin(); it != states.cend(); ++it)
        QVERIFY2(keyStateOf(page.keyButton(it.key())) == it.value(), qPrintable(QString::number(it.key())));
    QCOMPARE(page.pressedKeyNum(), 3);
    QCOMPARE(countSpy.count(), 0);
}

void tst_keyboardPage::repressAfterPassResultCountsAgain()
{
    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    page.handleKeyboardEvent(65, 0, 0);
    page.handleKeyboardEvent(27, 0, 0);
    QCOMPARE(page.pressedKeyNum(), 2);

    page.showKeyDecListResult({}, 1);
    page.handleKeyboardEvent(65, 0, 0); // row 3: its flag was cleared
    page.handleKeyboardEvent(27, 0, 0); // row 0: untouched, still pressed
    QCOMPARE(page.pressedKeyNum(), 3);
}

void tst_keyboardPage::markDeviceKey_data()
{
    QTest::addColumn<QList<int>>("flags");
    QTest::addColumn<int>("identity");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("count");

    QTest::newRow("device key down") << QList<int>{0} << 1010 << 1 << 1;
    QTest::newRow("device key down twice") << QList<int>{0, 0} << 1010 << 1 << 1;
    QTest::newRow("device key up") << QList<int>{0, 1} << 1010 << 2 << 1;
    QTest::newRow("any non-zero flag releases") << QList<int>{0, 128} << 1010 << 2 << 1;
    QTest::newRow("up without down") << QList<int>{5} << 1010 << 2 << 0;
    QTest::newRow("missing identity") << QList<int>{0, 0} << 1011 << -2 << 0;
    QTest::newRow("indicator is never counted") << QList<int>{0, 0, 0} << -12 << -1 << 0;
}

void tst_keyboardPage::markDeviceKey()
{
    QFETCH(QList<int>, flags);
    QFETCH(int, identity);
    QFETCH(int, state);
    QFETCH(int, count);

    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    page.handleKeyboardEvent(65, 0, 0);
    QSignalSpy spy(&page, &keyboardPage::sigAlreadyPressedKeyNum);

    for (int f : flags)
        page.markDeviceKey(identity, f);

    QCOMPARE(keyStateOf(page.keyButton(identity)), state);
    QCOMPARE(page.pressedKeyNum(), 1 + count);
    QCOMPARE(spy.count(), flags.size());
    QCOMPARE(spy.last().at(0).toInt(), 1 + count);
    QCOMPARE(keyStateOf(page.keyButton(65)), 1);
}

void tst_keyboardPage::clearKeepsCountAndBlacksAbsentKeys()
{
    keyboardPage page;
    QSet<int> toggled{20};
    int reads = 0;
    page.setLockKeyState(std::make_unique<lockKeyStateFake>(&toggled, &reads));
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    applyVariant(&page, 0);
    page.updateLockKeyStatus(20);
    QVERIFY(lockShowsOn(page.keyButton(-12)));
    for (int vk : {65, 226, 160})
        page.handleKeyboardEvent(vk, 0, 0);
    QCOMPARE(page.pressedKeyNum(), 3);

    page.clearAllKeyState();
    QCOMPARE(page.pressedKeyNum(), 3);
    QCOMPARE(keyStateOf(page.keyButton(65)), 0);
    QCOMPARE(keyStateOf(page.keyButton(226)), 5);
    QVERIFY(!page.keyButton(65)->isAlreadyPressed());
    QVERIFY(lockShowsOff(page.keyButton(-12)));

    page.resetAlreadyPressedKeyNum();
    page.handleKeyboardEvent(65, 0, 0);
    QCOMPARE(page.pressedKeyNum(), 1);
}

void tst_keyboardPage::previousAbsentKeysStayBlackUntilClear()
{
    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    page.setNoSuchKeyList(keyboardPage::noSuchKeyListForVariant(0));
    page.setNoSuchKeyList(keyboardPage::noSuchKeyListForVariant(1));
    QCOMPARE(keyStateOf(page.keyButton(226)), 5);
    page.clearAllKeyState();
    QCOMPARE(keyStateOf(page.keyButton(226)), 0);
    QCOMPARE(keyStateOf(page.keyButton(193)), 5);
}

void tst_keyboardPage::failedKeyStaysRedUntilItsFailureIsCleared()
{
    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson(resultKeys()).constData());
    applyVariant(&page, 0);
    page.handleKeyboardEvent(65, 0, 0);
    page.markKeyFailed(65);
    page.handleKeyboardEvent(65, 0x80, 0);
    page.handleKeyboardEvent(65, 0, 0);
    QCOMPARE(keyStateOf(page.keyButton(65)), 4);
    QCOMPARE(page.pressedKeyNum(), 1);
    page.clearAllKeyState();
    QCOMPARE(keyStateOf(page.keyButton(65)), 4);
    page.showKeyDecListResult({}, 0); // the firmware passes every key
    QCOMPARE(keyStateOf(page.keyButton(65)), 4);
    page.clearFailedKeys();
    QCOMPARE(keyStateOf(page.keyButton(65)), 0);
    page.handleKeyboardEvent(65, 0, 0);
    QCOMPARE(keyStateOf(page.keyButton(65)), 1);
}

void tst_keyboardPage::retranslateBeforeAnyKey()
{
    upperCaseTranslator translator;
    QCoreApplication::installTranslator(&translator);
    keyboardPage page;
    QLabel *legend = page.findChild<QLabel *>();
    legend->setText("stale");

    page.retranslateKeyText();
    QCOMPARE(legend->text(), QString("stale"));

    page.parseKeyboardInfo(testLayoutJson({{65, 4, 1}, {2360, 144, 5}}).constData());
    page.retranslateKeyText();
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(legend->text(), QString("(BLACK MEANS NO SUCH KEY)"));
    QCOMPARE(page.keyButton(2360)->text(), QString("KOREAN/ENGLISH"));
    QCOMPARE(page.keyButton(65)->text(), QString("65"));
}

void tst_keyboardPage::duplicateIdentityLaterKeyWins()
{
    keyboardPage page;
    page.parseKeyboardInfo(testLayoutJson({{65, 4, 1, "first"}, {65, 5, 2, "second"}}).constData());
    const QList<keyboardButCustom *> keys = page.findChildren<keyboardButCustom *>();
    QCOMPARE(keys.size(), 2);
    keyboardButCustom *first = keys[0]->text() == "first" ? keys[0] : keys[1];
    keyboardButCustom *second = first == keys[0] ? keys[1] : keys[0];

    page.handleKeyboardEvent(65, 0, 0);
    QCOMPARE(keyStateOf(second), 1);
    QCOMPARE(keyStateOf(first), 0);
    QCOMPARE(page.pressedKeyNum(), 1);
    page.clearAllKeyState();
    page.showKeyDecListResult({4}, 0);
    QCOMPARE(keyStateOf(first), 4); // device results still reach it by its own usage
}

void tst_keyboardPage::loading_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("loadSignals");

    QTest::newRow("two rows") << testLayoutJson({{27, 41, 0}, {65, 4, 3}}) << 2 << 1;
    QTest::newRow("empty object") << QByteArray("{}") << 0 << 1;
    QTest::newRow("empty text") << QByteArray("") << 0 << 0;
    QTest::newRow("not JSON") << QByteArray("{\"EveryKeyInfo_Row01\": [") << 0 << 0;
    QTest::newRow("Enter without keyFlags skipped")
        << QByteArray("{\"EveryKeyInfo_Row01\":[{\"PosX\":1,\"PosY\":80,\"Width\":9,\"Height\":9,\"Dec\":40,"
                      "\"qtDec\":13},{\"PosX\":20,\"PosY\":80,\"Width\":9,\"Height\":9,\"Dec\":4,\"qtDec\":65}]}")
        << 1 << 1;
}

void tst_keyboardPage::loading()
{
    QFETCH(QByteArray, text);
    QFETCH(int, keys);
    QFETCH(int, loadSignals);

    keyboardPage page;
    QSignalSpy spy(&page, &keyboardPage::sigKeyboardAlreadyLoad);
    page.parseKeyboardInfo(text.constData());
    QCOMPARE(page.findChildren<keyboardButCustom *>().size(), keys);
    QCOMPARE(spy.count(), loadSignals);
}

void tst_keyboardPage::noLayoutFile()
{
    QTemporaryDir dir;
    pathPage page(dir.filePath("configDir/KeyInfo.config"));
    QSignalSpy spy(&page, &keyboardPage::sigKeyboardAlreadyLoad);
    QTest::ignoreMessage(QtDebugMsg,
                         "------------------------ loadKeyboardInfo => fp == NULL -------------------------");
    page.resize(1005, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.findChildren<keyboardButCustom *>().size(), 0);
    QCOMPARE(spy.count(), 0);
    QVERIFY(page.findChild<QRadioButton *>()->isVisible());
    QCOMPARE(page.findChild<QFrame *>("frame_KeyBackdrop")->geometry(), QRect(9, 70, 983, 260));
    QLabel *legend = page.findChild<QLabel *>();
    QCOMPARE(legend->pos(), QPoint(420, 333));
    QVERIFY(legend->width() >= 200);
    QVERIFY(legend->width() >= legend->sizeHint().width());
}

void tst_keyboardPage::firstResizeLoadsOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("KeyInfo.config");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(testLayoutJson(resultKeys()));
    file.close();

    pathPage page(path);
    QSignalSpy spy(&page, &keyboardPage::sigKeyboardAlreadyLoad);
    QCOMPARE(page.findChildren<keyboardButCustom *>().size(), 0);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(spy.count(), 1);
    page.resize(900, 380);
    page.resize(1005, 400);
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
    const QList<keyboardButCustom *> keys = page.findChildren<keyboardButCustom *>();
    QCOMPARE(keys.size(), resultKeys().size());
    for (keyboardButCustom *key : keys)
        QVERIFY(key->isVisible());
}

void tst_keyboardPage::keyAddedToShownPageIsVisible()
{
    QTemporaryDir dir;
    QTest::ignoreMessage(QtDebugMsg,
                         "------------------------ loadKeyboardInfo => fp == NULL -------------------------");
    pathPage page(dir.filePath("missing"));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.createKeyButton(10, 80, 40, 30, 65, 4, "A", 1);
    QVERIFY(page.keyButton(65)->isVisible());
}

void tst_keyboardPage::keyGeometryAndFont()
{
    keyboardPage page;
    page.createKeyButton(12, 90, 44, 33, 37, 80, "Left", 5);
    page.createKeyButton(-100000, 2000000, 2000000000, -5, 38, 82, "Up", 5);
    keyboardButCustom *left = page.keyButton(37);
    QCOMPARE(left->geometry(), QRect(12, 90, 44, 33));
    QCOMPARE(left->minimumSize(), QSize(44, 33));
    QCOMPARE(left->maximumSize(), QSize(44, 33));
    QCOMPARE(left->font().pointSize(), 16);
    QVERIFY(QFontInfo(left->font()).family().contains("FontAwesome", Qt::CaseInsensitive));
    QCOMPARE(left->text(), QString(QChar(0xF0D9)));

    keyboardButCustom *broken = page.keyButton(38);
    QVERIFY(broken->width() <= 4096);
    QCOMPARE(broken->height(), 0);
}

QTEST_MAIN(tst_keyboardPage)
#include "tst_keyboardPage.moc"
