#include "keyboardPage.h"
#include "ui_keyboardPage.h"

#include "keyButtonLook.h"
#include "keyEventTranslator.h"
#include "keyLayoutParser.h"
#include "keyboardButCustom.h"
#include "keyboardVariant.h"
#include "lockKeyState.h"
#include "programFiles.h"

#include <QButtonGroup>
#include <QDebug>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStringList>

#include <utility>

namespace {

const char kVariantSheet[] = "QRadioButton{ color: rgb(50, 50, 50); font: 85 12pt \"微软雅黑\"; }";
const char kLegendSheet[] = "QLabel{ color: rgb(50, 50, 50); font: 85 12pt \"微软雅黑\"; }";

// Registered once per process: every page (and every test page) shares the family.
QString iconFontFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/images/fontawesome-webfont.ttf"));
        const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty()) {
            qDebug() << "---------- icon font :/images/fontawesome-webfont.ttf not registered, keys keep the "
                        "default font ----------";
            return QString();
        }
        return families.first();
    }();
    return family;
}

} // namespace

keyboardPage::keyboardPage(QWidget *parent)
    : QWidget(parent), ui(new Ui::keyboardPage), m_lockKeyState(lockKeyState::createSystem())
{
    ui->setupUi(this);
    setStyleSheet(QStringLiteral("QFrame#frame{ border-radius:5px; background-color: rgb(208, 213, 219); }"));

    m_backdrop = new QFrame(this);
    m_backdrop->setObjectName(QStringLiteral("frame_KeyBackdrop"));
    m_backdrop->setStyleSheet(QStringLiteral("QFrame{ border-radius:0px; background-color: rgb(178, 182, 186); }"));

    m_variantSelector = new QFrame(this);
    m_variantSelector->setObjectName(QStringLiteral("frame_KeyboardVariant"));
    auto *variantLayout = new QHBoxLayout(m_variantSelector);
    m_variantGroup = new QButtonGroup(this);
    m_variantGroup->setExclusive(true);
    const char *const variantNames[] = {"US", "UK", "KR", "JP"};
    for (int id = 0; id < 4; ++id) {
        const QString name = QString::fromLatin1(variantNames[id]);
        auto *button = new QRadioButton(name, m_variantSelector);
        button->setObjectName(QStringLiteral("radioButton_") + name);
        button->setStyleSheet(QString::fromUtf8(kVariantSheet));
        variantLayout->addWidget(button);
        m_variantGroup->addButton(button, id);
    }
    m_variantGroup->button(0)->setChecked(true);
    // Every click emits, the one on the variant already selected too: that is how
    // the operator clears the keys without changing the variant.
    connect(m_variantGroup, &QButtonGroup::idClicked, this, &keyboardPage::sigCurIndexSelectWithKeyboardLanguage);

    m_legendLabel = new QLabel(tr("(Black means no such key)"), this);
    m_legendLabel->setObjectName(QStringLiteral("label_NoSuchKeyLegend"));
    m_legendLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_legendLabel->setStyleSheet(QString::fromUtf8(kLegendSheet));

    const QString family = iconFontFamily();
    if (!family.isEmpty())
        m_iconFont.setFamily(family);
    m_iconFont.setPointSize(16);
}

keyboardPage::~keyboardPage()
{
    delete ui;
}

QList<int> keyboardPage::noSuchKeyListForVariant(int index)
{
    return ::noSuchKeyListForVariant(index);
}

void keyboardPage::setLockKeyState(std::unique_ptr<lockKeyState> source)
{
    m_lockKeyState = std::move(source);
}

QString keyboardPage::keyboardInfoPath() const
{
    return programFiles::path(QStringLiteral("configDir/KeyInfo.config"));
}

QRect keyboardPage::bandAboveKeys()
{
    return QRect(9, 8, 983, 56);
}

QRect keyboardPage::bandBesideVariants()
{
    return QRect(640, 338, 350, 40);
}

void keyboardPage::showKeyHeat(const QMap<int, int> &countByQtDec)
{
    m_variantSelector->hide();
    m_legendLabel->hide();
    int most = 0;
    for (int count : countByQtDec)
        most = qMax(most, count);
    for (auto key = m_qtDecButtonMap.cbegin(); key != m_qtDecButtonMap.cend(); ++key)
        key.value()->showHeat(countByQtDec.value(key.key(), 0), most);
}

void keyboardPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_backdrop->setGeometry(9, 70, 983, 260);
    if (!m_bFirstResizeDone) {
        // Set first: building the keys must never trigger a second load.
        m_bFirstResizeDone = true;
        loadKeyboardInfo();
    }
    m_variantSelector->setGeometry(19, 333, 400, 50);
    placeLegend();
}

void keyboardPage::placeLegend()
{
    // 200 pixels hold the legend in the font it was laid out for; where that font
    // is missing, or in a longer translation, the label grows so no word is cut.
    m_legendLabel->setGeometry(420, 333, qMax(200, m_legendLabel->sizeHint().width()), 50);
}

void keyboardPage::loadKeyboardInfo()
{
    QByteArray text;
    if (!readKeyLayoutFile(keyboardInfoPath(), &text)) {
        qDebug() << "------------------------ loadKeyboardInfo => fp == NULL -------------------------";
        return;
    }
    parseKeyboardInfo(text.constData());
}

void keyboardPage::parseKeyboardInfo(const char *text)
{
    if (!text)
        return;
    const KeyLayout layout = parseKeyLayout(text);
    if (!layout.loaded)
        return;
    for (const KeyRecord &key : layout.keys)
        createKeyButton(key.x, key.y, key.width, key.height, key.qtDec, key.keyDec, key.label, key.row);
    emit sigKeyboardAlreadyLoad();
}

void keyboardPage::createKeyButton(int x, int y, int width, int height, int qtDec, int keyDec, const QString &keyText,
                                   int row)
{
    // The reader bounds what comes from the file; a direct caller gets the same
    // bounds, so no call makes a widget of unbounded size.
    const int limit = keyLayoutLimits::maxCoordinate;
    x = qBound(-limit, x, limit);
    y = qBound(-limit, y, limit);
    width = qBound(0, width, limit);
    height = qBound(0, height, limit);

    auto *button = new keyboardButCustom(this);
    button->setFont(m_iconFont);
    button->setFixedSize(width, height);
    button->setGeometry(x, y, width, height);
    button->setKeyInfo(qtDec, keyText);
    m_qtDecButtonMap.insert(qtDec, button);
    m_keyDecButtonMap.insert(keyDec, button);
    if (row != 0)
        m_resultKeyList.append(button);
    // Keys are normally built before the page is first shown and appear with it;
    // one added to a page already on screen has to be shown by hand.
    if (isVisible())
        button->show();
}

void keyboardPage::pressKey(keyboardButCustom *button, bool counted)
{
    // An indicator never becomes "already pressed", so counting it would add one
    // on every event.
    if (counted && !button->isAlreadyPressed() && !keyButtonLook::isLockIndicator(button->qtDec()))
        ++m_pressedKeyNum;
    button->setKeyState(keyButtonLook::KeyState_Down);
}

void keyboardPage::handleKeyboardEvent(int vkCode, int keyFlags, int scCode)
{
    const KeyEventAction action = translateKeyEvent(vkCode, keyFlags, scCode, m_qtDecButtonMap.contains(vkCode));
    if (action.logScanCode)
        qDebug() << "----------------------------------------vkCode 255 -> scCode:" << scCode;

    if (keyboardButCustom *button = action.kind == KeyEventAction::None ? nullptr : keyButton(action.qtDec)) {
        // A failed key keeps its red; it was pressed before it failed, so the
        // count has it already.
        if (!m_failedKeys.contains(action.qtDec)) {
            switch (action.kind) {
            case KeyEventAction::Press:
                pressKey(button, true);
                break;
            case KeyEventAction::PressUncounted:
                pressKey(button, false);
                break;
            case KeyEventAction::Release:
                button->setKeyState(keyButtonLook::KeyState_Released);
                break;
            case KeyEventAction::None:
                break;
            }
        }
        emit sigKeyEvent(action.qtDec, action.kind != KeyEventAction::Release);
    }
    if (action.lockVkCode != 0)
        updateLockKeyStatus(action.lockVkCode);
    emit sigAlreadyPressedKeyNum(m_pressedKeyNum);
}

void keyboardPage::updateLockKeyStatus(int vkCode)
{
    const int indicator = lockIndicatorForVkCode(vkCode);
    if (indicator == 0)
        return;
    keyboardButCustom *button = keyButton(indicator);
    if (!button)
        return;
    const bool on = m_lockKeyState && m_lockKeyState->isToggled(vkCode);
    button->setLockStatus(on ? 1 : 0);
}

void keyboardPage::markDeviceKey(int qtDec, int keyFlags)
{
    if (keyboardButCustom *button = keyButton(qtDec)) {
        if (keyFlags != 0)
            button->setKeyState(keyButtonLook::KeyState_Released);
        else
            pressKey(button, true);
    }
    emit sigAlreadyPressedKeyNum(m_pressedKeyNum);
}

void keyboardPage::markKeyFailed(int qtDec)
{
    if (keyboardButCustom *button = keyButton(qtDec)) {
        m_failedKeys.insert(qtDec);
        button->setKeyState(keyButtonLook::KeyState_Fail);
    }
}

void keyboardPage::clearFailedKeys()
{
    const QSet<int> failed = std::exchange(m_failedKeys, QSet<int>());
    for (int qtDec : failed) {
        if (keyboardButCustom *button = keyButton(qtDec))
            button->setKeyState(m_noSuchKeyList.contains(qtDec) ? keyButtonLook::KeyState_NoSuchKey
                                                                : keyButtonLook::KeyState_Untested);
    }
}

void keyboardPage::showFailedKeys()
{
    for (int qtDec : qAsConst(m_failedKeys)) {
        if (keyboardButCustom *button = keyButton(qtDec))
            button->setKeyState(keyButtonLook::KeyState_Fail);
    }
}

void keyboardPage::clearAllKeyState()
{
    for (keyboardButCustom *button : qAsConst(m_qtDecButtonMap))
        button->setKeyState(keyButtonLook::KeyState_Untested);
    for (int qtDec : qAsConst(m_noSuchKeyList)) {
        if (keyboardButCustom *button = keyButton(qtDec))
            button->setKeyState(keyButtonLook::KeyState_NoSuchKey);
    }
    showFailedKeys();
}

void keyboardPage::showKeyDecListResult(const QList<int> &keyDecList, int resultType)
{
    if (resultType == 1) {
        for (keyboardButCustom *button : qAsConst(m_resultKeyList))
            button->setKeyState(keyButtonLook::KeyState_Untested);
        for (int keyDec : keyDecList) {
            // The ISO hash key (usage 50) and the US backslash key (49) share one place on
            // the page, filed under 49.
            if (keyboardButCustom *button = keyButtonByKeyDec(keyDec == 50 ? 49 : keyDec))
                button->setKeyState(keyButtonLook::KeyState_Pass);
        }
    } else {
        for (keyboardButCustom *button : qAsConst(m_resultKeyList))
            button->setKeyState(keyButtonLook::KeyState_Pass);
        for (int keyDec : keyDecList) {
            if (keyboardButCustom *button = keyButtonByKeyDec(keyDec))
                button->setKeyState(keyButtonLook::KeyState_Fail);
        }
    }
    for (int qtDec : qAsConst(m_noSuchKeyList)) {
        if (keyboardButCustom *button = keyButton(qtDec))
            button->setKeyState(keyButtonLook::KeyState_NoSuchKey);
    }
    showFailedKeys();
}

void keyboardPage::setNoSuchKeyList(const QList<int> &noSuchKeyList)
{
    for (int qtDec : noSuchKeyList) {
        if (keyboardButCustom *button = keyButton(qtDec))
            button->setKeyState(keyButtonLook::KeyState_NoSuchKey);
    }
    m_noSuchKeyList = noSuchKeyList;
}

void keyboardPage::retranslateKeyText()
{
    if (m_qtDecButtonMap.isEmpty())
        return;
    if (keyboardButCustom *button = keyButton(2350))
        button->setText(tr("Chinese"));
    if (keyboardButCustom *button = keyButton(2360))
        button->setText(tr("Korean/English"));
    m_legendLabel->setText(tr("(Black means no such key)"));
    if (m_bFirstResizeDone)
        placeLegend();
}

void keyboardPage::resetAlreadyPressedKeyNum()
{
    m_pressedKeyNum = 0;
}
