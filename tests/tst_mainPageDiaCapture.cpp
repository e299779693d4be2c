// The window holds the unit's own keys exactly while the key test runs: taken
// at connection with the unit's ids and link, given back at Stop, removal, a
// lost link and close; the lock indicators show the unit's own locks. Fake
// sources stand behind the real switch. However fast the keys come, the page
// repaints at most once a frame.
#include "captureBackendFake.h"
#include "captureSwitch.h"
#include "keyboardHookCore.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "resultStore.h"
#include "sampleUnit.h"
#include "simWindowHarness.h"
#include "verdictBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QSettings>
#include <QToolButton>

using namespace simWindow;

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class tst_mainPageDiaCapture : public QObject
{
    Q_OBJECT

    CaptureBackendLog m_device, m_display;

private slots:
    void initTestCase() { recordLog(); }

    void givenBackAtTheEnd_data()
    {
        QTest::addColumn<QString>("end");
        for (const char *end : {"Stop", "removal", "lost link", "close"})
            QTest::newRow(end) << end;
    }
    void givenBackAtTheEnd()
    {
        QFETCH(QString, end);
        startClean();
        m_device = m_display = CaptureBackendLog();
        m_device.locks.setLeds(false, true, false);
        keyCaptureSwitch().replaceBackends(std::make_unique<CaptureBackendFake>(&m_device, true),
                                           std::make_unique<CaptureBackendFake>(&m_display, false));
        sim::SimKeyboardConfig c;
        c.interfaces[2].path = "/sim/unit-link";
        sim::SimKeyboard kb = sim::SimKeyboard::plugIn(c);
        mainPageDia window;
        window.init(QStringLiteral("English"));
        window.show();
        keyboardPage *page = window.findChild<keyboardPage *>();
        QTRY_VERIFY(keyCaptureSwitch().activeSource() == CaptureSource::Device);
        QCOMPARE(m_device.starts.back().productId, std::uint16_t(0xb23c));
        QCOMPARE(m_device.starts.back().linkPath, std::string("/sim/unit-link"));
        QVERIFY(lockShowsOn(page->keyButton(-12)) && lockShowsOff(page->keyButton(-11)));

        if (end == "Stop")
            window.findChild<QToolButton *>("toolButton_StopTest")->click();
        else if (end == "close")
            window.close();
        else
            kb.unplug();
        if (end == "removal")
            presenceOf(&window)->injectUdevEvent(usbEvent(c, 1, false));
        QTRY_COMPARE(m_device.stops, 1);
        QVERIFY(!keyCaptureSwitch().isInstalled());
        QVERIFY(m_display.starts.empty());
    }

    // A key pressed and released 100 times, each handed on alone with the
    // event loop run in between, as fast as it goes.
    void burstOfKeysRepaintsOncePerFrame()
    {
        startClean();
        mainPageDia window;
        window.init(QStringLiteral("English"));
        window.show();
        keyboardPage *page = window.findChild<keyboardPage *>();
        QTRY_VERIFY(page->keyButtonByKeyDec(0x04));
        keyboardButCustom *a = page->keyButtonByKeyDec(0x04);
        PaintCounter counter;
        a->installEventFilter(&counter);
        QTest::qWait(200); // what the window paints as it shows is over
        counter.paints = 0;

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 200; ++i) {
            keyboardHookCore().handleKeyEvent(0, 0x41, 0x1e, i % 2 ? 0x80 : 0x00, false, i);
            QCoreApplication::processEvents();
        }
        const double frames = double(clock.elapsed()) * window.screen()->refreshRate() / 1000.0;
        QTRY_COMPARE(keyStateOf(a), int(keyButtonLook::KeyState_Released));
        QTRY_VERIFY(counter.paints > 0);
        QVERIFY2(counter.paints <= frames + 2,
                 qPrintable(QStringLiteral("%1 paints in %2 frames").arg(counter.paints).arg(frames)));
    }

    // Under [verdict] source=unit only keys taken from the unit's own input
    // nodes pass it; the record says what took them either way.
    void sourceUnitTakesOnlyTheUnitsOwnKeys_data()
    {
        QTest::addColumn<QString>("deviceRefusal");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("record"); // outcome|reasons|capture
        QTest::newRow("the unit's own nodes") << ""
                                              << "PASS"
                                              << "passed||fake";
        QTest::newRow("the display grab, every keyboard") << "no input device"
                                                          << "keys not taken from the unit"
                                                          << "incomplete|keys not taken from the unit|display";
    }
    void sourceUnitTakesOnlyTheUnitsOwnKeys()
    {
        QFETCH(QString, deviceRefusal);
        startClean();
        {
            QSettings settings(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                                   QStringLiteral("/UserConfig/Config.ini"),
                               QSettings::IniFormat);
            settings.setValue(QStringLiteral("verdict/source"), QStringLiteral("unit"));
            settings.setValue(QStringLiteral("verdict/keys"), QStringLiteral("none"));
        }
        m_device = m_display = CaptureBackendLog();
        m_device.refusal = deviceRefusal.toStdString();
        keyCaptureSwitch().replaceBackends(std::make_unique<CaptureBackendFake>(&m_device, true),
                                           std::make_unique<CaptureBackendFake>(&m_display, false));
        sim::SimKeyboardConfig c;
        sim::SimKeyboard kb = sim::SimKeyboard::plugIn(c);
        mainPageDia window;
        window.init(QStringLiteral("English"));
        window.show();
        QTRY_VERIFY(isConnected(&window) && keyCaptureSwitch().isInstalled());
        keyboardHookCore().handleKeyEvent(0, 0x41, 0x1E, 0x00, false, 1000 * 1000);
        keyboardHookCore().handleKeyEvent(0, 0x41, 0x1E, 0x80, false, 1100 * 1000);
        QFETCH(QString, bar);
        QTRY_COMPARE(window.findChild<VerdictBar *>()->text(), bar);
        ResultStore *store = window.findChild<ResultStore *>();
        QSignalSpy saved(store, &ResultStore::saved);
        kb.unplug();
        presenceOf(&window)->injectUdevEvent(usbEvent(c, 1, false));
        QVERIFY(saved.wait(10000));
        QTEST(firstColumn(QStringLiteral("QSQLITE"), store->filePath(),
                          QStringLiteral("SELECT outcome || '|' || ifnull(reasons, '') || '|' || ifnull(capture, '')"
                                         " FROM units"))
                  .join(QLatin1Char('\n')),
              "record");
    }
};

QTEST_MAIN(tst_mainPageDiaCapture)
#include "tst_mainPageDiaCapture.moc"
