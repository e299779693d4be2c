// Plug and play through the window: the bus's arrival and removal events, the
// sequences they run one at a time, and what the window shows and writes.
#include "hookTargets.h"
#include "keyCapture.h"
#include "mainHidInterFace.h"
#include "simWindowHarness.h"

#include <QApplication>
#include <QComboBox>

#include <memory>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

const Bytes kLayoutQuery = frame({0x01, 0x10});

SimKeyboardConfig keyboardConfig()
{
    SimKeyboardConfig c; // 0416:b23c, the default entry of the list
    for (int row = 0; row < sim::kLayoutRows; ++row)
        for (int column = 0; column < sim::kLayoutColumns; ++column)
            c.layout[row][column] = uint8_t(4 + row * sim::kLayoutColumns + column);
    return c;
}

} // namespace

class tst_mainPageDiaDevice : public QObject
{
    Q_OBJECT

    std::unique_ptr<mainPageDia> m_window;

    mainPageDia *startWindow()
    {
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        return m_window.get();
    }

    void plugIn(SimKeyboard &kb, const SimKeyboardConfig &c, int port)
    {
        kb.replug();
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, port, true));
    }

    void pullOut(SimKeyboard &kb, const SimKeyboardConfig &c, int port)
    {
        kb.unplug();
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, port, false));
    }

    QString text(const char *name) const { return labelText(m_window.get(), name); }

    // The window is idle again: the list can be used.
    bool idle() const { return m_window->findChild<QComboBox *>("comboBox_VidPidList")->isEnabled(); }

private slots:
    void initTestCase() { recordLog(); }

    void init()
    {
        startClean();
    }

    void cleanup()
    {
        m_window.reset();
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
        QCOMPARE(MainHidInterFace::liveReportBuffers(), 0);
    }

    void unplugAndReplug()
    {
        const SimKeyboardConfig c = keyboardConfig();
        SimKeyboard kb = SimKeyboard::plugIn(c);
        startWindow();
        QVERIFY(isConnected(m_window.get()));
        const QString model = text("label_Model");
        QTRY_COMPARE(writesWithCode(kb, 0x10), 1);
        QTRY_COMPARE(logCount(QStringLiteral("Keyboard layout [Get Over]")), 1);

        pullOut(kb, c, 1);
        QTRY_COMPARE(text("label_ConnectStatus"), QStringLiteral("Disconnect"));
        QTRY_VERIFY(idle());
        QCOMPARE(text("label_DisconNum"), QStringLiteral("1"));
        QCOMPARE(text("label_Model"), QStringLiteral("-----------"));
        QCOMPARE(text("label_ConnectStatus_02"), QStringLiteral("Hid hid output end ---*>>> 02"));
        QVERIFY(!keyCapture::isInstalled());
        QCOMPARE(SimKeyboard::stats().openHandles, 0);

        plugIn(kb, c, 1);
        QTRY_VERIFY(isConnected(m_window.get()));
        QTRY_VERIFY(idle());
        QCOMPARE(text("label_ConnectNum"), QStringLiteral("2"));
        QCOMPARE(text("label_ConnectStatus_02"), QStringLiteral("Hid insert end ---*>>> 02"));
        QCOMPARE(text("label_Model"), model);
        QVERIFY(keyCapture::isInstalled());
        // The same platform's matrix is complete: not asked for again.
        QCOMPARE(writesWithCode(kb, 0x10), 1);
    }

    // Notifications that are not about the keyboard under test change nothing.
    void eventsOfOtherDevices_data()
    {
        QTest::addColumn<QString>("event");
        QTest::newRow("arrival of a second keyboard while connected") << "second arrives";
        QTest::newRow("removal of a second keyboard with the same ids") << "second leaves";
        QTest::newRow("the keyboard under test announced again") << "same arrives";
    }
    void eventsOfOtherDevices()
    {
        QFETCH(QString, event);
        const SimKeyboardConfig c = keyboardConfig();
        SimKeyboard kb = SimKeyboard::plugIn(c);
        SimKeyboardConfig second = c;
        second.serial = L"SIM0002";
        SimKeyboard other = SimKeyboard::plugIn(second);
        startWindow();
        QVERIFY(isConnected(m_window.get()));
        const int opens = SimKeyboard::stats().openCalls;
        const QString disconnects = text("label_DisconNum");

        if (event == QLatin1String("second arrives"))
            plugIn(other, second, 2);
        else if (event == QLatin1String("second leaves"))
            pullOut(other, second, 2);
        else
            presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, 1, true));
        QTRY_VERIFY(logCount(QStringLiteral("-----USB Status:")) >= 1);
        QTRY_VERIFY(idle());
        QVERIFY(isConnected(m_window.get()));
        QCOMPARE(text("label_DisconNum"), disconnects);
        QCOMPARE(SimKeyboard::stats().openCalls, opens);
    }

    // A burst of plugging while a sequence waits runs one sequence after the
    // other and ends as the bus ends: one open link, counters that add up.
    void eventsDuringAWait()
    {
        const SimKeyboardConfig c = keyboardConfig();
        SimKeyboard kb = SimKeyboard::plugIn(c);
        startWindow();
        QVERIFY(isConnected(m_window.get()));
        for (int i = 0; i < 3; ++i) {
            pullOut(kb, c, 1);
            plugIn(kb, c, 1);
            presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, 1, true)); // a repeat, coalesced
        }
        QVERIFY(!idle()); // the list is inert meanwhile
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 15000);
        QVERIFY(isConnected(m_window.get()));
        QCOMPARE(SimKeyboard::stats().openHandles, 1);
        QCOMPARE(text("label_ConnectNum").toInt() - text("label_DisconNum").toInt(), 1);
    }

    // Without a notification the failing reads tell that the keyboard is gone.
    void lostWithoutNotification()
    {
        SimKeyboard kb = SimKeyboard::plugIn(keyboardConfig());
        startWindow();
        QVERIFY(isConnected(m_window.get()));
        kb.unplug();
        QTRY_COMPARE(text("label_ConnectStatus"), QStringLiteral("Disconnect"));
        QTRY_VERIFY(idle());
        QCOMPARE(logCount(QStringLiteral("[Read] Failed: keyboard lost")), 1);
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
    }

    void openFailureOnArrival()
    {
        const SimKeyboardConfig c = keyboardConfig();
        SimKeyboard kb = SimKeyboard::plugIn(c);
        kb.unplug();
        startWindow();
        // The search's identity exchange tries four opens; the fifth is the link's.
        kb.failNextOpens(5);
        plugIn(kb, c, 1);
        QTRY_COMPARE(text("label_ConnectStatus"), QStringLiteral("Connect failed"));
        QTRY_VERIFY(idle());
        // The next plug connects.
        pullOut(kb, c, 1);
        plugIn(kb, c, 1);
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(m_window.get()), 10000);
    }

    // Many plugs in a row: no crash, no handle or report buffer left behind
    // (cleanup checks both; the sanitizer build checks memory).
    void plugCycles()
    {
        const int cycles =
            qEnvironmentVariableIntValue("TKT_PLUG_CYCLES") > 0 ? qEnvironmentVariableIntValue("TKT_PLUG_CYCLES") : 200;
        SimKeyboardConfig c = keyboardConfig();
        c.liveKeyStateMs = 5; // reports in flight at every unplug
        SimKeyboard kb = SimKeyboard::plugIn(c);
        startWindow();
        for (int i = 0; i < cycles; ++i) {
            pullOut(kb, c, 1);
            QTRY_VERIFY(idle());
            plugIn(kb, c, 1);
            QTRY_VERIFY(idle());
            QVERIFY2(isConnected(m_window.get()), qPrintable(QString::number(i)));
        }
        QCOMPARE(text("label_DisconNum"), QString::number(cycles));
        QCOMPARE(SimKeyboard::stats().openHandles, 1);
    }
};

QTEST_MAIN(tst_mainPageDiaDevice)
#include "tst_mainPageDiaDevice.moc"
