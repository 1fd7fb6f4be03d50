// The OLE control layer with a control of its own: persistence through bags
// and streams, automation, in-place activation, reflection, connection points
// and the module's object count.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "control_host.h"
#include "ole_factory.h"
#include "ole_module.h"
#include "test_control.h"

namespace {

// A top-level window for the control, as a browser's page window. It stays
// hidden: under wine without a window manager, hiding or destroying a shown
// top-level window waits about two seconds for the X server.
class HostWindow {
public:
    HostWindow() {
        hwnd = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 320,
                                 200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    ~HostWindow() { ::DestroyWindow(hwnd); }
    HWND hwnd;
};

const RECT kPosition = {10, 20, 110, 70};

struct Hosted {
    explicit Hosted(bool button = false) : control(new CTestControl(button)) {
        EXPECT_EQ(S_OK, host.Attach(static_cast<IOleObject*>(control)));
        control->Release();  // the host holds it now
    }
    CTestControl* control;
    CControlHost host;
};

HRESULT InvokeOn(IDispatch* dispatch, DISPID id, WORD flags, VARIANT* args, UINT argCount, VARIANT* result,
                 bool namedPut = true) {
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args, namedPut ? &put : nullptr, argCount, namedPut && argCount ? 1u : 0u};
    UINT argError = 99;
    return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, &argError);
}

IDispatch* DispatchOf(CTestControl* c) { return static_cast<IDispatch*>(c); }

IStream* NewStream() {
    IStream* s = nullptr;
    EXPECT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &s));
    return s;
}

void Rewind(IStream* s) {
    LARGE_INTEGER zero{};
    s->Seek(zero, STREAM_SEEK_SET, nullptr);
}

// The stream a test control saves with `first` as its first text, as bytes.
std::string SavedState(const std::string& first) {
    Hosted source;
    source.control->first = first;
    IStream* stream = NewStream();
    std::string bytes;
    if (static_cast<IPersistStreamInit*>(source.control)->Save(stream, FALSE) == S_OK) {
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        HGLOBAL memory = nullptr;
        ::GetHGlobalFromStream(stream, &memory);
        bytes.assign(static_cast<const char*>(::GlobalLock(memory)), static_cast<size_t>(stat.cbSize.QuadPart));
        ::GlobalUnlock(memory);
    }
    stream->Release();
    return bytes;
}

}  // namespace

TEST(PropertyExchange, BagSaveStampsVersionThenOwnStateThenPropertiesInOrder) {
    Hosted h;
    h.control->first = "1st";
    CParamBag* bag = new CParamBag();
    IPersistPropertyBag* persist = static_cast<IPersistPropertyBag*>(h.control);
    ASSERT_EQ(S_OK, persist->Save(bag, TRUE, TRUE));
    const std::vector<std::wstring> expected = {L"_Version", L"_ExtentX", L"_ExtentY", L"_StockProps", L"FIRST",
                                                L"SECOND"};
    EXPECT_EQ(expected, bag->WriteOrder());
    EXPECT_EQ(L"65536", *bag->Find(L"_Version"));
    EXPECT_EQ(L"1st", *bag->Find(L"first"));
    bag->Release();
}

TEST(PropertyExchange, BagLoadGivesDefaultsForMissingOrUnreadableValues) {
    Hosted h;
    h.control->first = "old";
    h.control->second = "old";
    CParamBag* bag = new CParamBag();
    bag->Set(L"First", L"from the page");  // names are not case-sensitive
    bag->Set(L"_ExtentX", L"not a number");
    SIZEL before{};
    static_cast<IOleObject*>(h.control)->GetExtent(DVASPECT_CONTENT, &before);
    ASSERT_EQ(S_OK, static_cast<IPersistPropertyBag*>(h.control)->Load(bag, nullptr));
    EXPECT_EQ("from the page", h.control->first);
    EXPECT_EQ("two", h.control->second);  // no PARAM: the default
    SIZEL after{};
    static_cast<IOleObject*>(h.control)->GetExtent(DVASPECT_CONTENT, &after);
    EXPECT_EQ(before.cx, after.cx);
    EXPECT_EQ(S_FALSE, static_cast<IPersistStreamInit*>(h.control)->IsDirty());
    bag->Release();
}

// A page without any PARAM: the bag fails every read and leaves the variant
// as it was given. It notes a text variant handed over with a pointer set:
// the control would free that pointer when it clears the variant.
class AbsentParamBag : public IPropertyBag {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IPropertyBag) return *out = nullptr, E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Read(LPCOLESTR, VARIANT* v, IErrorLog*) override {
        if (V_VT(v) == VT_BSTR && V_BSTR(v)) ++unsetTexts;
        ++reads;
        return E_INVALIDARG;
    }
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
    int reads = 0;
    int unsetTexts = 0;
};

// Leaves a recognisable pattern where the next calls keep their locals.
__attribute__((noinline)) void DirtyTheStack() {
    volatile unsigned char junk[8192];
    for (size_t i = 0; i < sizeof junk; ++i) junk[i] = 0x5A;
}

TEST(PropertyExchange, BagLoadWithoutParamsNeverHandsOverAnUnsetText) {
    Hosted h;
    AbsentParamBag bag;
    DirtyTheStack();
    ASSERT_EQ(S_OK, static_cast<IPersistPropertyBag*>(h.control)->Load(&bag, nullptr));
    EXPECT_GT(bag.reads, 2);
    EXPECT_EQ(0, bag.unsetTexts);
    EXPECT_EQ("two", h.control->second);
}

TEST(PropertyExchange, StreamRoundTripKeepsValuesAndClearsDirty) {
    Hosted a, b;
    a.control->SetText("x");  // marks modified
    a.control->first = "\xb1\xe8";  // the stream keeps a text's bytes untouched
    a.control->second = std::string("with\0zero", 9);
    IPersistStreamInit* persist = static_cast<IPersistStreamInit*>(a.control);
    EXPECT_EQ(S_OK, persist->IsDirty());
    IStream* s = NewStream();
    ASSERT_EQ(S_OK, persist->Save(s, TRUE));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    ULARGE_INTEGER max{};
    ASSERT_EQ(S_OK, persist->GetSizeMax(&max));
    STATSTG stat{};
    s->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);
    Rewind(s);
    ASSERT_EQ(S_OK, static_cast<IPersistStreamInit*>(b.control)->Load(s));
    EXPECT_EQ(a.control->first, b.control->first);
    EXPECT_EQ(a.control->second, b.control->second);
    s->Release();
}

TEST(PropertyExchange, DamagedStreamsLoadNothingAndReportAnError) {
    // A saved state cut short, and one whose text length is absurd.
    const std::string bytes = SavedState("first text");
    ASSERT_FALSE(bytes.empty());

    for (int damage = 0; damage < 2; ++damage) {
        std::string copy = bytes;
        if (damage == 0) {
            copy.resize(copy.size() - 3);
        } else {
            const size_t lengthAt = 16;  // version, extent x and y, stock properties
            const unsigned char huge[4] = {0xff, 0xff, 0xff, 0x7f};
            std::memcpy(&copy[lengthAt], huge, 4);
        }
        IStream* s = NewStream();
        s->Write(copy.data(), static_cast<ULONG>(copy.size()), nullptr);
        Rewind(s);
        Hosted target;
        target.control->first = "before";
        EXPECT_TRUE(FAILED(static_cast<IPersistStreamInit*>(target.control)->Load(s))) << damage;
        EXPECT_EQ("", target.control->first) << damage;
        EXPECT_EQ("two", target.control->second) << damage;
        s->Release();
    }
}

// A text longer than a property bag takes (kMaxPropertyText characters) is
// refused by a stream too: what loads from one always saves to a bag and back.
TEST(PropertyExchange, AStreamNeverLoadsATextABagWouldRefuse) {
    const std::string bytes = SavedState("x");
    ASSERT_FALSE(bytes.empty());
    const size_t lengthAt = 16;  // version, extent x and y, stock properties
    for (size_t characters : {kMaxPropertyText, kMaxPropertyText + 1}) {
        const uint32_t count = static_cast<uint32_t>(characters);
        const unsigned char length[4] = {static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
                                         static_cast<unsigned char>(count >> 16), static_cast<unsigned char>(count >> 24)};
        const std::string copy = bytes.substr(0, lengthAt) + std::string(reinterpret_cast<const char*>(length), 4) +
                                 std::string(characters, 'a') + bytes.substr(lengthAt + 4 + 1);
        IStream* s = NewStream();
        s->Write(copy.data(), static_cast<ULONG>(copy.size()), nullptr);
        Rewind(s);
        Hosted target;
        const HRESULT loaded = static_cast<IPersistStreamInit*>(target.control)->Load(s);
        s->Release();
        if (characters == kMaxPropertyText) {
            EXPECT_EQ(S_OK, loaded);
            EXPECT_EQ(characters, target.control->first.size());
        } else {
            EXPECT_TRUE(FAILED(loaded));
            EXPECT_EQ("", target.control->first);
        }
    }
}

TEST(PropertyExchange, InitNewResetsEveryPropertyToItsDefault) {
    Hosted h;
    h.control->first = "a";
    h.control->second = "b";
    ASSERT_EQ(S_OK, static_cast<IPersistStreamInit*>(h.control)->InitNew());
    EXPECT_EQ("", h.control->first);
    EXPECT_EQ("two", h.control->second);
}

TEST(Automation, NamesResolveWithoutCaseAndUnknownNamesFail) {
    Hosted h;
    DISPID id = 0;
    ASSERT_EQ(S_OK, h.host.GetDispatchId(L"nUMBER", &id));
    EXPECT_EQ(2, id);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, h.host.GetDispatchId(L"Missing", &id));
}

TEST(Automation, PutsAreCoercedToThePropertyType) {
    Hosted h;
    IDispatch* d = DispatchOf(h.control);
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocString(L"-12");
    EXPECT_EQ(S_OK, InvokeOn(d, 2, DISPATCH_PROPERTYPUT, &v, 1, nullptr));
    EXPECT_EQ(-12, h.control->number);
    ::VariantClear(&v);

    V_VT(&v) = VT_I4;
    V_I4(&v) = 70000;  // does not fit a 16-bit property
    EXPECT_EQ(DISP_E_OVERFLOW, InvokeOn(d, 2, DISPATCH_PROPERTYPUT, &v, 1, nullptr));
    EXPECT_EQ(-12, h.control->number);

    V_VT(&v) = VT_I4;
    V_I4(&v) = 42;  // a number put into a text property becomes its decimal text
    EXPECT_EQ(S_OK, InvokeOn(d, 1, DISPATCH_PROPERTYPUT, &v, 1, nullptr));
    EXPECT_EQ("42", h.control->text);

    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocString(L"\uAE40");  // 김 reaches the control in UTF-8
    EXPECT_EQ(S_OK, InvokeOn(d, 1, DISPATCH_PROPERTYPUT, &v, 1, nullptr));
    EXPECT_EQ("\xea\xb9\x80", h.control->text);
    ::VariantClear(&v);
    EXPECT_EQ(S_OK, static_cast<IPersistStreamInit*>(h.control)->IsDirty());
}

TEST(Automation, MalformedCallsAreRefused) {
    Hosted h;
    IDispatch* d = DispatchOf(h.control);
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = 1;
    VARIANT result;
    ::VariantInit(&result);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeOn(d, 99, DISPATCH_PROPERTYGET, nullptr, 0, &result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeOn(d, 1, DISPATCH_METHOD, nullptr, 0, &result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeOn(d, 1, DISPATCH_PROPERTYPUT, nullptr, 0, nullptr));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeOn(d, 1, DISPATCH_PROPERTYGET, &v, 1, &result, false));
    VARIANT odd;
    V_VT(&odd) = VT_UNKNOWN;
    V_UNKNOWN(&odd) = nullptr;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, InvokeOn(d, 2, DISPATCH_PROPERTYPUT, &odd, 1, nullptr));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              d->Invoke(1, IID_IUnknown, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr));
    // A get without a result place is harmless.
    EXPECT_EQ(S_OK, InvokeOn(d, 1, DISPATCH_PROPERTYGET, nullptr, 0, nullptr));
}

TEST(InPlace, ActivationMakesTheWindowThroughTheMessageTableAndDeactivationEndsIt) {
    HostWindow window;
    Hosted h;
    ASSERT_EQ(S_OK, h.host.Load(window.hwnd, kPosition));
    ASSERT_EQ(S_OK, h.host.Activate());
    HWND control = h.host.ControlWindow();
    ASSERT_TRUE(control);
    EXPECT_EQ(1, h.control->createCalls);  // WM_CREATE reached the control's message table
    EXPECT_EQ(window.hwnd, ::GetParent(control));
    RECT rc;
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, window.hwnd, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(kPosition.left, rc.left);
    EXPECT_EQ(kPosition.top, rc.top);
    EXPECT_EQ(100, rc.right - rc.left);
    EXPECT_TRUE(h.host.Site()->InPlaceActive());
    EXPECT_FALSE(h.host.Site()->UIActive());

    const RECT moved = {0, 0, 40, 30};
    EXPECT_EQ(S_OK, h.host.SetPosition(moved));
    ::GetClientRect(control, &rc);
    EXPECT_EQ(40, rc.right);

    ::SendMessageA(control, WM_PAINT, 0, 0);
    EXPECT_EQ(1, h.control->drawCalls);

    EXPECT_EQ(S_OK, static_cast<IOleInPlaceObject*>(h.control)->InPlaceDeactivate());
    EXPECT_FALSE(::IsWindow(control));
    EXPECT_FALSE(h.host.Site()->InPlaceActive());
}

TEST(InPlace, UiActivationTellsTheSiteAndTheFrame) {
    HostWindow window;
    Hosted h;
    ASSERT_EQ(S_OK, h.host.Load(window.hwnd, kPosition));
    RECT pos = kPosition;
    ASSERT_EQ(S_OK, h.host.OleObject()->DoVerb(OLEIVERB_UIACTIVATE, nullptr, h.host.Site(), 0, window.hwnd, &pos));
    EXPECT_TRUE(h.host.Site()->UIActive());
    EXPECT_TRUE(h.host.Site()->ActiveObject() != nullptr);
    EXPECT_EQ(S_OK, static_cast<IOleInPlaceObject*>(h.control)->UIDeactivate());
    EXPECT_FALSE(h.host.Site()->UIActive());
    EXPECT_EQ(nullptr, h.host.Site()->ActiveObject());
}

TEST(InPlace, AFailedCreationLeavesTheControlInactive) {
    HostWindow window;
    Hosted h;
    h.control->failCreate = true;
    ASSERT_EQ(S_OK, h.host.Load(window.hwnd, kPosition));
    EXPECT_TRUE(FAILED(h.host.Activate()));
    EXPECT_FALSE(h.control->IsInPlaceActive());
    EXPECT_FALSE(h.host.Site()->InPlaceActive());
    EXPECT_EQ(nullptr, h.host.ControlWindow());
}

// Deactivation destroys the focused window, whose WM_KILLFOCUS runs the
// page's blur handler; the handler lets the control go. The control stays
// until the container's call is over: the window is gone whole before it is.
TEST(InPlace, ABlurHandlerThatDropsTheControlInADeactivationLetsTheDeactivationFinish) {
    HostWindow window;
    ::ShowWindow(window.hwnd, SW_SHOWNA);  // a hidden page takes no focus
    Hosted hosted(true);
    ASSERT_EQ(S_OK, hosted.host.Load(window.hwnd, kPosition));
    ASSERT_EQ(S_OK, hosted.host.Activate());
    const HWND button = hosted.control->m_hWnd;
    ::SetFocus(button);
    ASSERT_EQ(button, ::GetFocus());
    IOleInPlaceObject* inPlace = nullptr;
    ASSERT_EQ(S_OK, hosted.host.Control()->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)));
    inPlace->Release();  // the container calls through the reference the page holds
    bool blurred = false;
    hosted.host.Site()->onFocus = [&](BOOL focused) {
        if (focused || blurred) return;
        blurred = true;
        hosted.host.Close();  // the page lets the control go
    };
    const int deletedBefore = CTestControl::deleted;
    const int deletedWithWindowBefore = CTestControl::deletedWithWindow;
    EXPECT_EQ(S_OK, inPlace->InPlaceDeactivate());
    EXPECT_TRUE(blurred);
    EXPECT_EQ(deletedBefore + 1, CTestControl::deleted);
    EXPECT_EQ(deletedWithWindowBefore, CTestControl::deletedWithWindow);
    EXPECT_FALSE(::IsWindow(button));
}

TEST(InPlace, SubclassedSystemControlGetsItsNotificationsReflected) {
    HostWindow window;
    Hosted h(true);
    ASSERT_EQ(S_OK, h.host.Load(window.hwnd, kPosition));
    ASSERT_EQ(S_OK, h.host.Activate());
    HWND outer = h.host.ControlWindow();
    HWND button = h.control->m_hWnd;
    ASSERT_TRUE(outer && button);
    EXPECT_NE(outer, button);  // the reflector sits between the page and the button
    EXPECT_EQ(outer, ::GetParent(button));
    char cls[32] = {};
    ::GetClassNameA(button, cls, sizeof cls);
    EXPECT_STREQ("Button", cls);
    EXPECT_EQ(1, h.control->createCalls);
    ::SendMessageA(button, BM_CLICK, 0, 0);
    ASSERT_EQ(1u, h.control->reflectedCommands.size());
    EXPECT_EQ(static_cast<UINT>(BN_CLICKED), h.control->reflectedCommands[0]);
    // An unhandled colour notification still gets a brush, as from a plain parent.
    EXPECT_NE(0, ::SendMessageA(outer, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(::GetDC(button)),
                                reinterpret_cast<LPARAM>(button)));
    h.host.Close();
    EXPECT_FALSE(::IsWindow(outer));
}

TEST(ViewObject, DrawPaintsIntoTheGivenContext) {
    Hosted h;
    HDC dc = ::CreateCompatibleDC(nullptr);
    RECTL bounds = {0, 0, 20, 20};
    IViewObject2* view = static_cast<IViewObject2*>(h.control);
    EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
    EXPECT_EQ(1, h.control->drawCalls);
    EXPECT_EQ(DV_E_DVASPECT,
              view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
    ::DeleteDC(dc);
}

TEST(ConnectionPoints, EventSourceAcceptsSinksAndFiresNothing) {
    Hosted h;
    IConnectionPointContainer* cpc = static_cast<IConnectionPointContainer*>(h.control);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(S_OK, cpc->FindConnectionPoint(kTestControlEventIid, &point));
    IID iid{};
    point->GetConnectionInterface(&iid);
    EXPECT_TRUE(IsEqualIID(kTestControlEventIid, iid));
    CParamBag* notADispatch = new CParamBag();
    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(notADispatch, &cookie));
    notADispatch->Release();
    // Any IDispatch can listen; the container's site is one.
    HostWindow window;
    CControlSite* sink = new CControlSite(window.hwnd, kPosition);
    ASSERT_EQ(S_OK, point->Advise(static_cast<IOleClientSite*>(sink), &cookie));
    EXPECT_NE(0u, cookie);
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    sink->Release();
    point->Release();
    EXPECT_EQ(CONNECT_E_NOCONNECTION, cpc->FindConnectionPoint(IID_IDispatch, &point));

    IEnumConnectionPoints* all = nullptr;
    ASSERT_EQ(S_OK, cpc->EnumConnectionPoints(&all));
    IConnectionPoint* points[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, all->Next(3, points, &fetched));
    EXPECT_EQ(2u, fetched);
    for (ULONG i = 0; i < fetched; ++i) points[i]->Release();
    all->Release();

    GUID source{};
    EXPECT_EQ(S_OK, static_cast<IProvideClassInfo2*>(h.control)->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(kTestControlEventIid, source));
    CAUUID pages{};
    ASSERT_EQ(S_OK, static_cast<ISpecifyPropertyPages*>(h.control)->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(kTestControlPageClsid, pages.pElems[0]));
    ::CoTaskMemFree(pages.pElems);
}

namespace {
COleControlFactory testFactory(kTestControlClsid, "CTestControl", "TEST.TestControl.1", &CreateComObject<CTestControl>,
                               {1, 1, 0, &kTestControlTypeLib, 1, 0, "Apartment", false});
}

TEST(Module, ObjectsAndLocksHoldTheModuleAndFactoriesRefuseAggregation) {
    const LONG before = OleModuleLockCount();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, OleModuleGetClassObject(kTestControlClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    IClassFactory* none = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              OleModuleGetClassObject(kTestControlTypeLib, IID_IClassFactory, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    IUnknown* object = nullptr;
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&object)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(before + 1, OleModuleLockCount());
    object->Release();
    EXPECT_EQ(before, OleModuleLockCount());
    factory->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, OleModuleCanUnloadNow());
    factory->LockServer(FALSE);
    EXPECT_EQ(before, OleModuleLockCount());
}
