// The main window as the hub, driven end to end against the simulated keyboard:
// restoring the last device from the settings file and connecting to it at
// start, device selection, the light colour choice, the language refresh, the
// maker link, closing, the window's place among the hook targets, the operator
// chords on the key path and the key test's capture.
#include "hookTargets.h"
#include "keyCapture.h"
#include "keyboardButCustom.h"
#include "keyboardHookCore.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "lockKeyStateFake.h"
#include "mainPageDia.h"
#include "mainPageDiaUrlRecorder.h"
#include "simKeyboard.h"
#include "toolVersion.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

// Xlib last: its macros break the toolkit's headers.
#include <X11/Xlib.h>

using sim::SimKeyboard;
using sim::SimKeyboardConfig;
using Bytes = std::vector<uint8_t>;

Q_DECLARE_METATYPE(Bytes)

namespace {

const QString kNoInfo = QStringLiteral("-----------");
const char kGreen[] = "QLabel#label_ConnectStatus{color: rgb(0, 150, 0);}";
const char kRed[] = "QLabel#label_ConnectStatus{color: rgb(210, 0, 0);}";

// Pool tasks and the link's worker log too: every use of g_log holds g_logMutex.
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log.append(message);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

void clearLog()
{
    QMutexLocker lock(&g_logMutex);
    g_log.clear();
}

Bytes frame(std::initializer_list<uint8_t> head)
{
    Bytes b(head);
    b.resize(64, 0);
    return b;
}

// The light report, byte for byte: switch, colour count, first colour, then
// green and blue as the second and third colours.
Bytes ledReport(uint8_t on, uint8_t count, uint8_t r, uint8_t g, uint8_t b)
{
    return frame({0x01, 0x12, 0, 0, 0, 0x0B, on, count, r, g, b, 0, 0xFF, 0, 0, 0, 0xFF});
}

const Bytes kLightOff = ledReport(0, 1, 0xFF, 0, 0);
const Bytes kLightRgb = ledReport(1, 3, 0xFF, 0, 0);
const Bytes kLightBlue = ledReport(1, 1, 0, 0, 0xFF);
const Bytes kHandshake = frame({0x01, 0x01});
const Bytes kLayoutQuery = frame({0x01, 0x10});
const Bytes kMagneticLeave = frame({0x01, 0x21, 0, 0, 0, 0x18, 0x08, 0x01});

// What the window wrote to a keyboard, without the identity queries of the search.
QList<Bytes> linkWrites(const SimKeyboard &kb)
{
    QList<Bytes> out;
    for (const auto &w : kb.writtenReports())
        if (w.bytes.size() < 2 || w.bytes[1] != 0x0D)
            out.append(w.bytes);
    return out;
}

// The worker may still write a queued handshake around the light-off report
// written at once, so "last" means the last light report.
Bytes lastLightReport(const QList<Bytes> &writes)
{
    for (int i = writes.size() - 1; i >= 0; --i)
        if (writes.at(i).size() > 1 && writes.at(i)[1] == 0x12)
            return writes.at(i);
    return Bytes();
}

SimKeyboard plug(quint16 vid, quint16 pid)
{
    SimKeyboardConfig c;
    c.vendorId = vid;
    c.productId = pid;
    return SimKeyboard::plugIn(c);
}

// The light setting of each colour type as the keyboard receives it.
Bytes lightReportOfType(int type)
{
    switch (type) {
    case 0:
        return kLightRgb;
    case 1:
        return ledReport(1, 1, 0xFF, 0, 0);
    case 2:
        return ledReport(1, 1, 0, 0xFF, 0);
    case 3:
        return kLightBlue;
    case 4:
        return ledReport(1, 1, 0xFF, 0xFF, 0xFF);
    default:
        return kLightOff;
    }
}

QList<Bytes> lightReports(const SimKeyboard &kb)
{
    QList<Bytes> out;
    for (const Bytes &w : linkWrites(kb))
        if (w.size() > 1 && w[1] == 0x12)
            out.append(w);
    return out;
}

// One key event as the keyboard hook hands it to the window.
struct HookEvent
{
    std::uint32_t vkCode;
    std::uint32_t scanCode;
    std::uint32_t flags;
    bool ctrlDown;
};

} // namespace

Q_DECLARE_METATYPE(HookEvent)

namespace {

const HookEvent kLeftCtrlDown{0xA2, 0x1D, 0x00, true};
const HookEvent kLeftCtrlUp{0xA2, 0x1D, 0x80, false};
const HookEvent kRightCtrlDown{0xA3, 0x1D, 0x01, true};
const HookEvent kRightCtrlUp{0xA3, 0x1D, 0x81, false};

HookEvent spaceDown(bool ctrlDown)
{
    return {0x20, 0x39, 0x00, ctrlDown};
}

HookEvent spaceUp(bool ctrlDown)
{
    return {0x20, 0x39, 0x80, ctrlDown};
}

// Ctrl+Left (-1) or Ctrl+Right (+1) as typed: Ctrl, the arrow down and up, Ctrl up.
QVector<HookEvent> ctrlArrow(int direction)
{
    const std::uint32_t arrow = direction < 0 ? 0x25 : 0x27;
    const std::uint32_t scan = direction < 0 ? 0x4B : 0x4D;
    return {kLeftCtrlDown, {arrow, scan, 0x01, true}, {arrow, scan, 0x81, true}, kLeftCtrlUp};
}

bool logHas(const char *part)
{
    QMutexLocker lock(&g_logMutex);
    for (const QString &line : qAsConst(g_log))
        if (line.contains(QLatin1String(part)))
            return true;
    return false;
}

} // namespace

class tst_mainPageDia : public QObject
{
    Q_OBJECT

    std::unique_ptr<mainPageDia> m_window;
    std::int64_t m_eventTimeUs = 0;

    static QString configPath()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
               QStringLiteral("/UserConfig/Config.ini");
    }

    static void writeConfig(const QByteArray &text)
    {
        QVERIFY(QDir().mkpath(QFileInfo(configPath()).path()));
        QFile f(configPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(text), qint64(text.size()));
    }

    static QVariant stored(const char *key)
    {
        QSettings settings(configPath(), QSettings::IniFormat);
        return settings.value(QLatin1String(key));
    }

    // Built and refreshed as start-up does it.
    mainPageDia *startWindow()
    {
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        return m_window.get();
    }

    template <class T> T *child(const char *name) const
    {
        T *widget = m_window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    QString text(const char *labelName) const { return child<QLabel>(labelName)->text(); }
    QComboBox *deviceList() const { return child<QComboBox>("comboBox_VidPidList"); }

    // A choice in the list runs its own sequence; the list is usable again when it has ended.
    void selectEntry(int index)
    {
        deviceList()->setCurrentIndex(index);
        QTRY_VERIFY(deviceList()->isEnabled());
    }
    bool isConnected() const { return text("label_ConnectStatus") == QLatin1String("Connect success"); }

    // The reports queued at the connection have reached the keyboard.
    static bool connectReportsWritten(const SimKeyboard &kb)
    {
        const QList<Bytes> writes = linkWrites(kb);
        return writes.contains(kLayoutQuery) && writes.size() >= 2;
    }

private slots:
    void initTestCase() { g_previousHandler = qInstallMessageHandler(recordMessage); }

    void init()
    {
        SimKeyboard::resetAll();
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
        clearLog();
    }

    void cleanup()
    {
        m_window.reset();
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
        QVERIFY(!findHookTarget(HookTargetKey));
    }

    void firstStartWritesTheDefaults()
    {
        plug(0x0416, 0xb23c);
        QTest::ignoreMessage(QtDebugMsg, "------------------------------- init m_strVid:0416  m_strPid:b23c");
        m_window.reset(new mainPageDia);
        // Counted at the open; the hidden counter is not restored by the refresh.
        QCOMPARE(text("label_ConnectNum"), QString("1"));
        m_window->init(QStringLiteral("English"));

        QVERIFY(QFile::exists(configPath()));
        QCOMPARE(stored("hidCon/vid").toString(), QString("0x0416"));
        QCOMPARE(stored("hidCon/pid").toString(), QString("0xb23c"));
        QCOMPARE(stored("lighetTest/testType").toInt(), 0);
        QCOMPARE(deviceList()->currentText(), QString("0x0416,0xb23c,(NUC121)"));
        QCOMPARE(deviceList()->count(), 12);

        // Found by the search for 0x0416/0xb23c and connected before the window was shown.
        QVERIFY(isConnected());
        QCOMPARE(text("label_Manufacturer"), QString("Tavrin"));
        QCOMPARE(text("label_Product"), QString("Simulated keyboard"));
        QCOMPARE(text("label_Model"), QString("TAVRIN,K87"));
        QCOMPARE(text("label_Version"), QString("V1.0.0---2024/1/5 10:11:12"));
        QCOMPARE(m_window->windowTitle(), QString("Tavrin Keyboard Test") + toolVersion::titleSuffix());
        QCOMPARE(m_window->size(), QSize(1005, 680));
    }

    void restoreStoredDevice_data()
    {
        QTest::addColumn<QByteArray>("config"); // null: no file at all
        QTest::addColumn<int>("vid");
        QTest::addColumn<int>("pid"); // the keyboard attached
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("shownVid");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("magnetic");

        const QString nuc = "0x0416,0xb23c,(NUC121)";
        const QString first = "0x0416,0xc345,(M252)";
        QTest::newRow("no file") << QByteArray() << 0x0416 << 0xb23c << nuc << "0x0416" << true << false;
        QTest::newRow("empty file") << QByteArray("") << 0x0416 << 0xb23c << nuc << "0x0416" << true << false;
        QTest::newRow("magnetic") << QByteArray("[hidCon]\nvid=0x0416\npid=0x7372\n") << 0x0416 << 0x7372
                                  << "0x0416,0x7372,(MagneticM484)"
                                  << "0x0416" << true << true;
        QTest::newRow("QN9080 dongle") << QByteArray("[hidCon]\nvid=0x1fc9\npid=0xe8d8\n") << 0x1fc9 << 0xe8d8
                                       << "0x1fc9,0xe8d8,(QN9080Dongle)"
                                       << "0x1fc9" << true << false;
        QTest::newRow("upper-case ids match no entry but are searched")
            << QByteArray("[hidCon]\nvid=0x1FC9\npid=0xE8D8\n") << 0x1fc9 << 0xe8d8 << first << "0x1FC9" << true
            << false;
        QTest::newRow("stored ids of a keyboard not attached")
            << QByteArray("[hidCon]\nvid=0x0416\npid=0xc345\n") << 0x0416 << 0xb23c << first << "0x0416" << false
            << false;
        QTest::newRow("vid not hexadecimal")
            << QByteArray("[hidCon]\nvid=zzz\npid=0xb23c\n") << 0x0416 << 0xb23c << first << "zzz" << false << false;
        QTest::newRow("pid missing: defaults")
            << QByteArray("[hidCon]\nvid=0x1fc9\n") << 0x0416 << 0xb23c << nuc << "0x0416" << true << false;
        QTest::newRow("among garbage lines")
            << QByteArray("garbage\n[[[\n\x01\x02=\n[hidCon]\nvid=0x1fc9\npid=0xe8d8\n=x\n") << 0x1fc9 << 0xe8d8
            << "0x1fc9,0xe8d8,(QN9080Dongle)"
            << "0x1fc9" << true << false;
        QTest::newRow("binary junk") << QByteArray("\xff\xfe\x00\x00[\x00]\n\x80\x81=\x82", 12) << 0x0416 << 0xb23c
                                     << nuc << "0x0416" << true << false;
    }

    void restoreStoredDevice()
    {
        QFETCH(QByteArray, config);
        QFETCH(int, vid);
        QFETCH(int, pid);
        QFETCH(bool, magnetic);
        if (!config.isNull())
            writeConfig(config);
        plug(quint16(vid), quint16(pid));
        startWindow();

        QTEST(deviceList()->currentText(), "entry");
        QTEST(child<QLineEdit>("lineEdit_Vid")->text(), "shownVid");
        QVERIFY(!child<QLineEdit>("lineEdit_Vid")->isEnabled());
        QTEST(isConnected(), "connected");
        if (!isConnected())
            QCOMPARE(text("label_ConnectStatus"), QString("Default"));

        QLabel *status = child<QLabel>("label_484MagneticCalibrationStatus");
        QCOMPARE(!status->isHidden(), magnetic);
        if (magnetic) {
            QCOMPARE(status->text(), QString("Default"));
            QVERIFY(status->styleSheet().contains("color: rgb(9, 155, 9); font: 75 16pt"));
        }
    }

    void magneticLabelFollowsThePlatformWithoutCatalogue_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("magnetic");
        QTest::newRow("NUC121") << QByteArray("[hidCon]\nvid=0x0416\npid=0xb23c\n") << false;
        QTest::newRow("magnetic") << QByteArray("[hidCon]\nvid=0x0416\npid=0x7372\n") << true;
    }

    void magneticLabelFollowsThePlatformWithoutCatalogue()
    {
        QFETCH(QByteArray, config);
        writeConfig(config);
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("NoSuchLanguage"));
        QTEST(!child<QLabel>("label_484MagneticCalibrationStatus")->isHidden(), "magnetic");
    }

    void storedLightTypeAtConnection_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("button");
        QTest::addColumn<Bytes>("report");
        QTest::addColumn<int>("storedAfter");

        const QByteArray ids("[hidCon]\nvid=0x0416\npid=0xb23c\n");
        QTest::newRow("blue") << ids + "[lighetTest]\ntestType=3\n"
                              << "radioButton_B" << kLightBlue << 3;
        QTest::newRow("missing: RGB") << ids << "radioButton_RGB" << kLightRgb << 0;
        // No button stands for it; it lights as any other unknown type does.
        QTest::newRow("out of range: no button") << ids + "[lighetTest]\ntestType=77\n"
                                                 << "" << ledReport(1, 1, 0xFF, 0, 0) << 77;
        QTest::newRow("not a number: RGB") << ids + "[lighetTest]\ntestType=blue\n"
                                           << "radioButton_RGB" << kLightRgb << 0;
    }

    void storedLightTypeAtConnection()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, button);
        QFETCH(Bytes, report);
        writeConfig(config);
        SimKeyboard kb = plug(0x0416, 0xb23c);
        startWindow();

        QVERIFY(isConnected());
        for (const char *name :
             {"radioButton_RGB", "radioButton_R", "radioButton_G", "radioButton_B", "radioButton_W"}) {
            QCOMPARE(child<QRadioButton>(name)->isChecked(), button == QLatin1String(name));
            QVERIFY(child<QRadioButton>(name)->isEnabled());
        }
        QTRY_VERIFY(linkWrites(kb).contains(report));
        QCOMPARE(linkWrites(kb).first(), report);
        QTEST(stored("lighetTest/testType").toInt(), "storedAfter");
    }

    void unwritableSettingsKeepValuesInMemory_data()
    {
        QTest::addColumn<QString>("blocker"); // a path made a file or a folder where the other belongs
        QTest::addColumn<bool>("blockerIsFile");
        QTest::newRow("UserConfig is a file") << "UserConfig" << true;
        QTest::newRow("Config.ini is a folder") << "UserConfig/Config.ini" << false;
    }

    void unwritableSettingsKeepValuesInMemory()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, blockerIsFile);
        const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        const QString path = base + QLatin1Char('/') + blocker;
        QVERIFY(QDir().mkpath(blockerIsFile ? base : path));
        if (blockerIsFile) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        plug(0x0416, 0xb23c);
        plug(0x1fc9, 0xe8d8);
        startWindow();
        QVERIFY(isConnected());

        selectEntry(5);
        QVERIFY(isConnected());
        QVERIFY(logHas("settings file not written"));

        // A language switch reads the ids back: they come from memory.
        child<QRadioButton>("radioButton_English")->click();
        QCOMPARE(child<QLineEdit>("lineEdit_Vid")->text(), QString("0x1fc9"));
        QCOMPARE(child<QLineEdit>("lineEdit_Pid")->text(), QString("0xe8d8"));
    }

    void selectionWhileConnected_data()
    {
        QTest::addColumn<bool>("newKeyboardAttached");
        QTest::newRow("new keyboard absent") << false;
        QTest::newRow("new keyboard attached") << true;
    }

    void selectionWhileConnected()
    {
        QFETCH(bool, newKeyboardAttached);
        SimKeyboard old = plug(0x0416, 0xb23c);
        std::unique_ptr<SimKeyboard> dongle;
        if (newKeyboardAttached)
            dongle.reset(new SimKeyboard(plug(0x1fc9, 0xe8d8)));
        startWindow();
        QVERIFY(isConnected());
        QTRY_VERIFY(connectReportsWritten(old));
        emit m_window->findChild<keyboardPage *>()->sigAlreadyPressedKeyNum(5);

        selectEntry(5);

        // Light off was the old keyboard's last light report, written while its link was open.
        QCOMPARE(lastLightReport(linkWrites(old)), kLightOff);
        QCOMPARE(linkWrites(old).count(kLightOff), 1);
        QCOMPARE(SimKeyboard::stats().openHandles, newKeyboardAttached ? 1 : 0);

        QCOMPARE(child<QLineEdit>("lineEdit_Vid")->text(), QString("0x1fc9"));
        QCOMPARE(child<QLineEdit>("lineEdit_Pid")->text(), QString("0xe8d8"));
        QVERIFY(!child<QLineEdit>("lineEdit_Vid")->isEnabled());
        QCOMPARE(stored("hidCon/vid").toString(), QString("0x1fc9"));
        QCOMPARE(stored("hidCon/pid").toString(), QString("0xe8d8"));
        QCOMPARE(text("label_PressKeyNum"), QString("0"));
        QCOMPARE(child<QLabel>("label_ConnectStatus")->styleSheet(), QString(kGreen));
        // Closed for the old keyboard, opened again for the new one.
        QCOMPARE(child<QRadioButton>("radioButton_RGB")->isEnabled(), newKeyboardAttached);

        if (newKeyboardAttached) {
            QVERIFY(isConnected());
            QCOMPARE(text("label_Manufacturer"), QString("Tavrin"));
            QTRY_VERIFY(linkWrites(*dongle).contains(kLightRgb));
        } else {
            QCOMPARE(text("label_ConnectStatus"), QString("Default"));
            for (const char *name : {"label_Manufacturer", "label_Product", "label_Model", "label_Version"})
                QCOMPARE(text(name), kNoInfo);
        }
    }

    void choosingTheSelectedEntryDoesNothing()
    {
        SimKeyboard kb = plug(0x0416, 0xb23c);
        startWindow();
        QTRY_VERIFY(connectReportsWritten(kb));
        const int writes = linkWrites(kb).size();
        clearLog();

        selectEntry(deviceList()->currentIndex());

        QVERIFY(isConnected());
        QVERIFY(!linkWrites(kb).contains(kLightOff));
        QCOMPARE(linkWrites(kb).size(), writes);
        QVERIFY(!logHas("strCurrentVidPidText"));
    }

    void selectionReturnsToTheStandardTest_data()
    {
        QTest::addColumn<bool>("nucAttached");
        QTest::addColumn<bool>("magneticAttached");
        QTest::addColumn<bool>("irMode");
        QTest::addColumn<bool>("irButtonEnabledInMode");
        QTest::addColumn<bool>("standardTestRuns");
        QTest::addColumn<bool>("leaveSent");

        QTest::newRow("IR/HE mode, magnetic keyboard attached") << true << true << true << true << true << true;
        QTest::newRow("IR/HE mode, magnetic keyboard absent") << true << false << true << true << true << false;
        QTest::newRow("IR/HE chosen while disconnected only sets the mode")
            << false << false << true << false << true << false;
        QTest::newRow("standard mode is left alone") << true << true << false << false << false << false;
    }

    void selectionReturnsToTheStandardTest()
    {
        QFETCH(bool, nucAttached);
        QFETCH(bool, magneticAttached);
        QFETCH(bool, irMode);
        QFETCH(bool, standardTestRuns);
        QFETCH(bool, leaveSent);
        if (nucAttached)
            plug(0x0416, 0xb23c);
        std::unique_ptr<SimKeyboard> magnetic;
        if (magneticAttached)
            magnetic.reset(new SimKeyboard(plug(0x0416, 0x7372)));
        startWindow();
        QCOMPARE(isConnected(), nucAttached);
        QToolButton *start = child<QToolButton>("toolButton_StartTest");
        QToolButton *stop = child<QToolButton>("toolButton_StopTest");
        QAbstractButton *irCheck = child<QAbstractButton>("pushBut_IRKeyTest");
        QVERIFY(start->isEnabled());

        if (irMode) {
            child<QRadioButton>("radioButton_IrTest")->click();
            QTEST(irCheck->isEnabled(), "irButtonEnabledInMode");
            QCOMPARE(start->isEnabled(), !nucAttached);
            QVERIFY(!stop->isEnabled());
        }

        selectEntry(11);

        QVERIFY(child<QRadioButton>("radioButton_StandardTest")->isChecked());
        QVERIFY(!irCheck->isEnabled());
        QCOMPARE(start->isEnabled(), !standardTestRuns);
        QCOMPARE(stop->isEnabled(), standardTestRuns);
        QVERIFY(!child<QLabel>("label_484MagneticCalibrationStatus")->isHidden());
        if (magnetic) {
            // Queued behind the connection's reports, in order.
            QTRY_VERIFY(linkWrites(*magnetic).contains(kLayoutQuery));
            QTest::qWait(100);
            QCOMPARE(linkWrites(*magnetic).contains(kMagneticLeave), leaveSent);
        }
    }

    void colourChoice_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("connected") << true;
        QTest::newRow("disconnected") << false;
    }

    void colourChoice()
    {
        QFETCH(bool, connected);
        SimKeyboard kb = plug(connected ? 0x0416 : 0x0c45, 0xb23c);
        startWindow();
        QCOMPARE(isConnected(), connected);
        if (!connected) {
            // Opening the light test works without a keyboard; it only sends nothing.
            child<QToolButton>("toolButton_LEDOpenOrClose")->click();
        }
        QVERIFY(child<QRadioButton>("radioButton_B")->isEnabled());
        QTRY_VERIFY(!connected || linkWrites(kb).contains(kLightRgb));

        child<QRadioButton>("radioButton_B")->click();

        if (connected) {
            QCOMPARE(stored("lighetTest/testType").toInt(), 3);
            QTRY_VERIFY(linkWrites(kb).contains(kLightBlue));
        } else {
            QCOMPARE(stored("lighetTest/testType").toInt(), 0);
            QVERIFY(linkWrites(kb).isEmpty());
        }
    }

    void closingTheLightTestKeepsTheStoredType()
    {
        writeConfig("[hidCon]\nvid=0x0416\npid=0xb23c\n[lighetTest]\ntestType=3\n");
        SimKeyboard kb = plug(0x0416, 0xb23c);
        startWindow();
        QTRY_VERIFY(connectReportsWritten(kb));

        child<QToolButton>("toolButton_LEDOpenOrClose")->click();

        // Written at once, not through the worker's queue.
        QCOMPARE(lastLightReport(linkWrites(kb)), kLightOff);
        QVERIFY(!child<QRadioButton>("radioButton_B")->isEnabled());
        QCOMPARE(stored("lighetTest/testType").toInt(), 3);
    }

    void languageSwitchRestoresWhatRetranslationResets_data()
    {
        QTest::addColumn<QString>("step"); // what happens between start and the switch
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<QString>("status");

        QTest::newRow("count, identity and ids") << ""
                                                 << "7"
                                                 << "Tavrin"
                                                 << "Connect success";
        QTest::newRow("count after a variant change") << "variant"
                                                      << "0"
                                                      << "Tavrin"
                                                      << "Connect success";
        QTest::newRow("identity after choosing an absent device") << "device"
                                                                  << "0" << kNoInfo << "Default";
    }

    void languageSwitchRestoresWhatRetranslationResets()
    {
        QFETCH(QString, step);
        writeConfig("[hidCon]\nvid=0x1fc9\npid=0xe8d8\n");
        plug(0x1fc9, 0xe8d8);
        startWindow();
        QVERIFY(isConnected());
        emit m_window->findChild<keyboardPage *>()->sigAlreadyPressedKeyNum(7);
        QCOMPARE(text("label_PressKeyNum"), QString("7"));
        if (step == "variant")
            m_window->findChild<QRadioButton *>("radioButton_UK")->click();
        if (step == "device")
            selectEntry(4);
        const QString vid = child<QLineEdit>("lineEdit_Vid")->text();

        child<QRadioButton>("radioButton_English")->click();

        QTEST(text("label_PressKeyNum"), "count");
        QTEST(text("label_Manufacturer"), "manufacturer");
        QTEST(text("label_ConnectStatus"), "status");
        QCOMPARE(child<QLineEdit>("lineEdit_Vid")->text(), vid);
        QVERIFY(vid != QLatin1String("0x0416"));
        QVERIFY(child<QRadioButton>("radioButton_English")->isChecked());
    }

    void chineseButtonSwitchesTheCatalogue()
    {
        plug(0x0416, 0xb23c);
        startWindow();
        // The button of the language in effect is checked.
        QVERIFY(child<QRadioButton>("radioButton_English")->isChecked());
        child<QRadioButton>("radioButton_ChineseSM")->click();
        QVERIFY(child<QRadioButton>("radioButton_ChineseSM")->isChecked());
        QCOMPARE(m_window->windowTitle(), QString::fromUtf8("Tavrin 键盘测试") + toolVersion::titleSuffix());
        QCOMPARE(text("label_ConnectStatus"), QString::fromUtf8("连接成功"));
        QCOMPARE(text("label_Model"), QString("TAVRIN,K87"));
    }

    void makerLinkOpensTheAddress()
    {
        mainPageDiaUrlRecorder recorder;
        QDesktopServices::setUrlHandler("https", &recorder, "openUrl");
        startWindow();
        QLabel *link = child<QLabel>("label_10");
        QVERIFY(link->text().contains("<a href=\"Company|https://www.example.com|\">"));
        QVERIFY(link->text().contains("color:rgb(255,143,31);\">https://www.example.com</span>"));
        QCOMPARE(link->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

        emit link->linkActivated("Company|whatever|");
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(recorder.opened, QList<QUrl>{QUrl("https://www.example.com")});
    }

    void closingSwitchesTheLightOff_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close button") << false;
        QTest::newRow("escape key") << true;
    }

    void closingSwitchesTheLightOff()
    {
        QFETCH(bool, escape);
        SimKeyboard kb = plug(0x0416, 0xb23c);
        startWindow();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_VERIFY(connectReportsWritten(kb));

        if (escape)
            QTest::keyClick(m_window.get(), Qt::Key_Escape);
        else
            m_window->close();

        QVERIFY(!m_window->isVisible());
        QCOMPARE(lastLightReport(linkWrites(kb)), kLightOff);
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
    }

    void handshakeRunsWhileConnectedOnly()
    {
        SimKeyboard kb = plug(0x0416, 0xb23c);
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(linkWrites(kb).contains(kHandshake), 3000);

        selectEntry(5);
        clearLog();
        QTest::qWait(1300);
        QVERIFY(!logHas("ShakeHands Failed"));
    }

    void openFailureShowsConnectFailed_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("at start, through the language refresh") << true;
        QTest::newRow("on a device selection") << false;
    }

    void openFailureShowsConnectFailed()
    {
        QFETCH(bool, atStart);
        SimKeyboard kb = plug(0x0416, 0xb23c);
        if (atStart) {
            // The search's identity exchange tries four opens; the fifth is the link's.
            kb.failNextOpens(5);
            startWindow();
        } else {
            startWindow();
            QVERIFY(isConnected());
            kb.failNextOpens(100);
            selectEntry(0);
            selectEntry(1);
        }

        QCOMPARE(text("label_ConnectStatus"), QString("Connect failed"));
        QCOMPARE(child<QLabel>("label_ConnectStatus")->styleSheet(), QString(kRed));
        for (const char *name : {"label_Manufacturer", "label_Product", "label_Model", "label_Version"})
            QCOMPARE(text(name), kNoInfo);
        QVERIFY(logHas("openUSB_HidDevice Failed"));
        kb.failNextOpens(0);

        // No handshake runs on a link that never opened.
        clearLog();
        QTest::qWait(1200);
        QVERIFY(!logHas("ShakeHands Failed"));
    }

    void layoutLoadStartsTheKeyTestAndHookEventsReachThePage()
    {
        startWindow();
        QVERIFY(findHookTarget(HookTargetKey) == m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        keyboardPage *page = m_window->findChild<keyboardPage *>();
        QTRY_VERIFY(page->keyButton(0x41));
        QVERIFY(page->isVisible());
        QVERIFY(!child<QToolButton>("toolButton_StartTest")->isEnabled());
        QVERIFY(child<QToolButton>("toolButton_StopTest")->isEnabled());

        HookTarget *target = findHookTarget(HookTargetKey);
        target->handleHookKeyEvent(0, 0x41, 0x1e, 0x00, false);
        target->handleHookKeyEvent(0, 0x41, 0x1e, 0x80, false);
        target->handleHookKeyEvent(1, 0x42, 0x30, 0x00, false);
        QCOMPARE(text("label_PressKeyNum"), QString("1"));
        QVERIFY(page->keyButton(0x41)->isAlreadyPressed());

        child<QToolButton>("toolButton_StopTest")->click();
        QCOMPARE(text("label_PressKeyNum"), QString("0"));
        QVERIFY(!page->keyButton(0x41)->isAlreadyPressed());
        QVERIFY(child<QToolButton>("toolButton_StartTest")->isEnabled());
    }

private:
    // Shown, so the page loads the layout and the key test starts by itself.
    keyboardPage *startShownWindow()
    {
        startWindow();
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            return nullptr;
        keyboardPage *page = m_window->findChild<keyboardPage *>();
        QElapsedTimer waited;
        waited.start();
        while (!page->keyButton(0x41) && waited.elapsed() < 5000)
            QTest::qWait(10);
        return page->keyButton(0x41) ? page : nullptr;
    }

    // Through the capture core, a tenth of a second apart, as an operator's keys come.
    void send(const QVector<HookEvent> &events)
    {
        QVERIFY(findHookTarget(HookTargetKey) == m_window.get());
        for (const HookEvent &e : events) {
            m_eventTimeUs += 100000;
            keyboardHookCore().handleKeyEvent(0, e.vkCode, e.scanCode, e.flags, e.ctrlDown, m_eventTimeUs);
        }
    }

private slots:
    void ctrlArrowsStepTheLightType_data()
    {
        QTest::addColumn<QList<int>>("steps");      // -1 Ctrl+Left, +1 Ctrl+Right
        QTest::addColumn<bool>("lightTestOpen");    // closed by the operator first when false
        QTest::addColumn<QList<int>>("sentTypes");  // light types reported, in order
        QTest::addColumn<QString>("checkedButton"); // afterwards

        QTest::newRow("five Ctrl+Right from the start, whatever was clicked")
            << QList<int>{1, 1, 1, 1, 1} << true << QList<int>{1, 2, 3, 4, 0} << "radioButton_RGB";
        QTest::newRow("Ctrl+Left from the start wraps to W")
            << QList<int>{-1} << true << QList<int>{4} << "radioButton_W";
        QTest::newRow("back and forth") << QList<int>{-1, -1, 1} << true << QList<int>{4, 3, 4} << "radioButton_W";
        QTest::newRow("light test closed: only the arrows are shown")
            << QList<int>{1, -1, 1} << false << QList<int>{} << "radioButton_B";
    }

    void ctrlArrowsStepTheLightType()
    {
        QFETCH(QList<int>, steps);
        QFETCH(bool, lightTestOpen);
        QFETCH(QList<int>, sentTypes);
        QFETCH(QString, checkedButton);
        SimKeyboard kb = plug(0x0416, 0xb23c);
        keyboardPage *page = startShownWindow();
        QVERIFY(page);
        QTRY_VERIFY(connectReportsWritten(kb));
        // The operator's click does not move the chords' cycle.
        child<QRadioButton>("radioButton_B")->click();
        QTRY_VERIFY(lightReports(kb).contains(kLightBlue));
        if (!lightTestOpen)
            child<QToolButton>("toolButton_LEDOpenOrClose")->click();
        const int before = lightReports(kb).size();

        for (int step : steps)
            send(ctrlArrow(step));

        QList<Bytes> expected;
        for (int type : sentTypes)
            expected.append(lightReportOfType(type));
        QTRY_COMPARE(lightReports(kb).size(), before + expected.size());
        QTest::qWait(50);
        QCOMPARE(lightReports(kb).mid(before), expected);
        QVERIFY(child<QRadioButton>(checkedButton.toLatin1())->isChecked());
        // The arrows reach the page as keys either way.
        QCOMPARE(keyStateOf(page->keyButton(steps.last() < 0 ? 0x25 : 0x27)), 2);
        QCOMPARE(logHas("Ctrl+RIGHT") || logHas("Ctrl+LEFT"), true);
        QCOMPARE(logHas("m_CurrentLedType:"), lightTestOpen);
    }

    void ctrlSpaceClearsTheTest_data()
    {
        QTest::addColumn<QVector<HookEvent>>("chord");
        QTest::addColumn<bool>("cleared");

        QTest::newRow("Ctrl released last")
            << QVector<HookEvent>{kLeftCtrlDown, spaceDown(true), spaceUp(true), kLeftCtrlUp} << true;
        QTest::newRow("Space released last")
            << QVector<HookEvent>{kLeftCtrlDown, spaceDown(true), kLeftCtrlUp, spaceUp(false)} << true;
        QTest::newRow("Space before Ctrl")
            << QVector<HookEvent>{spaceDown(false), kLeftCtrlDown, spaceUp(true), kLeftCtrlUp} << false;
        QTest::newRow("right Ctrl") << QVector<HookEvent>{kRightCtrlDown, spaceDown(true), spaceUp(true), kRightCtrlUp}
                                    << false;
    }

    void ctrlSpaceClearsTheTest()
    {
        QFETCH(QVector<HookEvent>, chord);
        QFETCH(bool, cleared);
        keyboardPage *page = startShownWindow();
        QVERIFY(page);
        QSet<int> toggled;
        int reads = 0;
        page->setLockKeyState(std::make_unique<lockKeyStateFake>(&toggled, &reads));
        send({{0x41, 0x1E, 0x00, false}, {0x41, 0x1E, 0x80, false}});
        QCOMPARE(text("label_PressKeyNum"), QString("1"));
        // Changed behind the page's back: only a refresh shows it.
        toggled = {20, 145};
        reads = 0;

        send(chord);

        if (cleared) {
            QCOMPARE(text("label_PressKeyNum"), QString("0"));
            QCOMPARE(page->pressedKeyNum(), 0);
            QCOMPARE(keyStateOf(page->keyButton(0x41)), 0);
            // The release that completed the chord is not shown.
            QCOMPARE(keyStateOf(page->keyButton(chord.last().vkCode)), 0);
            QCOMPARE(reads, 3);
            QVERIFY(lockShowsOn(page->keyButton(-12)));
            QVERIFY(lockShowsOff(page->keyButton(-11)));
            QVERIFY(lockShowsOn(page->keyButton(-13)));
            QVERIFY(logHas("Ctrl+SPACE  [ Clear all Key ]"));
        } else {
            QCOMPARE(text("label_PressKeyNum"), QString("3"));
            QCOMPARE(keyStateOf(page->keyButton(0x41)), 2);
            QCOMPARE(keyStateOf(page->keyButton(0x20)), 2);
            QVERIFY(!logHas("Clear all Key"));
        }
    }

    // A variant button clears the page, but the system's locks did not change.
    void variantChangeShowsTheLockStates()
    {
        keyboardPage *page = startShownWindow();
        QVERIFY(page);
        QSet<int> toggled{20, 145};
        int reads = 0;
        page->setLockKeyState(std::make_unique<lockKeyStateFake>(&toggled, &reads));
        child<QRadioButton>("radioButton_UK")->click();
        QVERIFY(lockShowsOn(page->keyButton(-12)));
        QVERIFY(lockShowsOff(page->keyButton(-11)));
        QVERIFY(lockShowsOn(page->keyButton(-13)));
    }

    void captureFollowsTheKeyTest_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("stop button") << "stop";
        QTest::newRow("close button") << "close";
        QTest::newRow("escape key") << "escape";
        QTest::newRow("window destroyed") << "destroy";
    }

    void captureFollowsTheKeyTest()
    {
        QFETCH(QString, end);
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("capture needs an X server (scripts/test.sh runs the tests under xvfb-run)");
        QVERIFY(startShownWindow());
        QVERIFY(keyCapture::isInstalled());
        QVERIFY(logHas("[toolButton_Start Test] start"));
        QVERIFY(!logHas("[Hook open Failed]"));

        if (end == "stop") {
            child<QToolButton>("toolButton_StopTest")->click();
            QVERIFY(child<QToolButton>("toolButton_StartTest")->isEnabled());
            QVERIFY(!child<QToolButton>("toolButton_StopTest")->isEnabled());
            QVERIFY(logHas("[toolButton_Stop Test] stop over"));
        } else if (end == "close") {
            m_window->close();
        } else if (end == "escape") {
            QTest::keyClick(m_window.get(), Qt::Key_Escape);
        } else {
            m_window.reset();
        }
        QVERIFY(!keyCapture::isInstalled());

        if (end == "stop") {
            child<QToolButton>("toolButton_StartTest")->click();
            QVERIFY(keyCapture::isInstalled());
        }
    }

    void hookFailureLeavesTheTestRunning_data()
    {
        QTest::addColumn<bool>("noDisplay"); // else another program holds the keyboard
        QTest::newRow("no display") << true;
        QTest::newRow("keyboard grabbed by another program") << false;
    }

    void hookFailureLeavesTheTestRunning()
    {
        QFETCH(bool, noDisplay);
        const QByteArray display = qgetenv("DISPLAY");
        if (!noDisplay && display.isEmpty())
            QSKIP("needs an X server (scripts/test.sh runs the tests under xvfb-run)");
        Display *other = nullptr;
        if (noDisplay) {
            qunsetenv("DISPLAY");
        } else {
            other = XOpenDisplay(nullptr);
            QVERIFY(other);
            QCOMPARE(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync, CurrentTime),
                     GrabSuccess);
            XSync(other, False);
        }
        keyboardPage *page = startShownWindow();
        if (noDisplay)
            qputenv("DISPLAY", display);
        if (other)
            XCloseDisplay(other); // the grab goes with the connection
        QVERIFY(page);

        QVERIFY(!keyCapture::isInstalled());
        QVERIFY(logHas("--------------- [Hook open Failed] -----------------"));
        QVERIFY(logHas("Set keyboard Hook error"));
        // The buttons show a running test, so the operator can stop and try again.
        QVERIFY(!child<QToolButton>("toolButton_StartTest")->isEnabled());
        QVERIFY(child<QToolButton>("toolButton_StopTest")->isEnabled());
        send({{0x41, 0x1E, 0x00, false}});
        QCOMPARE(keyStateOf(page->keyButton(0x41)), 1);

        if (!noDisplay) {
            child<QToolButton>("toolButton_StopTest")->click();
            child<QToolButton>("toolButton_StartTest")->click();
            QVERIFY(keyCapture::isInstalled());
        }
    }
};

int main(int argc, char *argv[])
{
    // Every run gets settings of its own, before anything asks where they live.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    tst_mainPageDia test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainPageDia.moc"
