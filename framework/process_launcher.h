// The one way the programs start another program. Production code starts it
// for real; tests install a handler that records the command line and answers.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

struct ProcessLaunchResult {
    bool started = false;    // CreateProcessW made the process
    bool inputIdle = false;  // the new process reached the input-idle state
    DWORD error = 0;         // last-error code of the step that failed, else 0
    bool idleTimedOut = false;  // it runs, but was not idle within the limit
};

using ProcessLaunchHandler = std::function<ProcessLaunchResult(const std::string& commandLine)>;

// Starts the command line (UTF-8) with CreateProcessW (no application name, so the
// system's search for the program applies; no inherited handles, no creation
// flags, the caller's environment and current directory), waits until the
// process is idle for input, at most `idleLimitMs`, and closes its handles.
// Safe to call from any thread.
ProcessLaunchResult LaunchProcess(const std::string& commandLine, DWORD idleLimitMs = INFINITE);

// Installs a handler (empty to restore the real start); returns the previous one.
ProcessLaunchHandler SetProcessLaunchHandler(ProcessLaunchHandler handler);
