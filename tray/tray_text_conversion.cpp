// The tray client's text conversions, over the framework's UTF-16 ones.
#include "tray_main_dlg.h"

#include <vector>

#include "taste.h"
#include "text_conversion.h"

namespace {
constexpr int kMaxUnits = 2048;
constexpr size_t kMaxAnsiBytes = 2048;
}  // namespace

std::string CTrayMainDlg::ToUtf8(const std::string& ansi) {
    return Narrow(CP_UTF8, Widen(CP_ACP, ansi));
}

std::string CTrayMainDlg::FromUtf8(const char* utf8, size_t length) {
    std::wstring wide = utf8 ? Widen(CP_UTF8, std::string_view(utf8, length)) : std::wstring();
    if (wide.size() > static_cast<size_t>(kMaxUnits)) {
        wide.resize(kMaxUnits);
        // Never keep half of a surrogate pair.
        if (wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
    }
    std::string ansi = Narrow(CP_ACP, wide);
    if (ansi.size() > kMaxAnsiBytes) ansi.resize(AnsiPrefixLength(ansi, kMaxAnsiBytes));
    return ansi;
}

void CTrayMainDlg::TasteName(int code, std::string& text) { ::TasteName(code, text); }
