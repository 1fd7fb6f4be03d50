#include "edit.h"

#include <vector>

#include "text_conversion.h"

const MsgMap* CEdit::GetThisMessageMap() {
    static const MsgMapEntry entries[] = {{0, 0, nullptr}};
    static const MsgMap map = {&CControlWnd::GetThisMessageMap, entries};
    return &map;
}

void CEdit::GetSel(int& start, int& end) {
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
}

std::string CEdit::GetText() const {
    if (!m_hWnd) return std::string();
    // The length may be larger than the text; the copy tells.
    const int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) return std::string();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int got = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return Utf8FromWide(std::wstring_view(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0));
}

void CEdit::ReplaceSel(const char* text) {
    const std::wstring wide = WideFromUtf8(text ? text : "");
    SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
}
