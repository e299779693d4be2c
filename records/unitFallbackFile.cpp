#include "unitFallbackFile.h"

#include "unitLine.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace unitFallbackFile {

namespace {

// Bad lines are logged one by one up to this many, then only counted.
constexpr qint64 LoggedBadLines = 20;

void logLine(const QString &text)
{
    qDebug().noquote() << QStringLiteral("---------- *** results store: %1 *** ----------").arg(text);
}

bool syncToDisk(QFile &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return fsync(file.handle()) == 0;
#endif
}

} // namespace

QString pathBeside(const QString &storePath)
{
    return QFileInfo(storePath).dir().filePath(QStringLiteral("results-unwritten.txt"));
}

bool append(const QString &path, const std::vector<UnitRecord> &units, QString *error)
{
    QFile file(path);
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
    for (const UnitRecord &unit : units) {
        text.append(QByteArray::fromStdString(unitLine::write(unit)));
        text.append('\n');
    }
    if (!file.seek(size) || file.write(text) != text.size() || !syncToDisk(file))
        return fail();
    return true;
}

Reading read(const QString &path, std::size_t batchSize, const std::function<bool(std::vector<UnitRecord> &)> &take)
{
    Reading reading;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reading.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return reading;
    }
    if (batchSize == 0)
        batchSize = 1;
    std::vector<UnitRecord> batch;
    auto skip = [&](qint64 lineNumber, const char *why) {
        if (++reading.skipped <= LoggedBadLines)
            logLine(QStringLiteral("line %1 of %2 skipped: %3").arg(lineNumber).arg(path, QLatin1String(why)));
    };
    QByteArray buffer(static_cast<int>(MaxLineBytes) + 2, Qt::Uninitialized);
    qint64 lineNumber = 0;
    for (; lineNumber < MaxLines && !file.atEnd(); ++lineNumber) {
        const qint64 length = file.readLine(buffer.data(), buffer.size());
        if (length < 0) {
            reading.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
            return reading;
        }
        std::string line(buffer.constData(), static_cast<std::size_t>(length));
        if (line.empty() || line.back() != '\n') {
            if (file.atEnd()) {
                skip(lineNumber + 1, "cut short");
                break;
            }
            // Far too long for a unit: the rest of it is passed over in
            // bounded pieces, each read taking at least one byte.
            while (!file.atEnd()) {
                const qint64 more = file.readLine(buffer.data(), buffer.size());
                if (more <= 0 || buffer.at(static_cast<int>(more) - 1) == '\n')
                    break;
            }
            skip(lineNumber + 1, "too long");
            continue;
        }
        line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        UnitRecord unit;
        if (!unitLine::read(line, unit)) {
            skip(lineNumber + 1, "not a unit");
            continue;
        }
        batch.push_back(std::move(unit));
        if (batch.size() >= batchSize) {
            if (!take(batch))
                return reading;
            reading.units += static_cast<qint64>(batch.size());
            batch.clear();
        }
    }
    if (!batch.empty()) {
        if (!take(batch))
            return reading;
        reading.units += static_cast<qint64>(batch.size());
    }
    if (!file.atEnd()) {
        logLine(QStringLiteral("%1 has more than %2 lines; the rest is not read").arg(path).arg(MaxLines));
        ++reading.skipped;
    }
    if (reading.skipped > LoggedBadLines)
        logLine(QStringLiteral("%1 lines of %2 skipped in all").arg(reading.skipped).arg(path));
    reading.complete = true;
    return reading;
}

bool retire(const QString &path, bool damaged, QString *keptAs)
{
    if (!damaged)
        return QFile::remove(path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString dir = QFileInfo(path).absolutePath();
    QString aside = QDir(dir).filePath(QStringLiteral("results-unwritten.damaged-%1.txt").arg(stamp));
    for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
        aside = QDir(dir).filePath(QStringLiteral("results-unwritten.damaged-%1-%2.txt").arg(stamp).arg(n));
    if (keptAs)
        *keptAs = aside;
    return QFile::rename(path, aside);
}

} // namespace unitFallbackFile
