// Both registered controls, made by their ProgIDs, against what a buggy or
// hostile page and container do to them: a value whose conversion drops the
// control in the middle of a put, verbs in odd orders, damaged streams,
// texts of a million characters and sinks that are null or of the wrong kind.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "control_host.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

// A page's script object: reading its value (what converting it to a text
// does) runs the page's code first.
class CPageObject : public IDispatch {
public:
    explicit CPageObject(std::function<void()> onValue) : m_onValue(std::move(onValue)) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }  // lives on the test's stack
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (dispid != DISPID_VALUE || !result) return DISP_E_MEMBERNOTFOUND;
        ++valueReads;
        if (m_onValue) m_onValue();
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = ::SysAllocString(L"page value");
        return S_OK;
    }
    int valueReads = 0;

private:
    std::function<void()> m_onValue;
    ULONG m_refs = 1;
};

// A sink that is only an IDispatch (no IPropertyNotifySink).
class CDispatchOnly : public CPageObject {
public:
    CDispatchOnly() : CPageObject(nullptr) {}
};

const wchar_t* const kProgIds[] = {L"GATEKIN.GatekinCtrl.1", L"ROSTERLY.RosterlyCtrl.1"};

class ControlRobustness : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(GATEKIN_OCX_PATH), "DllRegisterServer"));
        ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(ROSTERLY_OCX_PATH), "DllRegisterServer"));
    }
    void SetUp() override {
        frame = ::CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 300, 200,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    void TearDown() override { ::DestroyWindow(frame); }
    HWND frame = nullptr;
};

IPersistStreamInit* StreamPersistence(CControlHost& host) {
    IPersistStreamInit* persist = nullptr;
    host.Control()->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    return persist;
}

}  // namespace

// The page's object drops the control (deactivates it, takes its site away,
// releases every reference) while the control converts it; the put finishes
// on a live control and the control goes only after it.
TEST_F(ControlRobustness, APutWhoseValueDropsTheControlFinishesSafely) {
    for (const wchar_t* progId : kProgIds) {
        SCOPED_TRACE(std::string(progId, progId + wcslen(progId)));
        CControlHost host;
        ASSERT_EQ(S_OK, host.CreateByProgId(progId));
        ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 40, 40}));
        // Gatekin is shown as on a page; a shown Rosterly would connect to its server.
        if (progId == kProgIds[0]) {
            ASSERT_EQ(S_OK, host.Activate());
        }
        CPageObject value([&] { host.Close(); });
        VARIANT v;
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = &value;
        EXPECT_EQ(S_OK, host.SetProperty(L"TextID", v));
        EXPECT_EQ(1, value.valueReads);
        EXPECT_EQ(nullptr, host.Control());
    }
}

// The page's focus handler drops the control while its window takes the
// focus: the control is still there for the rest of that message and goes
// right after it.
TEST_F(ControlRobustness, AFocusHandlerThatDropsTheControlFinishesTheMessageSafely) {
    const std::string module = HostToWindowsPath(GATEKIN_OCX_PATH);
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgIds[0]));
    ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 40, 40}));
    ASSERT_EQ(S_OK, host.Activate());
    const HWND window = host.ControlWindow();
    ASSERT_TRUE(window);
    HRESULT unloadableInHandler = E_FAIL;
    bool dropped = false;
    host.Site()->onFocus = [&](BOOL) {
        if (dropped) return;
        dropped = true;
        host.Close();
        unloadableInHandler = CallModuleEntry(module, "DllCanUnloadNow");
    };
    ::SendMessageW(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(S_FALSE, unloadableInHandler);
    EXPECT_EQ(nullptr, host.Control());
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(S_OK, CallModuleEntry(module, "DllCanUnloadNow"));
}

TEST_F(ControlRobustness, ShowAfterHideShowsTheControlAgain) {
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgIds[0]));
    ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 40, 40}));
    ASSERT_EQ(S_OK, host.Activate());
    HWND window = host.ControlWindow();
    ASSERT_TRUE(window);
    // Its own visibility (the page's window itself is not shown here).
    auto shown = [&] { return (::GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0; };
    ASSERT_TRUE(shown());
    for (LONG verb : {OLEIVERB_SHOW, OLEIVERB_UIACTIVATE, OLEIVERB_INPLACEACTIVATE}) {
        ASSERT_EQ(S_OK, host.OleObject()->DoVerb(OLEIVERB_HIDE, nullptr, host.Site(), 0, frame, nullptr));
        EXPECT_FALSE(shown());
        RECT position = {0, 0, 40, 40};
        EXPECT_EQ(S_OK, host.OleObject()->DoVerb(verb, nullptr, host.Site(), 0, frame, &position));
        EXPECT_TRUE(shown()) << "verb " << verb;
    }
    host.Close();
}

// A stream that breaks off after the size it carries: the load fails and
// leaves the control as new, in the size it had, not the damaged state's.
TEST_F(ControlRobustness, ADamagedStreamChangesNeitherTextsNorSize) {
    for (const wchar_t* progId : kProgIds) {
        SCOPED_TRACE(std::string(progId, progId + wcslen(progId)));
        CControlHost host;
        host.SetParam(L"ID", L"viewer");
        ASSERT_EQ(S_OK, host.CreateByProgId(progId));
        ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 40, 40}));
        SIZEL before{};
        ASSERT_EQ(S_OK, host.OleObject()->GetExtent(DVASPECT_CONTENT, &before));
        SIZEL big = {5000, 6000};
        ASSERT_EQ(S_OK, host.OleObject()->SetExtent(DVASPECT_CONTENT, &big));
        IPersistStreamInit* persist = StreamPersistence(host);
        ASSERT_TRUE(persist);
        IStream* saved = nullptr;
        ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &saved));
        ASSERT_EQ(S_OK, persist->Save(saved, TRUE));
        ASSERT_EQ(S_OK, host.OleObject()->SetExtent(DVASPECT_CONTENT, &before));
        // Version and size, then a text whose length says more than the stream holds.
        ULARGE_INTEGER cut;
        cut.QuadPart = 12 + 6;
        ASSERT_EQ(S_OK, saved->SetSize(cut));
        const LARGE_INTEGER start = {};
        saved->Seek(start, STREAM_SEEK_SET, nullptr);
        EXPECT_TRUE(FAILED(persist->Load(saved)));
        SIZEL after{};
        EXPECT_EQ(S_OK, host.OleObject()->GetExtent(DVASPECT_CONTENT, &after));
        EXPECT_EQ(before.cx, after.cx);
        EXPECT_EQ(before.cy, after.cy);
        saved->Release();
        persist->Release();
        host.Close();
    }
}

// A million Korean characters from the page: refused where they enter, so
// what the control keeps still saves whole and loads again.
TEST_F(ControlRobustness, AHugeTextIsRefusedAndTheStateStillSaves) {
    const std::wstring huge(1u << 20, L'\uAC00');
    for (const wchar_t* progId : kProgIds) {
        SCOPED_TRACE(std::string(progId, progId + wcslen(progId)));
        CControlHost host;
        host.SetParam(L"PWD", huge);  // a PARAM as long
        ASSERT_EQ(S_OK, host.CreateByProgId(progId));
        ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 40, 40}));
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocStringLen(huge.data(), static_cast<UINT>(huge.size()));
        EXPECT_EQ(DISP_E_OVERFLOW, host.SetProperty(L"TextID", v));
        ::VariantClear(&v);
        IPersistStreamInit* persist = StreamPersistence(host);
        ASSERT_TRUE(persist);
        ULARGE_INTEGER size{};
        EXPECT_EQ(S_OK, persist->GetSizeMax(&size));
        IStream* saved = nullptr;
        ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &saved));
        EXPECT_EQ(S_OK, persist->Save(saved, TRUE));
        const LARGE_INTEGER start = {};
        saved->Seek(start, STREAM_SEEK_SET, nullptr);
        EXPECT_EQ(S_OK, persist->Load(saved));
        saved->Release();
        persist->Release();
        host.Close();
    }
}

TEST_F(ControlRobustness, NullAndWrongSinksAreRefused) {
    for (const wchar_t* progId : kProgIds) {
        SCOPED_TRACE(std::string(progId, progId + wcslen(progId)));
        CControlHost host;
        ASSERT_EQ(S_OK, host.CreateByProgId(progId));
        DWORD cookie = 7;
        EXPECT_EQ(E_INVALIDARG, host.OleObject()->Advise(nullptr, &cookie));
        EXPECT_EQ(0u, cookie);
        IConnectionPointContainer* points = nullptr;
        ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_IConnectionPointContainer,
                                                       reinterpret_cast<void**>(&points)));
        IConnectionPoint* notify = nullptr;
        ASSERT_EQ(S_OK, points->FindConnectionPoint(IID_IPropertyNotifySink, &notify));
        CDispatchOnly sink;
        EXPECT_EQ(CONNECT_E_CANNOTCONNECT, notify->Advise(&sink, &cookie));
        EXPECT_EQ(E_POINTER, notify->Advise(nullptr, &cookie));
        notify->Release();
        points->Release();
        host.Close();
    }
}
