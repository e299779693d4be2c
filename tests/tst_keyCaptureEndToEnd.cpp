// The key test end to end on the real X server that the test run provides: the
// real main window (the simulated keyboard stands in for hidapi, nothing is
// plugged in) loads the shipped layout, starts the key test by itself and
// captures the desktop's keyboard; keys are typed through XTest from another
// connection, as a physical keyboard would type them, and judged by what the
// page shows and by what another program on the desktop receives.
#include "hookTargets.h"
#include "keyCapture.h"
#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "mainPageDia.h"
#include "simKeyboard.h"

#include <QApplication>
#include <QLabel>
#include <QMutex>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

// Xlib last: its macros break the toolkit's headers.
#include "otherX11Client.h"
#include "xtestKeyboard.h"

namespace {

// The window's other threads (the station store's writer, pool tasks) log
// too: every use of the lines holds the mutex.
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

// Every line is kept for the checks; only warnings and worse reach the output.
void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log.append(message);
    }
    if (type != QtDebugMsg && g_previousHandler)
        g_previousHandler(type, context, message);
}

int logLinesContaining(const QString &text)
{
    QMutexLocker lock(&g_logMutex);
    int count = 0;
    for (const QString &line : qAsConst(g_log))
        count += line.contains(text) ? 1 : 0;
    return count;
}

void clearLog()
{
    QMutexLocker lock(&g_logMutex);
    g_log.clear();
}

} // namespace

class tst_keyCaptureEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void keyTurnsGreenThenBlue_data();
    void keyTurnsGreenThenBlue();
    void capsLockTogglesItsIndicator();
    void ctrlSpaceClearsThePage();
    void heldKeyRepeatIsNotCountedTwice();
    void otherProgramGetsKeysOnlyWhileStopped();

private:
    keyboardButCustom *key(int qtDec) const { return m_page->keyButton(qtDec); }
    int stateOf(int qtDec) const { return keyStateOf(key(qtDec)); }
    QString pressedCount() const { return m_window->findChild<QLabel *>("label_PressKeyNum")->text(); }
    QToolButton *button(const char *name) const { return m_window->findChild<QToolButton *>(name); }
    // Toggles a lock through the keyboard until the server's state is `on`.
    void setLock(KeySym lockKey, unsigned int mask, bool on);

    std::unique_ptr<XTestKeyboard> m_keyboard;
    std::unique_ptr<mainPageDia> m_window;
    keyboardPage *m_page = nullptr;
    unsigned int m_numLockMask = 0;
    bool m_capsLockWasOn = false;
    bool m_numLockWasOn = false;
};

void tst_keyCaptureEndToEnd::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(recordMessage);
    sim::SimKeyboard::resetAll();

    m_keyboard = std::make_unique<XTestKeyboard>();
    QVERIFY2(m_keyboard->isUsable(), "needs an X server with XTest (scripts/test.sh runs the tests under xvfb-run)");
    m_numLockMask = m_keyboard->numLockMask();
    QVERIFY(m_numLockMask != 0);
    m_capsLockWasOn = m_keyboard->isLocked(LockMask);
    m_numLockWasOn = m_keyboard->isLocked(m_numLockMask);
    // Keypad keys must arrive as navigation codes.
    setLock(XK_Num_Lock, m_numLockMask, false);

    m_window = std::make_unique<mainPageDia>();
    m_window->init(QStringLiteral("English"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_page = m_window->findChild<keyboardPage *>();
    QVERIFY(m_page);
    // The layout load starts the key test, and with it the capture.
    QTRY_VERIFY(key(65));
    QVERIFY(keyCapture::isInstalled());
    QVERIFY(!button("toolButton_StartTest")->isEnabled());
    QVERIFY(button("toolButton_StopTest")->isEnabled());
}

void tst_keyCaptureEndToEnd::cleanupTestCase()
{
    m_window.reset();
    QVERIFY(!keyCapture::isInstalled());
    if (m_keyboard && m_keyboard->isUsable()) {
        setLock(XK_Caps_Lock, LockMask, m_capsLockWasOn);
        setLock(XK_Num_Lock, m_numLockMask, m_numLockWasOn);
    }
    m_keyboard.reset();
    qInstallMessageHandler(g_previousHandler);
}

void tst_keyCaptureEndToEnd::init()
{
    if (button("toolButton_StartTest")->isEnabled())
        button("toolButton_StartTest")->click();
    QVERIFY(keyCapture::isInstalled());
    m_window->clearAllKeys();
    clearLog();
}

void tst_keyCaptureEndToEnd::cleanup()
{
    m_keyboard->releaseAll();
    m_keyboard->restoreRepeatRate();
    // Let the releases pass through the capture before the next case.
    QTest::qWait(30);
}

void tst_keyCaptureEndToEnd::setLock(KeySym lockKey, unsigned int mask, bool on)
{
    if (m_keyboard->isLocked(mask) != on)
        QVERIFY(m_keyboard->tap(lockKey));
    QTRY_COMPARE(m_keyboard->isLocked(mask), on);
}

void tst_keyCaptureEndToEnd::keyTurnsGreenThenBlue_data()
{
    QTest::addColumn<qulonglong>("keysym");
    QTest::addColumn<int>("qtDec");
    // A key of the page that must stay untested (-1: none).
    QTest::addColumn<int>("untouched");

    QTest::newRow("letter A") << qulonglong(XK_a) << 65 << -1;
    QTest::newRow("left Shift") << qulonglong(XK_Shift_L) << 160 << 161;
    QTest::newRow("keypad 7 with Num Lock off") << qulonglong(XK_KP_Home) << 103 << 36;
    QTest::newRow("Home of the navigation block") << qulonglong(XK_Home) << 36 << 103;
    QTest::newRow("left Windows") << qulonglong(XK_Super_L) << 91 << -1;
    QTest::newRow("Escape, kept from the window") << qulonglong(XK_Escape) << 27 << -1;
}

void tst_keyCaptureEndToEnd::keyTurnsGreenThenBlue()
{
    QFETCH(qulonglong, keysym);
    QFETCH(int, qtDec);
    QFETCH(int, untouched);
    QVERIFY(key(qtDec));
    QCOMPARE(stateOf(qtDec), 0);

    QVERIFY(m_keyboard->key(KeySym(keysym), true));
    QTRY_COMPARE(stateOf(qtDec), 1);
    QCOMPARE(pressedCount(), QString("1"));

    QVERIFY(m_keyboard->key(KeySym(keysym), false));
    QTRY_COMPARE(stateOf(qtDec), 2);
    QCOMPARE(pressedCount(), QString("1"));
    QCOMPARE(m_page->pressedKeyNum(), 1);
    if (untouched >= 0)
        QCOMPARE(stateOf(untouched), 0);
    // Had the window seen Escape, the dialog would have closed.
    QVERIFY(m_window->isVisible());
}

void tst_keyCaptureEndToEnd::capsLockTogglesItsIndicator()
{
    const bool before = m_keyboard->isLocked(LockMask);
    QCOMPARE(lockShowsOn(key(-12)), before);

    QVERIFY(m_keyboard->tap(XK_Caps_Lock));
    // The server still sees the lock key: its state and the indicator follow.
    QTRY_COMPARE(stateOf(20), 2);
    QTRY_COMPARE(m_keyboard->isLocked(LockMask), !before);
    QTRY_COMPARE(lockShowsOn(key(-12)), !before);
    QCOMPARE(lockShowsOff(key(-12)), before);

    QVERIFY(m_keyboard->tap(XK_Caps_Lock));
    QTRY_COMPARE(m_keyboard->isLocked(LockMask), before);
    QTRY_COMPARE(lockShowsOn(key(-12)), before);
}

void tst_keyCaptureEndToEnd::ctrlSpaceClearsThePage()
{
    QVERIFY(m_keyboard->tap(XK_a));
    QVERIFY(m_keyboard->tap(XK_b));
    QTRY_COMPARE(pressedCount(), QString("2"));

    QVERIFY(m_keyboard->key(XK_Control_L, true));
    QVERIFY(m_keyboard->key(XK_space, true));
    QVERIFY(m_keyboard->key(XK_space, false));
    QTRY_COMPARE(stateOf(32), 2);
    QCOMPARE(pressedCount(), QString("4"));
    // The clear waits for the last key of the chord to go up.
    QVERIFY(m_keyboard->key(XK_Control_L, false));
    QTRY_COMPARE(pressedCount(), QString("0"));
    QCOMPARE(m_page->pressedKeyNum(), 0);
    for (int qtDec : {65, 66, 32, 162})
        QVERIFY2(stateOf(qtDec) == 0, qPrintable(QString::number(qtDec)));
    QCOMPARE(logLinesContaining("Ctrl+SPACE  [ Clear all Key ]"), 1);

    // The count starts again from the clear.
    QVERIFY(m_keyboard->tap(XK_a));
    QTRY_COMPARE(stateOf(65), 2);
    QCOMPARE(pressedCount(), QString("1"));
}

void tst_keyCaptureEndToEnd::heldKeyRepeatIsNotCountedTwice()
{
    QVERIFY(m_keyboard->setRepeatRate(100, 20));

    // A held key must really repeat on this server for the case to mean
    // anything: a program without the capture in the way sees the repeats.
    button("toolButton_StopTest")->click();
    QVERIFY(!keyCapture::isInstalled());
    OtherX11Client other;
    QVERIFY(other.showFocusedWindow());
    other.keyPressesWithin(30);
    QVERIFY(m_keyboard->key(XK_b, true));
    const int pressesWithoutCapture = other.keyPressesWithin(400);
    QVERIFY(m_keyboard->key(XK_b, false));
    other.keyPressesWithin(30);
    if (pressesWithoutCapture < 3)
        QSKIP("the X server does not auto-repeat injected keys");

    button("toolButton_StartTest")->click();
    QVERIFY(keyCapture::isInstalled());
    clearLog();
    QVERIFY(m_keyboard->key(XK_b, true));
    QTRY_COMPARE(stateOf(66), 1);
    // Repeats arrive all this time; none may look like a new press or a release.
    QTest::qWait(400);
    QCOMPARE(stateOf(66), 1);
    QCOMPARE(logLinesContaining("pkh->vkCode = 66,"), 1);
    QVERIFY(m_keyboard->key(XK_b, false));
    QTRY_COMPARE(stateOf(66), 2);
    QCOMPARE(logLinesContaining("pkh->vkCode = 66,"), 2);
    QCOMPARE(pressedCount(), QString("1"));
    // Nor did the repeats escape to the program that has the focus.
    QCOMPARE(other.keyPressesWithin(50), 0);
}

void tst_keyCaptureEndToEnd::otherProgramGetsKeysOnlyWhileStopped()
{
    OtherX11Client other;
    QVERIFY(other.showFocusedWindow());
    other.keyPressesWithin(30);

    QVERIFY(m_keyboard->tap(XK_c));
    QVERIFY(m_keyboard->tap(XK_Tab));
    QTRY_COMPARE(stateOf(9), 2);
    QCOMPARE(stateOf(67), 2);
    QCOMPARE(other.keyPressesWithin(300), 0);

    button("toolButton_StopTest")->click();
    QVERIFY(!keyCapture::isInstalled());
    QCOMPARE(pressedCount(), QString("0"));
    QVERIFY(other.showFocusedWindow());
    QVERIFY(m_keyboard->tap(XK_c));
    QVERIFY(m_keyboard->tap(XK_Tab));
    QCOMPARE(other.keyPressesWithin(300), 2);
    // The page no longer follows the keyboard.
    QCOMPARE(stateOf(67), 0);
    QCOMPARE(pressedCount(), QString("0"));

    // Started again, the capture takes the keys back.
    button("toolButton_StartTest")->click();
    QVERIFY(keyCapture::isInstalled());
    QVERIFY(m_keyboard->tap(XK_c));
    QTRY_COMPARE(stateOf(67), 2);
    QCOMPARE(other.keyPressesWithin(200), 0);
}

int main(int argc, char *argv[])
{
    // Settings of its own for every run, before anything asks where they live.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    // The window on the X server as the program shows it (app/main.cpp):
    // without Qt's GL integration, which would load the GL driver and its
    // LLVM for a window that never draws with OpenGL.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    tst_keyCaptureEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyCaptureEndToEnd.moc"
