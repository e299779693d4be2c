#include "keyboardButCustom.h"
#include "keyboardPageLayout.h"

#include <QtTest>

namespace {

const QString kCommon =
    QStringLiteral("color:#000000; font: 75 10pt; border-bottom: 1px solid #7F8386; border-radius:8px;");
const QString kWhite = kCommon + "background-color:#ffffff;";
const QString kBrightGreen = kCommon + "background-color:#00e200;";
const QString kBlue = kCommon + "background-color:#2c74c1;";
const QString kGreen = kCommon + "background-color:#22ba20;";
const QString kRed = kCommon + "background-color:#E81122;";
const QString kBlack = kCommon + "background-color:#000000;";
const QString kIndicator = QStringLiteral("color:#000000; font: 75 10pt;background-color:transparent;border:none;");

} // namespace

class tst_keyboardButCustom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void construction();
    void keyStates_data();
    void keyStates();
    void indicatorIgnoresStates_data();
    void indicatorIgnoresStates();
    void keyInfo_data();
    void keyInfo();
    void iconTextLeavesOtherKeys();
    void indicatorShowsWhatLiesBeneath();
};

void tst_keyboardButCustom::initTestCase()
{
    // Without the compiled-in pictures every icon comparison below would be vacuous.
    QVERIFY(!QIcon(":/images/StatusOpen.png").pixmap(15, 15).isNull());
    QVERIFY(QIcon(":/images/StatusOpen.png").pixmap(15, 15).toImage() !=
            QIcon(":/images/StatusClose.png").pixmap(15, 15).toImage());
}

void tst_keyboardButCustom::construction()
{
    keyboardButCustom button;
    QCOMPARE(button.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(button.styleSheet(), kWhite);
    QVERIFY(!button.isAlreadyPressed());
}

void tst_keyboardButCustom::keyStates_data()
{
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<bool>("alreadyPressed");

    QTest::newRow("untested") << QList<int>{0} << kWhite << false;
    QTest::newRow("down sets pressed") << QList<int>{1} << kBrightGreen << true;
    QTest::newRow("released keeps pressed") << QList<int>{1, 2} << kBlue << true;
    QTest::newRow("untested clears pressed") << QList<int>{1, 2, 0} << kWhite << false;
    QTest::newRow("pass keeps pressed") << QList<int>{1, 3} << kGreen << true;
    QTest::newRow("fail keeps pressed") << QList<int>{1, 4} << kRed << true;
    QTest::newRow("black keeps pressed") << QList<int>{1, 5} << kBlack << true;
    QTest::newRow("black alone not pressed") << QList<int>{5} << kBlack << false;
    QTest::newRow("released alone not pressed") << QList<int>{2} << kBlue << false;
    QTest::newRow("6 changes nothing") << QList<int>{1, 6} << kBrightGreen << true;
    QTest::newRow("6 on a fresh key") << QList<int>{6} << kWhite << false;
    QTest::newRow("-1 changes nothing") << QList<int>{4, -1} << kRed << false;
    QTest::newRow("black then down") << QList<int>{5, 1} << kBrightGreen << true;
}

void tst_keyboardButCustom::keyStates()
{
    QFETCH(QList<int>, states);
    QFETCH(QString, sheet);
    QFETCH(bool, alreadyPressed);

    keyboardButCustom button;
    button.setKeyInfo(65, "A");
    for (int state : states)
        button.setKeyState(state);
    QCOMPARE(button.styleSheet(), sheet);
    QCOMPARE(button.isAlreadyPressed(), alreadyPressed);
    QCOMPARE(button.text(), QString("A"));
}

void tst_keyboardButCustom::indicatorIgnoresStates_data()
{
    QTest::addColumn<int>("qtDec");
    QTest::addColumn<int>("lockStatusBefore");
    QTest::addColumn<int>("state");

    for (int qtDec : {-11, -12, -13, -14}) {
        for (int state : {0, 1, 2, 3, 4, 5}) {
            const QByteArray name = QByteArray::number(qtDec) + " on, state " + QByteArray::number(state);
            QTest::newRow(name.constData()) << qtDec << 1 << state;
        }
    }
}

void tst_keyboardButCustom::indicatorIgnoresStates()
{
    QFETCH(int, qtDec);
    QFETCH(int, lockStatusBefore);
    QFETCH(int, state);

    keyboardButCustom button;
    button.setKeyInfo(qtDec, "Lock");
    QCOMPARE(button.styleSheet(), kIndicator);
    QCOMPARE(button.iconSize(), QSize(15, 15));
    QVERIFY(lockShowsOff(&button));

    button.setLockStatus(lockStatusBefore);
    QVERIFY(lockShowsOn(&button));

    button.setKeyState(state);
    QVERIFY(lockShowsOff(&button));
    QCOMPARE(button.styleSheet(), kIndicator);
    QVERIFY(!button.isAlreadyPressed());

    button.setLockStatus(2);
    QVERIFY(lockShowsOff(&button));
}

void tst_keyboardButCustom::keyInfo_data()
{
    QTest::addColumn<int>("qtDec");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hasIcon");

    QTest::newRow("Left arrow shows caret, not its label") << 37 << "Left" << QString(QChar(0xF0D9)) << false;
    QTest::newRow("Down arrow") << 40 << "Down" << QString(QChar(0xF0D7)) << false;
    QTest::newRow("Left Windows") << 91 << "Win" << QString(QChar(0xF17A)) << false;
    QTest::newRow("Right Windows keeps label") << 92 << "Win"
                                               << "Win" << false;
    QTest::newRow("Browser Home") << 172 << "" << QString(QChar(0xF26B)) << false;
    QTest::newRow("Start App 2, last glyph") << 183 << "App2" << QString(QChar(0xF1EC)) << false;
    QTest::newRow("184 is past the glyph table") << 184 << "x"
                                                 << "x" << false;
    QTest::newRow("165 is before the media glyphs") << 165 << "RAlt"
                                                    << "RAlt" << false;
    QTest::newRow("Korean 2350") << 2350 << "Hanja"
                                 << "Chinese" << false;
    QTest::newRow("Korean 2360") << 2360 << "HanYeong"
                                 << "Korean/English" << false;
    QTest::newRow("ordinary key") << 65 << "A"
                                  << "A" << false;
    QTest::newRow("lock indicator") << -13 << "ScrLk"
                                    << "ScrLk" << true;
    QTest::newRow("-10 is no indicator") << -10 << "x"
                                         << "x" << false;
    QTest::newRow("-15 is no indicator") << -15 << "y"
                                         << "y" << false;
}

void tst_keyboardButCustom::keyInfo()
{
    QFETCH(int, qtDec);
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(bool, hasIcon);

    keyboardButCustom button;
    button.setKeyInfo(qtDec, label);
    QCOMPARE(button.qtDec(), qtDec);
    QCOMPARE(button.keyText(), label);
    QCOMPARE(button.text(), text);
    QCOMPARE(!button.icon().isNull(), hasIcon);
    QCOMPARE(button.styleSheet(), hasIcon ? kIndicator : kWhite);
}

void tst_keyboardButCustom::iconTextLeavesOtherKeys()
{
    keyboardButCustom button;
    button.setKeyInfo(65, "A");
    button.setIconText(65);
    QCOMPARE(button.text(), QString("A"));
    button.setIconText(38);
    QCOMPARE(button.text(), QString(QChar(0xF0D8)));
}

void tst_keyboardButCustom::indicatorShowsWhatLiesBeneath()
{
    QWidget parent;
    parent.setStyleSheet("QWidget#panel{ background-color: rgb(178, 182, 186); }");
    parent.setObjectName("panel");
    parent.resize(100, 100);
    keyboardButCustom indicator(&parent);
    indicator.setKeyInfo(-11, "Num");
    indicator.setGeometry(10, 10, 40, 40);
    const QImage image = parent.grab().toImage();
    // A corner of the indicator, away from icon and label: the panel shows through.
    QCOMPARE(image.pixelColor(13, 47), QColor(178, 182, 186));
    QCOMPARE(image.pixelColor(47, 13), QColor(178, 182, 186));
}

QTEST_MAIN(tst_keyboardButCustom)
#include "tst_keyboardButCustom.moc"
