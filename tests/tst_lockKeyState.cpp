#include "lockKeyState.h"

#include <QtTest>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

// The system source reads the indicators of the X server the tool runs on;
// here the test locks and unlocks the modifiers behind them itself.
class tst_lockKeyState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void followsServerIndicators_data();
    void followsServerIndicators();

private:
    void lockModifiers(unsigned int mask, unsigned int values)
    {
        XkbLockModifiers(m_display, XkbUseCoreKbd, mask, values);
        XSync(m_display, False);
    }

    unsigned int modifierFor(const char *keysym)
    {
        const KeyCode code = XKeysymToKeycode(m_display, XStringToKeysym(keysym));
        return code ? XkbKeysymToModifiers(m_display, XStringToKeysym(keysym)) : 0;
    }

    Display *m_display = nullptr;
};

void tst_lockKeyState::initTestCase()
{
    m_display = XkbOpenDisplay(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!m_display)
        QSKIP("no X display");
}

void tst_lockKeyState::cleanupTestCase()
{
    if (m_display) {
        lockModifiers(0xff, 0);
        XCloseDisplay(m_display);
    }
}

void tst_lockKeyState::followsServerIndicators_data()
{
    QTest::addColumn<QString>("keysym");
    QTest::addColumn<int>("vkCode");
    QTest::addColumn<int>("otherVkCode");

    QTest::newRow("Caps Lock") << "Caps_Lock" << 20 << 144;
    QTest::newRow("Num Lock") << "Num_Lock" << 144 << 20;
}

void tst_lockKeyState::followsServerIndicators()
{
    QFETCH(QString, keysym);
    QFETCH(int, vkCode);
    QFETCH(int, otherVkCode);

    const unsigned int mask = modifierFor(keysym.toLatin1().constData());
    if (mask == 0)
        QSKIP("the server's keymap has no modifier for this lock");

    std::unique_ptr<lockKeyState> source = lockKeyState::createSystem();
    lockModifiers(0xff, 0);
    QVERIFY(!source->isToggled(vkCode));

    lockModifiers(mask, mask);
    QVERIFY(source->isToggled(vkCode));
    QVERIFY(!source->isToggled(otherVkCode));
    QVERIFY(!source->isToggled(65));

    lockModifiers(mask, 0);
    QVERIFY(!source->isToggled(vkCode));
}

QTEST_GUILESS_MAIN(tst_lockKeyState)
#include "tst_lockKeyState.moc"
