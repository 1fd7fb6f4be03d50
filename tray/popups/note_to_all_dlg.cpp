#include "note_to_all_dlg.h"

#include "popup_keys.h"
#include "tray_main_dlg.h"
#include "res/PopupBitmaps.h"

BEGIN_MESSAGE_MAP(CNoteToAllDlg, CTrayPopup)
    ON_COMMAND(IDC_NOTE_ALL_SEND, &CNoteToAllDlg::OnSend)
    ON_MESSAGE(WM_LBUTTONDOWN, &CNoteToAllDlg::OnLButtonDown)
END_MESSAGE_MAP()

CNoteToAllDlg::CNoteToAllDlg(CTrayMainDlg& main) : CTrayPopup(main, kTemplate) {}

BOOL CNoteToAllDlg::OnInitDialog() {
    PlaceTopmost(kFixedPopupPlace);
    AddBitmapButton(IDC_NOTE_ALL_SEND, IDB_BUTTON_SEND);
    AddBitmapButton(IDCANCEL, IDB_BUTTON_CANCEL);
    MakeFont(textFont);
    textBox.SubclassDlgItem(IDC_NOTE_BOX, this);
    SetItemFont(m_hWnd, IDC_NOTE_BOX, textFont);
    return TRUE;
}

BOOL CNoteToAllDlg::PreTranslateMessage(MSG* msg) {
    if (!IsSendKey(*msg)) return FALSE;
    OnSend();
    return TRUE;
}

void CNoteToAllDlg::OnSend() {
    noteText = ItemText(IDC_NOTE_BOX);
    if (noteText.empty()) return;
    Main().StageNoteText(noteText);
    Main().SendNote(kEveryoneId);
    RequestClose(kCloseKind);
}

// A press on the skin puts the caret into the note.
LRESULT CNoteToAllDlg::OnLButtonDown(WPARAM w, LPARAM l) {
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_NOTE_BOX));
    return ::DefWindowProcW(m_hWnd, WM_LBUTTONDOWN, w, l);
}
