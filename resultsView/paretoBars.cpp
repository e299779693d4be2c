#include "paretoBars.h"

#include "figuresText.h"

#include <QEvent>
#include <QPainter>

namespace {

const int RowHeight = 24;
const int LabelWidth = 230;
const int NumbersWidth = 120;
// Not the heat map's reds: the two must not be mistaken for each other.
const QColor BarColour(0x2c, 0x74, 0xc1);

} // namespace

ParetoBars::ParetoBars(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("widget_ParetoBars"));
}

void ParetoBars::setReasons(std::vector<ReasonCount> reasons)
{
    m_reasons = std::move(reasons);
    updateGeometry();
    update();
}

QSize ParetoBars::sizeHint() const
{
    return QSize(LabelWidth + NumbersWidth + 200, RowHeight * qMax<int>(1, int(m_reasons.size())) + 4);
}

void ParetoBars::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        update();
    QWidget::changeEvent(event);
}

void ParetoBars::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(50, 50, 50));
    if (m_reasons.empty()) {
        painter.drawText(rect().adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, tr("No unit failed."));
        return;
    }
    qint64 most = 0;
    qint64 all = 0;
    for (const ReasonCount &reason : m_reasons) {
        most = qMax(most, reason.units);
        all += reason.units;
    }
    const int barSpace = qMax(20, width() - LabelWidth - NumbersWidth - 12);
    int y = 2;
    for (const ReasonCount &reason : m_reasons) {
        const QRect label(6, y, LabelWidth - 10, RowHeight);
        painter.drawText(
            label, Qt::AlignRight | Qt::AlignVCenter,
            fontMetrics().elidedText(figuresText::reasonLabel(reason.kind), Qt::ElideRight, label.width()));
        const int length = int(double(barSpace) * double(reason.units) / double(qMax<qint64>(most, 1)));
        painter.fillRect(QRect(LabelWidth, y + 4, qMax(2, length), RowHeight - 8), BarColour);
        painter.drawText(QRect(LabelWidth + length + 6, y, NumbersWidth, RowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1  (%2)")
                             .arg(reason.units)
                             .arg(resultFigures::percentText(double(reason.units) / double(all))));
        y += RowHeight;
    }
}
