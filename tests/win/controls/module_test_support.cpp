#include "win_test_support.h"  // before <windows.h>: it brings <winsock2.h>
#include "module_test_support.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <algorithm>
#include <cwctype>

#include "control_host.h"
#include "ole_text.h"
#include "version_text.h"

namespace module_test_support {

int RunProgram(const std::wstring& commandLine, const wchar_t* directory, DWORD limitMs) {
    testing_support::ChildProcess::Options options;
    if (directory) options.directory = directory;
    const std::optional<DWORD> code = testing_support::RunToEnd(commandLine, options, limitMs);
    return code ? static_cast<int>(*code) : -1;
}

int RunRegsvr32(const std::wstring& modulePath, bool unregister) {
    return RunProgram(std::wstring(L"regsvr32.exe ") + (unregister ? L"/u " : L"") + L"/s \"" + modulePath + L"\"");
}

bool KeyExists(const std::wstring& key) {
    HKEY h = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    ::RegCloseKey(h);
    return true;
}

std::optional<std::wstring> Value(const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    HKEY h = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
    const LONG rc = ::RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(h);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(buffer, size / sizeof(wchar_t) - (size >= sizeof(wchar_t) ? 1 : 0));
}

std::wstring NormalPath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
    return path;
}

VersionResource::VersionResource(const std::wstring& modulePath) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(modulePath.c_str(), &handle);
    if (size == 0) return;
    m_data.resize(size);
    if (!::GetFileVersionInfoW(modulePath.c_str(), 0, size, m_data.data())) return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(m_data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof *fixed)
        m_fixed = fixed;
}

std::wstring VersionResource::Text(const wchar_t* name) const {
    if (m_data.empty()) return L"<none>";
    wchar_t* value = nullptr;
    UINT n = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!::VerQueryValueW(const_cast<char*>(m_data.data()), query.c_str(), reinterpret_cast<void**>(&value), &n))
        return L"<none>";
    return std::wstring(value, n && value[n - 1] == 0 ? n - 1 : n);
}

namespace {
// Steps over a name-or-ordinal field of a dialog template.
const WORD* SkipNameOrOrdinal(const WORD* p) {
    if (*p == 0xFFFF) return p + 2;
    while (*p) ++p;
    return p + 1;
}
}  // namespace

std::optional<DialogFont> DialogTemplateFont(const DLGTEMPLATE* dialog) {
    if (!dialog || !(dialog->style & DS_SETFONT)) return std::nullopt;
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    p = SkipNameOrOrdinal(p);  // menu
    p = SkipNameOrOrdinal(p);  // window class
    while (*p) ++p;            // title
    ++p;
    DialogFont font;
    font.points = *p++;
    font.face = reinterpret_cast<const wchar_t*>(p);
    return font;
}

std::vector<ChildWindow> ChildWindows(HWND parent) {
    std::vector<ChildWindow> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        ::GetClassNameA(child, cls, sizeof cls);
        children.push_back({cls, testing_support::WindowTextOf(child)});
    }
    return children;
}

namespace {
const std::wstring kScriptingCategory = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::wstring kInitializingCategory = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";
}  // namespace

void ExpectRegistered(const ExpectedModule& m) {
    const std::wstring path = NormalPath(m.ocxPath);
    const std::wstring control = L"CLSID\\" + m.clsid;
    const std::wstring page = L"CLSID\\" + m.pageClsid;
    EXPECT_EQ(m.controlName, Value(control).value_or(L"?"));
    EXPECT_EQ(path, NormalPath(Value(control + L"\\InprocServer32").value_or(L"?")));
    EXPECT_EQ(L"Apartment", Value(control + L"\\InprocServer32", L"ThreadingModel").value_or(L"?"));
    EXPECT_EQ(path + L", 1", NormalPath(Value(control + L"\\ToolboxBitmap32").value_or(L"?")));
    EXPECT_EQ(L"0", Value(control + L"\\MiscStatus").value_or(L"?"));
    EXPECT_EQ(L"131473", Value(control + L"\\MiscStatus\\1").value_or(L"?"));  // 0x20191
    EXPECT_TRUE(KeyExists(control + L"\\Control"));
    EXPECT_FALSE(KeyExists(control + L"\\Insertable"));
    EXPECT_EQ(m.typeLib, Value(control + L"\\TypeLib").value_or(L"?"));
    EXPECT_EQ(L"1.0", Value(control + L"\\Version").value_or(L"?"));
    // The ProgID both ways, and as a page's OBJECT tag resolves it.
    EXPECT_EQ(m.progId, Value(control + L"\\ProgID").value_or(L"?"));
    EXPECT_EQ(m.controlName, Value(m.progId).value_or(L"?"));
    EXPECT_EQ(m.clsid, Value(m.progId + L"\\CLSID").value_or(L"?"));
    CLSID resolved = GUID_NULL, expected = GUID_NULL;
    EXPECT_EQ(S_OK, ::CLSIDFromProgID(m.progId.c_str(), &resolved));
    ::CLSIDFromString(m.clsid.c_str(), &expected);
    EXPECT_TRUE(IsEqualCLSID(expected, resolved));
    // The page: its type name and server, no threading model.
    EXPECT_EQ(m.pageName, Value(page).value_or(L"?"));
    EXPECT_EQ(path, NormalPath(Value(page + L"\\InprocServer32").value_or(L"?")));
    EXPECT_FALSE(Value(page + L"\\InprocServer32", L"ThreadingModel"));
    // Both categories, and the control in each.
    EXPECT_EQ(L"Controls that are safely scriptable",
              Value(L"Component Categories\\" + kScriptingCategory, L"409").value_or(L"?"));
    EXPECT_EQ(L"Controls safely initializable from persistent data",
              Value(L"Component Categories\\" + kInitializingCategory, L"409").value_or(L"?"));
    EXPECT_TRUE(KeyExists(control + L"\\Implemented Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(control + L"\\Implemented Categories\\" + kInitializingCategory));
    // The type library, version 1.0 in locale 1033, served from the module itself.
    EXPECT_TRUE(KeyExists(L"TypeLib\\" + m.typeLib + L"\\1.0"));
    GUID lib = GUID_NULL;
    ::CLSIDFromString(m.typeLib.c_str(), &lib);
    BSTR libPath = nullptr;
    ASSERT_EQ(S_OK, ::QueryPathOfRegTypeLib(lib, 1, 0, 0x0409, &libPath));
    EXPECT_EQ(path, NormalPath(libPath));
    ::SysFreeString(libPath);
}

void ExpectUnregistrationKeepsTheCategories(const ExpectedModule& m) {
    const std::wstring control = L"CLSID\\" + m.clsid;
    // The library's key is shared by both bitnesses of the module: this
    // module's registration is the entry of its own system kind, and the
    // other bitness's stays (the suite runs for both on one machine).
    const std::wstring typeLib =
        L"TypeLib\\" + m.typeLib + L"\\1.0\\409\\" + (sizeof(void*) == 8 ? L"win64" : L"win32");
    const std::wstring otherTypeLib =
        L"TypeLib\\" + m.typeLib + L"\\1.0\\409\\" + (sizeof(void*) == 8 ? L"win32" : L"win64");
    const bool otherRegistered = KeyExists(otherTypeLib);
    ASSERT_EQ(0, RunRegsvr32(m.ocxPath, true));
    EXPECT_FALSE(KeyExists(control));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + m.pageClsid));
    EXPECT_FALSE(KeyExists(m.progId));
    EXPECT_FALSE(KeyExists(typeLib));
    CLSID resolved = GUID_NULL;
    EXPECT_NE(S_OK, ::CLSIDFromProgID(m.progId.c_str(), &resolved));
    // The other control module is filed under the same categories.
    EXPECT_TRUE(KeyExists(L"Component Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(L"Component Categories\\" + kInitializingCategory));
    EXPECT_EQ(otherRegistered, KeyExists(otherTypeLib));
    // With no type library of its own left to remove, a second unregistration
    // reports failure and leaves the other bitness's alone.
    EXPECT_NE(0, RunRegsvr32(m.ocxPath, true));
    EXPECT_EQ(otherRegistered, KeyExists(otherTypeLib));
    ASSERT_EQ(0, RunRegsvr32(m.ocxPath, false));
    EXPECT_TRUE(KeyExists(control));
    EXPECT_TRUE(KeyExists(typeLib));
}

void ExpectVersionAndShellResources(const ExpectedModule& m) {
    const VersionResource version(m.ocxPath);
    ASSERT_TRUE(version.Loaded());
    EXPECT_EQ(MAKELONG(0, 1), version.Fixed().dwFileVersionMS);
    EXPECT_EQ(MAKELONG(46, 0), version.Fixed().dwFileVersionLS);
    EXPECT_EQ(version.Fixed().dwFileVersionMS, version.Fixed().dwProductVersionMS);
    EXPECT_EQ(version.Fixed().dwFileVersionLS, version.Fixed().dwProductVersionLS);
    EXPECT_EQ(m.description, version.Text(L"FileDescription"));
    EXPECT_EQ(L"1, 0, 0, 46", version.Text(L"FileVersion"));
    EXPECT_EQ("1,0,0,46", JoinVersionParts(Utf8FromWide(version.Text(L"FileVersion"))));
    EXPECT_EQ(L"", version.Text(L"OLESelfRegister"));

    HMODULE module = ::LoadLibraryExW(m.ocxPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    wchar_t buffer[128];
    ASSERT_GT(::LoadStringW(module, 1, buffer, 128), 0);
    EXPECT_EQ(m.controlName, buffer);
    ASSERT_GT(::LoadStringW(module, 2, buffer, 128), 0);
    EXPECT_EQ(m.pageName, buffer);
    ASSERT_GT(::LoadStringW(module, 200, buffer, 128), 0);
    EXPECT_STREQ(L"General", buffer);
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

void ExpectTypeLibraries(const ExpectedModule& m, const ControlModuleIdentity& identity,
                         const std::vector<ExpectedProperty>& properties) {
    GUID lib = GUID_NULL;
    ::CLSIDFromString(m.typeLib.c_str(), &lib);
    ITypeLib* registered = nullptr;
    ASSERT_EQ(S_OK, ::LoadRegTypeLib(lib, 1, 0, 0x0409, &registered));
    ExpectShellTypeLib(registered, identity, properties);
    registered->Release();
    ITypeLib* embedded = nullptr;
    ASSERT_EQ(S_OK, ::LoadTypeLibEx(m.ocxPath.c_str(), REGKIND_NONE, &embedded));
    ExpectShellTypeLib(embedded, identity, properties);
    embedded->Release();
}

void ExpectClassInfoAndPage(const ExpectedModule& m, const ControlModuleIdentity& identity) {
    CControlHost host;
    ASSERT_EQ(S_OK, host.CreateByProgId(m.progId));
    IProvideClassInfo2* info = nullptr;
    ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)));
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, info->GetClassInfo(&coclass));
    TYPEATTR* attr = nullptr;
    coclass->GetTypeAttr(&attr);
    EXPECT_TRUE(IsEqualGUID(identity.controlClsid, attr->guid));
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();
    GUID source = GUID_NULL;
    EXPECT_EQ(S_OK, info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(identity.eventIid, source));
    info->Release();

    IDispatch* dispatch = nullptr;
    host.Control()->QueryInterface(identity.dispatchIid, reinterpret_cast<void**>(&dispatch));
    ASSERT_TRUE(dispatch);
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0x0412, &typeInfo));  // a Korean host asks in its own locale
    typeInfo->Release();
    dispatch->Release();

    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(S_OK, host.Control()->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)));
    CAUUID list{};
    ASSERT_EQ(S_OK, pages->GetPages(&list));
    ASSERT_EQ(1u, list.cElems);
    EXPECT_TRUE(IsEqualGUID(identity.pageClsid, list.pElems[0]));
    ::CoTaskMemFree(list.pElems);
    pages->Release();
    host.Close();
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

void ExpectPageShowsOnlyItsText(const ExpectedModule& m,
                                const std::vector<std::pair<std::wstring, std::wstring>>& params,
                                const std::string& text) {
    CLSID pageClsid = GUID_NULL;
    ::CLSIDFromString(m.pageClsid.c_str(), &pageClsid);
    IPropertyPage* page = nullptr;
    ASSERT_EQ(S_OK, ::CoCreateInstance(pageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                       reinterpret_cast<void**>(&page)));
    PROPPAGEINFO info{};
    info.cb = sizeof info;
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_STREQ(L"General", info.pszTitle);
    EXPECT_GT(info.size.cx, info.size.cy * 3);  // 250 by 62 dialog units
    EXPECT_GT(info.size.cy, 62);
    ::CoTaskMemFree(info.pszTitle);

    CControlHost host;
    for (const auto& p : params) host.SetParam(p.first, p.second);
    ASSERT_EQ(S_OK, host.CreateByProgId(m.progId));
    HWND frame = ::CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
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
    EXPECT_EQ(text, children[0].text);
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(S_OK, page->Apply());
    CParamBag* after = SavedState(host.Control());
    EXPECT_EQ(before->WriteOrder(), after->WriteOrder());
    for (const std::wstring& name : before->WriteOrder()) EXPECT_EQ(*before->Find(name), *after->Find(name));
    for (const auto& p : params) EXPECT_EQ(p.second, *after->Find(p.first));
    EXPECT_EQ(S_OK, page->Deactivate());
    EXPECT_FALSE(::IsWindow(dialog));
    page->SetObjects(0, nullptr);
    page->Release();
    before->Release();
    after->Release();
    host.Close();
    ::DestroyWindow(frame);
}

}  // namespace module_test_support
