#pragma once

#include "answerHandler.h"
#include "deviceEventQueue.h"
#include "hookTargets.h"
#include "testWorkflow.h"
#include "unitRecorder.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

class DevicePresence;
class MainHidInterFace;
class QButtonGroup;
class ResultStore;
class StationTools;
class QCloseEvent;
class QMovie;
class QSettings;
class QTimer;
class QTranslator;
class VerdictBar;
class keyboardPage;

namespace Ui {
class mainPageDia;
}

// The tool's only window and its hub: hosts the on-screen keyboard, owns the
// link to the keyboard's firmware, keeps the per-user settings file, and holds
// every slot through which the rest of the tool acts on the screen.
class mainPageDia : public QDialog, public HookTarget
{
    Q_OBJECT

public:
    explicit mainPageDia(QWidget *parent = nullptr);
    ~mainPageDia() override;

    // Switches the interface language and re-translates the window, keeping
    // what the re-translation would reset. With no catalogue for `language`
    // the window keeps the texts it shows.
    void init(QString language);

    // One key event the capture accepted: the operator chords, then the page.
    void handleHookKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags,
                            bool ctrlDown) override;

    // System-wide key capture for the key test; true when it is in place.
    bool installHooks();
    // Always true; capture is gone afterwards, whatever part of it was there.
    bool removeHooks();
    // Ctrl+Space: every key untested, count 0, lock indicators as the system has them.
    void clearAllKeys();

public slots:
    void onAlreadyPressedKeyNum(int alreadyPressedKeyNum);
    void onCurIndexSelectWithKeyboardLanguage(int keyboardLanguageSelIndex);
    void onKeyboardAlreadyLoadAndUpdeUI();
    void onCatchKeyboardAndMouseEvent(int vkCode, int keyFlags, int scCode);
    void onGetHidListSuccessful();
    void onOpenHidSuccessful();
    void onCloseHidSuccessful();
    void onShakeHandsRuning();
    void onHidDataArrived(unsigned char *data, int length);
    void onCurIndexChangedMainPage(int testType);
    int getSpecalKeyDec(int keyDec);
    void onLickActivited(QString link);
    void on_radioButton_English_clicked();
    void on_radioButton_ChineseSM_clicked();
    void on_radioButton_StandardTest_clicked();
    void on_radioButton_IrTest_clicked();
    void on_toolButton_StartTest_clicked();
    void on_toolButton_StopTest_clicked();
    void on_toolButton_LEDOpenOrClose_clicked();
    void on_pushBut_IRKeyTest_clicked();
    void on_pushButton_ResetKeyboard_clicked();
    void onComboxCurrentIndexChanged(QString strCurrentVidPidText);

protected:
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void registerDeviceNotify();
    // Light off while the keyboard still listens, then the link closed.
    void shutDownLink();
    void openUSB_HidDevice();
    void closeUSB_HidDevice();

    // Device events, one sequence at a time (deviceEventQueue.h); each ends in endDeviceEvent.
    void pushDeviceEvent(DeviceEventKind kind, const QString &text);
    void runDeviceEvent(const DeviceEvent &event);
    void endDeviceEvent();
    void runArrival(const QString &path);
    void handleHidInsert();
    void runRemoval(const QString &path, bool linkLost);
    void handleHidRemove();
    void runSelection(const QString &strCurrentVidPidText);
    // Waits without blocking the GUI thread (capture must keep answering the system), then goes on
    // unless the window is closing by then.
    void after(int ms, std::function<void()> next);
    // Runs work on the thread pool and goes on with next on the GUI thread when it has ended.
    void offGuiThread(std::function<void()> work, std::function<void()> next);
    // Blocks until the pool work still running has ended; what it wrote is then the GUI thread's.
    void waitForPoolWork();

    // The controls as the workflow says they are now.
    void showControls();
    void showCalibrationStatus(bool calibrated);
    // Reports that answer the keyboard, each with its log line.
    void sendReplies(const std::vector<AnswerReply> &replies);
    // The unit record: the keyboard's identity as connected, the variant's keys, and the record kept at the end.
    void startUnitRecord();
    void recordVariantKeys(int keyboardLanguageSelIndex);
    void endUnitRecord(UnitEnd how);
    // The unit's verdict on the bar when it changed (or always, after a
    // language switch), one log line per change of state.
    void showVerdict(bool force = false);
    // With serial labels asked for, the key test waits for the unit, so the
    // keys of a scanner reach the serial field until a keyboard is connected.
    void startKeyTestUnlessSerialWaits();
    // The light colour choice once the workflow allowed it: stored, filled in and sent.
    void applyLightChange(const LightChange &change);
    void onSendSetKeyboardColorData();
    // Reports that go through the link's queue: log the command's outcome line.
    bool queueReport(const std::uint8_t *report, const char *failedLine, const char *successLine);

    // sourceText: an untranslated status text of this window's catalogue context.
    void setConnectStatus(const char *sourceText, bool ok);
    void clearDeviceInfoLabels();
    void showDeviceInfoLabels();
    void showMagneticStatusForIds(const QString &vidText, const QString &pidText);
    // Shows the stored ids (storing the shown ones when the file has none) and gives them back.
    void showIdsFromSettings(QString *vidText, QString *pidText);
    // Ctrl+Left (-1) / Ctrl+Right (+1): the next light colour type, only while the light test is open.
    void stepCurrentLedType(int direction);
    bool isMagneticPlatform() const;

    Ui::mainPageDia *ui;
    MainHidInterFace *m_hidInterFace = nullptr;
    DevicePresence *m_presence = nullptr;
    keyboardPage *m_keyboardPage = nullptr;
    QSettings *m_settings = nullptr;
    QString m_strConfigFile;
    // Our one installed translator, replaced on every language switch.
    QTranslator *m_translator = nullptr;
    QMovie *m_movie = nullptr;
    QTimer *m_shakeHandsTimer = nullptr;
    QButtonGroup *m_colourGroup = nullptr;

    bool m_bConnected = false;
    // Light test, IR/HE mode and production run: the workflow's state and rules.
    TestWorkflow m_workflow;
    DeviceEventQueue m_deviceEvents;
    // Pool work still running; the window waits for it before the link goes.
    QList<QFutureWatcher<void> *> m_pending;
    // Counts pool work that has ended: released by the work, acquired before
    // the GUI thread reads what it wrote (a result, the link's state) or
    // deletes what it used. Qt's future orders the two as well, but through
    // its own locking, which ThreadSanitizer cannot see in Debian's Qt; this
    // is a hand-over of ours that it checks.
    std::atomic<unsigned> m_poolWorkEnded{0};
    bool m_bClosing = false;
    // Only the enumeration that the running sequence started may connect.
    bool m_bAcceptHidList = false;
    // The link was found lost by its reads; the bus's own removal of the same
    // keyboard is still to come and must not count a second time.
    bool m_bRemovalHandled = false;
    QString m_strVid;
    QString m_strPid;
    QString m_strModel;
    QString m_strVersion;
    int m_alreadyPressedKeyNum = 0;
    int m_ledOn = 1;
    int m_ledColorCount = 1;
    std::array<int, 9> m_ledColors{{255, 0, 0, 0, 255, 0, 0, 0, 255}};
    QString m_strUrl;

    // The connection status as last set, so a language refresh can show it again.
    const char *m_connectStatusText = "Default";
    bool m_bConnectStatusOk = true;
    int m_connectNum = 0;
    int m_disconnectNum = 0;
    UnitRecorder m_unitRecorder;
    // The firmware's answers: the echoes, the key matrix, what the recorder is told.
    AnswerHandler m_answers{m_unitRecorder};
    ResultStore *m_resultStore = nullptr;
    VerdictBar *m_verdictBar = nullptr;
    StationTools *m_stationTools = nullptr;
};
