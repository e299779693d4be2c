#pragma once

#include "unitRecord.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

// Units the station store could not take when they had to leave memory (the
// tool closing, too many waiting) go to a text file beside the store, one line
// each (unitLine.h), and are imported at the next start. The file may have
// been cut by a crash, edited by hand or be huge: it is read in bounded steps,
// and a line that is no unit is skipped with a log line, never taken as one.
namespace unitFallbackFile {

// A unit's line is some kilobytes at most; longer is damage.
constexpr qint64 MaxLineBytes = 1024 * 1024;
// Far past what a station makes in years without a store.
constexpr qint64 MaxLines = 1000000;

// results-unwritten.txt beside the store.
QString pathBeside(const QString &storePath);

// Appends one line per unit and syncs the file to disk. A line cut short by
// an earlier crash is ended first, so it never runs into the first new one.
// False with the reason when the file cannot be written.
bool append(const QString &path, const std::vector<UnitRecord> &units, QString *error);

struct Reading
{
    qint64 units = 0;      // handed over and taken
    qint64 skipped = 0;    // lines that are no unit
    bool complete = false; // read to its end and every batch taken
    QString error;         // when the file could not be read
};

// Hands the file's units over in batches of at most batchSize; take returns
// false when it could not keep a batch, which ends the reading incomplete.
Reading read(const QString &path, std::size_t batchSize, const std::function<bool(std::vector<UnitRecord> &)> &take);

// After a complete reading: the file is removed, or, when it had lines that
// were no unit, renamed to results-unwritten.damaged-<UTC time>.txt for a
// person to look at. False with the reason when it stays as it was.
bool retire(const QString &path, bool damaged, QString *keptAs);

} // namespace unitFallbackFile
