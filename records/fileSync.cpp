#include "fileSync.h"

#include <QFileInfo>
#include <QSaveFile>

namespace fileSync {

bool replaceFile(const QString &path, const QByteArray &data, QString *error)
{
    // QSaveFile writes beside, syncs and renames over the old file.
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    if (!ok) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

} // namespace fileSync
