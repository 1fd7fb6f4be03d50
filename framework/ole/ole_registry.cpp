#include "ole_registry.h"

#include <cwchar>

#include "ole_text.h"

namespace {

bool SetKeyValue(const std::wstring& subKey, const wchar_t* valueName, const std::wstring& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = ::RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool SetKey(const std::wstring& subKey, const std::wstring& defaultValue) {
    return SetKeyValue(subKey, nullptr, defaultValue);
}

// Empty key without a value (the "Control" marker key).
bool CreateKey(const std::wstring& subKey) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

bool DeleteTree(const std::wstring& subKey) {
    HKEY key = nullptr;
    const LONG open = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (open == ERROR_FILE_NOT_FOUND) return true;
    if (open != ERROR_SUCCESS) return false;
    // Depth first: a key is deleted once it has no subkeys.
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        const LONG rc = ::RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || !DeleteTree(subKey + L"\\" + name)) {
            ::RegCloseKey(key);
            return false;
        }
    }
    ::RegCloseKey(key);
    const LONG rc = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, subKey.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

std::wstring Decimal(unsigned long value) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%lu", value);
    return buffer;
}

}  // namespace

bool RegisterControlClass(const ControlClassRegistration& e) {
    const std::wstring clsid = GuidText(e.clsid);
    const std::wstring root = L"CLSID\\" + clsid;
    bool ok = SetKey(root, e.typeName);
    ok = ok && SetKey(root + L"\\InprocServer32", e.modulePath);
    if (ok && !e.threadingModel.empty())
        ok = SetKeyValue(root + L"\\InprocServer32", L"ThreadingModel", e.threadingModel);
    ok = ok && SetKey(root + L"\\ProgID", e.progId);
    ok = ok && SetKey(root + L"\\ToolboxBitmap32", e.modulePath + L", " + Decimal(e.toolboxBitmapId));
    ok = ok && SetKey(root + L"\\MiscStatus", L"0");
    ok = ok && SetKey(root + L"\\MiscStatus\\1", Decimal(e.miscStatus));
    ok = ok && CreateKey(root + L"\\Control");
    if (ok && e.insertable) ok = CreateKey(root + L"\\Insertable");
    ok = ok && SetKey(root + L"\\TypeLib", GuidText(e.typeLib));
    ok = ok && SetKey(root + L"\\Version", Decimal(e.typeLibMajor) + L"." + Decimal(e.typeLibMinor));
    ok = ok && SetKey(e.progId, e.typeName);
    ok = ok && SetKey(e.progId + L"\\CLSID", clsid);
    return ok;
}

bool RegisterPropertyPageClass(REFCLSID clsid, const std::wstring& typeName, const std::wstring& modulePath) {
    const std::wstring root = L"CLSID\\" + GuidText(clsid);
    return SetKey(root, typeName) && SetKey(root + L"\\InprocServer32", modulePath);
}

bool UnregisterClass(REFCLSID clsid, const wchar_t* progId) {
    bool ok = DeleteTree(L"CLSID\\" + GuidText(clsid));
    if (progId && *progId) ok = DeleteTree(progId) && ok;
    return ok;
}

HRESULT RegisterModuleTypeLib(const std::wstring& modulePath) {
    ITypeLib* typeLib = nullptr;
    HRESULT hr = ::LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &typeLib);
    if (FAILED(hr)) return hr;
    std::wstring folder = modulePath;
    const size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
    hr = ::RegisterTypeLib(typeLib, const_cast<wchar_t*>(modulePath.c_str()),
                           folder.empty() ? nullptr : const_cast<wchar_t*>(folder.c_str()));
    typeLib->Release();
    return hr;
}

HRESULT UnregisterModuleTypeLib(REFGUID typeLibId, WORD major, WORD minor, LCID lcid) {
    // The registration is keyed by the library's own locale and system kind,
    // so they are read from the registered library itself. Both bitnesses of
    // a control share the library's key, and a lookup finds the other one's
    // registration when ours is gone: that one is not ours to remove.
    constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    ITypeLib* typeLib = nullptr;
    HRESULT hr = ::LoadRegTypeLib(typeLibId, major, minor, lcid, &typeLib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = typeLib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        hr = attr->syskind == kOwnSysKind
                 ? ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind)
                 : TYPE_E_LIBNOTREGISTERED;
        typeLib->ReleaseTLibAttr(attr);
    }
    typeLib->Release();
    return hr;
}

std::wstring LoadModuleString(HINSTANCE module, UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
    const int n = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) return {};
    return std::wstring(text, static_cast<size_t>(n));
}
