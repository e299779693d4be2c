#pragma once

#include <functional>

class QWidget;
class SessionEndWatcher;

// How the program answers the system's request to end (a shutdown, a logout,
// a kill, the end of a Windows session): the window closes as its close
// button closes it, so the unit under test is recorded, and the event loop
// ends. closing runs first (the close's bound starts there). Where the system
// may end the process right after asking (Windows, after WM_ENDSESSION),
// makeSafe runs inside that last message, after the window closed, to put on
// disk what the window handed on.
void closeOnSessionEnd(SessionEndWatcher &watcher, QWidget &window, std::function<void()> closing,
                       std::function<void()> makeSafe);
