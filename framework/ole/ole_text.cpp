#include "ole_text.h"

std::string Utf8FromBstr(BSTR text) {
    return text ? Utf8FromWide(std::wstring_view(text, ::SysStringLen(text))) : std::string();
}

BSTR BstrFromUtf8(std::string_view text) {
    const std::wstring wide = WideFromUtf8(text);
    return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::wstring GuidText(REFGUID guid) {
    wchar_t buffer[64] = {};
    if (::StringFromGUID2(guid, buffer, 64) <= 0) return {};
    return buffer;
}
