#include "read_note_dlg.h"

#include "popup_keys.h"
#include "sound_seam.h"
#include "tray_main_dlg.h"
#include "popup_text.h"
#include "text_conversion.h"
#include "records.h"
#include "res/PopupBitmaps.h"
#include "text_split.h"

BEGIN_MESSAGE_MAP(CReadNoteDlg, CTrayPopup)
    ON_WM_DESTROY()
    ON_COMMAND(IDC_REPLY_SEND, &CReadNoteDlg::OnReply)
    ON_COMMAND(IDC_NOTE_PROFILE, &CReadNoteDlg::OnProfile)
    ON_COMMAND(IDC_NOTE_CHAT, &CReadNoteDlg::OnChatRequest)
    ON_MESSAGE(WM_LBUTTONDOWN, &CReadNoteDlg::OnLButtonDown)
END_MESSAGE_MAP()

namespace {
// Notes written on other systems may end their lines with "\n" alone, which
// an edit box would show as one long line.
std::string WithWindowsLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}
}  // namespace

CReadNoteDlg::CReadNoteDlg(CTrayMainDlg& main) : CTrayPopup(main, kTemplate) {}

void CReadNoteDlg::SetNote(const ReceivedNoteRecord& r, const std::string& textUtf8) {
    memberId = r.memberId;
    nickname = CTrayMainDlg::FromUtf8(r.nickname);
    sex = r.sex;
    age = r.age;
    occupation = CTrayMainDlg::FromUtf8(r.occupation);
    region = CTrayMainDlg::FromUtf8(r.region);
    chatTopic = CTrayMainDlg::FromUtf8(r.chatTopic);
    taste = r.taste;
    popularity = CTrayMainDlg::FromUtf8(r.popularity);
    points = r.points;
    receivedText = CTrayMainDlg::FromUtf8(std::string(CStringPart(textUtf8)));  // as a C string: up to its first zero
    heading = NoteSenderHeading(nickname, age, sex);
}

BOOL CReadNoteDlg::OnInitDialog() {
    POINT at;
    {
        CSingleLock lock(TrayProcessLock());
        at = NextNoteCascade(Main().notePopupOrigin);
    }
    PlaceTopmost(at);
    AddBitmapButton(IDC_NOTE_CHAT, IDB_BUTTON_CHAT);
    AddBitmapButton(IDC_NOTE_PROFILE, IDB_BUTTON_PROFILE);
    AddBitmapButton(IDC_REPLY_SEND, IDB_BUTTON_SEND);
    AddBitmapButton(IDCANCEL, IDB_BUTTON_CANCEL);
    MakeFont(headingFont);
    MakeFont(textFont);
    replyBox.SubclassDlgItem(IDC_REPLY_TEXT, this);
    SetItemFont(m_hWnd, IDC_SENDER, headingFont);
    SetItemFont(m_hWnd, IDC_NOTE_BOX, textFont);
    SetItemFont(m_hWnd, IDC_REPLY_TEXT, textFont);
    palette.Set(IDC_SENDER, PopupPalette::Style::DetailsOverSkin);
    palette.Set(IDC_NOTE_BOX, PopupPalette::Style::ReceivedNote);
    SetItemText(IDC_SENDER, EscapeAmpersands(heading));
    SetItemText(IDC_NOTE_BOX, WithWindowsLineEnds(receivedText));
    PlaySoundFile("MsgMusic.wav");
    SetForegroundWindow();
    return TRUE;
}

BOOL CReadNoteDlg::PreTranslateMessage(MSG* msg) {
    if (!IsSendKey(*msg)) return FALSE;
    OnReply();
    return TRUE;
}

// Whichever way the popup ends (closed, or ended by a reply), it stops
// counting as open exactly once.
void CReadNoteDlg::OnDestroy() {
    if (!counted) return;
    counted = false;
    CSingleLock lock(TrayProcessLock());
    --Main().openNoteCount;
    if (Main().openNoteCount <= 0) Main().notePopupOrigin = kNoteCascadeStart;
}

void CReadNoteDlg::OnReply() {
    replyText.clear();
    replyText = ItemText(IDC_REPLY_TEXT);
    if (replyText.empty()) return;
    Main().StageNoteText(replyText);
    Main().SendNote(memberId);
    EndDialog(IDOK);
}

void CReadNoteDlg::OnProfile() { Main().OpenProfilePage(memberId); }

void CReadNoteDlg::OnChatRequest() {
    // No control is involved: the sender's texts stay as the server sent them.
    ChatTargetFields f;
    f.memberId = memberId;
    f.nickname = nickname;
    f.sex = std::string(1, sex);
    f.age = static_cast<int16_t>(age);
    f.occupation = occupation;
    f.region = region;
    f.taste = static_cast<int16_t>(taste);
    f.popularity = popularity;
    f.chatTopic = chatTopic;
    f.points = points;
    ChatTargetFields record = f;  // the record the controls would hand over, for what reads it
    for (std::string* text : {&record.nickname, &record.occupation, &record.region, &record.popularity, &record.chatTopic})
        *text = KoreanBytesFromUtf8(*text);
    Main().chatTarget = MakeChatTargetInfo(record);
    Main().chatTargetTexts = f;
    Main().InviteToChat(memberId);
}

// A press on the skin puts the caret into the reply.
LRESULT CReadNoteDlg::OnLButtonDown(WPARAM w, LPARAM l) {
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_REPLY_TEXT));
    return ::DefWindowProcW(m_hWnd, WM_LBUTTONDOWN, w, l);
}
