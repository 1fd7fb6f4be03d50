#include "module_version.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "ole_module.h"
#include "ole_text.h"
#include "version_text.h"

std::string ReadModuleVersionText() {
    // The module's own file by its full path: the file "Rosterly.ocx" that
    // is loaded, wherever it was installed.
    const std::wstring path = OleModuleFileName();
    if (path.empty()) return std::string();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::string();
    std::vector<char> info(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return std::string();
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &length) ||
        length < sizeof(Translation))
        return std::string();
    wchar_t query[64];
    std::swprintf(query, sizeof query / sizeof query[0], L"\\StringFileInfo\\%04x%04x\\FileVersion",
                  translation->language, translation->codePage);
    wchar_t* version = nullptr;
    if (!::VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&version), &length) || !version)
        return std::string();
    // length counts characters including the terminator; never read past it.
    return JoinVersionParts(Utf8FromWide(std::wstring_view(version, wcsnlen(version, length))));
}
