// The window holds the unit's own keys exactly while the key test runs: taken
// at connection with the unit's ids and link, given back at Stop, removal, a
// lost link and close; the lock indicators show the unit's own locks. The
// device and display sources are fakes behind the real switch.
#include "captureBackendFake.h"
#include "captureSwitch.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "mainHidInterFace.h"
#include "simWindowHarness.h"

#include <QApplication>
#include <QToolButton>

#include <memory>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

class tst_mainPageDiaCapture : public QObject
{
    Q_OBJECT

    CaptureBackendLog m_device;
    CaptureBackendLog m_display;
    std::unique_ptr<mainPageDia> m_window;

private slots:
    void initTestCase() { recordLog(); }
    void init()
    {
        startClean();
        m_device = CaptureBackendLog();
        m_display = CaptureBackendLog();
        keyCaptureSwitch().replaceBackends(std::make_unique<CaptureBackendFake>(&m_device, true),
                                           std::make_unique<CaptureBackendFake>(&m_display, false));
    }
    void cleanup() { m_window.reset(); }

    void givenBackAtTheEnd_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("Stop") << "Stop";
        QTest::newRow("removal") << "removal";
        QTest::newRow("lost link") << "lost link";
        QTest::newRow("close") << "close";
    }
    void givenBackAtTheEnd()
    {
        QFETCH(QString, end);
        const SimKeyboardConfig c;
        SimKeyboard kb = SimKeyboard::plugIn(c);
        m_device.locks.setLeds(false, true, false);
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        m_window->show();
        keyboardPage *page = m_window->findChild<keyboardPage *>();
        QTRY_VERIFY(page->keyButton(-12));
        QVERIFY(isConnected(m_window.get()));

        QTRY_VERIFY(keyCaptureSwitch().activeSource() == CaptureSource::Device);
        const KeyboardUnderTest taken = m_device.starts.back();
        QCOMPARE(taken.vendorId, std::uint16_t(0x0416));
        QCOMPARE(taken.productId, std::uint16_t(0xb23c));
        QVERIFY(!taken.linkPath.empty());
        QCOMPARE(logCount(QStringLiteral("Key capture source: device (0416:b23c: fake)")), 1);
        QVERIFY(lockShowsOn(page->keyButton(-12)));
        QVERIFY(lockShowsOff(page->keyButton(-11)));

        if (end == QLatin1String("Stop")) {
            m_window->findChild<QToolButton *>("toolButton_StopTest")->click();
        } else if (end == QLatin1String("removal")) {
            kb.unplug();
            presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, 1, false));
        } else if (end == QLatin1String("lost link")) {
            kb.unplug();
        } else {
            m_window->close();
        }
        QTRY_COMPARE(m_device.stops, 1);
        QVERIFY(!keyCaptureSwitch().isInstalled());
        QCOMPARE(int(m_display.starts.size()), 0);
    }
};

QTEST_MAIN(tst_mainPageDiaCapture)
#include "tst_mainPageDiaCapture.moc"
