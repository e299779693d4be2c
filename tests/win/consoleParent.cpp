// Starts a program the way cmd.exe starts a GUI program: from this console,
// but with no standard handles of its own, so the program's text reaches this
// console only if it attaches to it. Waits and ends with its exit code
// (100 when it cannot be started).
// Usage: tkt_consoleParent.exe program.exe [arguments...]
#include <windows.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 100;
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
        commandLine += (i > 1 ? " \"" : "\"") + std::string(argv[i]) + "\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // and all three handles null
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 100;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 100;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
