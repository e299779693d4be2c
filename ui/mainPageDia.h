#pragma once

#include "hookTargets.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class MainHidInterFace;
class QButtonGroup;
class QCloseEvent;
class QMovie;
class QSettings;
class QTimer;
class QTranslator;
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
    void onLickActivited(QString link);
    void on_radioButton_English_clicked();
    void on_radioButton_ChineseSM_clicked();
    void on_radioButton_StandardTest_clicked();
    void on_radioButton_IrTest_clicked();
    void on_toolButton_StartTest_clicked();
    void on_toolButton_StopTest_clicked();
    void on_toolButton_LEDOpenOrClose_clicked();
    void onComboxCurrentIndexChanged(QString strCurrentVidPidText);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void registerDeviceNotify();
    // Light off while the keyboard still listens, then the link closed.
    void shutDownLink();
    void openUSB_HidDevice();
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
    void setColourButtonsEnabled(bool enabled);
    // Ctrl+Left (-1) / Ctrl+Right (+1): the next light colour type, only while the light test is open.
    void stepCurrentLedType(int direction);
    bool isMagneticPlatform() const;

    Ui::mainPageDia *ui;
    MainHidInterFace *m_hidInterFace = nullptr;
    keyboardPage *m_keyboardPage = nullptr;
    QSettings *m_settings = nullptr;
    QString m_strConfigFile;
    // Our one installed translator, replaced on every language switch.
    QTranslator *m_translator = nullptr;
    QMovie *m_movie = nullptr;
    QTimer *m_shakeHandsTimer = nullptr;
    QButtonGroup *m_colourGroup = nullptr;

    bool m_bConnected = false;
    QString m_strVid;
    QString m_strPid;
    QString m_strModel;
    QString m_strVersion;
    int m_alreadyPressedKeyNum = 0;
    bool m_bLedTestOpen = false;
    int m_CurrentLedType = 1;
    bool m_bIrTest = false;
    int m_currentTestType = 0;
    int m_ledOn = 1;
    int m_ledColorCount = 1;
    std::array<int, 9> m_ledColors{{255, 0, 0, 0, 255, 0, 0, 0, 255}};
    QString m_strUrl;

    // The connection status as last set, so a language refresh can show it again.
    const char *m_connectStatusText = "Default";
    bool m_bConnectStatusOk = true;
    int m_connectNum = 0;
    int m_layoutRowNum = 0;
    int m_keyboardLayout[6][22] = {};
};
