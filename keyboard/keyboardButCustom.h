#pragma once

#include <QString>
#include <QToolButton>

// One key of the on-screen keyboard. Its background shows the key's test state;
// the lock indicators (-11..-14) show an on/off icon instead.
class keyboardButCustom : public QToolButton
{
    Q_OBJECT

public:
    explicit keyboardButCustom(QWidget *parent = nullptr);

    void setKeyInfo(int qtDec, const QString &keyText);
    void setIconText(int qtDec);
    void setKeyState(int state);
    void setLockStatus(int status);
    // A key of the failures heat map: coloured by count, with the count under
    // its label.
    void showHeat(int count, int mostOfAnyKey);
    bool isAlreadyPressed() const;

    int qtDec() const { return m_qtDec; }
    QString keyText() const { return m_keyText; }

private:
    int m_qtDec = 0;
    QString m_keyText;
    bool m_alreadyPressed = false;
};
