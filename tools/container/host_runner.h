// Runs the container's steps against one hosted control in a window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "control_host.h"
#include "host_script.h"

// Lets the thread's windows run (and sent messages arrive) for `milliseconds`.
void PumpMessages(DWORD milliseconds);

class CHostRunner {
public:
    using Output = std::function<void(const std::string& utf8Line)>;
    CHostRunner(HWND window, const RECT& position, Output out, Output err);

    // Stops at the first step that fails (it is reported on `err`).
    bool Run(const std::vector<HostAction>& actions);
    CControlHost& Host() { return m_host; }

private:
    bool Step(const HostAction& action);
    bool EnsureActive();
    bool Fail(const std::wstring& what, HRESULT hr);

    HWND m_window;
    RECT m_position;
    Output m_out;
    Output m_err;
    CControlHost m_host;
    bool m_active = false;
};
