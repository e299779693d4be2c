#pragma once

#include "lineQueue.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <string>

// Reading the station store back out: every unit as a CSV row, and the units
// it still owes the line store. Both read the store read-only, so they run
// beside a window that is writing to it.
struct ResultFilter
{
    std::optional<qint64> sinceUtcMs; // units that started at or after this
    std::optional<qint64> untilUtcMs; // ... and before this
    std::optional<quint16> vid;       // with pid: one platform only
    std::optional<quint16> pid;
};

namespace resultExport {

// The CSV's first line, and so its columns.
QString csvHeader();
// One field as CSV writes it: quoted when it holds a comma, a quote, a line
// break or space at either end, quotes doubled.
QString csvField(const QString &value);
// A text the keyboard or the system gave, as a cell: one that a spreadsheet
// would run as a formula (=, +, -, @, a tab or a carriage return first) gets
// a leading apostrophe, so opening the export never runs what a firmware sent.
QString cellText(const std::string &value);

// Writes the units to csvPath, one row each, oldest first. False with the
// reason when the store cannot be read or the file not written; rows gets
// the number of units written.
bool exportCsv(const QString &storePath, const QString &csvPath, const ResultFilter &filter, qint64 *rows,
               QString *error);
// The units queued for the line store and those it set aside, read the same
// read-only way.
bool queueCounts(const QString &storePath, lineQueue::Counts &counts, QString *error);

} // namespace resultExport
