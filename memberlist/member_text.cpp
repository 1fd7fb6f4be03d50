#include "member_text.h"

#include <windows.h>

#include <cstring>

#include "text_conversion.h"

int SystemCollation::Compare(std::string_view a, std::string_view b) const {
    const std::wstring x = WideFromUtf8(a), y = WideFromUtf8(b);
    const int r = ::CompareStringW(LOCALE_USER_DEFAULT, 0, x.data(), static_cast<int>(x.size()), y.data(),
                                   static_cast<int>(y.size()));
    return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}

std::string SystemCollation::SortKey(std::string_view text) const {
    std::string key;
    const std::wstring wide = WideFromUtf8(text);
    const int n = static_cast<int>(wide.size());
    if (n == 0) return key;
    // With LCMAP_SORTKEY the destination is a byte buffer and sizes count bytes.
    const int size = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide.data(), n, nullptr, 0);
    if (size <= 0) return std::string(text);
    key.resize(static_cast<size_t>(size));
    ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide.data(), n, reinterpret_cast<LPWSTR>(&key[0]), size);
    while (!key.empty() && key.back() == 0) key.pop_back();  // the key's terminator
    return key;
}

const std::string& SortKeyCollation::CachedKey(std::string_view text) const {
    const std::string t(text);
    auto found = keys_.find(t);
    if (found != keys_.end()) return found->second;
    return keys_.emplace(t, SystemCollation::SortKey(text)).first->second;
}

std::string SortKeyCollation::SortKey(std::string_view text) const { return CachedKey(text); }

int SortKeyCollation::Compare(std::string_view a, std::string_view b) const {
    if (a == b) return 0;
    const std::string& x = CachedKey(a);
    const std::string& y = CachedKey(b);
    const int c = std::memcmp(x.data(), y.data(), x.size() < y.size() ? x.size() : y.size());
    if (c != 0) return c < 0 ? -1 : 1;
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return 0;
}
