#include "programConsole.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace programConsole {

namespace {

// A GUI program's C runtime binds its streams at start only to handles it
// was given: a redirection to a file or a pipe. Started from a console
// without one, the stream has no handle.
bool unbound(FILE *stream)
{
    const int fd = _fileno(stream);
    if (fd < 0)
        return true;
    const intptr_t handle = _get_osfhandle(fd);
    return handle == -1 || handle == -2;
}

} // namespace

QStringList arguments(int argc, char **argv)
{
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    QStringList list;
    if (!wide) {
        // Never seen; argv in the system's code page is the next best.
        for (int i = 0; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }
    for (int i = 0; i < count; ++i)
        list << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
    return list;
}

void useParentConsole()
{
    const bool out = unbound(stdout);
    const bool err = unbound(stderr);
    // Started from Explorer or a shortcut there is no parent console: the
    // output goes nowhere, as for any GUI program.
    if ((!out && !err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (out)
        std::freopen("CONOUT$", "w", stdout);
    if (err)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace programConsole
