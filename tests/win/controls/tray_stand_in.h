// An in-process stand-in for Notewell's main window: a window titled
// "PvxTray" on the test's thread that records what the controls send it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct TrayDelivery {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;           // for WM_COPYDATA: 0 (the pointer is gone after the send)
    ULONG_PTR copyKind = 0;  // WM_COPYDATA only
    std::string bytes;       // WM_COPYDATA only: the record as received
};

class TrayStandIn {
public:
    TrayStandIn();
    ~TrayStandIn();
    TrayStandIn(const TrayStandIn&) = delete;
    TrayStandIn& operator=(const TrayStandIn&) = delete;

    HWND Window() const { return m_window; }
    const std::vector<TrayDelivery>& Deliveries() const { return m_deliveries; }
    void Clear() { m_deliveries.clear(); }
    // Message numbers received (WM_COPYDATA included), in order.
    std::vector<UINT> Messages() const;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_window = nullptr;
    std::vector<TrayDelivery> m_deliveries;
};

// True when some window titled "PvxTray" exists (ours or another process's).
bool AnyTrayWindow();
