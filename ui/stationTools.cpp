#include "stationTools.h"

#include "resultsView.h"
#include "userSettings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

namespace {

// As the legend of the variants beside it.
const char kSheet[] = "QFrame#frame_StationTools{ background: transparent; border: none; }"
                      "QLabel{ color: rgb(50, 50, 50); font: 85 12pt \"微软雅黑\"; }";

} // namespace

StationTools::StationTools(QSettings &settings, const QString &storePath, QWidget *parent)
    : QFrame(parent), m_settings(settings), m_storePath(storePath)
{
    setObjectName(QStringLiteral("frame_StationTools"));
    setStyleSheet(QString::fromLatin1(kSheet));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("label_Operator"));
    m_operator = new QLineEdit(userSettings::storedOperator(settings), this);
    m_operator->setObjectName(QStringLiteral("lineEdit_Operator"));
    m_operator->setMaxLength(64);
    m_results = new QPushButton(this);
    m_results->setObjectName(QStringLiteral("pushButton_Results"));
    // A click must not take the keyboard focus from a serial field.
    m_results->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_title);
    layout->addWidget(m_operator, 1);
    layout->addWidget(m_results);

    connect(m_operator, &QLineEdit::editingFinished, this, [this]() {
        if (m_operator->text().trimmed() != userSettings::storedOperator(m_settings))
            userSettings::writeOperator(m_settings, m_operator->text());
    });
    // A badge scanned ends in Enter: the field is done, and a serial scanned
    // next must not land in it.
    connect(m_operator, &QLineEdit::returnPressed, m_operator, &QLineEdit::clearFocus);
    connect(m_results, &QPushButton::clicked, this, &StationTools::openResults);
    retranslate();
}

QString StationTools::operatorName() const
{
    return m_operator->text().trimmed();
}

void StationTools::openResults()
{
    if (!m_view)
        m_view = new ResultsView(m_storePath, window());
    m_view->showToday();
    m_view->show();
    m_view->raise();
}

void StationTools::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QFrame::changeEvent(event);
}

void StationTools::retranslate()
{
    m_title->setText(tr("Operator:"));
    m_operator->setPlaceholderText(tr("(none)"));
    m_results->setText(tr("Results"));
}
