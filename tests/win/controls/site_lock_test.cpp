// Both registered controls in the container program, on a page of the
// service's site and on foreign pages: the service's page drives them, a
// foreign one gets controls that start nothing, send nothing to "PvxTray",
// open no connection and show nothing.
#include <objsafe.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "control_host.h"
#include "dev_server.h"
#include "ole_text.h"
#include "packet.h"
#include "tray_messages.h"
#include "win_test_support.h"

#ifndef GATEKIN_OCX_PATH
#error GATEKIN_OCX_PATH names the module under test
#endif

using namespace testing_support;

namespace {

const std::wstring kServicePage = L"http://www.corvala.co.kr/member/main.asp?menu=1";
const std::vector<std::wstring> kForeignPages = {
    L"http://evil.example/", L"https://www.corvala.co.kr.evil.example/", L"http://www.corvala.co.kr@evil.example/",
    L"http://evil.example/?u=www.corvala.co.kr", L"http://www.corvala.co.kr:8080/", L"file:///C:/corvala.htm"};

std::wstring Folder(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    return wide.substr(0, wide.find_last_of(L"\\/"));
}

// The container on a page at `url`, going on past refused steps as a page's
// script would; its exit code (0: every step succeeded), -1 when it hung.
int PlayPage(const std::wstring& url, const std::wstring& steps) {
    ChildProcess::Options options;
    options.directory = Folder(FAKE_NOTEWELL_PATH);  // where the program search finds the stand-in Notewell.exe
    const std::wstring line =
        L"\"" + WideFromUtf8(CONTAINER_EXE_PATH) + L"\" --url \"" + url + L"\" --keep-going " + steps;
    const std::optional<DWORD> code = RunToEnd(line, options, 30000);
    return code ? static_cast<int>(*code) : -1;
}

bool WaitUntilNoTray(DWORD limitMs) {
    return PumpUntil([] { return !::FindWindowA(nullptr, kTrayWindowTitle); }, limitMs);
}

class SiteLock : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(::FindWindowA(nullptr, kTrayWindowTitle)) << "another \"PvxTray\" window exists";
        char dir[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        log = std::string(dir) + "site_lock_tray.log";
        ::DeleteFileA(log.c_str());
        ::SetEnvironmentVariableA("FAKE_TRAY_LOG", log.c_str());
    }
    void TearDown() override {
        if (HWND tray = ::FindWindowA("FakeNotewellWindow", kTrayWindowTitle))
            ::SendMessageTimeoutA(tray, WM_TRAY_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
        WaitUntilNoTray(5000);
        ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    }
    std::string log;
};

const wchar_t kGatekin[] =
    L"GATEKIN.GatekinCtrl.1 --param ID=bob --param PWD=pw --param SEX=F --param SESSIONID=S3"
    L" --param SERVERIP=127.0.0.1 --activate ";
const wchar_t kEverySend[] =
    L"--set SendLabel=id/nick/F/25 --set-text SendChat=id/nick/F/25/job/seoul/5/9/topic/3 --set SendAllLabel=x"
    L" --set SendAllChat=x --set LogStateProc=2 --set LogStateProc=1 --set LogStateProc=3 --set LogStateProc=0";

// A site in between a page and its control (a container that forwards what
// it is given): it offers the page's document or its browser, but passes on
// no address, neither as a moniker nor through them.
class CAddresslessSite : public IOleClientSite, public IServiceProvider, public IOleContainer, public IDispatch {
public:
    enum class Offers { Document, Browser };
    explicit CAddresslessSite(Offers offers) : m_offers(offers) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IServiceProvider && m_offers == Offers::Browser)
            *object = static_cast<IServiceProvider*>(this);
        else if ((iid == IID_IOleContainer || iid == IID_IParseDisplayName) && m_offers == Offers::Document)
            *object = static_cast<IOleContainer*>(this);
        else if (iid == IID_IDispatch || iid == kIidHtmlDocument)
            *object = static_cast<IDispatch*>(this);  // the document's first interface, not its second
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }  // lives on the test's stack
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override { return *moniker = nullptr, E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        if (m_offers != Offers::Document) return E_NOINTERFACE;
        *container = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IServiceProvider: the browser, as an object that is not the browser's own interface
    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** object) override {
        *object = nullptr;
        if (service != kIidWebBrowserApp || (iid != IID_IUnknown && iid != IID_IDispatch)) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    // IOleContainer
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }
    // IDispatch: knows no names
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    static constexpr IID kIidHtmlDocument = {0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};
    static constexpr IID kIidWebBrowserApp = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

private:
    Offers m_offers;
    ULONG m_refs = 1;
};

}  // namespace

// A site that offers a document or a browser is a web page, and one that will
// not say where it is gets nothing; a host with neither is a program of its own.
TEST_F(SiteLock, ASiteOfferingADocumentOrBrowserWithoutAnAddressIsRefused) {
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(GATEKIN_OCX_PATH), "DllRegisterServer"));
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(ROSTERLY_OCX_PATH), "DllRegisterServer"));
    HWND frame = ::CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    const RECT position = {0, 0, 10, 10};
    for (const wchar_t* progId : {L"GATEKIN.GatekinCtrl.1", L"ROSTERLY.RosterlyCtrl.1"}) {
        for (auto offers : {CAddresslessSite::Offers::Document, CAddresslessSite::Offers::Browser}) {
            SCOPED_TRACE(Utf8FromWide(progId) + (offers == CAddresslessSite::Offers::Document ? " document" : " browser"));
            CAddresslessSite site(offers);
            CControlHost host;
            ASSERT_EQ(S_OK, host.CreateByProgId(progId));
            ASSERT_EQ(S_OK, host.OleObject()->SetClientSite(&site));
            IPersistPropertyBag* bag = nullptr;
            ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bag)));
            host.Params().Set(L"ID", L"viewer");
            EXPECT_EQ(E_ACCESSDENIED, bag->Load(&host.Params(), nullptr));
            bag->Release();
            EXPECT_EQ(E_ACCESSDENIED, host.OleObject()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame,
                                                               &position));
            VARIANT v;
            ::VariantInit(&v);
            EXPECT_EQ(E_ACCESSDENIED, host.GetProperty(L"TextID", &v));
            host.OleObject()->SetClientSite(nullptr);
            host.Close();
        }
    }
    ::DestroyWindow(frame);
}

TEST_F(SiteLock, GatekinServesTheServicePageAndDoesNothingOnAForeignOne) {
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(GATEKIN_OCX_PATH), "DllRegisterServer"));

    // No Notewell runs: a foreign page's login starts none.
    for (const std::wstring& page : kForeignPages) {
        EXPECT_EQ(1, PlayPage(page, std::wstring(kGatekin) + L"--set LogStateProc=0 --wait 100")) << Utf8FromWide(page);
        EXPECT_FALSE(::FindWindowA(nullptr, kTrayWindowTitle)) << Utf8FromWide(page);
    }
    EXPECT_TRUE(testing_support::ReadFileLines(log).empty()) << "a foreign page started Notewell";

    // The service's page starts Notewell and reaches it.
    ASSERT_EQ(0, PlayPage(kServicePage, std::wstring(kGatekin) + L"--set LogStateProc=0 --set SendAllLabel=x"));
    ASSERT_TRUE(::FindWindowA(nullptr, kTrayWindowTitle));

    // Every request of a foreign page meets the running Notewell with silence.
    for (const std::wstring& page : {kForeignPages[0], kForeignPages[2]})
        EXPECT_EQ(1, PlayPage(page, std::wstring(kGatekin) + kEverySend)) << Utf8FromWide(page);
    EXPECT_TRUE(::FindWindowA(nullptr, kTrayWindowTitle)) << "a foreign page closed Notewell";

    ASSERT_EQ(0, PlayPage(kServicePage, std::wstring(kGatekin) + L"--set LogStateProc=1"));
    EXPECT_TRUE(WaitUntilNoTray(5000));
    const std::vector<std::string> expected = {"start Notewell.exe bob/pw/F/S3/127.0.0.1", "message 1040",
                                               "message 1039", "exit"};
    EXPECT_EQ(expected, testing_support::ReadFileLines(log));
}

TEST_F(SiteLock, RosterlyConnectsOnTheServicePageAndNotOnAForeignOne) {
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(ROSTERLY_OCX_PATH), "DllRegisterServer"));
    devserver::DevServerOptions options;
    options.bindAddress = "127.1.253.80";
    options.trayPort = 0;
    options.listEnabled = true;
    options.logSink = [](const std::string&) {};
    devserver::DevServer server(options);
    ASSERT_TRUE(server.Start());
    const std::wstring list =
        L"ROSTERLY.RosterlyCtrl.1 --param SEX=man --param ID=viewer --param PWD=pw --param SERVERIP=127.1.253.80"
        L" --size 400,200 --activate --set TextBuddy=1 --set TextLabel=woman --wait 300";

    for (const std::wstring& page : kForeignPages)
        EXPECT_EQ(1, PlayPage(page, list)) << Utf8FromWide(page);
    EXPECT_TRUE(server.Connections().empty()) << "a foreign page's list connected";

    EXPECT_EQ(0, PlayPage(kServicePage, list));
    const auto login = server.WaitForPacket(devserver::LIST_LOGIN, 5000);
    ASSERT_TRUE(login) << server.Connections().size() << " connections";
    EXPECT_EQ("viewer", std::string(reinterpret_cast<const char*>(login->body.data())));
    server.Stop();
}

// What a browser asks before it lets a page script or initialise a control:
// the answer is yes on the service's page only, never on a foreign page or
// before the control knows its page.
TEST_F(SiteLock, BothControlsAreSafeForScriptingAndDataOnTheServicePageOnly) {
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(GATEKIN_OCX_PATH), "DllRegisterServer"));
    ASSERT_EQ(S_OK, CallModuleEntry(HostToWindowsPath(ROSTERLY_OCX_PATH), "DllRegisterServer"));
    HWND frame = ::CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    for (const wchar_t* progId : {L"GATEKIN.GatekinCtrl.1", L"ROSTERLY.RosterlyCtrl.1"}) {
        for (const std::wstring& page : {kServicePage, kForeignPages[1]}) {
            SCOPED_TRACE(Utf8FromWide(std::wstring(progId) + L" on " + page));
            const bool service = page == kServicePage;
            CControlHost host;
            host.SetPageAddress(page);
            host.SetParam(L"ID", L"viewer");
            ASSERT_EQ(S_OK, host.CreateByProgId(progId));
            IObjectSafety* safety = nullptr;
            ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)));
            // Before the control has its site, it knows no page to be safe on.
            EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch, both, both));
            EXPECT_EQ(service ? S_OK : E_ACCESSDENIED, host.Load(frame, RECT{0, 0, 10, 10}));
            DWORD supported = 0, enabled = 0;
            EXPECT_EQ(service ? S_OK : E_FAIL, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
            EXPECT_EQ(service ? both : 0, supported);
            EXPECT_EQ(service ? S_OK : E_FAIL, safety->SetInterfaceSafetyOptions(
                                                   IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                   INTERFACESAFE_FOR_UNTRUSTED_CALLER));
            EXPECT_EQ(service ? S_OK : E_FAIL, safety->SetInterfaceSafetyOptions(
                                                   IID_IPersistPropertyBag, INTERFACESAFE_FOR_UNTRUSTED_DATA,
                                                   INTERFACESAFE_FOR_UNTRUSTED_DATA));
            // A foreign page stays refused when its control moves to a site without a page.
            if (!service) {
                host.Site()->SetPageAddress(L"");
                EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch, both, both));
                VARIANT v;
                ::VariantInit(&v);
                EXPECT_EQ(E_ACCESSDENIED, host.GetProperty(L"TextID", &v));
            }
            safety->Release();
            host.Close();
        }
    }
    ::DestroyWindow(frame);
}
