// CLimitEdit: the writing box of the note popups. It holds at most 400 bytes
// counted in code page 949 (200 Korean characters, as the skins tell the user)
// and refuses more without a word: no message, and the parent hears nothing.
#pragma once
#include <functional>

#include "edit.h"

class CLimitEdit : public CEdit {
public:
    static constexpr int kLimitBytes = 400;

    bool OnChildNotify(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

protected:
    LRESULT OnChar(WPARAM ch, LPARAM);
    LRESULT OnImeChar(WPARAM ch, LPARAM);
    LRESULT OnPaste(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    // A typed UTF-16 unit, taken when it still fits (a surrogate pair whole or not at all).
    LRESULT InsertUnit(wchar_t unit);
    // Runs `insert` when `bytes` more still fit. Over a selection (whose size
    // the box counts in its own units), or with bytes 0 for an insertion of
    // unknown size, it runs it and undoes it if the text grew past the limit.
    LRESULT InsertWithinLimit(int bytes, const std::function<LRESULT()>& insert);
    int TextBytes() const;
    bool HasSelection();
    bool refusedHighHalf = false;  // the first half of a pair was refused; its second follows
    wchar_t pendingHighHalf = 0;   // an IME's first half of a pair, waiting for its second
};
