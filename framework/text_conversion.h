// Conversions between byte texts of a code page and UTF-16. The programs keep
// their texts in UTF-8 and speak UTF-16 to Windows; code page 949 is used
// only where a record between the programs lays its texts out in it.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// The code page of the records the controls and Notewell exchange, whatever
// the system's own code page is.
constexpr UINT kKoreanCodePage = 949;

// The text in UTF-16; empty when it cannot be converted.
std::wstring Widen(UINT codePage, std::string_view text);
// The UTF-16 text in the code page; empty when it cannot be converted.
std::string Narrow(UINT codePage, std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
// A member text from the wire as the member lists keep it: malformed bytes
// become U+FFFD, at most 2048 UTF-16 characters are kept (never half a
// surrogate pair).
std::string CleanMemberText(std::string_view utf8);
// A UTF-8 text as Windows takes it back: malformed sequences become U+FFFD.
std::string CleanUtf8(std::string_view utf8);
// How much of a text in the (double-byte) code page fits in `maxBytes`
// without cutting a character in two: never ends after a lead byte.
size_t CodePagePrefixLength(UINT codePage, std::string_view text, size_t maxBytes);
// How much of a UTF-8 text fits in `maxBytes` without cutting a character.
size_t Utf8PrefixLength(std::string_view utf8, size_t maxBytes);
// Code page 949 bytes of a UTF-8 text and back; characters 949 lacks become '?'.
std::string KoreanBytesFromUtf8(std::string_view utf8);
std::string Utf8FromKoreanBytes(std::string_view bytes);
