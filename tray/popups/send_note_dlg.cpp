#include "send_note_dlg.h"

#include "popup_keys.h"
#include "tray_main_dlg.h"
#include "popup_text.h"
#include "res/PopupBitmaps.h"
#include "text_conversion.h"

namespace {
const char kSubclassErrorText[] = "SubclassDlgItem() Error";
}  // namespace

BEGIN_MESSAGE_MAP(CSendNoteDlg, CTrayPopup)
    ON_COMMAND(IDC_NOTE_SEND, &CSendNoteDlg::OnSend)
    ON_COMMAND(IDC_NOTE_PROFILE, &CSendNoteDlg::OnProfile)
    ON_MESSAGE(WM_LBUTTONDOWN, &CSendNoteDlg::OnLButtonDown)
END_MESSAGE_MAP()

CSendNoteDlg::CSendNoteDlg(CTrayMainDlg& main) : CTrayPopup(main, kTemplate) {}

void CSendNoteDlg::SetTarget(const NoteTargetInfo& target) {
    recipientId = target.MemberId();
    nickname = Utf8FromKoreanBytes(target.Nickname());
    age = target.Age();
    sex = target.Sex();
}

BOOL CSendNoteDlg::OnInitDialog() {
    PlaceTopmost(kFixedPopupPlace);
    AddBitmapButton(IDC_NOTE_PROFILE, IDB_BUTTON_PROFILE);
    AddBitmapButton(IDC_NOTE_SEND, IDB_BUTTON_SEND);
    AddBitmapButton(IDCANCEL, IDB_BUTTON_CANCEL);
    MakeFont(textFont);
    MakeFont(nicknameFont);
    if (!textBox.SubclassDlgItem(IDC_NOTE_TEXT, this)) {
        ShowPopupError(kSubclassErrorText);  // the box works on, without its limit
    }
    SetItemFont(m_hWnd, IDC_NOTE_TEXT, textFont);
    SetItemFont(m_hWnd, IDC_RECIPIENT, nicknameFont);
    palette.Set(IDC_RECIPIENT, PopupPalette::Style::DetailsOverSkin);
    SetItemText(IDC_RECIPIENT, EscapeAmpersands(nickname));
    return TRUE;
}

BOOL CSendNoteDlg::PreTranslateMessage(MSG* msg) {
    if (!IsSendKey(*msg)) return FALSE;
    OnSend();
    return TRUE;
}

void CSendNoteDlg::OnSend() {
    const std::string text = ItemText(IDC_NOTE_TEXT);
    if (text.empty()) return;
    Main().StageNoteText(text);
    Main().SendNote(recipientId);
    RequestClose(kCloseKind);
}

void CSendNoteDlg::OnProfile() { Main().OpenProfilePage(recipientId); }

// A press on the skin puts the caret into the note.
LRESULT CSendNoteDlg::OnLButtonDown(WPARAM w, LPARAM l) {
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_NOTE_TEXT));
    return ::DefWindowProcW(m_hWnd, WM_LBUTTONDOWN, w, l);
}
