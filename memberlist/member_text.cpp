#include "member_text.h"

#include <windows.h>

namespace {
constexpr size_t kMaxUnits = 2048;

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty()) return std::wstring();
    const int n = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(codePage, 0, text.data(), n, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), n, &wide[0], units);
    return wide;
}

std::string Narrow(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int n = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(codePage, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), n, &out[0], bytes, nullptr, nullptr);
    return out;
}
}  // namespace

std::string AnsiFromUtf8(std::string_view utf8) {
    std::wstring wide = Widen(CP_UTF8, utf8);
    if (wide.size() > kMaxUnits) {
        wide.resize(kMaxUnits);
        if (wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
    }
    return Narrow(CP_ACP, wide);
}

std::string Utf8FromAnsi(std::string_view ansi) { return Narrow(CP_UTF8, Widen(CP_ACP, ansi)); }

int SystemCollation::Compare(const std::string& a, const std::string& b) const {
    const int r = ::CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                                   static_cast<int>(b.size()));
    return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}
