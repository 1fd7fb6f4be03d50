#include "limit_edit.h"

#include <windows.h>

#include <string>

#include "text_conversion.h"

BEGIN_MESSAGE_MAP(CLimitEdit, CEdit)
    ON_MESSAGE(WM_CHAR, &CLimitEdit::OnChar)
    ON_MESSAGE(WM_IME_CHAR, &CLimitEdit::OnImeChar)
    ON_MESSAGE(WM_PASTE, &CLimitEdit::OnPaste)
END_MESSAGE_MAP()

namespace {
// Bytes a UTF-16 unit takes in code page 949: one for ASCII, two for any
// other character (a character 949 lacks counts as two as well; the low half
// of a surrogate pair adds nothing to its high half).
int UnitBytes(wchar_t unit) {
    if (unit < 0x80) return 1;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return 0;
    return 2;
}
}  // namespace

// The limit is counted in code page 949 bytes, as the skins tell the member
// (200 Korean characters), whatever the system's code page; the edit
// control's own limit counts characters, so the box measures itself.
int CLimitEdit::TextBytes() const {
    int bytes = 0;
    for (wchar_t unit : WideFromUtf8(GetText())) bytes += UnitBytes(unit);
    return bytes;
}

bool CLimitEdit::HasSelection() {
    int start = 0, end = 0;
    GetSel(start, end);
    return start != end;
}

LRESULT CLimitEdit::InsertWithinLimit(int bytes, const std::function<LRESULT()>& insert) {
    if (bytes > 0 && !HasSelection()) return TextBytes() + bytes > kLimitBytes ? 0 : insert();
    const std::string before = GetText();
    int start = 0, end = 0;
    GetSel(start, end);
    const LRESULT result = insert();
    if (TextBytes() > kLimitBytes) {
        SetText(before);
        SetSel(start, end);
        SendMessage(EM_SCROLLCARET, 0, 0);
    }
    return result;
}

LRESULT CLimitEdit::InsertUnit(wchar_t unit) {
    const bool lowHalf = unit >= 0xDC00 && unit <= 0xDFFF;
    if (lowHalf && refusedHighHalf) {  // the rest of a character already refused
        refusedHighHalf = false;
        return 0;
    }
    refusedHighHalf = false;
    const int bytes = unit == L'\r' ? 2 : UnitBytes(unit);  // Enter inserts "\r\n"
    if (!lowHalf && !HasSelection() && TextBytes() + bytes > kLimitBytes) {
        refusedHighHalf = unit >= 0xD800 && unit <= 0xDBFF;
        return 0;
    }
    return InsertWithinLimit(bytes, [this] { return Default(); });
}

LRESULT CLimitEdit::OnChar(WPARAM ch, LPARAM) {
    LimitText(kLimitBytes);
    const wchar_t unit = static_cast<wchar_t>(ch);
    if (unit < 0x20 && unit != L'\r') return Default();  // backspace, Ctrl+ keys: never refused
    return InsertUnit(unit);
}

// Inserted as text: an edit box does not take every IME character message as
// typing. A surrogate pair comes as two messages and goes in whole.
LRESULT CLimitEdit::OnImeChar(WPARAM ch, LPARAM) {
    LimitText(kLimitBytes);
    const wchar_t unit = static_cast<wchar_t>(ch);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        pendingHighHalf = unit;
        return 0;
    }
    std::wstring text(1, unit);
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!pendingHighHalf) return 0;  // half a character: nothing to insert
        text.insert(text.begin(), pendingHighHalf);
    }
    pendingHighHalf = 0;
    int bytes = 0;
    for (wchar_t u : text) bytes += UnitBytes(u);
    return InsertWithinLimit(bytes, [this, &text] {
        ReplaceSel(Utf8FromWide(text).c_str());
        return LRESULT{0};
    });
}

// A paste's size is known only after it.
LRESULT CLimitEdit::OnPaste(WPARAM, LPARAM) {
    return InsertWithinLimit(0, [this] { return Default(); });
}

bool CLimitEdit::OnChildNotify(UINT msg, WPARAM w, LPARAM, LRESULT* result) {
    if (msg != WM_COMMAND || HIWORD(w) != EN_MAXTEXT) return false;
    *result = 0;  // at the limit: nothing to tell
    return true;
}
