#pragma once

#include <QFont>
#include <QList>
#include <QMap>
#include <QRect>
#include <QSet>
#include <QString>
#include <QWidget>
#include <memory>

class QButtonGroup;
class QFrame;
class QLabel;
class QResizeEvent;
class keyboardButCustom;
class lockKeyState;

namespace Ui {
class keyboardPage;
}

// The on-screen keyboard: builds one key per layout record on its first resize,
// marks keys from captured key events and device reports, colours device
// results, draws the selected variant's absent keys black and counts the keys
// pressed since the last reset.
class keyboardPage : public QWidget
{
    Q_OBJECT

public:
    explicit keyboardPage(QWidget *parent = nullptr);
    ~keyboardPage() override;

    void loadKeyboardInfo();
    void parseKeyboardInfo(const char *text);
    void createKeyButton(int x, int y, int width, int height, int qtDec, int keyDec, const QString &keyText, int row);

    void handleKeyboardEvent(int vkCode, int keyFlags, int scCode);
    void updateLockKeyStatus(int vkCode);
    void markDeviceKey(int qtDec, int keyFlags);
    // A key found faulty during the key test (it chattered): red at once, and
    // red through its later presses, clears and device results, until
    // clearFailedKeys.
    void markKeyFailed(int qtDec);
    void clearFailedKeys();
    void clearAllKeyState();
    void showKeyDecListResult(const QList<int> &keyDecList, int resultType);
    void setNoSuchKeyList(const QList<int> &noSuchKeyList);
    void retranslateKeyText();
    void resetAlreadyPressedKeyNum();

    // The failures heat map: each key coloured by its count (by identity), the
    // count on it; the variants and their legend are not shown.
    void showKeyHeat(const QMap<int, int> &countByQtDec);

    // The empty band above the top row of keys, in page coordinates.
    static QRect bandAboveKeys();
    // The free end of the row of variants, right of their legend.
    static QRect bandBesideVariants();

    // The identities that keyboard variant `index` (0 US, 1 UK, 2 KR, 3 JP) lacks.
    static QList<int> noSuchKeyListForVariant(int index);

    // Replaces where the lock toggle states are read from (the system by default).
    void setLockKeyState(std::unique_ptr<lockKeyState> source);

    keyboardButCustom *keyButton(int qtDec) const { return m_qtDecButtonMap.value(qtDec, nullptr); }
    keyboardButCustom *keyButtonByKeyDec(int keyDec) const { return m_keyDecButtonMap.value(keyDec, nullptr); }
    // Identities of every key on the page, lock indicators included.
    QList<int> keyQtDecs() const { return m_qtDecButtonMap.keys(); }
    int pressedKeyNum() const { return m_pressedKeyNum; }

signals:
    void sigKeyboardAlreadyLoad();
    void sigAlreadyPressedKeyNum(int alreadyPressedKeyNum);
    // A key of the page went down (repeats of a held key included) or up, by its identity.
    void sigKeyEvent(int qtDec, bool pressed);
    void sigCurIndexSelectWithKeyboardLanguage(int keyboardLanguageSelIndex);

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Where loadKeyboardInfo looks for the layout file: beside the executable.
    virtual QString keyboardInfoPath() const;

private:
    void pressKey(keyboardButCustom *button, bool counted);
    void showFailedKeys();
    void placeLegend();

    Ui::keyboardPage *ui;
    QFrame *m_backdrop = nullptr;
    QFrame *m_variantSelector = nullptr;
    QButtonGroup *m_variantGroup = nullptr;
    QLabel *m_legendLabel = nullptr;
    QFont m_iconFont;

    QMap<int, keyboardButCustom *> m_qtDecButtonMap;
    QMap<int, keyboardButCustom *> m_keyDecButtonMap;
    QList<keyboardButCustom *> m_resultKeyList;
    QList<int> m_noSuchKeyList;
    QSet<int> m_failedKeys;
    int m_pressedKeyNum = 0;

    bool m_bFirstResizeDone = false;
    std::unique_ptr<lockKeyState> m_lockKeyState;
};
