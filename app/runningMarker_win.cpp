#include "runningMarker.h"

#include <windows.h>

RunningMarker::RunningMarker()
{
    // A copy of another user in another session may own the name already: the
    // installer sees that one, so a failure here needs no handling.
    m_handle = CreateMutexW(nullptr, FALSE, L"Global\\TavrinKeyboardTest.running");
}

RunningMarker::~RunningMarker()
{
    if (m_handle)
        CloseHandle(m_handle);
}
