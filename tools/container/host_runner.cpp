#include "host_runner.h"

#include <algorithm>
#include <cstdio>

#include "ole_text.h"

void PumpMessages(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

namespace {
constexpr int kMargin = 8;
}

CHostRunner::CHostRunner(HWND window, const RECT& position, Output out, Output err)
    : m_window(window), m_first(position), m_out(std::move(out)), m_err(std::move(err)) {}

void CHostRunner::CloseAll() {
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) (*it)->host.Close();
    m_controls.clear();
}

void CHostRunner::FitWindow() {
    RECT need = {0, 0, 0, 0};
    for (const auto& c : m_controls) {
        need.right = std::max<LONG>(need.right, c->position.right + kMargin);
        need.bottom = std::max<LONG>(need.bottom, c->position.bottom + kMargin);
    }
    RECT client{};
    ::GetClientRect(m_window, &client);
    if (need.right <= client.right && need.bottom <= client.bottom) return;
    need.right = std::max(need.right, client.right);
    need.bottom = std::max(need.bottom, client.bottom);
    ::AdjustWindowRectEx(&need, static_cast<DWORD>(::GetWindowLongPtrW(m_window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(m_window, GWL_EXSTYLE)));
    ::SetWindowPos(m_window, nullptr, 0, 0, need.right - need.left, need.bottom - need.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CHostRunner::Fail(const std::wstring& what, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    m_err(Utf8FromWide(what) + " failed: " + code);
    return false;
}

bool CHostRunner::EnsureActive() {
    if (m_controls.empty() || !m_controls.back()->host.Control()) {
        m_err("no control: create one first");
        return false;
    }
    Hosted& c = *m_controls.back();
    if (c.active) return true;
    // Going on after a failure, a control that failed to load or show is
    // not tried again: the page's script reaches it as it is.
    if (c.activationTried && m_keepGoing) return false;
    c.activationTried = true;
    FitWindow();
    HRESULT hr = c.host.Load(m_window, c.position);
    if (FAILED(hr)) return Fail(L"loading the PARAM values", hr);
    hr = c.host.Activate();
    if (FAILED(hr)) return Fail(L"activating the control", hr);
    c.active = true;
    return true;
}

bool CHostRunner::Step(const HostAction& a) {
    switch (a.kind) {
    case HostAction::Kind::Create: {
        auto next = std::make_unique<Hosted>();
        next->position = m_first;
        if (!m_controls.empty()) {
            const RECT& above = m_controls.back()->position;
            ::OffsetRect(&next->position, 0, above.bottom + kMargin - m_first.top);
        }
        next->host.SetPageAddress(m_pageAddress);
        const HRESULT hr = next->host.CreateByProgId(a.name);
        if (FAILED(hr)) return Fail(L"creating " + a.name, hr);
        m_controls.push_back(std::move(next));
        return true;
    }
    case HostAction::Kind::Param:
    case HostAction::Kind::Size: {
        if (m_controls.empty()) {
            m_err("no control: create one first");
            return false;
        }
        Hosted& c = *m_controls.back();
        if (c.host.Loaded()) {
            m_err(Utf8FromWide(a.kind == HostAction::Kind::Size ? L"size" : L"param " + a.name) +
                  ": the control is already loaded");
            return false;
        }
        if (a.kind == HostAction::Kind::Size) {
            c.position.right = c.position.left + a.width;
            c.position.bottom = c.position.top + a.height;
        } else {
            c.host.SetParam(a.name, a.value);
        }
        return true;
    }
    case HostAction::Kind::Activate:
        return EnsureActive();
    case HostAction::Kind::Set:
    case HostAction::Kind::SetText: {
        if (!EnsureActive() && !(m_keepGoing && !m_controls.empty() && m_controls.back()->host.Control())) return false;
        VARIANT value;
        HRESULT hr = MakeScriptValue(a.value, a.kind == HostAction::Kind::SetText, &value);
        if (SUCCEEDED(hr)) hr = m_controls.back()->host.SetProperty(a.name, value);
        ::VariantClear(&value);
        return SUCCEEDED(hr) || Fail(L"set " + a.name, hr);
    }
    case HostAction::Kind::Get: {
        if (!EnsureActive() && !(m_keepGoing && !m_controls.empty() && m_controls.back()->host.Control())) return false;
        VARIANT value, text;
        ::VariantInit(&value);
        ::VariantInit(&text);
        HRESULT hr = m_controls.back()->host.GetProperty(a.name, &value);
        if (SUCCEEDED(hr)) hr = ::VariantChangeType(&text, &value, 0, VT_BSTR);
        if (SUCCEEDED(hr))
            m_out(Utf8FromWide(a.name) + "=" +
                  Utf8FromWide(std::wstring(V_BSTR(&text), ::SysStringLen(V_BSTR(&text)))));
        ::VariantClear(&value);
        ::VariantClear(&text);
        return SUCCEEDED(hr) || Fail(L"get " + a.name, hr);
    }
    case HostAction::Kind::Wait:
        PumpMessages(a.milliseconds);
        return true;
    case HostAction::Kind::Where: {
        if (!EnsureActive()) return false;
        RECT r{};
        const HWND control = m_controls.back()->host.ControlWindow();
        if (!control || !::GetWindowRect(control, &r)) {
            m_err("where: the control shows no window");
            return false;
        }
        char line[64];
        std::snprintf(line, sizeof line, "where %ld %ld %ld %ld", static_cast<long>(r.left), static_cast<long>(r.top),
                      static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
        m_out(line);
        return true;
    }
    case HostAction::Kind::Close:
        if (!m_controls.empty()) {
            m_controls.back()->host.Close();
            m_controls.back()->active = false;
        }
        return true;
    }
    return false;
}

bool CHostRunner::Run(const std::vector<HostAction>& actions, bool keepGoing) {
    m_keepGoing = keepGoing;
    bool allDone = true;
    for (const HostAction& a : actions) {
        if (Step(a)) continue;
        allDone = false;
        if (!keepGoing) break;
    }
    return allDone;
}
