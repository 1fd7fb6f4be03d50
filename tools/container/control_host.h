// Hosts one ActiveX control the way the service's web page does: creates it
// (by ProgID, or from a class factory), gives it its client site, loads the
// PARAM values through a property bag, activates it in place in a window and
// sets and reads its properties through IDispatch as page script would.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>

#include "control_site.h"
#include "param_bag.h"

class CControlHost {
public:
    CControlHost();
    ~CControlHost();
    CControlHost(const CControlHost&) = delete;
    CControlHost& operator=(const CControlHost&) = delete;

    HRESULT CreateByProgId(const std::wstring& progId);
    HRESULT CreateFromFactory(IClassFactory* factory);
    // Takes a reference of an already made control.
    HRESULT Attach(IUnknown* control);

    // The address of the page the control is on; given before Load.
    void SetPageAddress(const std::wstring& address) { m_pageAddress = address; }
    // A PARAM of the OBJECT tag; given before Load.
    void SetParam(const std::wstring& name, const std::wstring& value) { m_params->Set(name, value); }
    CParamBag& Params() { return *m_params; }

    // Site first when the control asks for it, then its PARAM values (a new
    // state when there are none), then the site.
    HRESULT Load(HWND window, const RECT& position);
    // In-place activation in the window given to Load.
    HRESULT Activate();
    HRESULT SetPosition(const RECT& position);

    HRESULT SetProperty(const std::wstring& name, const VARIANT& value);
    // `value` must be initialised; it receives the property's value.
    HRESULT GetProperty(const std::wstring& name, VARIANT* value);
    HRESULT GetDispatchId(const std::wstring& name, DISPID* dispid);

    // Deactivates and closes the control and drops every reference.
    void Close();

    IUnknown* Control() const { return m_control; }
    IOleObject* OleObject() const { return m_oleObject; }
    CControlSite* Site() const { return m_site; }
    // The window the control shows itself in, or null.
    HWND ControlWindow() const;
    bool Loaded() const { return m_loaded; }

private:
    IUnknown* m_control = nullptr;
    IOleObject* m_oleObject = nullptr;
    IDispatch* m_dispatch = nullptr;
    CControlSite* m_site = nullptr;
    CParamBag* m_params;
    std::wstring m_pageAddress;
    DWORD m_miscStatus = 0;
    bool m_loaded = false;
    bool m_siteSet = false;
};
