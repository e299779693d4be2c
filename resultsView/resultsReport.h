#pragma once

#include "figuresText.h"
#include "resultFigures.h"

#include <QImage>
#include <QString>

// A report of a period to send round: the period and the stations, the
// figures table, the reasons units did not pass, the keys they failed on as
// a heat map on the station's keyboard page, and the units that failed with
// their reasons. Qt's text document laid out on its PDF writer; it needs a
// QApplication, which may run on the offscreen platform.
namespace resultsReport {

// The keyboard page with the figures' failures per key.
QImage heatMapImage(const Figures &figures);

// The report's text as HTML, its pictures the document resources "pareto"
// and "heatmap".
QString html(const Figures &figures, const figuresText::KeyNames &names);

// Writes the PDF to pdfPath, replacing it only once it is complete. False
// with the reason when the file cannot be written.
bool write(const Figures &figures, const figuresText::KeyNames &names, const QString &pdfPath, QString *error);

} // namespace resultsReport
