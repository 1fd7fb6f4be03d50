// Conversions between byte texts of a code page and UTF-16. Member texts
// travel as UTF-8 and are shown in the system's ANSI code page; both
// directions go through UTF-16.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// The text in UTF-16; empty when it cannot be converted.
std::wstring Widen(UINT codePage, std::string_view text);
// The UTF-16 text in the code page; empty when it cannot be converted.
std::string Narrow(UINT codePage, const std::wstring& wide);
// How much of an ANSI text fits in `maxBytes` without cutting a double-byte
// character in two: never ends after a lead byte.
size_t AnsiPrefixLength(std::string_view ansi, size_t maxBytes);
