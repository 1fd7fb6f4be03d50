#include "host_runner.h"

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

CHostRunner::CHostRunner(HWND window, const RECT& position, Output out, Output err)
    : m_window(window), m_position(position), m_out(std::move(out)), m_err(std::move(err)) {}

bool CHostRunner::Fail(const std::wstring& what, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    m_err(Utf8FromWide(what) + " failed: " + code);
    return false;
}

bool CHostRunner::EnsureActive() {
    if (m_active) return true;
    if (!m_host.Control()) {
        m_err("no control: create one first");
        return false;
    }
    HRESULT hr = m_host.Load(m_window, m_position);
    if (FAILED(hr)) return Fail(L"loading the PARAM values", hr);
    hr = m_host.Activate();
    if (FAILED(hr)) return Fail(L"activating the control", hr);
    m_active = true;
    return true;
}

bool CHostRunner::Step(const HostAction& a) {
    switch (a.kind) {
    case HostAction::Kind::Create: {
        if (m_host.Control()) {
            m_err("a control is already hosted");
            return false;
        }
        const HRESULT hr = m_host.CreateByProgId(a.name);
        return SUCCEEDED(hr) || Fail(L"creating " + a.name, hr);
    }
    case HostAction::Kind::Param:
        if (m_host.Loaded()) {
            m_err("param " + Utf8FromWide(a.name) + ": the control is already loaded");
            return false;
        }
        m_host.SetParam(a.name, a.value);
        return true;
    case HostAction::Kind::Activate:
        return EnsureActive();
    case HostAction::Kind::Set:
    case HostAction::Kind::SetText: {
        if (!EnsureActive()) return false;
        VARIANT value;
        HRESULT hr = MakeScriptValue(a.value, a.kind == HostAction::Kind::SetText, &value);
        if (SUCCEEDED(hr)) hr = m_host.SetProperty(a.name, value);
        ::VariantClear(&value);
        return SUCCEEDED(hr) || Fail(L"set " + a.name, hr);
    }
    case HostAction::Kind::Get: {
        if (!EnsureActive()) return false;
        VARIANT value, text;
        ::VariantInit(&value);
        ::VariantInit(&text);
        HRESULT hr = m_host.GetProperty(a.name, &value);
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
    case HostAction::Kind::Close:
        m_host.Close();
        m_active = false;
        return true;
    }
    return false;
}

bool CHostRunner::Run(const std::vector<HostAction>& actions) {
    for (const HostAction& a : actions)
        if (!Step(a)) return false;
    return true;
}
