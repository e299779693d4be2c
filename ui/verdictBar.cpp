#include "verdictBar.h"

#include "unitVerdict.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <utility>

namespace {

// The page's own pass green and fail red.
const char kNeutralSheet[] = "QFrame#frame_Verdict{ border-radius:5px; border: 1px solid rgb(178, 182, 186);"
                             " background-color: rgb(236, 238, 241); }"
                             "QLabel{ color: rgb(50, 50, 50); }";
const char kPassedSheet[] = "QFrame#frame_Verdict{ border-radius:5px; background-color: #22ba20; }"
                            "QLabel{ color: #ffffff; }";
const char kFailedSheet[] = "QFrame#frame_Verdict{ border-radius:5px; background-color: #e81122; }"
                            "QLabel{ color: #ffffff; }";
// Enough reasons for the operator to act on; the record keeps them all.
const int kReasonsShown = 3;
// The longest serial label the field takes.
const int kSerialMaxLength = 64;
const char kRefusedSerialSheet[] = "QLineEdit{ border: 2px solid #e81122; color: #e81122; }";

} // namespace

VerdictBar::VerdictBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("frame_Verdict"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 4, 10, 4);
    layout->setSpacing(8);

    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("label_Verdict"));
    QFont font = m_verdict->font();
    font.setPointSize(15);
    font.setBold(true);
    m_verdict->setFont(font);
    m_verdict->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_verdict->installEventFilter(this);
    layout->addWidget(m_verdict, 1);

    m_serialTitle = new QLabel(this);
    m_serialTitle->setObjectName(QStringLiteral("label_Serial"));
    layout->addWidget(m_serialTitle);
    m_serial = new QLineEdit(this);
    m_serial->setObjectName(QStringLiteral("lineEdit_Serial"));
    m_serial->setFixedWidth(230);
    // Not cut at the longest serial: a scan cut short would be another
    // unit's serial. A longer one is refused whole, where it is seen.
    m_serial->setMaxLength(4 * kSerialMaxLength);
    connect(m_serial, &QLineEdit::textChanged, this, &VerdictBar::checkSerial);
    // A scanner ends its label with Return: the next scan then replaces a
    // refused one rather than run on from it.
    connect(m_serial, &QLineEdit::returnPressed, this, [this] {
        if (m_serialRefused)
            m_serial->selectAll();
    });
    layout->addWidget(m_serial);
    connect(m_serial, &QLineEdit::returnPressed, this, [this]() {
        if (!m_unitConnected || m_serial->isReadOnly() || serial().isEmpty())
            return;
        m_serial->setReadOnly(true);
        emit serialEntered(serial());
    });
    setCriteria(VerdictCriteria());
    showUnit(nullptr, KeyNamer());
}

void VerdictBar::setCriteria(const VerdictCriteria &criteria)
{
    m_serialMode = criteria.serial;
    m_notUnderstood = criteria.notUnderstood;
    m_serialTitle->setVisible(asksForSerial());
    m_serial->setVisible(asksForSerial());
}

void VerdictBar::setUnitConnected(bool connected)
{
    m_unitConnected = connected;
    m_serial->setReadOnly(connected && !serial().isEmpty());
    if (connected)
        return;
    m_serial->clear();
    if (asksForSerial())
        m_serial->setFocus(Qt::OtherFocusReason);
}

QString VerdictBar::serial() const
{
    return asksForSerial() && !m_serialRefused ? m_serial->text().trimmed() : QString();
}

void VerdictBar::checkSerial()
{
    const bool refused = m_serial->text().trimmed().size() > kSerialMaxLength;
    if (refused == m_serialRefused)
        return;
    m_serialRefused = refused;
    m_serial->setStyleSheet(refused ? QLatin1String(kRefusedSerialSheet) : QString());
    m_serial->setToolTip(refused ? serialRefusal() : QString());
    // While no unit is shown the bar speaks to the operator of the field.
    if (m_shownRevision < 0)
        showUnit(nullptr, KeyNamer());
}

QString VerdictBar::serialRefusal()
{
    return tr("Serial over %1 characters refused: scan again").arg(kSerialMaxLength);
}

VerdictWords VerdictBar::translatedWords()
{
    VerdictWords w;
    auto t = [](const char *text) { return tr(text).toStdString(); };
    w.neverPressed = t("%1 never pressed");
    w.moreKeys = t("%1 and %2 more");
    w.noKeysToTest = t("no keys to test");
    w.chattered = t("%1 chattered (%2 ms)");
    w.keyCheckFailedOne = t("key check: 1 key failed");
    w.keyCheckFailed = t("key check: %1 keys failed");
    w.calibrationFailed = t("calibration failed");
    w.firmwareSilent = t("firmware not answering");
    w.noSerial = t("no serial");
    w.settingNotUnderstood = t("Settings: %1 not understood");
    w.keysNotFromUnit = t("keys not taken from the unit");
    w.notOnLayout = t("%1 not on the layout");
    w.matrixPosition = t("row %1 column %2");
    w.keysHeld = t("at most %1 keys held at once (want %2)");
    w.keyCheckNotRun = t("key check not run");
    w.calibrationNotRun = t("calibration not run");
    w.calibrationUnfinished = t("calibration not finished");
    return w;
}

bool VerdictBar::showVerdict(const UnitVerdict *verdict, const KeyNamer &keyName, bool force)
{
    const long long revision = verdict ? static_cast<long long>(verdict->revision()) : -1;
    if (!force && revision == m_shownRevision)
        return false;
    m_shownRevision = revision;
    showUnit(verdict, keyName);
    const int state = verdict ? static_cast<int>(verdict->state()) : -1;
    return std::exchange(m_shownState, state) != state;
}

void VerdictBar::showUnit(const UnitVerdict *verdict, const KeyNamer &keyName)
{
    m_serialTitle->setText(tr("Serial:"));
    if (!verdict && !m_notUnderstood.empty()) {
        VerdictReason settings{VerdictReason::Kind::SettingsNotUnderstood};
        settings.setting = m_notUnderstood.front();
        showText(QString::fromStdString(describeReason(settings, translatedWords(), keyName)), kNeutralSheet);
        return;
    }
    if (!verdict) {
        if (m_serialRefused)
            showText(serialRefusal(), kFailedSheet);
        else
            showText(asksForSerial() ? tr("Scan the serial, then plug the keyboard in") : tr("Plug a keyboard in"),
                     kNeutralSheet);
        return;
    }
    switch (verdict->state()) {
    case VerdictState::Passed:
        showText(tr("PASS"), kPassedSheet);
        return;
    case VerdictState::Failed: {
        std::vector<VerdictReason> reasons = verdict->reasons();
        if (reasons.size() > kReasonsShown)
            reasons.resize(kReasonsShown);
        showText(tr("FAIL") + QStringLiteral("   ") +
                     QString::fromStdString(describeReasons(reasons, translatedWords(), keyName, "; ", 4)),
                 kFailedSheet);
        return;
    }
    case VerdictState::Testing:
        break;
    }
    QString text;
    if (verdict->criteria().keys == VerdictCriteria::Keys::All && verdict->keysWanted() > 0)
        text = tr("%1 / %2 keys").arg(verdict->keysDone()).arg(verdict->keysWanted());
    // Beside the count, the first thing still open that the count does not tell.
    for (const VerdictReason &reason : verdict->reasons()) {
        if (reason.kind == VerdictReason::Kind::NeverPressed)
            continue;
        const QString open = QString::fromStdString(describeReason(reason, translatedWords(), keyName));
        text = text.isEmpty() ? open : text + QStringLiteral("   ·   ") + open;
        break;
    }
    showText(text.isEmpty() ? tr("Testing") : text, kNeutralSheet);
}

void VerdictBar::showText(const QString &text, const char *sheet)
{
    // Re-polishing is the dear part of a change, and most changes are a count.
    if (styleSheet() != QLatin1String(sheet))
        setStyleSheet(QLatin1String(sheet));
    m_text = text;
    m_verdict->setToolTip(text);
    elide();
}

void VerdictBar::elide()
{
    // Cut where the bar ends rather than let the label push the serial field away.
    m_verdict->setText(m_verdict->fontMetrics().elidedText(m_text, Qt::ElideRight, m_verdict->width()));
}

bool VerdictBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_verdict && event->type() == QEvent::Resize)
        elide();
    return QFrame::eventFilter(watched, event);
}
