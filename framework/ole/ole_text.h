// Text conversions at the COM boundary: automation passes UTF-16 BSTRs, the
// controls work in the system's ANSI code page (949 on the service's PCs).
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

std::string AnsiFromWide(const wchar_t* text, size_t length);
std::string AnsiFromWide(const std::wstring& text);
// A null BSTR is the empty text.
std::string AnsiFromBstr(BSTR text);
std::wstring WideFromAnsi(std::string_view text);
// Null when out of memory.
BSTR BstrFromAnsi(std::string_view text);
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(const std::wstring& text);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the registry holds it.
std::wstring GuidText(REFGUID guid);
