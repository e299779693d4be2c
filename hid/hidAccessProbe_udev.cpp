#include "hidAccessHint.h"

#include <cerrno>
#include <unistd.h>

namespace hidAccessHint {

int probeAccess(const QByteArray &path)
{
    // Only device nodes say anything about permissions; other paths (for
    // instance a simulated keyboard's) are not files at all.
    if (!path.startsWith("/dev/"))
        return 0;
    if (::access(path.constData(), R_OK | W_OK) == 0)
        return 0;
    return errno;
}

} // namespace hidAccessHint
