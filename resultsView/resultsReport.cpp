#include "resultsReport.h"

#include "keyHeat.h"
#include "keyboardPage.h"
#include "paretoBars.h"

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

namespace resultsReport {

namespace {

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString utcText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// Cells past the first textColumns are numbers, set to the right.
QString row(const QStringList &cells, int textColumns, const char *tag = "td")
{
    QString out = QStringLiteral("<tr>");
    for (int i = 0; i < cells.size(); ++i)
        out += QStringLiteral("<%1%2>%3</%1>")
                   .arg(QLatin1String(tag), i < textColumns ? QString() : QStringLiteral(" align=\"right\""),
                        esc(cells[i]));
    return out + QStringLiteral("</tr>");
}

QString table(const figuresText::Cells &cells)
{
    QString out = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">") +
                  row(cells.header, cells.header.size(), "th");
    for (const QStringList &cellsOfRow : cells.rows)
        out += row(cellsOfRow, cells.textColumns);
    return out + QStringLiteral("</table>");
}

QImage paretoImage(const Figures &figures)
{
    ParetoBars bars;
    bars.setReasons(figures.reasons);
    bars.resize(900, bars.sizeHint().height());
    QImage image(bars.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    bars.render(&image);
    return image;
}

} // namespace

QImage heatMapImage(const Figures &figures)
{
    keyboardPage page;
    // Laid out and loaded as on screen, but drawn only into the image.
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.setFixedSize(1005, 340);
    page.show();
    keyHeat::show(page, figures.keys);
    // The keys and their backdrop, without the band the verdict takes on screen.
    const QImage image = page.grab(QRect(0, 62, 1005, 278)).toImage();
    page.hide();
    return image;
}

QString html(const Figures &figures, const figuresText::KeyNames &names)
{
    const FigureCounts &t = figures.total;
    QString out = QStringLiteral("<html><body style=\"font-size: 9pt\">");
    out += QStringLiteral("<h1>Keyboard test results</h1><p>");
    out += QStringLiteral("Period: %1<br/>").arg(esc(resultFigures::periodText(figures.query)));
    out += QStringLiteral("Store: %1<br/>").arg(esc(figures.source));
    const QStringList stations = figures.stations();
    out += QStringLiteral("Stations: %1<br/>")
               .arg(esc(stations.isEmpty() ? QStringLiteral("none") : stations.join(QStringLiteral(", "))));
    for (const QString &line : figuresText::criteriaLines(figures))
        out += esc(line) + QStringLiteral("<br/>");
    out += QStringLiteral("Written %1 UTC</p>").arg(utcText(QDateTime::currentMSecsSinceEpoch()));

    out += QStringLiteral("<p><b>First-pass yield %1</b> (%2 of %3 serials), final yield %4, %5 units, %6 retests,"
                          " %7 incomplete.</p>")
               .arg(resultFigures::percentText(t.firstPassYield()))
               .arg(t.firstPassed)
               .arg(t.serials)
               .arg(resultFigures::percentText(t.finalYield()))
               .arg(t.units)
               .arg(t.retests)
               .arg(t.incomplete);

    out += QStringLiteral("<h2>Figures by UTC day, station, operator and product</h2>") +
           table(figuresText::groups(figures));
    out += QStringLiteral("<h2>Why units did not pass</h2><p><img src=\"pareto\" width=\"900\"/></p>") +
           table(figuresText::reasons(figures));
    out +=
        QStringLiteral("<h2>Units failed per key</h2><p>Each key's colour and number: the units that failed on"
                       " it (chattered, key check, calibration, never pressed), white for none, red for the most.</p>"
                       "<p><img src=\"heatmap\" width=\"1005\"/></p>") +
        table(figuresText::keys(figures, names));

    out += QStringLiteral("<h2>Units that failed</h2>");
    if (t.failed > qint64(figures.failedUnits.size()))
        out += QStringLiteral("<p>The last %1 of %2.</p>").arg(figures.failedUnits.size()).arg(t.failed);
    figuresText::Cells failed{{"serial", "started", "station", "attempt", "reasons"}, 5, {}};
    for (const FailedUnit &u : figures.failedUnits)
        failed.rows << QStringList{u.serial.isEmpty() ? QStringLiteral("(no serial)") : u.serial,
                                   utcText(u.startUtcMs) + QStringLiteral(" UTC"), u.station,
                                   u.attempt > 0 ? QString::number(u.attempt) : QString(), u.reasons};
    out += table(failed);
    return out + QStringLiteral("</body></html>");
}

bool write(const Figures &figures, const figuresText::KeyNames &names, const QString &pdfPath, QString *error)
{
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(pdfPath, file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Keyboard test results, %1").arg(resultFigures::periodText(figures.query)));
        writer.setCreator(QStringLiteral("TavrinKeyboardTest"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        writer.setResolution(120);

        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pareto")), paretoImage(figures));
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("heatmap")), heatMapImage(figures));
        document.setHtml(html(figures, names));
        document.print(&writer);
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(pdfPath, file.errorString());
        return false;
    }
    return true;
}

} // namespace resultsReport
