#include "mainPageDia.h"

#include "devicePresence.h"
#include "deviceTable.h"
#include "framePacing.h"
#include "hidReport.h"
#include "hookChords.h"
#include "hookLog.h"
#include "keyCapture.h"
#include "keyboardButCustom.h"
#include "keyboardHookCore.h"
#include "keyboardPage.h"
#include "keyboardVariant.h"
#include "mainHidInterFace.h"
#include "preferredLockKeyState.h"
#include "resultStore.h"
#include "stationTools.h"
#include "toolVersion.h"
#include "translationSwitch.h"
#include "ui_mainPageDia.h"
#include "userSettings.h"
#include "verdictBar.h"
#include "verdictSettings.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QMovie>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <QtConcurrent>
#include <chrono>

#include <atomic>
#include <memory>

namespace {

const char kNoDeviceInfo[] = "-----------";
const char kMakerUrl[] = "https://www.example.com";

const char kConnectStatusGreen[] = "QLabel#label_ConnectStatus{color: rgb(0, 150, 0);}";
const char kConnectStatusRed[] = "QLabel#label_ConnectStatus{color: rgb(210, 0, 0);}";
const char kMagneticStatusGreen[] =
    "QLabel#label_484MagneticCalibrationStatus{color: rgb(9, 155, 9); font: 75 16pt \"Microsoft YaHei\";}";
const char kMagneticStatusRed[] =
    "QLabel#label_484MagneticCalibrationStatus{color: rgb(255, 18, 2); font: 75 16pt \"Microsoft YaHei\";}";

const int kLightOff = 99;
const int kKey1010 = 1010;
const int kKeyReleasedFlags = 0x80;

std::int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char kLinkFormat[] = "<span style=\"font-family:\"%3\";font-size:12pt; color:#ff6666;\"></span>"
                           "<a href=\"Company|%1|\"><span style=\"font-size:12pt; text-decoration:underline; "
                           "color:rgb(%2);\">%1</span>";

// Windows virtual-key codes of the three lock keys whose indicators the page shows.
const int kLockKeys[] = {20, 144, 145};

void log(const QString &line)
{
    qDebug().noquote() << line;
}

} // namespace

mainPageDia::mainPageDia(QWidget *parent) : QDialog(parent), ui(new Ui::mainPageDia)
{
    ui->setupUi(this);

    setWindowFlags(Qt::Dialog | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(":/images/Keyboard.png"));
    setFixedSize(1005, 680);

    m_strConfigFile =
        userSettings::prepareConfigFile(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    m_settings = new QSettings(m_strConfigFile, QSettings::IniFormat);
    if (!userSettings::hasTestType(*m_settings))
        userSettings::writeTestType(*m_settings, 0);
    // Every tested keyboard leaves a record beside the settings file.
    const QString dataDir = QFileInfo(m_strConfigFile).absolutePath();
    const VerdictCriteria criteria = readVerdictSettings(dataDir);
    m_unitRecorder.setChatterThresholdMs(criteria.chatterMs);
    m_unitRecorder.setCriteria(criteria);
    m_resultStore = new ResultStore(dataDir, this);
    m_resultStore->followProgress([this](std::int64_t now) { return m_unitRecorder.snapshot(UnitEnd::Crash, now); });

    ui->label_PressNum->hide();
    ui->radioButton_DealConnect->hide();
    ui->label_ConnectStatus_02->hide();
    ui->checkBox_Lock->hide();
    ui->frame_16->hide();

    m_movie = new QMovie(QStringLiteral(":/images/Gif_2.gif"), QByteArray(), this);
    ui->label_ProductionTesting->setMovie(m_movie);
    ui->label_ProductionTesting->hide();

    ui->comboBox_VidPidList->setMinimumWidth(355);

    connect(ui->label_10, &QLabel::linkActivated, this, &mainPageDia::onLickActivited, Qt::DirectConnection);

    m_presence = new DevicePresence(this);
    connect(m_presence, &DevicePresence::sigDeviceArrived, this,
            [this](const QString &path) { pushDeviceEvent(DeviceEventKind::Arrival, path); });
    connect(m_presence, &DevicePresence::sigDeviceRemoved, this,
            [this](const QString &path) { pushDeviceEvent(DeviceEventKind::Removal, path); });
    registerDeviceNotify();

    m_colourGroup = new QButtonGroup(this);
    QAbstractButton *const colourButtons[] = {ui->radioButton_RGB, ui->radioButton_R, ui->radioButton_G,
                                              ui->radioButton_B, ui->radioButton_W};
    for (int id = 0; id < 5; ++id) {
        colourButtons[id]->setEnabled(false);
        m_colourGroup->addButton(colourButtons[id], id);
    }
    connect(m_colourGroup, &QButtonGroup::idClicked, this, &mainPageDia::onCurIndexChangedMainPage);

    // However many keys come at once, the window repaints once a frame.
    new FramePacing(this);
    m_keyboardPage = new keyboardPage(ui->frame_Keyboard);
    ui->frame_Keyboard->layout()->addWidget(m_keyboardPage);
    // While the unit's own keys are taken, its lock keys never reach the
    // system: the indicators show the unit's.
    m_keyboardPage->setLockKeyState(
        std::make_unique<preferredLockKeyState>(keyCapture::unitLockToggled, lockKeyState::createSystem()));
    m_verdictBar = new VerdictBar(m_keyboardPage);
    m_verdictBar->setGeometry(keyboardPage::bandAboveKeys());
    m_verdictBar->setCriteria(criteria);
    m_verdictBar->setUnitConnected(false);
    m_stationTools = new StationTools(*m_settings, m_resultStore->filePath(), m_keyboardPage);
    m_stationTools->setGeometry(keyboardPage::bandBesideVariants());
    connect(m_verdictBar, &VerdictBar::serialEntered, this, [this](const QString &serial) {
        m_unitRecorder.serialGiven(serial.toStdString());
        showVerdict();
    });
    // Order matters: the variant must be in force before the test starts.
    connect(m_keyboardPage, &keyboardPage::sigKeyboardAlreadyLoad, this, &mainPageDia::onKeyboardAlreadyLoadAndUpdeUI);
    connect(m_keyboardPage, &keyboardPage::sigKeyboardAlreadyLoad, this, &mainPageDia::startKeyTestUnlessSerialWaits);
    connect(m_keyboardPage, &keyboardPage::sigAlreadyPressedKeyNum, this, &mainPageDia::onAlreadyPressedKeyNum);
    connect(m_keyboardPage, &keyboardPage::sigCurIndexSelectWithKeyboardLanguage, this,
            &mainPageDia::onCurIndexSelectWithKeyboardLanguage);
    // Key times come from the capture source (the event being handed on right
    // now), so chatter is judged on when the key moved.
    connect(m_keyboardPage, &keyboardPage::sigKeyEvent, this, [this](int qtDec, bool pressed) {
        const std::int64_t at = keyboardHookCore().eventTimeUs();
        if (!pressed)
            m_unitRecorder.keyReleased(qtDec, at);
        else if (m_unitRecorder.keyPressed(qtDec, at))
            m_keyboardPage->markKeyFailed(qtDec);
        showVerdict();
    });

    ui->radioButton_ChineseSM->setChecked(true);
    ui->lineEdit_Vid->setEnabled(false);
    ui->lineEdit_Pid->setEnabled(false);
    ui->radioButton_StandardTest->setChecked(true);
    ui->pushBut_IRKeyTest->setEnabled(false);
    ui->toolButton_StartTest->setEnabled(true);
    ui->toolButton_StopTest->setEnabled(false);

    // Blocked until the stored device is restored, so restoring is not taken
    // for an operator's choice.
    ui->comboBox_VidPidList->blockSignals(true);
    ui->comboBox_VidPidList->addItems(deviceTable::entryTexts());
    connect(ui->comboBox_VidPidList, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { onComboxCurrentIndexChanged(ui->comboBox_VidPidList->itemText(index)); });

    // The capture code has no toolkit; its lines join the tool's debug log.
    setHookLogSink([](const std::string &line) { qDebug().noquote() << QString::fromStdString(line); });
    hookTargets()[HookTargetKey] = this;
    keyCapture::setSourcePreference(m_settings->value(QStringLiteral("capture/source")).toString().toStdString());

    m_shakeHandsTimer = new QTimer(this);
    connect(m_shakeHandsTimer, &QTimer::timeout, this, &mainPageDia::onShakeHandsRuning);

    m_hidInterFace = new MainHidInterFace;
    connect(m_hidInterFace, &MainHidInterFace::sigGetHidListSuccessful, this, &mainPageDia::onGetHidListSuccessful);
    connect(m_hidInterFace, &MainHidInterFace::sigOpenHidSuccessful, this, &mainPageDia::onOpenHidSuccessful);
    connect(m_hidInterFace, &MainHidInterFace::sigCloseHidSuccessful, this, &mainPageDia::onCloseHidSuccessful);
    connect(m_hidInterFace, &MainHidInterFace::sigHidDataArrived, this, &mainPageDia::onHidDataArrived);
    // A keyboard can go without a notification (a hub losing power, a driver
    // hiccup): the reads fail instead, and the window must not go on showing
    // "Connect success" on a dead link.
    connect(m_hidInterFace, &MainHidInterFace::sigHidReadFailed, this,
            [this]() { pushDeviceEvent(DeviceEventKind::LinkLost, m_hidInterFace->getHidPath()); });

    QString vidText;
    QString pidText;
    if (!userSettings::hasIds(*m_settings)) {
        vidText = ui->lineEdit_Vid->text();
        pidText = ui->lineEdit_Pid->text();
        userSettings::writeIds(*m_settings, vidText, pidText);
        ui->comboBox_VidPidList->setCurrentIndex(deviceTable::DefaultEntry);
    } else {
        vidText = userSettings::storedVidText(*m_settings);
        pidText = userSettings::storedPidText(*m_settings);
        ui->lineEdit_Vid->setText(vidText);
        ui->lineEdit_Pid->setText(pidText);
        const int entry = deviceTable::entryForStoredIds(vidText, pidText);
        if (entry >= 0)
            ui->comboBox_VidPidList->setCurrentIndex(entry);
    }
    ui->comboBox_VidPidList->blockSignals(false);
    // Right from the start, not only once a catalogue is found: the form's own
    // text would otherwise claim a calibration on every platform.
    showMagneticStatusForIds(vidText, pidText);

    m_strVid = deviceTable::shortId(vidText);
    m_strPid = deviceTable::shortId(pidText);
    log(QStringLiteral("------------------------------- init m_strVid:") + m_strVid + QStringLiteral("  m_strPid:") +
        m_strPid);

    m_presence->setIds(m_strVid, m_strPid);
    m_answers.setPlatform(m_strVid.toStdString(), m_strPid.toStdString(), isMagneticPlatform());
    m_workflow.setMagnetic(isMagneticPlatform());

    // At start-up nothing else can run yet, so the keyboard that is already
    // plugged in is connected before the window shows.
    m_hidInterFace->setVidPid(deviceTable::idFromText(vidText), deviceTable::idFromText(pidText));
    m_bAcceptHidList = true;
    m_hidInterFace->getHidList();
    m_bAcceptHidList = false;
}

mainPageDia::~mainPageDia()
{
    // Pool work of a sequence still uses the link; nothing of it may run on
    // after the window is gone.
    m_bClosing = true;
    m_deviceEvents.close();
    waitForPoolWork();
    // A window that goes without a close (the program ended otherwise) must not
    // leave the desktop's keyboard captured with nobody to show or end it.
    removeHooks();
    removeHookTarget(HookTargetKey, this);
    // The link's worker must not outlive the receiver of its reports.
    disconnect(m_hidInterFace, nullptr, this, nullptr);
    m_bConnected = false;
    m_hidInterFace->closeHid();
    // Reports the worker emitted before it ended still wait as queued calls;
    // handled now (as reports of a closed link) their buffers are released.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    delete m_hidInterFace;
    delete m_settings;
    // The translator outlives every text it served; taking it out of the
    // application here keeps a later window from inheriting a dangling one.
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
    }
    delete ui;
}

void mainPageDia::init(QString language)
{
    if (!translationSwitch::apply(m_translator, QCoreApplication::applicationDirPath(), language))
        return;

    ui->retranslateUi(this);
    setWindowTitle(tr("Tavrin Keyboard Test") + toolVersion::titleSuffix());
    // The button tells the language in effect, whichever started the switch.
    (language == QLatin1String("English") ? ui->radioButton_English : ui->radioButton_ChineseSM)->setChecked(true);
    showVerdict(true);
    ui->label_PressKeyNum->setText(QString::number(m_alreadyPressedKeyNum));
    showDeviceInfoLabels();

    // Shown again as it was: a keyboard that could not be opened at start must
    // not turn into a green "Default" just because the texts were refreshed.
    setConnectStatus(m_connectStatusText, m_bConnectStatusOk);

    QString vidText;
    QString pidText;
    showIdsFromSettings(&vidText, &pidText);
    showMagneticStatusForIds(vidText, pidText);
    m_keyboardPage->retranslateKeyText();

    m_strUrl = QLatin1String(kMakerUrl);
    ui->label_10->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    // One pass over the format, so an address holding "%2" stays as written.
    ui->label_10->setText(QString::fromLatin1(kLinkFormat)
                              .arg(m_strUrl, QStringLiteral("255,143,31"), QStringLiteral("Microsoft YaHei")));

    if (m_movie) {
        ui->label_ProductionTesting->setMovie(m_movie);
        ui->label_ProductionTesting->hide();
    }
}

void mainPageDia::handleHookKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags,
                                     bool ctrlDown)
{
    const HookChordDecision decision = hookChords().handleHookKeyEvent(nCode, vkCode, scanCode, flags, ctrlDown);
    for (const std::string &line : decision.logLines)
        hookLog(line);
    if (decision.clearAllKeys) {
        clearAllKeys();
        return;
    }
    if (decision.ledTypeStep != 0)
        stepCurrentLedType(decision.ledTypeStep);
    if (decision.forward)
        onCatchKeyboardAndMouseEvent(int(vkCode), int(flags), int(scanCode));
}

bool mainPageDia::installHooks()
{
    keyCapture::setKeyboard(std::uint16_t(deviceTable::idFromText(m_strVid)),
                            std::uint16_t(deviceTable::idFromText(m_strPid)),
                            m_bConnected ? m_hidInterFace->getHidPath().toStdString() : std::string());
    const bool installed = keyCapture::installHooks();
    m_unitRecorder.setCaptureSource(keyCapture::sourceText(), keyCapture::takesUnitOnly());
    return installed;
}

bool mainPageDia::removeHooks()
{
    keyCapture::removeHooks();
    m_unitRecorder.setCaptureSource(std::string(), false);
    return true;
}

void mainPageDia::clearAllKeys()
{
    m_unitRecorder.restartKeys();
    showVerdict();
    // A key that chattered stays red: the fault is the unit's, not the test's.
    m_keyboardPage->clearAllKeyState();
    m_keyboardPage->resetAlreadyPressedKeyNum();
    // Through the slot, so a language refresh shows 0 as well.
    onAlreadyPressedKeyNum(0);
    for (int vkCode : kLockKeys)
        m_keyboardPage->updateLockKeyStatus(vkCode);
}

void mainPageDia::stepCurrentLedType(int direction)
{
    const LedTypeStep step = m_workflow.stepLightType(direction);
    if (!step.applied)
        return;
    log(QString::fromStdString(step.logLine));
    // Checked from code, the group emits no click, so the change below is the
    // only report a step sends.
    if (QAbstractButton *button = m_colourGroup->button(step.ledType - 1))
        button->setChecked(true);
    onCurIndexChangedMainPage(step.ledType - 1);
}

void mainPageDia::onAlreadyPressedKeyNum(int alreadyPressedKeyNum)
{
    m_alreadyPressedKeyNum = alreadyPressedKeyNum;
    ui->label_PressKeyNum->setText(QString::number(alreadyPressedKeyNum));
}

void mainPageDia::onCurIndexSelectWithKeyboardLanguage(int keyboardLanguageSelIndex)
{
    m_keyboardPage->resetAlreadyPressedKeyNum();
    // Through the slot, so a later language switch does not bring back the old count.
    onAlreadyPressedKeyNum(0);
    m_keyboardPage->setNoSuchKeyList(keyboardPage::noSuchKeyListForVariant(keyboardLanguageSelIndex));
    recordVariantKeys(keyboardLanguageSelIndex);
    showVerdict();
    m_keyboardPage->clearAllKeyState();
    // Clearing also put out the lock indicators; the system's locks did not change.
    for (int vkCode : kLockKeys)
        m_keyboardPage->updateLockKeyStatus(vkCode);
}

void mainPageDia::onKeyboardAlreadyLoadAndUpdeUI()
{
    onCurIndexSelectWithKeyboardLanguage(0);
}

void mainPageDia::onCatchKeyboardAndMouseEvent(int vkCode, int keyFlags, int scCode)
{
    m_keyboardPage->handleKeyboardEvent(vkCode, keyFlags, scCode);
}

void mainPageDia::onGetHidListSuccessful()
{
    // An enumeration that no running sequence waits for any more (the window
    // closes) must not open a link behind its back.
    if (!m_bAcceptHidList || m_bClosing)
        return;
    const QMap<QString, QString> info = m_hidInterFace->getKeyboardInfoMap();
    for (auto it = info.cbegin(); it != info.cend(); ++it) {
        const int dash = it.key().indexOf(QLatin1Char('-'));
        m_strModel = dash < 0 ? it.key() : it.key().mid(dash + 1);
        m_strVersion = it.value();
    }
    ui->label_Manufacturer->setText(m_hidInterFace->getManufacturer());
    ui->label_Product->setText(m_hidInterFace->getProduct());
    ui->label_Model->setText(m_strModel);
    ui->label_Version->setText(m_strVersion);
    openUSB_HidDevice();
}

void mainPageDia::onOpenHidSuccessful()
{
    log(QStringLiteral("USB serial port [Open] successful ..."));
    m_shakeHandsTimer->start(1000);
    ++m_connectNum;
    ui->label_ConnectNum->setText(QString::number(m_connectNum));
}

void mainPageDia::onCloseHidSuccessful()
{
    m_shakeHandsTimer->stop();
}

void mainPageDia::onShakeHandsRuning()
{
    const HidReport report = buildShakeHandsReport();
    if (m_hidInterFace->queueWriteData(report.data()) < 0)
        log(QStringLiteral("---------- *** ShakeHands Failed *** ----------"));
    // The handshake keeps a report in flight every second, so a keyboard
    // whose writes stopped going through is noticed here.
    if (m_hidInterFace->writeTroubleMs() >= UnitVerdict::FirmwareSilentMs) {
        m_unitRecorder.firmwareSilent();
        showVerdict();
    }
}

void mainPageDia::onHidDataArrived(unsigned char *data, int length)
{
    // Taken through the link, which freed it already if the keyboard was
    // closed meanwhile; ours from here on, whatever it holds.
    const MainHidInterFace::TakenReport taken = MainHidInterFace::takeReport(data);
    // Reports of a keyboard already closed may still wait in the queue; they
    // must not be taken for the next keyboard's.
    if (!m_bConnected || !taken.data)
        return;
    data = taken.data.get();
    length = taken.length;

    const AnswerEffects effects = m_answers.handle(data, length, m_workflow.irTest(), steadyMs());
    for (const std::string &line : effects.logLines)
        log(QString::fromStdString(line));
    sendReplies(effects.replies);
    if (effects.calibrated)
        showCalibrationStatus(*effects.calibrated);
    if (effects.key1010 != Key1010Mark::None)
        m_keyboardPage->markDeviceKey(kKey1010, effects.key1010 == Key1010Mark::Down ? 0 : kKeyReleasedFlags);
    if (effects.keyResult)
        m_keyboardPage->showKeyDecListResult(QList<int>(effects.keyResult->begin(), effects.keyResult->end()),
                                             int(effects.keyResultMode));
    showVerdict();
    if (effects.production != ProductionVerdict::None) {
        m_movie->stop();
        ui->label_ProductionTesting->setText(effects.production == ProductionVerdict::Successful
                                                 ? tr("Production Successful")
                                                 : tr("Production Failed"));
    }
    if (effects.productionFinished) {
        m_workflow.productionFinished();
        showControls();
    }
}

void mainPageDia::sendReplies(const std::vector<AnswerReply> &replies)
{
    for (const AnswerReply &reply : replies)
        log(QString::fromStdString(m_hidInterFace->queueWriteData(reply.report.data()) < 0 ? reply.failedLine
                                                                                           : reply.successLine));
}

void mainPageDia::showCalibrationStatus(bool calibrated)
{
    QLabel *label = ui->label_484MagneticCalibrationStatus;
    label->setStyleSheet(QString::fromUtf8(calibrated ? kMagneticStatusGreen : kMagneticStatusRed));
    label->show();
    label->setText(calibrated ? tr("Magnetic already calibrated") : tr("Magnetic axis not calibrated"));
}

int mainPageDia::getSpecalKeyDec(int keyDec)
{
    return specialKeyDec(keyDec);
}

void mainPageDia::onCurIndexChangedMainPage(int testType)
{
    applyLightChange(m_workflow.chooseLightType(testType));
}

void mainPageDia::applyLightChange(const LightChange &change)
{
    if (!change.send)
        return;
    const int testType = change.testType;
    log(QStringLiteral(
            "------------------------ *** onCurIndexChangedMainPage *** ------------------------ testType:") +
        QString::number(testType));
    if (testType != kLightOff)
        userSettings::writeTestType(*m_settings, testType);

    const LightSetting setting = lightSettingForTestType(testType);
    m_ledOn = setting.ledOn;
    m_ledColorCount = setting.ledColorCount;
    m_ledColors = setting.ledColors;
    onSendSetKeyboardColorData();
}

void mainPageDia::onLickActivited(QString link)
{
    Q_UNUSED(link);
    QDesktopServices::openUrl(QUrl(m_strUrl, QUrl::TolerantMode));
}

void mainPageDia::on_radioButton_English_clicked()
{
    init(QStringLiteral("English"));
}

void mainPageDia::on_radioButton_ChineseSM_clicked()
{
    init(QStringLiteral("Zh_SM"));
}

void mainPageDia::on_radioButton_StandardTest_clicked()
{
    if (m_workflow.chooseStandardTest()) {
        m_movie->stop();
        const HidReport leave = buildMagneticReport(true);
        queueReport(leave.data(), "USB serial port [Check keyboard Magnetic -> Exit] Failed ...",
                    "USB serial port [Check keyboard Magnetic -> Exit] Successful ...");
    }
    showControls();
    ui->radioButton_StandardTest->setFocus();

    m_keyboardPage->clearAllKeyState();
    on_toolButton_StartTest_clicked();
}

void mainPageDia::on_radioButton_IrTest_clicked()
{
    if (m_workflow.chooseIrTest()) {
        on_toolButton_StopTest_clicked();
        m_workflow.holdKeyTest();
    }
    showControls();
}

void mainPageDia::on_pushBut_IRKeyTest_clicked()
{
    m_answers.checkStarted();
    if (m_workflow.irCheck() == TestWorkflow::IrCheck::MagneticEnter) {
        const HidReport enter = buildMagneticReport(false);
        if (!queueReport(enter.data(), "USB serial port [Check keyboard Magnetic -> Into] Failed ...",
                         "USB serial port [Check keyboard Magnetic -> Into] Successful ..."))
            return;
        ui->label_ProductionTesting->setText(tr(""));
        ui->label_ProductionTesting->setMovie(m_movie);
        m_movie->start();
        m_workflow.productionStarted();
        showControls();
        return;
    }
    const HidReport check = buildCheckLayoutReport();
    queueReport(check.data(), "USB serial port [Check keyboard layout] Failed ...",
                "USB serial port [Check keyboard layout] Successful ...");
}

void mainPageDia::on_toolButton_StartTest_clicked()
{
    m_keyboardPage->retranslateKeyText();
    m_workflow.keyTestStarted();
    showControls();
    log(QStringLiteral("--------------- [toolButton_Start Test] start -----------------"));
    keyCapture::clearHeldKeys();
    // The test goes on without capture: the operator still has the buttons,
    // and the reason is in the log.
    if (!installHooks())
        log(QStringLiteral("--------------- [Hook open Failed] -----------------"));
    for (int vkCode : kLockKeys)
        m_keyboardPage->updateLockKeyStatus(vkCode);
}

void mainPageDia::on_toolButton_StopTest_clicked()
{
    m_workflow.keyTestStopped();
    showControls();
    log(QStringLiteral("--------------- [toolButton_Stop Test] stop -----------------"));
    removeHooks();
    log(QStringLiteral("--------------- [toolButton_Stop Test] stop over -----------------"));
    m_keyboardPage->clearAllKeyState();
    m_keyboardPage->resetAlreadyPressedKeyNum();
    onAlreadyPressedKeyNum(0);
}

void mainPageDia::on_toolButton_LEDOpenOrClose_clicked()
{
    const bool opening = !m_workflow.ledTestOpen();
    const int testType = opening ? userSettings::storedTestType(*m_settings) : kLightOff;
    const LightChange change = m_workflow.toggleLightTest(testType);
    showControls();
    if (opening) {
        // A stored type without a button selects none; the type is sent all the same.
        if (QAbstractButton *button = m_colourGroup->button(testType))
            button->setChecked(true);
    }
    applyLightChange(change);
}

void mainPageDia::on_pushButton_ResetKeyboard_clicked()
{
    bool closeLightFirst = false;
    if (!m_workflow.resetKeyboard(&closeLightFirst))
        return;
    if (closeLightFirst)
        on_toolButton_LEDOpenOrClose_clicked();
    const HidReport reset = buildResetReport();
    queueReport(reset.data(), "---------- *** [Reset] Failed *** ----------",
                "---------- *** [Reset] Successful *** ---------- ");
}

void mainPageDia::onComboxCurrentIndexChanged(QString strCurrentVidPidText)
{
    pushDeviceEvent(DeviceEventKind::Selection, strCurrentVidPidText);
}

void mainPageDia::runSelection(const QString &strCurrentVidPidText)
{
    log(QStringLiteral("------------------- strCurrentVidPidText:") + strCurrentVidPidText);
    QString vidText;
    QString pidText;
    deviceTable::splitEntryText(strCurrentVidPidText, &vidText, &pidText);
    if (pidText.isEmpty()) {
        // Only list entries name a device; anything else would store ids no
        // keyboard has and drop the link to the current one.
        log(QStringLiteral("------------------- not a device entry, ignored"));
        endDeviceEvent();
        return;
    }

    ui->lineEdit_Vid->setText(vidText);
    ui->lineEdit_Pid->setText(pidText);
    setConnectStatus(QT_TR_NOOP("Default"), true);
    showMagneticStatusForIds(vidText, pidText);

    m_keyboardPage->clearAllKeyState();
    m_keyboardPage->resetAlreadyPressedKeyNum();
    onAlreadyPressedKeyNum(0);
    for (int vkCode : kLockKeys)
        m_keyboardPage->updateLockKeyStatus(vkCode);

    // The closing branch: the light-off report reaches the old keyboard while
    // the link is still open.
    applyLightChange(m_workflow.closeLightTest());
    showControls();

    m_bConnected = false;
    m_workflow.setConnected(false);
    endUnitRecord(UnitEnd::Selection);
    m_hidInterFace->closeHid();
    // Reports queued for the old keyboard are not meant for the next one.
    m_hidInterFace->clearWriteQueue();

    setConnectStatus(QT_TR_NOOP("Default"), true);
    clearDeviceInfoLabels();

    after(100, [this, vidText, pidText]() {
        m_strVid = deviceTable::shortId(vidText);
        m_strPid = deviceTable::shortId(pidText);
        // Another platform has another matrix: its table is asked for anew.
        m_answers.setPlatform(m_strVid.toStdString(), m_strPid.toStdString(), isMagneticPlatform());
        m_answers.beginConnection();
        m_workflow.setMagnetic(isMagneticPlatform());
        m_presence->setIds(m_strVid, m_strPid);
        m_hidInterFace->setVidPid(deviceTable::idFromText(vidText), deviceTable::idFromText(pidText));
        m_bAcceptHidList = true;
        offGuiThread([link = m_hidInterFace]() { link->getHidList(); },
                     [this, vidText, pidText]() {
                         m_bAcceptHidList = false;
                         ui->lineEdit_Vid->setEnabled(false);
                         ui->lineEdit_Pid->setEnabled(false);
                         userSettings::writeIds(*m_settings, vidText, pidText);
                         if (m_workflow.irTest()) {
                             on_radioButton_StandardTest_clicked();
                             ui->radioButton_StandardTest->setChecked(true);
                         }
                         endDeviceEvent();
                     });
    });
}

bool mainPageDia::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    if (m_presence)
        m_presence->handleNativeMessage(message);
    return QDialog::nativeEvent(eventType, message, result);
}

void mainPageDia::closeEvent(QCloseEvent *event)
{
    shutDownLink();
    removeHooks();
    QDialog::closeEvent(event);
}

void mainPageDia::reject()
{
    // Escape ends the tool as the close button does; the dialog's own reject
    // would hide the window without the close event, leaving the keyboard lit
    // and the desktop's keys captured.
    shutDownLink();
    removeHooks();
    QDialog::reject();
}

void mainPageDia::shutDownLink()
{
    // Whatever waits or runs on the pool ends without acting on the window.
    m_bClosing = true;
    m_deviceEvents.close();
    applyLightChange(m_workflow.windowClosing());
    m_bConnected = false;
    m_workflow.setConnected(false);
    endUnitRecord(UnitEnd::Close);
    waitForPoolWork();
    m_hidInterFace->closeHid();
}

void mainPageDia::registerDeviceNotify()
{
    const std::uintptr_t handle = m_presence->needsWindowHandle() ? std::uintptr_t(winId()) : 0;
    for (unsigned long error : m_presence->start(handle))
        log(QStringLiteral("注册失败！ GetLastError:") + QString::number(error) + QLatin1Char('\n'));
}

void mainPageDia::pushDeviceEvent(DeviceEventKind kind, const QString &text)
{
    if (m_bClosing)
        return;
    DeviceEvent event;
    event.kind = kind;
    event.text = text.toStdString();
    if (m_deviceEvents.push(event))
        runDeviceEvent(event);
}

void mainPageDia::runDeviceEvent(const DeviceEvent &event)
{
    // A choice in the list would race the sequence under way.
    ui->comboBox_VidPidList->setEnabled(false);
    const QString text = QString::fromStdString(event.text);
    switch (event.kind) {
    case DeviceEventKind::Arrival:
        runArrival(text);
        break;
    case DeviceEventKind::Removal:
        runRemoval(text, false);
        break;
    case DeviceEventKind::LinkLost:
        runRemoval(text, true);
        break;
    case DeviceEventKind::Selection:
        runSelection(text);
        break;
    }
}

void mainPageDia::endDeviceEvent()
{
    DeviceEvent next;
    if (m_deviceEvents.finish(&next)) {
        runDeviceEvent(next);
        return;
    }
    if (!m_bClosing)
        ui->comboBox_VidPidList->setEnabled(true);
}

void mainPageDia::after(int ms, std::function<void()> next)
{
    QTimer::singleShot(ms, this, [this, next = std::move(next)]() {
        if (!m_bClosing)
            next();
    });
}

void mainPageDia::offGuiThread(std::function<void()> work, std::function<void()> next)
{
    auto *watcher = new QFutureWatcher<void>(this);
    m_pending.append(watcher);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, next = std::move(next)]() {
        m_pending.removeOne(watcher);
        watcher->deleteLater();
        m_poolWorkEnded.load(std::memory_order_acquire);
        if (!m_bClosing)
            next();
    });
    watcher->setFuture(QtConcurrent::run([this, work = std::move(work)]() {
        work();
        m_poolWorkEnded.fetch_add(1, std::memory_order_release);
    }));
}

void mainPageDia::waitForPoolWork()
{
    for (QFutureWatcher<void> *watcher : qAsConst(m_pending))
        watcher->waitForFinished();
    m_poolWorkEnded.load(std::memory_order_acquire);
}

void mainPageDia::runArrival(const QString &path)
{
    log(QStringLiteral("-----USB Status: 已检测到USB设备插入"));
    if (m_bConnected) {
        // Another interface of the same ids (a second keyboard, or the one
        // under test announcing itself again) must not reopen the link.
        log(QStringLiteral("-----USB Status: already connected, arrival ignored: ") + path);
        endDeviceEvent();
        return;
    }
    ui->label_ConnectStatus_02->setText(QStringLiteral("Hid 01 insert begin ---***>>> 01"));
    after(500, [this]() { handleHidInsert(); });
}

void mainPageDia::handleHidInsert()
{
    m_answers.beginConnection();
    m_bAcceptHidList = true;
    offGuiThread([link = m_hidInterFace]() { link->getHidList(); },
                 [this]() {
                     m_bAcceptHidList = false;
                     startKeyTestUnlessSerialWaits();
                     ui->label_ConnectStatus_02->setText(QStringLiteral("Hid insert end ---*>>> 02"));
                     endDeviceEvent();
                 });
}

void mainPageDia::runRemoval(const QString &path, bool linkLost)
{
    // One pull makes both failing reads and a notification, in either order;
    // it is one removal. Failing reads after the link was closed are old news,
    // and the notification that follows a lost link has been handled by it.
    if (linkLost && !m_bConnected) {
        endDeviceEvent();
        return;
    }
    if (!linkLost && m_bRemovalHandled) {
        m_bRemovalHandled = false;
        log(QStringLiteral("-----USB Status: removal already handled when the link was lost: ") + path);
        endDeviceEvent();
        return;
    }
    m_bRemovalHandled = linkLost;
    log(QStringLiteral("-----USB Status: 已检测到USB设备拔出"));
    ui->label_ConnectStatus_02->setText(QStringLiteral("Hid 01 hid output begin ---***>>> 01"));
    after(300, [this, path, linkLost]() {
        if (linkLost) {
            handleHidRemove();
            // Plugged back in before the failing reads were noticed: the bus
            // has already told, and its arrival was taken for the old link.
            // A search finds it again; it finds nothing if it is really gone.
            pushDeviceEvent(DeviceEventKind::Arrival, path);
            return;
        }
        if (!m_bConnected) {
            handleHidRemove();
            return;
        }
        // Both ids are all a removal says: another keyboard of the same
        // platform going must not end the test of the one still plugged in.
        auto present = std::make_shared<bool>(false);
        offGuiThread([link = m_hidInterFace, present]() { *present = link->isHidPathPresent(); },
                     [this, path, present]() {
                         if (*present) {
                             log(QStringLiteral("-----USB Status: the keyboard under test is still present, "
                                                "removal ignored: ") +
                                 path);
                             ui->label_ConnectStatus_02->setText(QStringLiteral("Hid hid output end ---*>>> 02"));
                             endDeviceEvent();
                             return;
                         }
                         handleHidRemove();
                     });
    });
}

void mainPageDia::handleHidRemove()
{
    clearDeviceInfoLabels();
    setConnectStatus(QT_TR_NOOP("Disconnect"), false);
    on_toolButton_StopTest_clicked();
    m_workflow.deviceRemoved();
    showControls();
    m_movie->stop();
    ui->label_484MagneticCalibrationStatus->hide();
    closeUSB_HidDevice();
}

void mainPageDia::closeUSB_HidDevice()
{
    // Cleared here, before the close task: the GUI thread is the one that reads it.
    m_bConnected = false;
    m_workflow.setConnected(false);
    // Set for this removal alone: it was found by the failing reads.
    endUnitRecord(m_bRemovalHandled ? UnitEnd::LinkLost : UnitEnd::Removal);
    offGuiThread([link = m_hidInterFace]() { link->closeHid(); },
                 [this]() {
                     // Whatever the old keyboard was still owed is not for the next one.
                     m_hidInterFace->clearWriteQueue();
                     ++m_disconnectNum;
                     ui->label_DisconNum->setText(QString::number(m_disconnectNum));
                     m_movie->stop();
                     ui->label_ProductionTesting->hide();
                     ui->label_ConnectStatus_02->setText(QStringLiteral("Hid hid output end ---*>>> 02"));
                     endDeviceEvent();
                 });
}

void mainPageDia::openUSB_HidDevice()
{
    if (m_hidInterFace->hidOpenPath() != 0) {
        log(QStringLiteral("---------- *** --------------- [Already] openUSB_HidDevice Failed --------------- *** "
                           "----------"));
        // A failed reopen leaves no open link behind: not connected.
        m_bConnected = false;
        m_workflow.setConnected(false);
        setConnectStatus(QT_TR_NOOP("Connect failed"), false);
        clearDeviceInfoLabels();
        return;
    }
    log(QStringLiteral(
        "---------- *** --------------- [Already] openUSB_HidDevice successful --------------- *** ----------"));
    m_bConnected = true;
    m_bRemovalHandled = false;
    m_workflow.setConnected(true);
    m_hidInterFace->start(QThread::InheritPriority);
    setConnectStatus(QT_TR_NOOP("Connect success"), true);
    startUnitRecord();
    on_toolButton_LEDOpenOrClose_clicked();

    sendReplies(m_answers.linkOpened(steadyMs()));
}

void mainPageDia::onSendSetKeyboardColorData()
{
    log(QStringLiteral(
        "------------------------ *** Keyboard onSendSetKeyboardColorData *** ------------------------"));
    LightSetting setting;
    setting.ledOn = m_ledOn;
    setting.ledColorCount = m_ledColorCount;
    setting.ledColors = m_ledColors;
    const HidReport report = buildLedReport(setting);
    // Light off goes out at once: it is the last word to a keyboard that is
    // about to be closed, and must not wait behind the worker's queue.
    const int result = m_workflow.currentTestType() == kLightOff ? m_hidInterFace->writeDataNow(report.data())
                                                                 : m_hidInterFace->queueWriteData(report.data());
    if (result < 0)
        log(QStringLiteral("USB serial port [Write Led] Failed ..."));
    else
        log(QStringLiteral("USB serial port [Write Led] Successful ... ledTypeNum:%1").arg(m_ledColorCount));
}

bool mainPageDia::queueReport(const std::uint8_t *report, const char *failedLine, const char *successLine)
{
    const bool queued = m_hidInterFace->queueWriteData(report) >= 0;
    log(QString::fromLatin1(queued ? successLine : failedLine));
    return queued;
}

void mainPageDia::setConnectStatus(const char *sourceText, bool ok)
{
    m_connectStatusText = sourceText;
    m_bConnectStatusOk = ok;
    ui->label_ConnectStatus->setStyleSheet(QLatin1String(ok ? kConnectStatusGreen : kConnectStatusRed));
    ui->label_ConnectStatus->setText(tr(sourceText));
}

void mainPageDia::clearDeviceInfoLabels()
{
    // Forgotten with the labels, so a language switch cannot bring back the
    // identity of a keyboard that is no longer connected.
    m_strModel.clear();
    m_strVersion.clear();
    showDeviceInfoLabels();
}

void mainPageDia::showDeviceInfoLabels()
{
    if (m_strVersion.isEmpty()) {
        for (QLabel *label : {ui->label_Manufacturer, ui->label_Product, ui->label_Model, ui->label_Version})
            label->setText(QLatin1String(kNoDeviceInfo));
        return;
    }
    ui->label_Manufacturer->setText(m_hidInterFace->getManufacturer());
    ui->label_Product->setText(m_hidInterFace->getProduct());
    ui->label_Model->setText(m_strModel);
    ui->label_Version->setText(m_strVersion);
}

void mainPageDia::showMagneticStatusForIds(const QString &vidText, const QString &pidText)
{
    if (!deviceTable::isMagneticPlatform(vidText, pidText)) {
        ui->label_484MagneticCalibrationStatus->hide();
        return;
    }
    ui->label_484MagneticCalibrationStatus->setStyleSheet(QString::fromUtf8(kMagneticStatusGreen));
    ui->label_484MagneticCalibrationStatus->show();
    ui->label_484MagneticCalibrationStatus->setText(QStringLiteral("Default"));
}

void mainPageDia::showIdsFromSettings(QString *vidText, QString *pidText)
{
    if (!userSettings::hasIds(*m_settings)) {
        *vidText = ui->lineEdit_Vid->text();
        *pidText = ui->lineEdit_Pid->text();
        userSettings::writeIds(*m_settings, *vidText, *pidText);
        return;
    }
    *vidText = userSettings::storedVidText(*m_settings);
    *pidText = userSettings::storedPidText(*m_settings);
    ui->lineEdit_Vid->setText(*vidText);
    ui->lineEdit_Pid->setText(*pidText);
}

void mainPageDia::showControls()
{
    const ControlStates &c = m_workflow.controls();
    ui->toolButton_StartTest->setEnabled(c.startTest);
    ui->toolButton_StopTest->setEnabled(c.stopTest);
    ui->pushBut_IRKeyTest->setEnabled(c.irKeyTest);
    for (QAbstractButton *button : m_colourGroup->buttons())
        button->setEnabled(c.colourButtons);
    ui->toolButton_LEDOpenOrClose->setIcon(
        QIcon(c.ledTestOpen ? QStringLiteral(":/images/TestOpen.png") : QStringLiteral(":/images/TestClose.png")));
    ui->label_ProductionTesting->setVisible(c.productionShown);
    if (c.standardTestChecked)
        ui->radioButton_StandardTest->setChecked(true);
}

void mainPageDia::startUnitRecord()
{
    UnitIdentity identity;
    identity.station = QSysInfo::machineHostName().toStdString();
    identity.toolVersion = toolVersion::titleSuffix().trimmed().toStdString();
    identity.vid = std::uint16_t(m_strVid.toUInt(nullptr, 16));
    identity.pid = std::uint16_t(m_strPid.toUInt(nullptr, 16));
    identity.manufacturer = m_hidInterFace->getManufacturer().toStdString();
    identity.product = m_hidInterFace->getProduct().toStdString();
    identity.model = m_strModel.toStdString();
    identity.version = m_strVersion.toStdString();
    identity.linkPath = m_hidInterFace->getHidPath().toStdString();
    identity.serial = m_verdictBar->serial().toStdString();
    identity.operatorName = m_stationTools->operatorName().toStdString();
    m_unitRecorder.unitStarted(identity, QDateTime::currentMSecsSinceEpoch(), isMagneticPlatform());
    m_verdictBar->setUnitConnected(true);
    showVerdict();
}

void mainPageDia::recordVariantKeys(int keyboardLanguageSelIndex)
{
    std::map<int, std::string> names;
    for (int qtDec : m_keyboardPage->keyQtDecs())
        names[qtDec] = m_keyboardPage->keyButton(qtDec)->keyText().toStdString();
    m_unitRecorder.setKeyNames(std::move(names));
    m_unitRecorder.setVariantKeys(wantedKeysForVariant(m_keyboardPage->keyQtDecs(), keyboardLanguageSelIndex));
}

void mainPageDia::endUnitRecord(UnitEnd how)
{
    if (std::optional<UnitRecord> record = m_unitRecorder.unitEnded(how, QDateTime::currentMSecsSinceEpoch())) {
        log(QStringLiteral("---------- *** unit %1 ended: %2 *** ----------")
                .arg(QString::fromStdString(record->unitId), QLatin1String(outcomeName(record->outcome))));
        m_resultStore->save(std::move(*record));
    }
    m_keyboardPage->clearFailedKeys();
    m_verdictBar->setUnitConnected(false);
    showVerdict();
}

void mainPageDia::showVerdict(bool force)
{
    const UnitVerdict *verdict = m_unitRecorder.running() ? &m_unitRecorder.verdict() : nullptr;
    const UnitRecorder &recorder = m_unitRecorder;
    const KeyNamer keyName = [&recorder](int qtDec) { return recorder.keyName(qtDec); };
    // The verdict of a connected unit never changes without a word in the log.
    if (m_verdictBar->showVerdict(verdict, keyName, force) && verdict)
        log(QString::fromStdString(verdictLogLine(*verdict, keyName)));
}

void mainPageDia::startKeyTestUnlessSerialWaits()
{
    if (m_bConnected || !m_verdictBar->asksForSerial()) {
        on_toolButton_StartTest_clicked();
        return;
    }
    log(QStringLiteral("--------------- key test waits for a keyboard: the serial field takes the keys "
                       "-----------------"));
}

bool mainPageDia::isMagneticPlatform() const
{
    return deviceTable::isMagneticShortIds(m_strVid, m_strPid);
}
