#include "text_conversion.h"

#include <climits>

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return std::wstring();
    const int n = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(codePage, 0, text.data(), n, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), n, &wide[0], units);
    return wide;
}

std::string Narrow(UINT codePage, std::wstring_view wide) {
    if (wide.empty() || wide.size() > INT_MAX) return std::string();
    const int n = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(codePage, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), n, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring WideFromUtf8(std::string_view utf8) { return Widen(CP_UTF8, utf8); }
std::string Utf8FromWide(std::wstring_view wide) { return Narrow(CP_UTF8, wide); }
std::string CleanUtf8(std::string_view utf8) { return Utf8FromWide(WideFromUtf8(utf8)); }

size_t CodePagePrefixLength(UINT codePage, std::string_view text, size_t maxBytes) {
    size_t keep = 0;
    while (keep < text.size()) {
        const bool lead = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[keep]));
        const size_t step = lead && keep + 1 < text.size() ? 2 : 1;
        if (keep + step > maxBytes) break;
        keep += step;
    }
    return keep;
}

size_t Utf8PrefixLength(std::string_view utf8, size_t maxBytes) {
    if (utf8.size() <= maxBytes) return utf8.size();
    size_t keep = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (keep > 0 && (static_cast<unsigned char>(utf8[keep]) & 0xC0) == 0x80) --keep;
    return keep;
}

std::string KoreanBytesFromUtf8(std::string_view utf8) { return Narrow(kKoreanCodePage, WideFromUtf8(utf8)); }
std::string Utf8FromKoreanBytes(std::string_view bytes) { return Utf8FromWide(Widen(kKoreanCodePage, bytes)); }

std::string CleanMemberText(std::string_view utf8) {
    constexpr size_t kMaxUnits = 2048;
    std::wstring wide = WideFromUtf8(utf8);
    if (wide.size() > kMaxUnits) {
        wide.resize(kMaxUnits);
        if (wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
    }
    return Utf8FromWide(wide);
}
