// The firmware's answers through the window: the key check and the magnetic
// production run to their colours and verdicts, the echoes of what the
// keyboard reports, the factory reset, and a keyboard pulled out mid-run.
#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "mainHidInterFace.h"
#include "simWindowHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>

#include <memory>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

Q_DECLARE_METATYPE(simWindow::Bytes)

namespace {

const int kMagneticEntry = 11;
// Usages of the matrix cells the masks below name: A, B, C on the page.
const uint8_t kKeyA = 0x04, kKeyB = 0x05, kKeyC = 0x06;

SimKeyboardConfig withLayout(uint16_t productId)
{
    SimKeyboardConfig c;
    c.productId = productId;
    c.layout[0][0] = kKeyA;
    c.layout[1][1] = kKeyB;
    c.layout[0][2] = kKeyC;
    return c;
}

} // namespace

class tst_mainPageDiaAnswers : public QObject
{
    Q_OBJECT

    std::unique_ptr<mainPageDia> m_window;

    template <class T> T *child(const char *name) const
    {
        T *widget = m_window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    int stateOfKey(int keyDec) const
    {
        return keyStateOf(m_window->findChild<keyboardPage *>()->keyButtonByKeyDec(keyDec));
    }

    // Started connected to kb, its matrix received; magnetic picks the magnetic entry of the list.
    void connect(bool magnetic)
    {
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        // The page lays its keys out once shown.
        m_window->show();
        QTRY_VERIFY(m_window->findChild<keyboardPage *>()->keyButtonByKeyDec(kKeyA));
        if (magnetic)
            child<QComboBox>("comboBox_VidPidList")->setCurrentIndex(kMagneticEntry);
        QTRY_VERIFY(isConnected(m_window.get()));
        QTRY_COMPARE(logCount(QStringLiteral("Keyboard layout [Get Over]")), 1);
    }

    void runIrCheck()
    {
        child<QRadioButton>("radioButton_IrTest")->click();
        child<QAbstractButton>("pushBut_IRKeyTest")->click();
    }

private slots:
    void initTestCase() { recordLog(); }

    void init()
    {
        startClean();
    }

    void cleanup()
    {
        m_window.reset();
        QCOMPARE(MainHidInterFace::liveReportBuffers(), 0);
    }

    void keyCheckColoursTheKeys()
    {
        SimKeyboardConfig c = withLayout(0xb23c);
        c.keyCheckMasks[0] = 0x01; // row 0 of column 0: A
        c.keyCheckMasks[1] = 0x02; // row 1 of column 1: B
        SimKeyboard::plugIn(c);
        connect(false);
        runIrCheck();
        QTRY_COMPARE(stateOfKey(kKeyA), int(keyButtonLook::KeyState_Fail));
        QCOMPARE(stateOfKey(kKeyB), int(keyButtonLook::KeyState_Fail));
        QCOMPARE(stateOfKey(kKeyC), int(keyButtonLook::KeyState_Pass));
        QVERIFY(child<QAbstractButton>("pushBut_IRKeyTest")->isEnabled());
    }

    void magneticProductionRun_data()
    {
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("reportLength");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("checkEnabledAfter");
        QTest::newRow("status 0: successful") << 0 << 64 << "Production Successful" << true;
        QTest::newRow("status 2: failed") << 2 << 64 << "Production Failed" << true;
        // Truncated answers are dropped, not read as status 0 without masks.
        QTest::newRow("answers cut short") << 0 << 10 << "" << false;
    }
    void magneticProductionRun()
    {
        QFETCH(int, verdict);
        QFETCH(int, reportLength);
        QFETCH(QString, shown);
        SimKeyboardConfig c = withLayout(0x7372);
        c.magneticProgressAnswers = 2;
        c.magneticPassMasks[0] = 0x01; // A passed
        c.magneticVerdict = verdict;
        SimKeyboard kb = SimKeyboard::plugIn(c);
        connect(true);
        kb.setReportLength(reportLength);
        runIrCheck();
        QTRY_VERIFY(linkWrites(kb).contains(frame({0x01, 0x21, 0, 0, 0, 0x18, 0x08, 0x00})));
        QVERIFY(child<QLabel>("label_ProductionTesting")->isVisible());
        if (reportLength < 64) {
            QTRY_VERIFY(logCount(QStringLiteral("too short")) > 0);
            QTest::qWait(50);
        }
        QTRY_COMPARE(child<QLabel>("label_ProductionTesting")->text(), shown);
        QTEST(child<QAbstractButton>("pushBut_IRKeyTest")->isEnabled(), "checkEnabledAfter");
        if (reportLength == 64) {
            // Passed by the status-1 answers; a failed verdict's masks are not read.
            QCOMPARE(stateOfKey(kKeyA), int(keyButtonLook::KeyState_Pass));
            QCOMPARE(stateOfKey(kKeyB), int(keyButtonLook::KeyState_Untested));
        }
    }

    // What the keyboard reports by itself is written back, byte for byte.
    void echoes_data()
    {
        QTest::addColumn<Bytes>("report");
        QTest::addColumn<Bytes>("echo");
        QTest::newRow("key state: Left Shift and A")
            << frame({0x01, 0x04, 0, 0, 0, 0x0F, 0x02, 0, 0x04}) << frame({0x01, 0x04, 0, 0, 0, 0x09, 0x02, 0, 0x04});
        Bytes full = frame({0x01, 0x05, 0, 0, 0, 0x15, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0xEE, 0xEE});
        QTest::newRow("full key: bytes 6-18 only")
            << full << frame({0x01, 0x05, 0, 0, 0, 0x15, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
        QTest::newRow("multimedia") << frame({0x01, 0x06, 0, 0, 0, 0x03, 1, 2, 3})
                                    << frame({0x01, 0x06, 0, 0, 0, 0x03, 1, 2, 3});
    }
    void echoes()
    {
        QFETCH(Bytes, report);
        QFETCH(Bytes, echo);
        SimKeyboard kb = SimKeyboard::plugIn(withLayout(0xb23c));
        connect(false);
        kb.sendReport(report.data(), int(report.size()));
        QTRY_VERIFY(linkWrites(kb).contains(echo));
    }

    void resetSwitchesTheLightOffFirst()
    {
        SimKeyboard kb = SimKeyboard::plugIn(withLayout(0xb23c));
        connect(false); // the connection opened the light test
        child<QAbstractButton>("pushButton_ResetKeyboard")->click();
        const Bytes lightOff = frame({0x01, 0x12, 0, 0, 0, 0x0B, 0, 1, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF});
        const Bytes reset = frame({0x01, 0x14, 0, 0, 0, 0, 0x01});
        QTRY_VERIFY(linkWrites(kb).contains(reset));
        const QList<Bytes> writes = linkWrites(kb);
        QVERIFY(writes.indexOf(lightOff) >= 0);
        QVERIFY(writes.indexOf(lightOff) < writes.indexOf(reset));
        QVERIFY(!child<QAbstractButton>("radioButton_RGB")->isEnabled());
    }

    // Pulled out in the middle of a production run: the window is back at the
    // standard test, and the next keyboard's key states are echoed again.
    void removalMidRun()
    {
        SimKeyboardConfig c = withLayout(0x7372);
        c.magneticVerdict = 1; // the run never ends by itself
        SimKeyboard kb = SimKeyboard::plugIn(c);
        connect(true);
        runIrCheck();
        QTRY_VERIFY(logCount(QStringLiteral("m_responseCalibrationStatus:")) >= 1);
        kb.unplug();
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, 1, false));
        QTRY_COMPARE(labelText(m_window.get(), "label_ConnectStatus"), QStringLiteral("Disconnect"));
        QVERIFY(child<QLabel>("label_ProductionTesting")->isHidden());
        QVERIFY(!child<QAbstractButton>("pushBut_IRKeyTest")->isEnabled());
        QVERIFY(child<QRadioButton>("radioButton_StandardTest")->isChecked());

        kb.replug();
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, 1, true));
        QTRY_VERIFY(isConnected(m_window.get()));
        const Bytes keyState = frame({0x01, 0x04, 0, 0, 0, 0x0F, 0, 0, 0x05});
        kb.sendReport(keyState.data(), 64);
        QTRY_VERIFY(linkWrites(kb).contains(frame({0x01, 0x04, 0, 0, 0, 0x09, 0, 0, 0x05})));
    }
};

QTEST_MAIN(tst_mainPageDiaAnswers)
#include "tst_mainPageDiaAnswers.moc"
