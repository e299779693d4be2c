#pragma once

#include "unitRecord.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <string>
#include <vector>

class QIODevice;

// Units the station store could not take go to a text file beside the store,
// one line each (unitLine.h), synced, and the store imports them from there.
// People open that file: it may come back saved by an editor (a UTF-8 byte
// order mark, Windows line ends), cut by a power cut (a last line cut short, a
// run of NUL bytes where the system had not written yet), edited by hand or
// huge. It is read in bounded steps; a whole unit is taken wherever it stands,
// and every other line is handed on as damaged, with the reason, never taken
// for a unit.
namespace unitFallbackFile {

// A unit's line is some kilobytes at most; longer is damage.
constexpr qint64 MaxLineBytes = 1024 * 1024;
// Lines read in one step of an import: the writer takes new units between
// steps, however long the file.
constexpr qint64 LinesPerStep = 10000;

// results-unwritten.txt beside the store.
QString pathBeside(const QString &storePath);
// A new results-unwritten.damaged-<UTC time>.txt beside the fallback file,
// for the lines of one import that are no unit.
QString damagedPathFor(const QString &path);

// Appends one line per unit and syncs the file to disk. A line cut short by
// an earlier crash is ended first, so it never runs into the first new one.
// False with the reason when the file cannot be written.
bool append(const QString &path, const std::vector<UnitRecord> &units, QString *error);

struct DamagedLine
{
    qint64 number = 0; // in the file, from 1
    std::string reason;
    QByteArray text; // as it stood, without its line end; the first MaxLineBytes of a longer one
};

// What one hand-over carries: the units and damaged lines since the last one.
struct Batch
{
    std::vector<UnitRecord> units;
    std::vector<DamagedLine> damaged;
};

// Where a reading starts: the file's first byte, or where the last step
// ended.
struct Position
{
    qint64 offset = 0;
    qint64 line = 0; // lines before offset
};

struct Reading
{
    qint64 units = 0;   // handed over and taken
    qint64 damaged = 0; // handed over and taken
    Position next;      // after the last batch taken: where the next step starts
    bool atEnd = false; // everything to the end of the file was taken
    QString error;      // when the file could not be read
};

// Reads at most maxLines lines from from on and hands them over in batches
// of at most batchSize units or damaged lines; take returns false when it
// could not keep a batch, which ends the step, next still before that batch.
// Blank lines and lines starting with '#' (notes, such as the damaged-lines
// file's) are passed over.
Reading read(QIODevice &file, Position from, std::size_t batchSize, qint64 maxLines,
             const std::function<bool(Batch &)> &take);

// Appends the lines, each after a note line "# <source> line N: <reason>",
// and syncs the file. With the notes passed over, the file can be mended by
// hand and put back as the fallback file to be imported.
bool appendDamaged(const QString &path, const QString &source, const std::vector<DamagedLine> &lines, QString *error);

} // namespace unitFallbackFile
