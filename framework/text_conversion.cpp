#include "text_conversion.h"

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

size_t AnsiPrefixLength(std::string_view ansi, size_t maxBytes) {
    size_t keep = 0;
    while (keep < ansi.size()) {
        const size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(ansi[keep])) && keep + 1 < ansi.size() ? 2 : 1;
        if (keep + step > maxBytes) break;
        keep += step;
    }
    return keep;
}
