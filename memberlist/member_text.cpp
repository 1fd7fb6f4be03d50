#include "member_text.h"

#include <windows.h>

#include "text_conversion.h"

namespace {
constexpr size_t kMaxUnits = 2048;
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
