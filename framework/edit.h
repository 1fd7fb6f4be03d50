// CEdit: an edit control of a dialog template, taken over with SubclassDlgItem.
#pragma once
#include <string>

#include "control_wnd.h"

class CEdit : public CControlWnd {
public:
    void LimitText(int bytes) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(bytes), 0); }
    void SetSel(int start, int end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void GetSel(int& start, int& end);
    // Texts in UTF-8.
    void ReplaceSel(const char* text);
    std::string GetText() const;
    void SetText(const std::string& text) { SetWindowText(text.c_str()); }

protected:
    static const MsgMap* GetThisMessageMap();
    const MsgMap* GetMessageMap() const override { return GetThisMessageMap(); }
};
