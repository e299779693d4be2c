#include "resultsView.h"

#include "keyHeat.h"
#include "keyboardPage.h"
#include "paretoBars.h"

#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent>

// What the pool's reading hands to the GUI thread, behind a mutex of ours so
// the hand-over is one that ThreadSanitizer sees.
struct ResultsView::Reading
{
    QMutex mutex;
    Figures figures;
    QString error;
    bool ok = false;
};

namespace {

const char kValueSheet[] = "QLabel{ font: 75 18pt; color: rgb(50, 50, 50); }";
const char kCaptionSheet[] = "QLabel{ color: rgb(90, 90, 90); }";

qint64 localMidnightUtcMs(const QDate &day)
{
    return QDateTime(day, QTime(0, 0), Qt::LocalTime).toMSecsSinceEpoch();
}

QPushButton *button(const char *objectName, QWidget *parent)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(objectName));
    // The station's serial field keeps the keyboard focus.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

ResultsView::ResultsView(const QString &storePath, QWidget *parent) : QDialog(parent), m_storePath(storePath)
{
    setObjectName(QStringLiteral("ResultsView"));
    // Opened between units, it leaves the keyboard focus where it was (a
    // serial field waiting for the scanner).
    setAttribute(Qt::WA_ShowWithoutActivating);
    setStyleSheet(QStringLiteral("QDialog#ResultsView{ background-color: rgb(208, 213, 219); }"));

    auto *layout = new QVBoxLayout(this);
    auto *periods = new QHBoxLayout;
    m_todayButton = button("pushButton_ResultsToday", this);
    m_weekButton = button("pushButton_ResultsWeek", this);
    m_showButton = button("pushButton_ResultsShow", this);
    m_fromLabel = new QLabel(this);
    m_toLabel = new QLabel(this);
    m_from = new QDateEdit(QDate::currentDate(), this);
    m_to = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    m_from->setObjectName(QStringLiteral("dateEdit_ResultsFrom"));
    m_to->setObjectName(QStringLiteral("dateEdit_ResultsTo"));
    periods->addWidget(m_todayButton);
    periods->addWidget(m_weekButton);
    periods->addStretch(1);
    periods->addWidget(m_fromLabel);
    periods->addWidget(m_from);
    periods->addWidget(m_toLabel);
    periods->addWidget(m_to);
    periods->addWidget(m_showButton);
    layout->addLayout(periods);
    connect(m_todayButton, &QPushButton::clicked, this, &ResultsView::showToday);
    connect(m_weekButton, &QPushButton::clicked, this,
            [this]() { showDays(QDate::currentDate().addDays(-6), QDate::currentDate()); });
    connect(m_showButton, &QPushButton::clicked, this, [this]() { showDays(m_from->date(), m_to->date()); });

    m_periodLabel = new QLabel(this);
    m_periodLabel->setObjectName(QStringLiteral("label_ResultsPeriod"));
    layout->addWidget(m_periodLabel);

    auto *middle = new QHBoxLayout;
    auto *counts = new QGridLayout;
    int column = 0;
    for (Figure *figure : {&m_units, &m_serials, &m_firstPass, &m_finalYield, &m_retests, &m_incomplete}) {
        figure->caption = new QLabel(this);
        figure->caption->setStyleSheet(QString::fromLatin1(kCaptionSheet));
        figure->value = new QLabel(QStringLiteral("-"), this);
        figure->value->setStyleSheet(QString::fromLatin1(kValueSheet));
        counts->addWidget(figure->caption, (column / 2) * 2, column % 2);
        counts->addWidget(figure->value, (column / 2) * 2 + 1, column % 2);
        ++column;
    }
    m_units.value->setObjectName(QStringLiteral("label_ResultsUnits"));
    m_serials.value->setObjectName(QStringLiteral("label_ResultsSerials"));
    m_firstPass.value->setObjectName(QStringLiteral("label_ResultsFirstPass"));
    m_finalYield.value->setObjectName(QStringLiteral("label_ResultsFinalYield"));
    m_retests.value->setObjectName(QStringLiteral("label_ResultsRetests"));
    m_incomplete.value->setObjectName(QStringLiteral("label_ResultsIncomplete"));
    counts->setHorizontalSpacing(30);
    middle->addLayout(counts);
    auto *reasons = new QVBoxLayout;
    m_reasonsTitle = new QLabel(this);
    m_pareto = new ParetoBars(this);
    m_pareto->setMinimumHeight(150);
    reasons->addWidget(m_reasonsTitle);
    reasons->addWidget(m_pareto, 1);
    middle->addLayout(reasons, 1);
    layout->addLayout(middle);

    m_page = new keyboardPage(this);
    // The band above the keys, where the window shows the verdict, names the map.
    m_keysTitle = new QLabel(m_page);
    m_keysTitle->setGeometry(keyboardPage::bandAboveKeys().adjusted(6, 0, 0, 0));
    m_keysTitle->setStyleSheet(QStringLiteral("QLabel{ font: 75 13pt; color: rgb(50, 50, 50); }"));
    // The keys end above the row of variants, which the heat map leaves out.
    m_page->setFixedSize(1005, 340);
    layout->addWidget(m_page);
    connect(m_page, &keyboardPage::sigKeyboardAlreadyLoad, this, [this]() { keyHeat::show(*m_page, m_figures.keys); });

    connect(&m_watcher, &QFutureWatcher<void>::finished, this, &ResultsView::readingDone);
    retranslate();
}

ResultsView::~ResultsView()
{
    // The reading keeps its own state; nothing of this view is left to it.
    disconnect(&m_watcher, nullptr, this, nullptr);
}

void ResultsView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void ResultsView::retranslate()
{
    setWindowTitle(tr("Results"));
    m_todayButton->setText(tr("Today"));
    m_weekButton->setText(tr("Last 7 days"));
    m_showButton->setText(tr("Show"));
    m_fromLabel->setText(tr("From"));
    m_toLabel->setText(tr("to"));
    m_units.caption->setText(tr("Units tested"));
    m_serials.caption->setText(tr("Serials"));
    m_firstPass.caption->setText(tr("First-pass yield"));
    m_finalYield.caption->setText(tr("Final yield"));
    m_retests.caption->setText(tr("Retests"));
    m_incomplete.caption->setText(tr("Incomplete"));
    m_reasonsTitle->setText(tr("Why units did not pass"));
    m_keysTitle->setText(
        tr("Units failed per key: chattered, key check, calibration, never pressed (white: none, red: the most)"));
    showFigures();
}

void ResultsView::showToday()
{
    const QDate today = QDate::currentDate();
    FiguresQuery query;
    query.sinceUtcMs = localMidnightUtcMs(today);
    query.untilUtcMs = localMidnightUtcMs(today.addDays(1));
    read(query, today.toString(Qt::ISODate));
}

void ResultsView::showDays(const QDate &from, const QDate &to)
{
    const QDate first = qMin(from, to);
    const QDate last = qMax(from, to);
    m_from->setDate(first);
    m_to->setDate(last);
    FiguresQuery query;
    query.sinceUtcMs = localMidnightUtcMs(first);
    query.untilUtcMs = localMidnightUtcMs(last.addDays(1));
    read(query, first == last ? first.toString(Qt::ISODate)
                              : first.toString(Qt::ISODate) + QStringLiteral(" - ") + last.toString(Qt::ISODate));
}

void ResultsView::read(const FiguresQuery &query, const QString &periodText)
{
    if (m_watcher.isRunning()) {
        m_next = std::make_pair(query, periodText);
        return;
    }
    m_periodText = periodText;
    m_periodLabel->setText(tr("%1: reading the store ...").arg(periodText));
    auto reading = std::make_shared<Reading>();
    m_reading = reading;
    m_watcher.setFuture(QtConcurrent::run([path = m_storePath, query, reading]() {
        Figures figures;
        QString error;
        // A station that has tested nothing yet has no store: nothing to count.
        const bool ok = !QFileInfo::exists(path) || resultFigures::fromStation(path, query, &figures, &error);
        QMutexLocker lock(&reading->mutex);
        reading->figures = std::move(figures);
        reading->error = error;
        reading->ok = ok;
    }));
}

void ResultsView::readingDone()
{
    {
        QMutexLocker lock(&m_reading->mutex);
        m_figures = m_reading->ok ? std::move(m_reading->figures) : Figures();
        m_error = m_reading->ok ? QString() : m_reading->error;
    }
    if (m_next) {
        const auto next = *std::exchange(m_next, std::nullopt);
        read(next.first, next.second);
        return;
    }
    showFigures();
    emit figuresShown();
}

void ResultsView::showFigures()
{
    const FigureCounts &c = m_figures.total;
    if (!m_error.isEmpty())
        m_periodLabel->setText(tr("%1: the store cannot be read: %2").arg(m_periodText, m_error));
    else if (!m_periodText.isEmpty())
        m_periodLabel->setText(tr("%1, this station").arg(m_periodText));
    m_units.value->setText(QString::number(c.units));
    m_serials.value->setText(QString::number(c.serials));
    m_firstPass.value->setText(QStringLiteral("%1  (%2/%3)")
                                   .arg(resultFigures::percentText(c.firstPassYield()))
                                   .arg(c.firstPassed)
                                   .arg(c.serials));
    m_finalYield.value->setText(QStringLiteral("%1  (%2/%3)")
                                    .arg(resultFigures::percentText(c.finalYield()))
                                    .arg(c.finalPassed)
                                    .arg(c.serials));
    m_retests.value->setText(QString::number(c.retests));
    m_incomplete.value->setText(QString::number(c.incomplete));
    m_pareto->setReasons(m_figures.reasons);
    keyHeat::show(*m_page, m_figures.keys);
}
