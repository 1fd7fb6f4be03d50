// The real Rosterly.ocx: self-registration through regsvr32, what it writes,
// its registered type library, resources and property page, and a control
// made by its ProgID loading its PARAM values. No control window is made
// here: a live member list connects to the list server.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "control_host.h"
#include "module_identity.h"
#include "module_test_support.h"
#include "ole_text.h"
#include "typelib_expectations.h"
#include "version_text.h"

#ifndef ROSTERLY_OCX_PATH
#error ROSTERLY_OCX_PATH names the module under test
#endif

using namespace module_test_support;

namespace {

const std::wstring kClsid = L"{057D5895-6169-4250-837A-9595709E3D3C}";
const std::wstring kClsidKey = L"CLSID\\" + kClsid;
const std::wstring kPageKey = L"CLSID\\{8B0C5785-7693-490B-A6FC-0F95D4A25EDF}";
const std::wstring kTypeLib = L"{887F8CA1-5494-4A58-B621-C4735AE61B6C}";
const std::wstring kTypeLibKey = L"TypeLib\\" + kTypeLib;
const std::wstring kProgId = L"ROSTERLY.RosterlyCtrl.1";
const std::wstring kScriptingCategory = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::wstring kInitializingCategory = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

// What the property exchange reads and writes, in its order: the version
// stamp, the framework's own state, then the control's persisted properties.
const std::vector<std::wstring> kExchangeOrder = {L"_Version", L"_ExtentX", L"_ExtentY", L"_StockProps",
                                                   L"SEX",      L"ID",       L"PWD",      L"SERVERIP"};

std::wstring OcxPath() { return WideFromAnsi(ROSTERLY_OCX_PATH); }

int Regsvr32(bool unregister) { return RunRegsvr32(OcxPath(), unregister); }

HWND MakeFrame() {
    return ::CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

CParamBag* SavedState(IUnknown* control) {
    CParamBag* bag = new CParamBag();
    IPersistPropertyBag* persist = nullptr;
    EXPECT_EQ(S_OK, control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)));
    if (persist) {
        EXPECT_EQ(S_OK, persist->Save(bag, FALSE, TRUE));
        persist->Release();
    }
    return bag;
}

class RosterlyModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, Regsvr32(false)); }
};

}  // namespace

TEST_F(RosterlyModule, RegisteringTwiceSucceedsAndWritesTheControlClass) {
    ASSERT_EQ(0, Regsvr32(false));  // the second time in a row
    const std::wstring path = NormalPath(OcxPath());
    EXPECT_EQ(L"Rosterly Control", Value(kClsidKey).value_or(L"?"));
    EXPECT_EQ(path, NormalPath(Value(kClsidKey + L"\\InprocServer32").value_or(L"?")));
    EXPECT_EQ(L"Apartment", Value(kClsidKey + L"\\InprocServer32", L"ThreadingModel").value_or(L"?"));
    EXPECT_EQ(path + L", 1", NormalPath(Value(kClsidKey + L"\\ToolboxBitmap32").value_or(L"?")));
    EXPECT_EQ(L"0", Value(kClsidKey + L"\\MiscStatus").value_or(L"?"));
    EXPECT_EQ(L"131473", Value(kClsidKey + L"\\MiscStatus\\1").value_or(L"?"));  // 0x20191
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Control"));
    EXPECT_FALSE(KeyExists(kClsidKey + L"\\Insertable"));
    EXPECT_EQ(kTypeLib, Value(kClsidKey + L"\\TypeLib").value_or(L"?"));
    EXPECT_EQ(L"1.0", Value(kClsidKey + L"\\Version").value_or(L"?"));
    // The ProgID both ways, and as a page's OBJECT tag resolves it.
    EXPECT_EQ(kProgId, Value(kClsidKey + L"\\ProgID").value_or(L"?"));
    EXPECT_EQ(L"Rosterly Control", Value(kProgId).value_or(L"?"));
    EXPECT_EQ(kClsid, Value(kProgId + L"\\CLSID").value_or(L"?"));
    CLSID resolved = GUID_NULL;
    EXPECT_EQ(S_OK, ::CLSIDFromProgID(kProgId.c_str(), &resolved));
    EXPECT_TRUE(IsEqualCLSID(kRosterlyModule.controlClsid, resolved));
    // The page: its type name and server, no threading model.
    EXPECT_EQ(L"Rosterly Property Page", Value(kPageKey).value_or(L"?"));
    EXPECT_EQ(path, NormalPath(Value(kPageKey + L"\\InprocServer32").value_or(L"?")));
    EXPECT_FALSE(Value(kPageKey + L"\\InprocServer32", L"ThreadingModel"));
    // Both categories, and the control in each.
    EXPECT_EQ(L"Controls that are safely scriptable",
              Value(L"Component Categories\\" + kScriptingCategory, L"409").value_or(L"?"));
    EXPECT_EQ(L"Controls safely initializable from persistent data",
              Value(L"Component Categories\\" + kInitializingCategory, L"409").value_or(L"?"));
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Implemented Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(kClsidKey + L"\\Implemented Categories\\" + kInitializingCategory));
    // The type library, version 1.0 in locale 1033, served from the module itself.
    EXPECT_TRUE(KeyExists(kTypeLibKey + L"\\1.0"));
    BSTR libPath = nullptr;
    ASSERT_EQ(S_OK, ::QueryPathOfRegTypeLib(kRosterlyModule.typeLib, 1, 0, 0x0409, &libPath));
    EXPECT_EQ(path, NormalPath(libPath));
    ::SysFreeString(libPath);
}

TEST_F(RosterlyModule, UnregisteringRemovesTheClassesAndTypeLibraryButLeavesTheCategories) {
    ASSERT_EQ(0, Regsvr32(true));
    EXPECT_FALSE(KeyExists(kClsidKey));
    EXPECT_FALSE(KeyExists(kPageKey));
    EXPECT_FALSE(KeyExists(kProgId));
    EXPECT_FALSE(KeyExists(kTypeLibKey + L"\\1.0"));
    CLSID resolved = GUID_NULL;
    EXPECT_NE(S_OK, ::CLSIDFromProgID(kProgId.c_str(), &resolved));
    // Gatekin's control is filed under the same categories.
    EXPECT_TRUE(KeyExists(L"Component Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(L"Component Categories\\" + kInitializingCategory));
    // With no type library left to remove, a second unregistration reports failure.
    EXPECT_NE(0, Regsvr32(true));
    ASSERT_EQ(0, Regsvr32(false));
    EXPECT_TRUE(KeyExists(kClsidKey));
    EXPECT_TRUE(KeyExists(kTypeLibKey + L"\\1.0"));
}

TEST_F(RosterlyModule, RegisteredAndEmbeddedTypeLibrariesNameEveryPropertyWithItsDispatchId) {
    ITypeLib* registered = nullptr;
    ASSERT_EQ(S_OK, ::LoadRegTypeLib(kRosterlyModule.typeLib, 1, 0, 0x0409, &registered));
    ExpectShellTypeLib(registered, kRosterlyModule, RosterlyProperties());
    registered->Release();
    ITypeLib* embedded = nullptr;
    ASSERT_EQ(S_OK, ::LoadTypeLibEx(OcxPath().c_str(), REGKIND_NONE, &embedded));
    ExpectShellTypeLib(embedded, kRosterlyModule, RosterlyProperties());
    embedded->Release();
}

TEST_F(RosterlyModule, VersionAndShellResources) {
    const std::wstring path = OcxPath();
    const VersionResource version(path);
    ASSERT_TRUE(version.Loaded());
    EXPECT_EQ(MAKELONG(0, 1), version.Fixed().dwFileVersionMS);
    EXPECT_EQ(MAKELONG(46, 0), version.Fixed().dwFileVersionLS);
    EXPECT_EQ(version.Fixed().dwFileVersionMS, version.Fixed().dwProductVersionMS);
    EXPECT_EQ(version.Fixed().dwFileVersionLS, version.Fixed().dwProductVersionLS);
    EXPECT_EQ(L"Rosterly ActiveX Control Module", version.Text(L"FileDescription"));
    // The member list sends this text, joined, as its version at login.
    EXPECT_EQ(L"1, 0, 0, 46", version.Text(L"FileVersion"));
    EXPECT_EQ("1,0,0,46", JoinVersionParts(Utf8FromWide(version.Text(L"FileVersion"))));
    EXPECT_EQ(L"", version.Text(L"OLESelfRegister"));

    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    // The shell's strings, not hidden by the member list's own string table.
    wchar_t buffer[128];
    ASSERT_GT(::LoadStringW(module, 1, buffer, 128), 0);
    EXPECT_STREQ(L"Rosterly Control", buffer);
    ASSERT_GT(::LoadStringW(module, 2, buffer, 128), 0);
    EXPECT_STREQ(L"Rosterly Property Page", buffer);
    ASSERT_GT(::LoadStringW(module, 200, buffer, 128), 0);
    EXPECT_STREQ(L"General", buffer);
    ASSERT_GT(::LoadStringW(module, 102, buffer, 128), 0);
    EXPECT_STREQ(L"Windows sockets initialization failed.", buffer);
    EXPECT_TRUE(::FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB"));
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
    EXPECT_EQ(1, tmpl->cdit);
    const std::optional<DialogFont> font = DialogTemplateFont(tmpl);
    ASSERT_TRUE(font);
    EXPECT_EQ(8, font->points);
    EXPECT_EQ(L"MS Sans Serif", font->face);
    ::FreeLibrary(module);
}

TEST_F(RosterlyModule, ThePropertyPageShowsOnlyItsTextAndChangesNothing) {
    IPropertyPage* page = nullptr;
    ASSERT_EQ(S_OK, ::CoCreateInstance(kRosterlyModule.pageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                       reinterpret_cast<void**>(&page)));
    PROPPAGEINFO info{};
    info.cb = sizeof info;
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_STREQ(L"General", info.pszTitle);
    EXPECT_GT(info.size.cx, info.size.cy * 3);  // 250 by 62 dialog units
    EXPECT_GT(info.size.cy, 62);
    ::CoTaskMemFree(info.pszTitle);

    CControlHost host;
    host.SetParam(L"SEX", L"man");
    host.SetParam(L"ID", L"viewer");
    host.SetParam(L"PWD", L"pw");
    host.SetParam(L"SERVERIP", L"127.0.0.1");
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgId));
    HWND frame = MakeFrame();
    ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 10, 10}));
    CParamBag* before = SavedState(host.Control());

    IUnknown* objects[1] = {host.Control()};
    ASSERT_EQ(S_OK, page->SetObjects(1, objects));
    const RECT area = {5, 5, 505, 205};
    ASSERT_EQ(S_OK, page->Activate(frame, &area, FALSE));
    HWND dialog = ::GetWindow(frame, GW_CHILD);
    ASSERT_TRUE(dialog);
    const std::vector<ChildWindow> children = ChildWindows(dialog);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ("Static", children[0].className);
    EXPECT_EQ("TODO: Place controls to manipulate properties of Rosterly Control on this dialog.", children[0].text);
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(S_OK, page->Apply());
    CParamBag* after = SavedState(host.Control());
    EXPECT_EQ(before->WriteOrder(), after->WriteOrder());
    for (const std::wstring& name : before->WriteOrder()) EXPECT_EQ(*before->Find(name), *after->Find(name));
    EXPECT_EQ(L"viewer", *after->Find(L"ID"));
    EXPECT_EQ(L"127.0.0.1", *after->Find(L"SERVERIP"));
    EXPECT_EQ(S_OK, page->Deactivate());
    EXPECT_FALSE(::IsWindow(dialog));
    page->SetObjects(0, nullptr);
    page->Release();
    before->Release();
    after->Release();
    host.Close();
    ::DestroyWindow(frame);
}

TEST_F(RosterlyModule, TheControlReadsItsParamsInOrderAndAMissingOneIsEmpty) {
    CControlHost host;
    // In another order than the control reads them, and without PWD and SERVERIP.
    host.SetParam(L"ID", L"viewer");
    host.SetParam(L"SEX", L"woman");
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgId));
    HWND frame = MakeFrame();
    ASSERT_EQ(S_OK, host.Load(frame, RECT{0, 0, 10, 10}));
    EXPECT_EQ(kExchangeOrder, host.Params().ReadOrder());
    EXPECT_FALSE(host.ControlWindow());  // loading alone makes no list, so no connection

    CParamBag* saved = SavedState(host.Control());
    EXPECT_EQ(kExchangeOrder, saved->WriteOrder());
    EXPECT_EQ(L"65536", *saved->Find(L"_Version"));
    EXPECT_EQ(L"woman", *saved->Find(L"SEX"));
    EXPECT_EQ(L"viewer", *saved->Find(L"ID"));
    EXPECT_EQ(L"", *saved->Find(L"PWD"));
    EXPECT_EQ(L"", *saved->Find(L"SERVERIP"));
    saved->Release();
    host.Close();
    ::DestroyWindow(frame);
}

TEST_F(RosterlyModule, ControlByProgIdReportsItsClassAndItsOwnPageFromTheRegisteredLibrary) {
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(kProgId));
    IProvideClassInfo2* info = nullptr;
    ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)));
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, info->GetClassInfo(&coclass));
    TYPEATTR* attr = nullptr;
    coclass->GetTypeAttr(&attr);
    EXPECT_TRUE(IsEqualGUID(kRosterlyModule.controlClsid, attr->guid));
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();
    GUID source = GUID_NULL;
    EXPECT_EQ(S_OK, info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(kRosterlyModule.eventIid, source));
    info->Release();

    IDispatch* dispatch = nullptr;
    host.Control()->QueryInterface(kRosterlyModule.dispatchIid, reinterpret_cast<void**>(&dispatch));
    ASSERT_TRUE(dispatch);
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0x0412, &typeInfo));  // a Korean host asks in its own locale
    typeInfo->Release();
    dispatch->Release();
    DISPID id = 0;
    EXPECT_EQ(S_OK, host.GetDispatchId(L"textbuddy", &id));
    EXPECT_EQ(4, id);

    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(S_OK,
              host.Control()->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)));
    CAUUID list{};
    ASSERT_EQ(S_OK, pages->GetPages(&list));
    ASSERT_EQ(1u, list.cElems);
    EXPECT_TRUE(IsEqualGUID(kRosterlyModule.pageClsid, list.pElems[0]));
    ::CoTaskMemFree(list.pElems);
    pages->Release();
    host.Close();
}
