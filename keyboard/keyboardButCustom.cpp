#include "keyboardButCustom.h"

#include "keyButtonLook.h"

#include <QIcon>

using namespace keyButtonLook;

namespace {

// Loaded once: the indicators are refreshed on every lock key event and every reset.
const QIcon &lockOnIcon()
{
    static const QIcon icon(QStringLiteral(":/images/StatusOpen.png"));
    return icon;
}

const QIcon &lockOffIcon()
{
    static const QIcon icon(QStringLiteral(":/images/StatusClose.png"));
    return icon;
}

} // namespace

keyboardButCustom::keyboardButCustom(QWidget *parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setStyleSheet(stateStyleSheet(KeyState_Untested));
}

void keyboardButCustom::setKeyInfo(int qtDec, const QString &keyText)
{
    m_qtDec = qtDec;
    m_keyText = keyText;

    if (!glyphFor(qtDec).isNull()) {
        setIconText(qtDec);
    } else if (qtDec == 2350) {
        setText(tr("Chinese"));
    } else if (qtDec == 2360) {
        setText(tr("Korean/English"));
    } else {
        if (isLockIndicator(qtDec)) {
            setIcon(lockOffIcon());
            setIconSize(QSize(15, 15));
            setStyleSheet(lockIndicatorStyleSheet());
        }
        setText(keyText);
    }
}

void keyboardButCustom::setIconText(int qtDec)
{
    const QChar glyph = glyphFor(qtDec);
    if (!glyph.isNull())
        setText(QString(glyph));
}

void keyboardButCustom::setKeyState(int state)
{
    if (isLockIndicator(m_qtDec)) {
        setIcon(lockOffIcon());
        return;
    }
    const QString sheet = stateStyleSheet(state);
    if (sheet.isNull())
        return;
    // Re-polishing is the dearest part of a state change, and a reset or a device
    // result gives most keys the colour they already have.
    if (sheet != styleSheet())
        setStyleSheet(sheet);
    if (state == KeyState_Down)
        m_alreadyPressed = true;
    else if (state == KeyState_Untested)
        m_alreadyPressed = false;
}

void keyboardButCustom::setLockStatus(int status)
{
    setIcon(status == 1 ? lockOnIcon() : lockOffIcon());
}

void keyboardButCustom::showHeat(int count, int mostOfAnyKey)
{
    if (isLockIndicator(m_qtDec))
        return;
    setStyleSheet(heatStyleSheet(count, mostOfAnyKey));
    const QString label = glyphFor(m_qtDec).isNull() ? m_keyText : QString(glyphFor(m_qtDec));
    setText(count > 0 ? label + QLatin1Char('\n') + QString::number(count) : label);
}

bool keyboardButCustom::isAlreadyPressed() const
{
    return m_alreadyPressed;
}
