// Member texts travel as UTF-8 and are shown in the system's ANSI code page;
// both directions go through UTF-16. And the system's locale-aware order of
// texts, for sorting the list.
#pragma once
#include <string>
#include <string_view>

#include "member_sort.h"

// At most 2048 UTF-16 characters are kept (never half a surrogate pair).
std::string AnsiFromUtf8(std::string_view utf8);
std::string Utf8FromAnsi(std::string_view ansi);

// CompareStringA in the user's locale, as lstrcmpA compares.
class SystemCollation : public TextCollation {
public:
    int Compare(const std::string& a, const std::string& b) const override;
};
