#pragma once

// Tells the Windows installer and uninstaller that the tool runs, so they stop
// rather than replace or delete its files underneath it. They may run in
// another session than the operator's (roll-out tools run as SYSTEM), where the
// single-instance guard's segment is not visible: the marker is a named mutex
// in the global namespace, "Global\TavrinKeyboardTest.running"
// (scripts/windows-installer.nsi looks for it), that lives as long as this
// process, however it ends. Elsewhere there is no installer and no marker.
class RunningMarker
{
public:
    RunningMarker();
    ~RunningMarker();

    RunningMarker(const RunningMarker &) = delete;
    RunningMarker &operator=(const RunningMarker &) = delete;

private:
    void *m_handle = nullptr;
};
