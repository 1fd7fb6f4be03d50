// Member texts travel as UTF-8 and the list keeps them so; Windows gets them
// in UTF-16. And the system's locale-aware order of texts, for sorting the list.
#pragma once
#include <string>
#include <string_view>
#include <functional>
#include <unordered_map>
#include <utility>

#include "member_sort.h"
#include "text_conversion.h"  // CleanMemberText


// CompareStringW in the user's locale on the UTF-16 texts, as lstrcmpW
// compares; its keys are LCMapStringW's sort keys, which order the same way.
class SystemCollation : public TextCollation {
public:
    int Compare(std::string_view a, std::string_view b) const override;
    std::string SortKey(std::string_view text) const override;
};

// The same, with each distinct text's key made once: for sorting a whole list.
class SortKeyCollation : public SystemCollation {
public:
    int Compare(std::string_view a, std::string_view b) const override;
    std::string SortKey(std::string_view text) const override;

private:
    const std::string& CachedKey(std::string_view text) const;
    mutable std::unordered_map<std::string, std::string> keys_;
};
