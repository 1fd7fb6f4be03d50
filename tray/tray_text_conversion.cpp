// The tray client's text conversions, over the framework's UTF-16 ones.
#include "tray_main_dlg.h"

#include "taste.h"
#include "text_conversion.h"

namespace {
constexpr size_t kMaxUnits = 2048;
// What a popup shows of one text: as much as 2048 bytes held in code page 949
// (one byte an ASCII character, two any other).
constexpr size_t kMaxShownBytes = 2048;
}  // namespace

// The programs keep texts in UTF-8: what goes to the server is the same text,
// with any malformed bytes made U+FFFD.
std::string CTrayMainDlg::ToUtf8(const std::string& text) { return CleanUtf8(text); }

std::string CTrayMainDlg::FromUtf8(const char* utf8, size_t length) {
    std::wstring wide = utf8 ? WideFromUtf8(std::string_view(utf8, length)) : std::wstring();
    if (wide.size() > kMaxUnits) wide.resize(kMaxUnits);
    size_t bytes = 0, keep = 0;
    for (; keep < wide.size(); ++keep) {
        const wchar_t unit = wide[keep];
        const size_t step = unit < 0x80 ? 1 : (unit >= 0xDC00 && unit <= 0xDFFF ? 0 : 2);
        if (bytes + step > kMaxShownBytes) break;
        bytes += step;
    }
    wide.resize(keep);
    // Never keep half of a surrogate pair.
    if (!wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
    return Utf8FromWide(wide);
}

std::string CTrayMainDlg::CredentialBytes(const std::string& text) { return KoreanBytesFromUtf8(text); }

std::string CTrayMainDlg::CredentialText(const std::string& text) {
    return Utf8FromKoreanBytes(KoreanBytesFromUtf8(text));
}

void CTrayMainDlg::TasteName(int code, std::string& text) { ::TasteName(code, text); }
