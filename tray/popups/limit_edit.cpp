#include "limit_edit.h"

#include <windows.h>

BEGIN_MESSAGE_MAP(CLimitEdit, CEdit)
    ON_MESSAGE(WM_CHAR, &CLimitEdit::OnChar)
    ON_MESSAGE(WM_IME_CHAR, &CLimitEdit::OnImeChar)
    ON_MESSAGE(WM_PASTE, &CLimitEdit::OnPaste)
END_MESSAGE_MAP()

// The edit control's own limit counts bytes on Windows but characters under
// other implementations, so the box also measures the ANSI bytes itself.
int CLimitEdit::TextBytes() const { return static_cast<int>(GetText().size()); }

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

// Inserted as text rather than passed on as a character message: translating
// character messages between the code page and Unicode may split a
// double-byte character into two unknown ones.
LRESULT CLimitEdit::InsertDoubleByte(BYTE lead, BYTE trail) {
    const char bytes[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
    WCHAR unit = 0;
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, 2, &unit, 1) != 1) return 0;  // no character
    return InsertWithinLimit(2, [&] {
        ReplaceSel(bytes);
        return LRESULT{0};
    });
}

LRESULT CLimitEdit::OnChar(WPARAM ch, LPARAM) {
    LimitText(kLimitBytes);
    // Some systems deliver a double-byte character in one message, lead byte high.
    if (ch > 0xFF) {
        pendingLead = 0;
        return InsertDoubleByte(HIBYTE(LOWORD(ch)), LOBYTE(LOWORD(ch)));
    }
    const BYTE byte = static_cast<BYTE>(ch);
    if (pendingLead) {
        const BYTE lead = pendingLead;
        pendingLead = 0;
        return InsertDoubleByte(lead, byte);
    }
    if (::IsDBCSLeadByte(byte)) {
        pendingLead = byte;  // the trail byte follows in the next message
        return 0;
    }
    if (byte < 0x20 && byte != '\r') return Default();  // backspace, Ctrl+ keys: never refused
    return InsertWithinLimit(byte == '\r' ? 2 : 1, [this] { return Default(); });  // Enter inserts "\r\n"
}

LRESULT CLimitEdit::OnImeChar(WPARAM ch, LPARAM) {
    LimitText(kLimitBytes);
    pendingLead = 0;
    if (ch > 0xFF) return InsertDoubleByte(HIBYTE(LOWORD(ch)), LOBYTE(LOWORD(ch)));
    return InsertWithinLimit(1, [this] { return Default(); });
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
