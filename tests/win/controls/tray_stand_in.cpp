#include "tray_stand_in.h"

#include "tray_messages.h"

namespace {
const char kClass[] = "TrayStandInWindow";
}

TrayStandIn::TrayStandIn() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TrayStandIn::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassA(&wc);  // fails harmlessly when already registered
    m_window = ::CreateWindowExA(0, kClass, kTrayWindowTitle, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, this);
}

TrayStandIn::~TrayStandIn() {
    if (m_window) ::DestroyWindow(m_window);
}

std::vector<UINT> TrayStandIn::Messages() const {
    std::vector<UINT> numbers;
    for (const TrayDelivery& d : m_deliveries) numbers.push_back(d.message);
    return numbers;
}

LRESULT CALLBACK TrayStandIn::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TrayStandIn*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        TrayDelivery d{message, wParam, 0, data->dwData,
                       std::string(static_cast<const char*>(data->lpData), data->cbData)};
        self->m_deliveries.push_back(d);
        return TRUE;
    }
    if (self && message >= WM_USER && message < WM_APP) {
        TrayDelivery d{message, wParam, lParam, 0, std::string()};
        self->m_deliveries.push_back(d);
        return 0;
    }
    if (message == WM_NCDESTROY && self) self->m_window = nullptr;
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

bool AnyTrayWindow() { return ::FindWindowA(nullptr, kTrayWindowTitle) != nullptr; }
