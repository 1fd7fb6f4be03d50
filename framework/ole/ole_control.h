// COleControl: the base of our ActiveX controls. It is a window (with a
// message table, like any CWnd) and the COM object a web page container
// expects of a scriptable, persistable, in-place activated control:
// dispatch through the registered type library, persistence through
// property bags and streams, in-place activation and drawing, property
// pages, class information and an event source.
#pragma once
#include <windows.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "connection_points.h"
#include "dispatch_map.h"
#include "prop_exchange.h"
#include "wnd.h"

// What a control class tells the shell about itself.
struct OleControlClassInfo {
    const CLSID* clsid;
    const GUID* typeLib;
    WORD typeLibMajor;
    WORD typeLibMinor;
    DWORD miscStatus;           // OLEMISC_* bits, also registered
    const CLSID* propertyPages;  // the pages the control lists
    ULONG propertyPageCount;
    // Whether a web page at this address may use the control; null: any page.
    bool (*allowsPage)(const std::wstring& address);
};

// Called when the module unloads: the window classes registered for controls go.
void OleControlUnregisterWindowClasses();

class COleControl : public CWnd,
                    public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObject2,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public IDispatch,
                    public IProvideClassInfo2,
                    public ISpecifyPropertyPages,
                    public IConnectionPointContainer,
                    public IObjectSafety,
                    public IObjectWithSite {
public:
    explicit COleControl(const OleControlClassInfo& classInfo);
    ~COleControl() override;

    // --- IUnknown ---
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // --- IOleObject ---
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT posRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* userType) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // --- IOleWindow / IOleInPlaceObject / IOleInPlaceActiveObject ---
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT posRect, LPCRECT clipRect) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* uiWindow, BOOL frameWindow) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // --- IOleControl ---
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID dispid) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // --- IViewObject2 ---
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDevice,
                      HDC drawDc, LPCRECTL bounds, LPCRECTL windowBounds,
                      BOOL(STDMETHODCALLTYPE* continueFn)(ULONG_PTR), ULONG_PTR continueArg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                             HDC targetDevice, LOGPALETTE** colorSet) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // --- IPersist / IPersistStreamInit / IPersistPropertyBag ---
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* errorLog) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAllProperties) override;

    // --- IDispatch ---
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // --- IProvideClassInfo2 ---
    STDMETHODIMP GetClassInfo(ITypeInfo** typeInfo) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // --- ISpecifyPropertyPages ---
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // --- IConnectionPointContainer ---
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // --- IObjectSafety: safe for scripting and initialisation on an allowed page only ---
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

    // --- IObjectWithSite: the site of a control a page's script made ---
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID iid, void** site) override;

    bool IsInPlaceActive() const { return m_inPlaceActive; }
    bool IsUIActive() const { return m_uiActive; }
    // True after a property changed since the last save that cleared it.
    bool IsModified() const { return m_modified; }
    // The window that holds the control in the container: the reflector of a
    // subclassed control, else the control window itself.
    HWND GetOuterWindow() const { return m_reflector ? m_reflector : m_hWnd; }

protected:
    // The dispatch interface and the event interface of the control class.
    void InitializeIIDs(const IID* dispatchIid, const IID* eventIid);

    // Paints the control into `dc`; `bounds` is the control's rectangle there.
    virtual void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid);
    // Exchanges the persisted state. The base exchanges the control's own
    // state (extent and stock properties); a control class stamps its version
    // first, calls the base, then exchanges its properties.
    virtual void DoPropExchange(CPropExchange* px);
    // Stamps the version (saving) or reads it (loading) as "_Version".
    void ExchangeVersion(CPropExchange* px, DWORD version);
    // Every persisted property back to its default.
    virtual void OnResetState();

    // Adjusts the control window before it is made (class, styles).
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    // A control built on a system window class gets a reflector parent that
    // sends the notifications of the system control back to it as OCM_ messages.
    virtual bool IsSubclassedControl() const { return false; }
    // WM_CREATE; -1 stops the window's creation. The base does the default creation.
    virtual int OnCreate(LPCREATESTRUCTW cs);
    // The default handling of the message being dispatched (the system
    // control's window procedure for a subclassed control).
    LRESULT Default();
    // Lets a subclassed system control paint itself into `dc`.
    void DoSuperclassPaint(HDC dc, const RECT& bounds);

    // Every property setter ends with this, so that a host saves the control.
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }
    // The extent a new control has, in pixels.
    void SetInitialSize(int width, int height);
    // Asks the container to redraw the control (window or view).
    void InvalidateControl();
    IOleClientSite* GetClientSiteRaw() const { return m_clientSite; }
    // False on a web page the control does not serve: it then loads nothing,
    // acts on no property and shows nothing. A host that is no web page (a
    // program of its own) is served. Once refused, the control stays refused.
    bool PageServed();

    virtual const DispatchMap& GetDispatchMap() const = 0;

    DECLARE_MESSAGE_MAP()
    LRESULT OnCreateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaintMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseActivateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocusMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnKillFocusMessage(WPARAM wParam, LPARAM lParam);

private:
    struct CurrentMessage {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    HRESULT InPlaceActivate(bool uiActivate, HWND parentHint, LPCRECT posHint);
    HRESULT UIActivate();
    bool CreateControlWindow(HWND parent, const RECT& pos);
    void DestroyControlWindow();
    void ApplyClipRegion(const RECT& pos, const RECT& clip);
    void FinalRelease();
    ITypeInfo* LoadTypeInfo(REFGUID guid, LCID lcid, HRESULT* error);
    HRESULT LoadFromExchange(CPropExchange& px);
    enum class PageState { Unknown, Allowed, Refused };
    // Reads the page's address from the container when it is not known yet.
    PageState CheckPage();
    // S_OK for an interface of the control on a page it serves; E_NOINTERFACE
    // or E_FAIL otherwise.
    HRESULT SafetyAnswerable(REFIID iid);

    // Takes `site` into `slot` in place of the one there. Another site may be
    // another page: an allowed page's address is read again (a refusal stays).
    template <typename Site>
    void ReplaceSite(Site*& slot, Site* site) {
        if (site) site->AddRef();
        Site* previous = slot;
        slot = site;
        if (site != previous && m_pageState == PageState::Allowed) m_pageState = PageState::Unknown;
        if (previous) previous->Release();
    }

    // A reference held for one call from the container, across everything in
    // it that runs the container's or the page's code: the control must not
    // go away under its own feet when that code lets it go.
    class CallHold {
    public:
        explicit CallHold(COleControl* control) : m_control(control) { m_control->AddRef(); }
        ~CallHold() { m_control->Release(); }
        CallHold(const CallHold&) = delete;
        CallHold& operator=(const CallHold&) = delete;

    private:
        COleControl* m_control;
    };

    static LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ReflectorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);

    OleControlClassInfo m_classInfo;
    IID m_dispatchIid = IID_NULL;
    IID m_eventIid = IID_NULL;
    LONG m_refs = 1;

    IOleClientSite* m_clientSite = nullptr;
    IUnknown* m_objectSite = nullptr;  // IObjectWithSite
    PageState m_pageState = PageState::Unknown;
    DWORD m_safetyOptions = 0;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    IOleInPlaceFrame* m_inPlaceFrame = nullptr;
    IOleInPlaceUIWindow* m_inPlaceDocument = nullptr;
    IOleAdviseHolder* m_adviseHolder = nullptr;
    IAdviseSink* m_viewSink = nullptr;
    DWORD m_viewSinkAspects = 0;
    DWORD m_viewSinkFlags = 0;
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
    bool m_modified = false;
    int m_freezeEvents = 0;
    SIZEL m_extent{};  // HIMETRIC

    CConnectionPoint m_eventPoint;
    CConnectionPoint m_propertyNotifyPoint;

    ITypeInfo* m_dispatchTypeInfo = nullptr;
    LCID m_dispatchTypeInfoLcid = 0;

    HWND m_reflector = nullptr;
    WNDPROC m_superProc = nullptr;
    CurrentMessage m_current{};
};
