// What the Notewell benchmarks share: starting the program under test and
// waiting for what it does, from another process.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dev_server.h"

namespace bench {

// A host path as Windows under wine sees it (Z: is the host's root).
std::string WindowsPath(std::string hostPath);
// Without a window manager wine waits for one whenever a captioned window
// goes; Notewell's windows are made unmanaged so they close at once.
void MakeNotewellWindowsUnmanaged();
// Polls until done, at most timeoutMs; false on time-out.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);
// Starts the program (a host path, or a Windows one with a drive) with the
// whole command line given; false when it could not be started.
bool StartProgram(const std::string& program, std::string commandLine, PROCESS_INFORMATION* started);
// The process's visible top-level dialogs whose caption `take` accepts.
std::vector<HWND> VisibleDialogs(DWORD processId, const std::function<bool(const std::wstring& caption)>& take);
// The process's private bytes and working set, in KB (0 when unknown).
struct ProcessMemory {
    double privateKb = 0, workingSetKb = 0;
};
ProcessMemory MemoryOf(HANDLE process);
// What Notewell's main window counts of itself (WM_COUNT_LIVE_OBJECTS:
// 0 GDI objects, 1 windows, 3 packets unhandled, 4 notices waiting, 5 a box
// open); -1 when it does not answer.
long AskTray(HWND tray, WPARAM what);
// A development server on the tray port that logs nothing; null (and a line
// said) when the port is taken.
std::unique_ptr<devserver::DevServer> StartQuietDevServer();
// Starts the program as `member` (password "pw", a man) against the server
// and waits for its login there and its main window; false, with a line
// said, when either does not come (the process may still run: end it).
bool StartLoggedInNotewell(devserver::DevServer& server, const std::string& program, const std::string& member,
                           PROCESS_INFORMATION* started, HWND* tray);
// Closes Notewell as the page does, ends it when it will not go, and
// releases its handles.
void EndNotewell(HWND tray, PROCESS_INFORMATION& started);

}  // namespace bench
