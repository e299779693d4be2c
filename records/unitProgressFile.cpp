#include "unitProgressFile.h"

#include "fileSync.h"
#include "unitFallbackFile.h"
#include "unitLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace unitProgressFile {

QString pathBeside(const QString &storePath)
{
    return QFileInfo(storePath).dir().filePath(QStringLiteral("results-progress.txt"));
}

UnitRecord asCut(UnitRecord progress, std::int64_t utcMs)
{
    progress.endUtcMs = utcMs;
    progress.ended = UnitEnd::Crash;
    progress.outcome = UnitOutcome::Incomplete;
    progress.reasons =
        cleanText("the tool stopped during the test" + (progress.reasons.empty() ? "" : "; " + progress.reasons));
    return progress;
}

bool write(const QString &path, const UnitRecord &unit, QString *error)
{
    return fileSync::replaceFile(path, QByteArray::fromStdString(unitLine::write(unit)) + '\n', error);
}

Found read(const QString &path, UnitRecord &unit, QString *why)
{
    QFile file(path);
    if (!file.exists())
        return Found::Nothing;
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return Found::Damaged;
    }
    // One line, as written; more is not ours.
    QByteArray line = file.read(unitFallbackFile::MaxLineBytes + 2);
    if (line.endsWith('\n'))
        line.chop(1);
    std::string reason;
    if (unitLine::read(line.toStdString(), unit, &reason))
        return Found::Unit;
    *why = QString::fromStdString(reason);
    return Found::Damaged;
}

} // namespace unitProgressFile
