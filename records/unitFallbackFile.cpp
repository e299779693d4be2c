#include "unitFallbackFile.h"

#include "fileSync.h"
#include "unitLine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <cstring>

namespace unitFallbackFile {

namespace {

// Damaged lines held for one hand-over at most, in bytes.
constexpr qint64 DamagedBytesPerBatch = 4 * MaxLineBytes;
// The pieces a line is read in.
constexpr int Piece = 16 * 1024;

const char Bom[] = "\xEF\xBB\xBF";

} // namespace

QString pathBeside(const QString &storePath)
{
    return QFileInfo(storePath).dir().filePath(QStringLiteral("results-unwritten.txt"));
}

QString damagedPathFor(const QString &path)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir dir = QFileInfo(path).absoluteDir();
    QString damaged = dir.filePath(QStringLiteral("results-unwritten.damaged-%1.txt").arg(stamp));
    for (int n = 2; QFileInfo::exists(damaged) && n < 1000; ++n)
        damaged = dir.filePath(QStringLiteral("results-unwritten.damaged-%1-%2.txt").arg(stamp).arg(n));
    return damaged;
}

namespace {

// Appends whole lines and syncs them. A last line cut short (a power cut
// while it was written) is ended first, so it stays one damaged line rather
// than taking the next one with it. A file this call made has its name
// synced into its folder as well: the content alone is no use after a power
// cut that loses the name.
bool appendSynced(const QString &path, const QByteArray &lines, QString *error)
{
    QFile file(path);
    const bool made = !file.exists();
    auto fail = [&] {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    };
    if (!file.open(QIODevice::ReadWrite))
        return fail();
    QByteArray text;
    const qint64 size = file.size();
    if (size > 0) {
        char last = '\n';
        if (!file.seek(size - 1) || !file.getChar(&last))
            return fail();
        if (last != '\n')
            text.append('\n');
    }
    text += lines;
    if (!file.seek(size) || file.write(text) != text.size() || !fileSync::syncFile(file))
        return fail();
    if (made)
        fileSync::syncFolder(QFileInfo(path).absolutePath());
    return true;
}

} // namespace

bool append(const QString &path, const std::vector<UnitRecord> &units, QString *error)
{
    QByteArray text;
    for (const UnitRecord &unit : units) {
        text.append(QByteArray::fromStdString(unitLine::write(unit)));
        text.append('\n');
    }
    return appendSynced(path, text, error);
}

Reading read(QIODevice &file, Position from, std::size_t batchSize, qint64 maxLines,
             const std::function<bool(Batch &)> &take)
{
    Reading reading;
    reading.next = from;
    if (!file.seek(from.offset)) {
        reading.error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return reading;
    }
    if (batchSize == 0)
        batchSize = 1;
    Batch batch;
    qint64 damagedBytes = 0;
    Position at = from;
    // Hands the batch over; true when it was taken (or there was none).
    auto hand = [&] {
        if (!batch.units.empty() || !batch.damaged.empty()) {
            if (!take(batch))
                return false;
            reading.units += static_cast<qint64>(batch.units.size());
            reading.damaged += static_cast<qint64>(batch.damaged.size());
            batch = Batch();
            damagedBytes = 0;
        }
        reading.next = at;
        return true;
    };
    auto damaged = [&](const std::string &reason, const char *text, qint64 size) {
        batch.damaged.push_back({at.line, reason, QByteArray(text, static_cast<int>(size))});
        damagedBytes += size;
    };

    QByteArray line;
    char piece[Piece];
    for (qint64 lines = 0; lines < maxLines && !file.atEnd(); ++lines) {
        // A line is read in pieces up to the longest a unit may be; the rest
        // of a longer one is passed over, each read taking at least a byte.
        line.clear();
        bool ended = false;
        bool tooLong = false;
        while (!ended && !file.atEnd()) {
            const qint64 size = file.readLine(piece, sizeof piece);
            if (size <= 0) {
                reading.error = QStringLiteral("cannot be read: %1").arg(file.errorString());
                return reading;
            }
            ended = piece[size - 1] == '\n';
            tooLong = tooLong || line.size() + size > MaxLineBytes + 1;
            if (!tooLong)
                line.append(piece, static_cast<int>(size));
        }
        const char *text = line.constData();
        qint64 size = line.size();
        ++at.line;
        at.offset = file.pos();
        // An editor's byte order mark belongs to the file, not to its first line.
        if (at.line == 1 && size >= 3 && std::memcmp(text, Bom, 3) == 0) {
            text += 3;
            size -= 3;
        }
        if (!tooLong && ended)
            --size;
        if (!tooLong && size > 0 && text[size - 1] == '\r')
            --size;

        if (tooLong) {
            damaged("longer than any unit; its first MiB is kept", text, size);
        } else if (size == 0 || text[0] == '#') {
            // A blank line or a note.
        } else if (std::memchr(text, '\0', static_cast<std::size_t>(size))) {
            // The tool writes a NUL as \x00: raw ones are what a power cut
            // leaves where the system had not written the file's data yet.
            damaged("holds NUL bytes", text, size);
        } else {
            UnitRecord unit;
            std::string why;
            if (unitLine::read(std::string(text, static_cast<std::size_t>(size)), unit, &why))
                batch.units.push_back(std::move(unit));
            else
                damaged(ended ? "not a unit: " + why : "cut short: " + why, text, size);
        }
        if ((batch.units.size() >= batchSize || batch.damaged.size() >= batchSize ||
             damagedBytes >= DamagedBytesPerBatch) &&
            !hand())
            return reading;
    }
    if (!hand())
        return reading;
    reading.atEnd = file.atEnd();
    return reading;
}

bool appendDamaged(const QString &path, const QString &source, const std::vector<DamagedLine> &lines, QString *error)
{
    QByteArray text;
    for (const DamagedLine &line : lines) {
        text += QStringLiteral("# %1 line %2: %3\n")
                    .arg(source)
                    .arg(line.number)
                    .arg(QString::fromStdString(line.reason))
                    .toUtf8();
        text += line.text;
        text += '\n';
    }
    return appendSynced(path, text, error);
}

} // namespace unitFallbackFile
