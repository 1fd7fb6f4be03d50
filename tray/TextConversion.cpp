// Member texts travel as UTF-8 and are shown in the system's ANSI code page;
// both directions go through UTF-16.
#include "TrayMainDlg.h"

#include <vector>

#include "taste.h"

namespace {
constexpr int kMaxUnits = 2048;
constexpr size_t kMaxAnsiBytes = 2048;

std::wstring Widen(UINT codePage, const char* text, size_t length) {
    if (!text || length == 0) return std::wstring();
    const int n = static_cast<int>(length);
    const int units = ::MultiByteToWideChar(codePage, 0, text, n, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(codePage, 0, text, n, &wide[0], units);
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

std::string CTrayMainDlg::ToUtf8(const std::string& ansi) {
    return Narrow(CP_UTF8, Widen(CP_ACP, ansi.data(), ansi.size()));
}

std::string CTrayMainDlg::FromUtf8(const char* utf8, size_t length) {
    std::wstring wide = Widen(CP_UTF8, utf8, length);
    if (wide.size() > static_cast<size_t>(kMaxUnits)) {
        wide.resize(kMaxUnits);
        // Never keep half of a surrogate pair.
        if (wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
    }
    std::string ansi = Narrow(CP_ACP, wide);
    if (ansi.size() > kMaxAnsiBytes) {
        // Cut on a character boundary: walk the double-byte characters.
        size_t keep = 0;
        while (keep < ansi.size()) {
            const size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(ansi[keep])) ? 2 : 1;
            if (keep + step > kMaxAnsiBytes) break;
            keep += step;
        }
        ansi.resize(keep);
    }
    return ansi;
}

void CTrayMainDlg::TasteName(int code, std::string& text) { ::TasteName(code, text); }
