// The real Gatekin.ocx: self-registration through regsvr32, what it writes,
// its registered type library, resources and property page, and the control
// made by its ProgID starting a stand-in Notewell.exe in another process.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "control_host.h"
#include "module_identity.h"
#include "module_test_support.h"
#include "ole_text.h"
#include "records.h"
#include "tray_messages.h"
#include "typelib_expectations.h"
#include "version_text.h"

#ifndef GATEKIN_OCX_PATH
#error GATEKIN_OCX_PATH names the module under test
#endif
#ifndef CONTAINER_EXE_PATH
#error CONTAINER_EXE_PATH names the container program
#endif

using namespace module_test_support;

namespace {

const std::wstring kClsidKey = L"CLSID\\{89887BF5-4668-4728-8FBF-9819AFFCC72F}";
const std::wstring kPageKey = L"CLSID\\{3596A804-70B0-4054-A729-0DE6D20BAA81}";
const std::wstring kTypeLibKey = L"TypeLib\\{606EE1B9-74DD-4718-9B1F-9F4B72535654}";
const std::wstring kScriptingCategory = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::wstring kInitializingCategory = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

std::wstring OcxPath() { return WideFromAnsi(GATEKIN_OCX_PATH); }

int Regsvr32(bool unregister) { return RunRegsvr32(OcxPath(), unregister); }

// A stand-in Notewell left behind by a failed test would spoil the next one.
void CloseStrayStandIns() {
    for (int i = 0; i < 20; ++i) {
        HWND tray = ::FindWindowA("FakeNotewellWindow", kTrayWindowTitle);
        if (!tray) return;
        ::SendMessageTimeoutA(tray, WM_TRAY_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
        ::Sleep(50);
    }
}

bool WaitUntilNoTray(DWORD limitMs) {
    for (DWORD waited = 0; waited < limitMs; waited += 25) {
        if (!::FindWindowA(nullptr, kTrayWindowTitle)) return true;
        ::Sleep(25);
    }
    return false;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string TempLogPath(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    ::DeleteFileA(path.c_str());
    return path;
}

class GatekinModule : public ::testing::Test {
protected:
    void SetUp() override {
        CloseStrayStandIns();
        ASSERT_EQ(0, Regsvr32(false));
    }
    void TearDown() override { CloseStrayStandIns(); }
};

}  // namespace

TEST_F(GatekinModule, RegisteringTwiceSucceedsAndWritesTheControlClass) {
    ASSERT_EQ(0, Regsvr32(false));  // the second time in a row
    const std::wstring path = NormalPath(OcxPath());
    EXPECT_EQ(L"Gatekin Control", Value(kClsidKey).value_or(L"?"));
    EXPECT_EQ(path, NormalPath(Value(kClsidKey + L"\\InprocServer32").value_or(L"?")));
    EXPECT_EQ(L"Apartment", Value(kClsidKey + L"\\InprocServer32", L"ThreadingModel").value_or(L"?"));
    EXPECT_EQ(L"GATEKIN.GatekinCtrl.1", Value(kClsidKey + L"\\ProgID").value_or(L"?"));
    EXPECT_EQ(path + L", 1", NormalPath(Value(kClsidKey + L"\\ToolboxBitmap32").value_or(L"?")));
    EXPECT_EQ(L"0", Value(kClsidKey + L"\\MiscStatus").value_or(L"?"));
    EXPECT_EQ(L"131473", Value(kClsidKey + L"\\MiscStatus\\1").value_or(L"?"));  // 0x20191
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Control"));
    EXPECT_FALSE(KeyExists(kClsidKey + L"\\Insertable"));
    EXPECT_EQ(L"{606EE1B9-74DD-4718-9B1F-9F4B72535654}", Value(kClsidKey + L"\\TypeLib").value_or(L"?"));
    EXPECT_EQ(L"1.0", Value(kClsidKey + L"\\Version").value_or(L"?"));
    EXPECT_EQ(L"Gatekin Control", Value(L"GATEKIN.GatekinCtrl.1").value_or(L"?"));
    EXPECT_EQ(L"{89887BF5-4668-4728-8FBF-9819AFFCC72F}", Value(L"GATEKIN.GatekinCtrl.1\\CLSID").value_or(L"?"));
    // The page: its type name and server, no threading model.
    EXPECT_EQ(L"Gatekin Property Page", Value(kPageKey).value_or(L"?"));
    EXPECT_EQ(path, NormalPath(Value(kPageKey + L"\\InprocServer32").value_or(L"?")));
    EXPECT_FALSE(Value(kPageKey + L"\\InprocServer32", L"ThreadingModel"));
    // Both categories, and the control in each.
    EXPECT_EQ(L"Controls that are safely scriptable",
              Value(L"Component Categories\\" + kScriptingCategory, L"409").value_or(L"?"));
    EXPECT_EQ(L"Controls safely initializable from persistent data",
              Value(L"Component Categories\\" + kInitializingCategory, L"409").value_or(L"?"));
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Implemented Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Implemented Categories\\" + kInitializingCategory));
    EXPECT_TRUE(KeyExists(kTypeLibKey + L"\\1.0"));
}

TEST_F(GatekinModule, UnregisteringRemovesTheClassesAndTypeLibraryButLeavesTheCategories) {
    ASSERT_EQ(0, Regsvr32(true));
    EXPECT_FALSE(KeyExists(kClsidKey));
    EXPECT_FALSE(KeyExists(kPageKey));
    EXPECT_FALSE(KeyExists(L"GATEKIN.GatekinCtrl.1"));
    EXPECT_FALSE(KeyExists(kTypeLibKey + L"\\1.0"));
    EXPECT_TRUE(KeyExists(L"Component Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(L"Component Categories\\" + kInitializingCategory));
    // With no type library left to remove, a second unregistration reports failure.
    EXPECT_NE(0, Regsvr32(true));
    ASSERT_EQ(0, Regsvr32(false));
    EXPECT_TRUE(KeyExists(kClsidKey));
}

TEST_F(GatekinModule, RegisteredAndEmbeddedTypeLibrariesNameEveryPropertyWithItsDispatchId) {
    ITypeLib* registered = nullptr;
    ASSERT_EQ(S_OK, ::LoadRegTypeLib(kGatekinModule.typeLib, 1, 0, 0x0409, &registered));
    ExpectShellTypeLib(registered, kGatekinModule, GatekinProperties());
    registered->Release();
    ITypeLib* embedded = nullptr;
    ASSERT_EQ(S_OK, ::LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &embedded));
    ExpectShellTypeLib(embedded, kGatekinModule, GatekinProperties());
    embedded->Release();
}

TEST_F(GatekinModule, VersionAndShellResources) {
    const std::wstring path = OcxPath();
    const VersionResource version(path);
    ASSERT_TRUE(version.Loaded());
    const VS_FIXEDFILEINFO* fixed = &version.Fixed();
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(46, 0), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    auto text = [&](const wchar_t* name) { return version.Text(name); };
    EXPECT_EQ(L"Gatekin ActiveX Control Module", text(L"FileDescription"));
    EXPECT_EQ(L"1, 0, 0, 46", text(L"FileVersion"));
    EXPECT_EQ("1,0,0,46", JoinVersionParts(Utf8FromWide(text(L"FileVersion"))));
    EXPECT_EQ(L"", text(L"OLESelfRegister"));

    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    wchar_t buffer[128];
    ASSERT_GT(::LoadStringW(module, 1, buffer, 128), 0);
    EXPECT_STREQ(L"Gatekin Control", buffer);
    ASSERT_GT(::LoadStringW(module, 2, buffer, 128), 0);
    EXPECT_STREQ(L"Gatekin Property Page", buffer);
    ASSERT_GT(::LoadStringW(module, 200, buffer, 128), 0);
    EXPECT_STREQ(L"General", buffer);
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(bitmap);
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(16, info.bmWidth);
    EXPECT_EQ(15, info.bmHeight);
    ::DeleteObject(bitmap);
    HRSRC bits = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(2));
    ASSERT_TRUE(bits);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(module, bits)));
    EXPECT_EQ(4, header->biBitCount);  // 16 colours
    HRSRC dialog = ::FindResourceW(module, MAKEINTRESOURCEW(200), MAKEINTRESOURCEW(5));
    ASSERT_TRUE(dialog);
    const auto* tmpl = static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(module, dialog)));
    EXPECT_EQ(250, tmpl->cx);
    EXPECT_EQ(62, tmpl->cy);
    EXPECT_TRUE(tmpl->style & WS_CHILD);
    EXPECT_TRUE(tmpl->style & DS_SETFONT);
    EXPECT_EQ(1, tmpl->cdit);
    ::FreeLibrary(module);
}

TEST_F(GatekinModule, ThePropertyPageShowsOnlyItsTextAndChangesNothing) {
    IPropertyPage* page = nullptr;
    ASSERT_EQ(S_OK, ::CoCreateInstance(kGatekinModule.pageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                       reinterpret_cast<void**>(&page)));
    PROPPAGEINFO info{};
    info.cb = sizeof info;
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_STREQ(L"General", info.pszTitle);
    EXPECT_GT(info.size.cx, info.size.cy * 3);  // 250 by 62 dialog units
    EXPECT_GT(info.size.cy, 62);
    ::CoTaskMemFree(info.pszTitle);

    CControlHost host;
    host.SetParam(L"ID", L"alice");
    ASSERT_EQ(S_OK, host.CreateByProgId(L"GATEKIN.GatekinCtrl.1"));
    HWND frame = ::CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 10, 10}));
    CParamBag* before = new CParamBag();
    IPersistPropertyBag* persist = nullptr;
    host.Control()->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist));
    persist->Save(before, FALSE, TRUE);

    IUnknown* objects[1] = {host.Control()};
    ASSERT_EQ(S_OK, page->SetObjects(1, objects));
    const RECT area = {5, 5, 505, 205};
    ASSERT_EQ(S_OK, page->Activate(frame, &area, FALSE));
    HWND dialog = ::GetWindow(frame, GW_CHILD);
    ASSERT_TRUE(dialog);
    const std::vector<ChildWindow> children = ChildWindows(dialog);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ("Static", children[0].className);
    EXPECT_EQ("TODO: Place controls to manipulate properties of Gatekin Control on this dialog.", children[0].text);
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(S_OK, page->Apply());
    CParamBag* after = new CParamBag();
    persist->Save(after, FALSE, TRUE);
    for (const std::wstring& name : before->WriteOrder()) EXPECT_EQ(*before->Find(name), *after->Find(name));
    EXPECT_EQ(L"alice", *after->Find(L"ID"));
    EXPECT_EQ(S_OK, page->Deactivate());
    EXPECT_FALSE(::IsWindow(dialog));
    page->SetObjects(0, nullptr);
    page->Release();
    persist->Release();
    before->Release();
    after->Release();
    host.Close();
    ::DestroyWindow(frame);
}

TEST_F(GatekinModule, ControlByProgIdReportsItsClassFromTheRegisteredLibrary) {
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(L"GATEKIN.GatekinCtrl.1"));
    IProvideClassInfo2* info = nullptr;
    ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)));
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, info->GetClassInfo(&coclass));
    TYPEATTR* attr = nullptr;
    coclass->GetTypeAttr(&attr);
    EXPECT_TRUE(IsEqualGUID(kGatekinModule.controlClsid, attr->guid));
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();
    info->Release();
    IDispatch* dispatch = nullptr;
    host.Control()->QueryInterface(kGatekinModule.dispatchIid, reinterpret_cast<void**>(&dispatch));
    ASSERT_TRUE(dispatch);
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0x0412, &typeInfo));  // a Korean host asks in its own locale
    typeInfo->Release();
    dispatch->Release();
    DISPID id = 0;
    EXPECT_EQ(S_OK, host.GetDispatchId(L"sendallchat", &id));
    EXPECT_EQ(8, id);
}

TEST_F(GatekinModule, APageStartsNotewellOnceAndReachesItInItsOwnProcess) {
    ASSERT_FALSE(::FindWindowA(nullptr, kTrayWindowTitle)) << "another \"PvxTray\" window exists";
    const std::string log = TempLogPath("gatekin_module_tray.log");
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", log.c_str());
    ::SetEnvironmentVariableA("FAKE_TRAY_ASK", "cancel");
    HWND page = ::CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    {
        CControlHost host;
        for (const auto& p : std::vector<std::pair<std::wstring, std::wstring>>{
                 {L"ID", L"alice"}, {L"PWD", L"pw"}, {L"SEX", L"M"}, {L"SESSIONID", L"S1"}, {L"SERVERIP", L"127.0.0.1"}})
            host.SetParam(p.first, p.second);
        ASSERT_EQ(S_OK, host.CreateByProgId(L"GATEKIN.GatekinCtrl.1"));
        ASSERT_EQ(S_OK, host.Load(page, RECT{0, 0, 10, 10}));
        ASSERT_EQ(S_OK, host.Activate());
        auto set = [&](const wchar_t* name, VARIANT v) {
            EXPECT_EQ(S_OK, host.SetProperty(name, v)) << Utf8FromWide(name);
            ::VariantClear(&v);
        };
        auto number = [](int n) {
            VARIANT v;
            V_VT(&v) = VT_I4;
            V_I4(&v) = n;
            return v;
        };
        auto text = [](const wchar_t* t) {
            VARIANT v;
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = ::SysAllocString(t);
            return v;
        };
        set(L"LogStateProc", number(0));
        ASSERT_TRUE(::FindWindowA(nullptr, kTrayWindowTitle)) << "the stand-in did not start";
        set(L"LogStateProc", number(0));
        set(L"SendLabel", text(L"id/nick/F/25"));
        set(L"SendAllChat", text(L""));
        set(L"LogStateProc", number(2));  // asks; the stand-in answers Cancel
        EXPECT_TRUE(::FindWindowA(nullptr, kTrayWindowTitle));
        set(L"LogStateProc", number(1));
        host.Close();
    }
    ::DestroyWindow(page);
    EXPECT_TRUE(WaitUntilNoTray(5000));
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    ::SetEnvironmentVariableA("FAKE_TRAY_ASK", nullptr);

    NoteTargetInfo note = PackNoteTargetInfo("id/nick/F/25");
    std::string hex;
    for (size_t i = 0; i < sizeof note; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", reinterpret_cast<const unsigned char*>(&note)[i]);
        hex += two;
    }
    const std::vector<std::string> expected = {
        "start Notewell.exe alice/pw/M/S1/127.0.0.1",
        "copydata 101 36 " + hex,
        "message 1041",
        "message 1038",
        "message 1039",
        "exit",
    };
    EXPECT_EQ(expected, ReadLines(log));
}

TEST_F(GatekinModule, TheContainerProgramPlaysThePageFromItsCommandLine) {
    ASSERT_FALSE(::FindWindowA(nullptr, kTrayWindowTitle)) << "another \"PvxTray\" window exists";
    const std::string log = TempLogPath("gatekin_container_tray.log");
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", log.c_str());
    // Run from the stand-in's folder: the system's search finds Notewell.exe in
    // the current folder when the container's own folder has none.
    std::wstring folder = WideFromAnsi(FAKE_NOTEWELL_PATH);
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    const int code = RunProgram(L"\"" + WideFromAnsi(CONTAINER_EXE_PATH) +
                             L"\" GATEKIN.GatekinCtrl.1 --param ID=bob --param PWD=pw --param SEX=F"
                             L" --param SESSIONID=S2 --param SERVERIP=127.0.0.1 --set LogStateProc=0"
                             L" --set SendAllLabel=x --set LogStateProc=3 --wait 100",
                         folder.c_str());
    ::SetEnvironmentVariableA("FAKE_TRAY_LOG", nullptr);
    EXPECT_EQ(0, code);
    EXPECT_TRUE(WaitUntilNoTray(5000));
    const std::vector<std::string> expected = {"start Notewell.exe bob/pw/F/S2/127.0.0.1", "message 1040",
                                               "message 1039", "exit"};
    EXPECT_EQ(expected, ReadLines(log));
}
