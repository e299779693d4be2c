#include "hookChords.h"

#include <QtTest>

namespace {

struct ChordEvent
{
    std::uint32_t vkCode;
    std::uint32_t flags;
    bool ctrlDown; // what the physical Ctrl state query says at this event
    int nCode;
};

ChordEvent ev(std::uint32_t vkCode, std::uint32_t flags, bool ctrlDown, int nCode = 0)
{
    return {vkCode, flags, ctrlDown, nCode};
}

using ChordEvents = QVector<ChordEvent>;

// One letter per event: F forwarded, C clear (not forwarded), < forwarded with
// a light type step back, > forwarded with a step forward, - nothing at all.
QString encode(const HookChordDecision &d)
{
    if (d.clearAllKeys)
        return d.forward ? "?" : "C";
    if (!d.forward)
        return d.ledTypeStep == 0 && d.logLines.empty() ? "-" : "?";
    if (d.ledTypeStep < 0)
        return "<";
    if (d.ledTypeStep > 0)
        return ">";
    return "F";
}

constexpr std::uint32_t LCtrl = 0xA2, RCtrl = 0xA3, Space = 0x20, Left = 0x25, Right = 0x27;

} // namespace

Q_DECLARE_METATYPE(ChordEvent)

class tst_hookChords : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void logLines_data();
    void logLines();
};

void tst_hookChords::sequences_data()
{
    QTest::addColumn<ChordEvents>("events");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<bool>("ctrlHeld");
    QTest::addColumn<bool>("spaceHeld");
    QTest::addColumn<bool>("armed");

    QTest::newRow("LCtrl, Space, Space up, LCtrl up: clear on LCtrl up, not forwarded")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true), ev(Space, 0x80, true), ev(LCtrl, 0x80, false)}
        << "FFFC" << false << false << false;
    QTest::newRow("Ctrl released before Space: clear on Space release")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true), ev(LCtrl, 0x80, false), ev(Space, 0x80, false)}
        << "FFFC" << false << false << false;
    QTest::newRow("Space before Ctrl: no clear")
        << ChordEvents{ev(Space, 0x00, false), ev(LCtrl, 0x00, true), ev(Space, 0x80, true), ev(LCtrl, 0x80, false)}
        << "FFFF" << false << false << false;
    QTest::newRow("right Ctrl with extended flag: no clear")
        << ChordEvents{ev(RCtrl, 0x01, true), ev(Space, 0x00, true), ev(Space, 0x80, true), ev(RCtrl, 0x81, false)}
        << "FFFF" << false << false << false;
    QTest::newRow("right Ctrl without extended flag takes part")
        << ChordEvents{ev(RCtrl, 0x00, true), ev(Space, 0x00, true), ev(Space, 0x80, true), ev(RCtrl, 0x80, false)}
        << "FFFC" << false << false << false;
    QTest::newRow("injected Ctrl (0x10) does not arm")
        << ChordEvents{ev(LCtrl, 0x10, true), ev(Space, 0x10, true), ev(Space, 0x90, true), ev(LCtrl, 0x90, false)}
        << "FFFF" << false << false << false;
    QTest::newRow("Space twice under one Ctrl: one clear")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true), ev(Space, 0x80, true),
                       ev(Space, 0x00, true), ev(Space, 0x80, true), ev(LCtrl, 0x80, false)}
        << "FFFFFC" << false << false << false;
    QTest::newRow("chord pending while Ctrl still down")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true), ev(Space, 0x80, true)} << "FFF" << true << false
        << true;
    QTest::newRow("other key while chord pending is shown")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true), ev(0x41, 0x00, true), ev(Space, 0x80, true),
                       ev(LCtrl, 0x80, false)}
        << "FFFFC" << false << false << false;
    QTest::newRow("Ctrl+Left on the arrow's release")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Left, 0x01, true), ev(Left, 0x81, true), ev(LCtrl, 0x80, false)}
        << "FF<F" << false << false << false;
    QTest::newRow("Ctrl+Right on the arrow's release")
        << ChordEvents{ev(RCtrl, 0x01, true), ev(Right, 0x01, true), ev(Right, 0x81, true), ev(RCtrl, 0x81, false)}
        << "FF>F" << false << false << false;
    QTest::newRow("Left release without Ctrl: only the key")
        << ChordEvents{ev(Left, 0x01, false), ev(Left, 0x81, false)} << "FF" << false << false << false;
    QTest::newRow("keypad 4 with Num Lock off (0x80) is no step")
        << ChordEvents{ev(Left, 0x00, true), ev(Left, 0x80, true)} << "FF" << false << false << false;
    QTest::newRow("Ctrl+Left with Alt held (0xA1) is no step")
        << ChordEvents{ev(Left, 0x21, true), ev(Left, 0xA1, true)} << "FF" << false << false << false;
    QTest::newRow("nCode other than 0 ignored, flags kept")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true, 1), ev(LCtrl, 0x80, false, 1)} << "F--" << true
        << false << false;
}

void tst_hookChords::sequences()
{
    QFETCH(ChordEvents, events);
    QFETCH(QString, actions);
    QFETCH(bool, ctrlHeld);
    QFETCH(bool, spaceHeld);
    QFETCH(bool, armed);

    HookChords chords;
    QString got;
    for (const ChordEvent &e : events)
        got += encode(chords.handleHookKeyEvent(e.nCode, e.vkCode, 0x39, e.flags, e.ctrlDown));
    QCOMPARE(got, actions);
    QCOMPARE(chords.ctrlHeld(), ctrlHeld);
    QCOMPARE(chords.spaceHeld(), spaceHeld);
    QCOMPARE(chords.clearChordArmed(), armed);
}

void tst_hookChords::logLines_data()
{
    QTest::addColumn<ChordEvents>("events");
    QTest::addColumn<QStringList>("lastLog"); // lines of the last event

    QTest::newRow("plain event")
        << ChordEvents{ev(0x41, 0x80, false)}
        << QStringList{
               "---------------- Windows: nCode = 0, pkh->vkCode = 65, pkh->scanCode = 57, pkh->flags = 128 \n"};
    QTest::newRow("Space release with Ctrl down")
        << ChordEvents{ev(Space, 0x80, true)}
        << QStringList{"---------------- Windows: nCode = 0, pkh->vkCode = 32, pkh->scanCode = 57, pkh->flags = 128 \n",
                       "---------------------- Ctrl+SPACE --------------------"};
    QTest::newRow("completed chord")
        << ChordEvents{ev(LCtrl, 0x00, true), ev(Space, 0x00, true), ev(Space, 0x80, true), ev(LCtrl, 0x80, false)}
        << QStringList{
               "---------------- Windows: nCode = 0, pkh->vkCode = 162, pkh->scanCode = 57, pkh->flags = 128 \n",
               "---------------------- ////////////////////// Ctrl+SPACE  [ Clear all Key ] "
               "////////////////////// --------------------"};
    QTest::newRow("Ctrl+Left")
        << ChordEvents{ev(Left, 0x81, true)}
        << QStringList{"---------------- Windows: nCode = 0, pkh->vkCode = 37, pkh->scanCode = 57, pkh->flags = 129 \n",
                       "---------------------- Ctrl+LEFT --------------------"};
    QTest::newRow("Ctrl+Right")
        << ChordEvents{ev(Right, 0x81, true)}
        << QStringList{"---------------- Windows: nCode = 0, pkh->vkCode = 39, pkh->scanCode = 57, pkh->flags = 129 \n",
                       "---------------------- Ctrl+RIGHT --------------------"};
    QTest::newRow("nCode 1 logs nothing") << ChordEvents{ev(0x41, 0x00, false, 1)} << QStringList{};
}

void tst_hookChords::logLines()
{
    QFETCH(ChordEvents, events);
    QFETCH(QStringList, lastLog);

    HookChords chords;
    HookChordDecision last;
    for (const ChordEvent &e : events)
        last = chords.handleHookKeyEvent(e.nCode, e.vkCode, 0x39, e.flags, e.ctrlDown);
    QStringList got;
    for (const std::string &line : last.logLines)
        got << QString::fromStdString(line);
    QCOMPARE(got, lastLog);
}

QTEST_APPLESS_MAIN(tst_hookChords)
#include "tst_hookChords.moc"
