#include "programConsole.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace programConsole {

namespace {

// A GUI program gets standard handles only where it is given them: a
// redirection to a file or a pipe. Started from a console without one, the C
// runtime's descriptor has no handle.
bool unbound(int fd)
{
    const intptr_t handle = _get_osfhandle(fd);
    return handle == -1 || handle == -2;
}

// Points the descriptor, and the process's standard handle, at the console.
void bindToConsole(int fd, DWORD standard)
{
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return;
    const int consoleFd = _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_TEXT);
    if (consoleFd < 0) {
        CloseHandle(console);
        return;
    }
    if (_dup2(consoleFd, fd) == 0)
        SetStdHandle(standard, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    _close(consoleFd);
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
    const bool out = unbound(1);
    const bool err = unbound(2);
    if (!out && !err)
        return;
    // Started from Explorer or a shortcut there is no parent console: the
    // text goes nowhere, as for any GUI program. Wine has attached a GUI
    // program to its parent's console already (access denied).
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return;
    if (out)
        bindToConsole(1, STD_OUTPUT_HANDLE);
    if (err)
        bindToConsole(2, STD_ERROR_HANDLE);
}

} // namespace programConsole
