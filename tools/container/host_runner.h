// Runs the container's steps against the controls of one page: each control
// is placed below the one before it, and the window grows to hold them.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control_host.h"
#include "host_script.h"

// Lets the thread's windows run (and sent messages arrive) for `milliseconds`.
void PumpMessages(DWORD milliseconds);

class CHostRunner {
public:
    using Output = std::function<void(const std::string& utf8Line)>;
    // `position` is where the first control goes and its size by default.
    CHostRunner(HWND window, const RECT& position, Output out, Output err);

    // The page's address for the controls made from now on (empty: no web page).
    void SetPageAddress(const std::wstring& address) { m_pageAddress = address; }
    // Stops at the first step that fails (it is reported on `err`), or with
    // `keepGoing` takes every step; false when any failed.
    bool Run(const std::vector<HostAction>& actions, bool keepGoing = false);
    // Closes every control, the last made first.
    void CloseAll();

private:
    struct Hosted {
        CControlHost host;
        RECT position;
        bool active = false;
        bool activationTried = false;
    };
    bool Step(const HostAction& action);
    bool EnsureActive();
    bool Fail(const std::wstring& what, HRESULT hr);
    // Makes the window's client area hold every control with a margin.
    void FitWindow();

    HWND m_window;
    RECT m_first;
    std::wstring m_pageAddress;
    bool m_keepGoing = false;
    Output m_out;
    Output m_err;
    std::vector<std::unique_ptr<Hosted>> m_controls;  // the one steps act on is the last
};
