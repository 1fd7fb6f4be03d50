#include "ole_text.h"

#include <climits>

namespace {
std::string Narrow(UINT codePage, const wchar_t* text, size_t length) {
    if (!text || length == 0 || length > INT_MAX) return {};
    const int n = ::WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), nullptr, 0,
                                        nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}
}  // namespace

std::string AnsiFromWide(const wchar_t* text, size_t length) { return Narrow(CP_ACP, text, length); }
std::string AnsiFromWide(const std::wstring& text) { return Narrow(CP_ACP, text.data(), text.size()); }
std::string AnsiFromBstr(BSTR text) { return text ? Narrow(CP_ACP, text, ::SysStringLen(text)) : std::string(); }
std::wstring WideFromAnsi(std::string_view text) { return Widen(CP_ACP, text); }

BSTR BstrFromAnsi(std::string_view text) {
    const std::wstring wide = WideFromAnsi(text);
    return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::wstring WideFromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }
std::string Utf8FromWide(const std::wstring& text) { return Narrow(CP_UTF8, text.data(), text.size()); }

std::wstring GuidText(REFGUID guid) {
    wchar_t buffer[64] = {};
    if (::StringFromGUID2(guid, buffer, 64) <= 0) return {};
    return buffer;
}
