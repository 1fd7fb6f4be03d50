// Small text helpers with the semantics of the C library and MFC functions
// the original programs used: C-string ends, AfxExtractSubString, atoi.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The text up to its first zero byte, as a C string (and "%s") sees it.
std::string_view CStringPart(std::string_view text);

// AfxExtractSubString: field `index` of `text` split on `separator`. The first
// field is the text before the first separator, each further field the text
// after the next separator up to the following one or the end; a missing
// field is empty. The text ends at its first zero byte.
std::string ExtractField(std::string_view text, size_t index, char separator = '/');

// Decimal parse with atoi semantics: leading white space (' ', \t \n \v \f \r),
// an optional sign, then digits up to the first other character; an empty or
// non-numeric text gives 0. Out-of-range values saturate at the 32-bit limits
// (as the Windows CRT's atoi does). The text ends at its first zero byte.
int32_t ParseDecimalLikeAtoi(std::string_view text);
