#include "fileSync.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace fileSync {

bool syncFile(QFile &file)
{
    return file.flush() && fsync(file.handle()) == 0;
}

// A rename is an entry of the folder: only the folder's sync keeps it
// through a power cut.
bool syncFolder(const QString &folder)
{
    const int fd = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

} // namespace fileSync
