#include "module_test_support.h"

#include <algorithm>
#include <cwctype>

namespace module_test_support {

int RunProgram(const std::wstring& commandLine, const wchar_t* directory, DWORD limitMs) {
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &si, &pi)) return -1;
    ::WaitForSingleObject(pi.hProcess, limitMs);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
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
        char text[256] = {};
        ::GetClassNameA(child, cls, sizeof cls);
        ::GetWindowTextA(child, text, sizeof text);
        children.push_back({cls, text});
    }
    return children;
}

}  // namespace module_test_support
