#include "mainPageDia.h"

#include "deviceNotify.h"
#include "deviceTable.h"
#include "hidReport.h"
#include "hookChords.h"
#include "hookLog.h"
#include "keyCapture.h"
#include "keyboardPage.h"
#include "mainHidInterFace.h"
#include "translationSwitch.h"
#include "ui_mainPageDia.h"
#include "userSettings.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QIcon>
#include <QMovie>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

namespace {

const char kNoDeviceInfo[] = "-----------";
const char kMakerUrl[] = "https://www.example.com";
const char kVersionSuffix[] = " V1.01.08";

const char kConnectStatusGreen[] = "QLabel#label_ConnectStatus{color: rgb(0, 150, 0);}";
const char kConnectStatusRed[] = "QLabel#label_ConnectStatus{color: rgb(210, 0, 0);}";
const char kMagneticStatusGreen[] =
    "QLabel#label_484MagneticCalibrationStatus{color: rgb(9, 155, 9); font: 75 16pt \"Microsoft YaHei\";}";

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

    registerDeviceNotify();

    m_colourGroup = new QButtonGroup(this);
    QAbstractButton *const colourButtons[] = {ui->radioButton_RGB, ui->radioButton_R, ui->radioButton_G,
                                              ui->radioButton_B, ui->radioButton_W};
    for (int id = 0; id < 5; ++id) {
        colourButtons[id]->setEnabled(false);
        m_colourGroup->addButton(colourButtons[id], id);
    }
    connect(m_colourGroup, &QButtonGroup::idClicked, this, &mainPageDia::onCurIndexChangedMainPage);

    m_keyboardPage = new keyboardPage(ui->frame_Keyboard);
    ui->frame_Keyboard->layout()->addWidget(m_keyboardPage);
    // Order matters: the variant must be in force before the test starts.
    connect(m_keyboardPage, &keyboardPage::sigKeyboardAlreadyLoad, this, &mainPageDia::onKeyboardAlreadyLoadAndUpdeUI);
    connect(m_keyboardPage, &keyboardPage::sigKeyboardAlreadyLoad, this, &mainPageDia::on_toolButton_StartTest_clicked);
    connect(m_keyboardPage, &keyboardPage::sigAlreadyPressedKeyNum, this, &mainPageDia::onAlreadyPressedKeyNum);
    connect(m_keyboardPage, &keyboardPage::sigCurIndexSelectWithKeyboardLanguage, this,
            &mainPageDia::onCurIndexSelectWithKeyboardLanguage);

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

    m_shakeHandsTimer = new QTimer(this);
    connect(m_shakeHandsTimer, &QTimer::timeout, this, &mainPageDia::onShakeHandsRuning);

    m_hidInterFace = new MainHidInterFace;
    connect(m_hidInterFace, &MainHidInterFace::sigGetHidListSuccessful, this, &mainPageDia::onGetHidListSuccessful);
    connect(m_hidInterFace, &MainHidInterFace::sigOpenHidSuccessful, this, &mainPageDia::onOpenHidSuccessful);
    connect(m_hidInterFace, &MainHidInterFace::sigCloseHidSuccessful, this, &mainPageDia::onCloseHidSuccessful);
    connect(m_hidInterFace, &MainHidInterFace::sigHidDataArrived, this, &mainPageDia::onHidDataArrived);

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

    m_hidInterFace->setVidPid(deviceTable::idFromText(vidText), deviceTable::idFromText(pidText));
    m_hidInterFace->getHidList();
}

mainPageDia::~mainPageDia()
{
    // A window that goes without a close (the program ended otherwise) must not
    // leave the desktop's keyboard captured with nobody to show or end it.
    removeHooks();
    removeHookTarget(HookTargetKey, this);
    // The link's worker must not outlive the receiver of its reports.
    disconnect(m_hidInterFace, nullptr, this, nullptr);
    m_hidInterFace->closeHid();
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
    setWindowTitle(tr("Tavrin Keyboard Test") + QLatin1String(kVersionSuffix));
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
    return keyCapture::installHooks();
}

bool mainPageDia::removeHooks()
{
    return keyCapture::removeHooks();
}

void mainPageDia::clearAllKeys()
{
    m_keyboardPage->clearAllKeyState();
    m_keyboardPage->resetAlreadyPressedKeyNum();
    // Through the slot, so a language refresh shows 0 as well.
    onAlreadyPressedKeyNum(0);
    for (int vkCode : kLockKeys)
        m_keyboardPage->updateLockKeyStatus(vkCode);
}

void mainPageDia::stepCurrentLedType(int direction)
{
    const LedTypeStep step = ::stepLedType(m_CurrentLedType, direction, m_bLedTestOpen);
    if (!step.applied)
        return;
    m_CurrentLedType = step.ledType;
    log(QString::fromStdString(step.logLine));
    // Checked from code, the group emits no click, so the change below is the
    // only report a step sends.
    if (QAbstractButton *button = m_colourGroup->button(m_CurrentLedType - 1))
        button->setChecked(true);
    onCurIndexChangedMainPage(m_CurrentLedType - 1);
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
    m_keyboardPage->clearAllKeyState();
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
}

void mainPageDia::onHidDataArrived(unsigned char *data, int length)
{
    Q_UNUSED(length);
    // The buffer is ours from the moment the link emitted it, whatever it holds.
    delete[] data;
}

void mainPageDia::onCurIndexChangedMainPage(int testType)
{
    if (!m_bConnected)
        return;
    m_currentTestType = testType;
    log(QStringLiteral(
            "------------------------ *** onCurIndexChangedMainPage *** ------------------------ testType:") +
        QString::number(testType));
    if (testType != 99)
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
    if (isMagneticPlatform()) {
        m_movie->stop();
        ui->label_ProductionTesting->hide();
        const HidReport leave = buildMagneticReport(true);
        queueReport(leave.data(), "USB serial port [Check keyboard Magnetic -> Exit] Failed ...",
                    "USB serial port [Check keyboard Magnetic -> Exit] Successful ...");
    }
    m_bIrTest = false;
    ui->pushBut_IRKeyTest->setEnabled(false);
    ui->radioButton_StandardTest->setFocus();

    m_keyboardPage->clearAllKeyState();
    on_toolButton_StartTest_clicked();
    ui->toolButton_StopTest->setEnabled(true);
}

void mainPageDia::on_radioButton_IrTest_clicked()
{
    m_bIrTest = true;
    if (!m_bConnected)
        return;
    ui->pushBut_IRKeyTest->setEnabled(true);
    on_toolButton_StopTest_clicked();
    ui->toolButton_StartTest->setEnabled(false);
    ui->toolButton_StopTest->setEnabled(false);
}

void mainPageDia::on_toolButton_StartTest_clicked()
{
    m_keyboardPage->retranslateKeyText();
    ui->toolButton_StartTest->setEnabled(false);
    ui->toolButton_StopTest->setEnabled(true);
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
    ui->toolButton_StartTest->setEnabled(true);
    ui->toolButton_StopTest->setEnabled(false);
    log(QStringLiteral("--------------- [toolButton_Stop Test] stop -----------------"));
    removeHooks();
    log(QStringLiteral("--------------- [toolButton_Stop Test] stop over -----------------"));
    m_keyboardPage->clearAllKeyState();
    m_keyboardPage->resetAlreadyPressedKeyNum();
    onAlreadyPressedKeyNum(0);
}

void mainPageDia::on_toolButton_LEDOpenOrClose_clicked()
{
    if (m_bLedTestOpen) {
        setColourButtonsEnabled(false);
        ui->toolButton_LEDOpenOrClose->setIcon(QIcon(QStringLiteral(":/images/TestClose.png")));
        m_bLedTestOpen = false;
        onCurIndexChangedMainPage(99);
        return;
    }
    setColourButtonsEnabled(true);
    ui->toolButton_LEDOpenOrClose->setIcon(QIcon(QStringLiteral(":/images/TestOpen.png")));
    m_bLedTestOpen = true;
    const int testType = userSettings::storedTestType(*m_settings);
    if (QAbstractButton *button = m_colourGroup->button(testType))
        button->setChecked(true);
    onCurIndexChangedMainPage(testType);
}

void mainPageDia::onComboxCurrentIndexChanged(QString strCurrentVidPidText)
{
    log(QStringLiteral("------------------- strCurrentVidPidText:") + strCurrentVidPidText);
    QString vidText;
    QString pidText;
    deviceTable::splitEntryText(strCurrentVidPidText, &vidText, &pidText);
    if (pidText.isEmpty()) {
        // Only list entries name a device; anything else would store ids no
        // keyboard has and drop the link to the current one.
        log(QStringLiteral("------------------- not a device entry, ignored"));
        return;
    }

    ui->lineEdit_Vid->setText(vidText);
    ui->lineEdit_Pid->setText(pidText);
    setConnectStatus(QT_TR_NOOP("Default"), true);
    m_layoutRowNum = 0;
    showMagneticStatusForIds(vidText, pidText);

    m_keyboardPage->clearAllKeyState();
    m_keyboardPage->resetAlreadyPressedKeyNum();
    onAlreadyPressedKeyNum(0);
    for (int vkCode : kLockKeys)
        m_keyboardPage->updateLockKeyStatus(vkCode);

    // Taking the closing branch: the light-off report reaches the old keyboard
    // while the link is still open.
    m_bLedTestOpen = true;
    on_toolButton_LEDOpenOrClose_clicked();

    m_bConnected = false;
    m_hidInterFace->closeHid();

    setConnectStatus(QT_TR_NOOP("Default"), true);
    clearDeviceInfoLabels();

    QThread::msleep(100);

    m_strVid = deviceTable::shortId(vidText);
    m_strPid = deviceTable::shortId(pidText);
    m_hidInterFace->setVidPid(deviceTable::idFromText(vidText), deviceTable::idFromText(pidText));
    m_hidInterFace->getHidList();

    ui->lineEdit_Vid->setEnabled(false);
    ui->lineEdit_Pid->setEnabled(false);
    userSettings::writeIds(*m_settings, vidText, pidText);

    if (m_bIrTest) {
        on_radioButton_StandardTest_clicked();
        ui->radioButton_StandardTest->setChecked(true);
    }
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
    if (m_bLedTestOpen)
        onCurIndexChangedMainPage(99);
    m_bConnected = false;
    m_hidInterFace->closeHid();
}

void mainPageDia::registerDeviceNotify()
{
    if (!deviceNotify::needsWindowHandle())
        return;
    for (unsigned long error : deviceNotify::registerDeviceNotify(std::uintptr_t(winId())))
        log(QStringLiteral("注册失败！ GetLastError:") + QString::number(error) + QLatin1Char('\n'));
}

void mainPageDia::openUSB_HidDevice()
{
    if (m_hidInterFace->hidOpenPath() != 0) {
        log(QStringLiteral("---------- *** --------------- [Already] openUSB_HidDevice Failed --------------- *** "
                           "----------"));
        setConnectStatus(QT_TR_NOOP("Connect failed"), false);
        clearDeviceInfoLabels();
        return;
    }
    log(QStringLiteral(
        "---------- *** --------------- [Already] openUSB_HidDevice successful --------------- *** ----------"));
    m_bConnected = true;
    m_hidInterFace->start(QThread::InheritPriority);
    setConnectStatus(QT_TR_NOOP("Connect success"), true);
    on_toolButton_LEDOpenOrClose_clicked();

    if (m_keyboardLayout[0][0] == 0) {
        const HidReport query = buildGetLayoutReport();
        queueReport(query.data(), "USB serial port [Get keyboard layout] Failed ...",
                    "USB serial port [Get keyboard layout] Successful ...");
    }
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
    const int result = m_currentTestType == 99 ? m_hidInterFace->writeDataNow(report.data())
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

void mainPageDia::setColourButtonsEnabled(bool enabled)
{
    for (QAbstractButton *button : m_colourGroup->buttons())
        button->setEnabled(enabled);
}

bool mainPageDia::isMagneticPlatform() const
{
    return deviceTable::isMagneticShortIds(m_strVid, m_strPid);
}
