// CRosterlyCtrl: the context menu and what the viewer can do with a row:
// notes and chat requests for Notewell, profiles in the browser, friends and
// blocks on the server.
#include "rosterly_ctrl.h"

#include "app.h"
#include "browser_seam.h"
#include "deferred_release.h"
#include "login_form.h"
#include "member_text.h"
#include "message_box.h"
#include "popup_menu_seam.h"
#include "rosterly_resource.h"
#include "rosterly_texts.h"
#include "sound_seam.h"
#include "text_conversion.h"
#include "tray_link.h"
#include "tray_messages.h"

namespace {
constexpr int kFullMenu = 1;      // "목록": the other sex, or the buddy list
constexpr int kSameSexMenu = 2;   // "목록(동성)": the profile only

void ShowLoggedOut(HWND owner) { ShowMessageBox(owner, kLoggedOutText, kServerMessageCaption, kErrorBox); }
}  // namespace

LRESULT CRosterlyCtrl::OnContextMenuMessage(WPARAM, LPARAM l) {
    int x = static_cast<short>(LOWORD(l));
    int y = static_cast<short>(HIWORD(l));
    if (x == -1 && y == -1) {
        // From the keyboard: at the first selected row rather than the screen's corner.
        const int row = static_cast<int>(ListCall(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        RECT rc{};
        rc.left = LVIR_LABEL;
        POINT at{0, 0};
        if (row >= 0 && ListCall(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc)))
            at = POINT{rc.left, rc.bottom};
        ::ClientToScreen(m_hWnd, &at);
        x = at.x;
        y = at.y;
    }
    OpenContextMenu(x, y);
    return 0;
}

void CRosterlyCtrl::OpenContextMenu(int screenX, int screenY) {
    const MemberRecord* record = GetSelectedRecord();
    if (!record) return;
    session.Select(*record);
    const MemberMenuFlags& menuFlags = session.MenuFlags();

    HMENU menu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MEMBER_MENU));
    if (!menu) return;
    HMENU popup = ::GetSubMenu(menu, session.Mode().OffersFullMenu() ? kFullMenu : kSameSexMenu);
    if (popup) {
        for (const UINT command : {ID_MEMBER_CHAT, ID_MEMBER_ADD_FRIEND, ID_MEMBER_REMOVE_FRIEND, ID_MEMBER_BLOCK,
                                   ID_MEMBER_UNBLOCK})
            ::EnableMenuItem(popup, command, MF_BYCOMMAND | (menuFlags.Enables(command) ? MF_ENABLED : MF_GRAYED));
        CObjectHold hold(static_cast<IOleObject*>(this));  // the menu runs a modal loop
        TrackMenu(PopupMenuRequest{popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, screenX, screenY, m_hWnd});
    }
    ::DestroyMenu(menu);
}

void CRosterlyCtrl::OnSendNote() {
    const MemberRecord* record = GetSelectedRecord();
    if (!record) {
        ShowMessageBox(m_hWnd, kNoteTargetGoneText, kNoteStateCaption, MB_OK);
        return;
    }
    const NoteTargetInfo note = NoteTargetFor(*record, &KoreanBytesFromUtf8);
    ::ReleaseCapture();
    HWND tray = FindTrayWindow();
    if (!tray) {
        ShowLoggedOut(m_hWnd);
        return;
    }
    SendTrayRecord(tray, COPYDATA_SEND_NOTE, &note, sizeof note);
}

void CRosterlyCtrl::OnRequestChat() {
    ::ReleaseCapture();
    RequestChatFor(GetSelectedRecord());
}

void CRosterlyCtrl::RequestChatFor(const MemberRecord* record) {
    if (const char* refusal = MemberListSession::ChatRefusal(record)) {
        ShowMessageBox(m_hWnd, refusal, kChatStateCaption, kInfoBox);
        return;
    }
    const ChatTargetInfo chat = ChatTargetFor(*record, &KoreanBytesFromUtf8);
    HWND tray = FindTrayWindow();
    if (!tray) {
        ShowLoggedOut(m_hWnd);
        return;
    }
    SendTrayRecord(tray, COPYDATA_CHAT_REQUEST, &chat, sizeof chat);
}

void CRosterlyCtrl::OnRowDoubleClick(int row) {
    if (row < 0) return;
    ::ReleaseCapture();
    const MemberRecord* record = GetSelectedRecord(row);
    if (!record) return;
    if (record->isFemale == session.Mode().viewerIsWoman) return;  // the viewer's own sex
    RequestChatFor(record);
}

void CRosterlyCtrl::OnProfile() {
    if (!session.Connected()) {
        ShowLoggedOut(m_hWnd);
        return;
    }
    ::ReleaseCapture();
    const MemberRecord* record = GetSelectedRecord();
    if (!record) {
        ShowMessageBox(m_hWnd, kProfileTargetGoneText, kServerMessageCaption, kInfoBox);
        return;
    }
    OpenProfile(record->id);
}

void CRosterlyCtrl::OpenProfile(const std::string& profileId) {
    BrowserNavigation request;
    request.url = ProfilePageText(webHost, profileId);
    request.targetFrame = kNavigateTargetFrame;
    request.headers = kFormPostHeaders;
    request.hasPostData = true;
    request.postData = BuildLoginPostBody(memberId, password);
    request.settings = {{BrowserSetting::Resizable, 0}, {BrowserSetting::ToolBar, 0},
                        {BrowserSetting::StatusBar, 0}, {BrowserSetting::AddressBar, 0},
                        {BrowserSetting::MenuBar, 0},   {BrowserSetting::Top, -1},
                        {BrowserSetting::Visible, 1},   {BrowserSetting::Height, kProfilePageHeight},
                        {BrowserSetting::Width, kProfilePageWidth}};
    const BrowserResult result = NavigateNewBrowserWindow(request);
    // A failed navigation only beeps here.
    if (result.stage == BrowserResult::Navigated && FAILED(result.navigateResult)) PlayBeep(MB_ICONEXCLAMATION);
}

void CRosterlyCtrl::OnUnblock() {
    unblockId = session.SelectedId();
    unblockNickUtf8 = session.SelectedNickname();
    if (MessageBoxOpen()) {
        // Never a box inside a box: asked once the open one is answered, about
        // the member chosen now (another menu may choose another meanwhile).
        PostWhenMessageBoxesClosed(m_hWnd, WM_ASK_UNBLOCK);
        return;
    }
    AskUnblock();
}

LRESULT CRosterlyCtrl::OnAskUnblockMessage(WPARAM, LPARAM) {
    if (MessageBoxOpen()) {  // another box came up before this turn
        PostWhenMessageBoxesClosed(m_hWnd, WM_ASK_UNBLOCK);
        return 0;
    }
    AskUnblock();
    return 0;
}

void CRosterlyCtrl::AskUnblock() {
    session.SetSelection(unblockId, unblockNickUtf8);
    CObjectHold hold(static_cast<IOleObject*>(this));  // the question is a modal loop
    const int answer = ShowMessageBox(m_hWnd, kUnblockQuestionText, kFriendCaption,
                                      MB_YESNOCANCEL | MB_ICONINFORMATION | MB_TOPMOST);
    if (answer == IDYES)
        SendRelation('F');
    else if (answer == IDNO)
        SendRelation('U');
}
