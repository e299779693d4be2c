#include "fileSync.h"

#include <QFile>

#include <io.h>

namespace fileSync {

bool syncFile(QFile &file)
{
    return file.flush() && _commit(file.handle()) == 0;
}

// NTFS journals its folders: a rename that returned is kept.
bool syncFolder(const QString &)
{
    return true;
}

} // namespace fileSync
