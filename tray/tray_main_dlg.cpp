#include "tray_main_dlg.h"

#include <algorithm>
#include <string>

#include "not_connected_place.h"
#include "app.h"
#include "command_line.h"
#include "notewell_url.h"
#include "login_form.h"
#include "message_box.h"
#include "popups/group_chat_dlg.h"
#include "popups/incoming_chat_dlg.h"
#include "popups/note_to_all_dlg.h"
#include "popups/outgoing_chat_dlg.h"
#include "popups/send_note_dlg.h"
#include "tray_messages.h"
#include "text_conversion.h"

namespace {
const char kServerCaption[] = "서버 메시지";
const char kTrayTooltip[] = "Corvala";
const char kLinkEndedText[] = "서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.";
const char kLinkBrokenText[] = "서버와의 연결이 끊어졌습니다. 잠시 후 다시 이용해 주세요.";
const char kUnknownCommandText[] = "Corvala 서버와의 연결이 종료되었습니다. 잠시 후 다시 이용해 주세요.";
const char kCloseAskText[] = "쪽지받기 아이콘을 종료하시겠습니까?";
const char kCloseAskCaption[] = "쪽지받기 종료";
const char kLoggedOutText[] = "로그아웃 되었습니다.";
const char kWebcamRequiredText[] =
    "Corvala은 웹캠이 있어야 이용하실 수 있습니다.\r\n웹캠을 설치하시거나, 연결 상태를 점검하신 후\r\n다시 접속해 주세요.";
const char kLoggedInElsewhereText[] = "다른 곳에서 로그인하여 접속이 끊어집니다.";
}  // namespace

CCriticalSection& TrayProcessLock() {
    static CCriticalSection lock;
    return lock;
}

BEGIN_MESSAGE_MAP(CTrayMainDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_COPYDATA()
    ON_COMMAND(ID_TRAY_EXIT, &CTrayMainDlg::OnTrayExit)
    ON_COMMAND(ID_TRAY_SITE, &CTrayMainDlg::OnTraySite)
    ON_MESSAGE(WM_WINDOWPOSCHANGING, &CTrayMainDlg::OnWindowPosChanging)
    ON_MESSAGE(WM_TRAY_ICON_NOTIFY, &CTrayMainDlg::OnTrayIconNotify)
    ON_MESSAGE(WM_POPUP_CLOSED, &CTrayMainDlg::OnPopupClosed)
    ON_MESSAGE(WM_TRAY_NOTE_ALL, &CTrayMainDlg::OnTrayNoteAll)
    ON_MESSAGE(WM_TRAY_CHAT_ALL, &CTrayMainDlg::OnTrayChatAll)
    ON_MESSAGE(WM_TRAY_CLOSE_ASK, &CTrayMainDlg::OnTrayCloseAsk)
    ON_MESSAGE(WM_TRAY_CLOSE, &CTrayMainDlg::OnTrayClose)
    ON_MESSAGE(WM_TRAY_WATCH, &CTrayMainDlg::OnTrayWatch)
    ON_MESSAGE(WM_SOCKET_EVENT, &CTrayMainDlg::OnSocketEvent)
    ON_MESSAGE(WM_RELEASE_POPUPS, &CTrayMainDlg::OnReleasePopups)
    ON_MESSAGE(WM_COUNT_LIVE_OBJECTS, &CTrayMainDlg::OnCountLiveObjects)
    ON_MESSAGE(WM_ENDSESSION, &CTrayMainDlg::OnEndSession)
    ON_MESSAGE(WM_BRIDGE_REQUEST, &CTrayMainDlg::OnBridgeRequest)
    ON_MESSAGE(WM_BRIDGE_FLOW, &CTrayMainDlg::OnBridgeFlow)
    ON_MESSAGE(WM_LIST_EVENTS, &CTrayMainDlg::OnListEvents)
    ON_MESSAGE(WM_LIST_ASK_UNBLOCK, &CTrayMainDlg::OnListAskUnblock)
END_MESSAGE_MAP()

CTrayMainDlg::CTrayMainDlg(const char* line)
    : CDialog(IDD_TRAY_MAIN), commandLine(line ? line : Utf8FromWide(::GetCommandLineW())) {}

CTrayMainDlg::~CTrayMainDlg() {
    trayIcon.RemoveIcon();
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    connection.Shutdown();
    if (connectThread) {
        connectThread->Join(INFINITE);
        delete connectThread;
    }
    OnReleasePopups(0, 0);
}

BOOL CTrayMainDlg::OnInitDialog() {
    appIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME)
                          : ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SetIcon(appIcon, TRUE);
    SetIcon(appIcon, FALSE);
    MoveWindow(-10, -10, -10, -10);
    trayIcon.Create(this, WM_TRAY_ICON_NOTIFY, kTrayTooltip, nullptr, kTrayIconId);
    trayIcon.SetIcon(IDI_TRAY_ICON);
    SetTimer(HIDE_TIMER, 1);
    handCursor = ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_HAND_CURSOR));

    ReadVersionText(versionText);
    char host[256];
    AfxLoadString(IDS_WEB_HOST, host, sizeof host);
    webHost = host;
    connection.SetNotifyWindow(m_hWnd);

    const StartRequest start = ParseStartCommandLine(commandLine);
    if (start.kind == StartKind::Refused) {
        // A link of no use: nothing starts, nothing connects.
        ending = true;
        SetEndReason("refused");
        PostMessage(WM_TRAY_CLOSE);
        return TRUE;
    }
    if (start.kind == StartKind::FromLink) {
        awaitingIdentity = true;
        SetTimer(IDENTITY_TIMER, kIdentityWaitMs);
        StartBridge(BridgeState::Waiting);
        return TRUE;
    }
    StartBridge(BridgeState::Started);
    BeginSession(start.identity);
    return TRUE;
}

void CTrayMainDlg::BeginSession(const TrayArguments& args) {
    userId = args.userId;
    password = args.password;
    ownSex = args.ownSex;
    sessionId = args.sessionId;
    serverAddress = args.serverAddress;
    TellPages(BridgeState::Connecting);
    connectThread = AfxBeginThread(&CTrayMainDlg::ConnectThread, this);
}

UINT CTrayMainDlg::ConnectThread(LPVOID p) {
    auto* self = static_cast<CTrayMainDlg*>(p);
    if (self->connection.IsConnected()) return 0;
    if (self->connection.ConnectToServer(self->serverAddress.c_str(), self->serverPort,
                                         kConnectAttempts, kConnectTimeoutMs, true))
        ::InterlockedExchange(&self->isConnected, 1);
    return 0;
}

// The window must never be seen: every attempt to show it is dropped.
LRESULT CTrayMainDlg::OnWindowPosChanging(WPARAM, LPARAM l) {
    reinterpret_cast<WINDOWPOS*>(l)->flags &= ~SWP_SHOWWINDOW;
    return 0;
}

BOOL CTrayMainDlg::PreTranslateMessage(MSG* msg) {
    // Enter never ends the dialog.
    return msg->message == WM_KEYDOWN && (::GetKeyState(VK_RETURN) & 0x8000) != 0;
}

void CTrayMainDlg::OnOK() { EndSession(); }

void CTrayMainDlg::EndSession() {
    ending = true;
    EndNow();
}

// A box still open (a result text, say) would hold the dialog's end, and with
// it the logout, until the member answers it: it is answered now. The notices
// waiting behind it were about the session, so they are moot now.
void CTrayMainDlg::EndNow() {
    DiscardWaitingMessageBoxes();
    DismissOpenMessageBoxes();
    EndDialog(IDOK);
}

void CTrayMainDlg::AddClosingMessage(const char* text, UINT type) {
    closingMessages.push_back(ClosingMessage{text, type});
}

// The reason's own words come once the window has gone, so that a page
// finds no "PvxTray" while the member reads them.
void CTrayMainDlg::ShowClosingMessages() {
    std::vector<ClosingMessage> messages;
    messages.swap(closingMessages);
    for (const ClosingMessage& m : messages) ShowMessageBox(nullptr, m.text, kServerCaption, m.type);
    // Asked for under a box (a window made modeless ends inside its loop),
    // they follow that box: nothing else waits any more.
    ShowWaitingMessageBoxes();
}

void CTrayMainDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (IsIconic()) {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (rc.right - rc.left - cx + 1) / 2, (rc.bottom - rc.top - cy + 1) / 2, appIcon);
    }
    ::EndPaint(m_hWnd, &ps);
}

HCURSOR CTrayMainDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(appIcon); }

void CTrayMainDlg::OnTimer(UINT_PTR id) {
    if (id == HIDE_TIMER) {
        // One tick is enough: the window can no longer be shown at all.
        ShowWindow(SW_HIDE);
        KillTimer(HIDE_TIMER);
        return;
    }
    if (id == IDENTITY_TIMER) {
        OnIdentityWaitOver();
        return;
    }
    if (id == LIST_LOGIN_TIMER || id == LIST_KEEPALIVE_TIMER) {
        memberList.OnTimer(id == LIST_LOGIN_TIMER ? ListTimer::LoginRetry : ListTimer::KeepAlive);
        return;
    }
    if (id == LIST_EVENTS_TIMER) {
        memberList.OnLinkEvents();
        return;
    }
    if (id != KEEPALIVE_TIMER || !isConnected) return;
    // The cycle keeps its own schedule whatever box is up: answers are read
    // as they come, so a silent server is a dead one.
    KeepAliveAction action;
    {
        CSingleLock lock(TrayProcessLock());
        action = keepAlive.OnTick();
    }
    if (action == KeepAliveAction::SendKeepAlive) SendKeepAlive();
    else if (action == KeepAliveAction::LinkDead) OnLinkDead();
}

void CTrayMainDlg::OnTrayExit() { EndSession(); }

// A double click on the icon means nothing; the rest is the icon's business.
LRESULT CTrayMainDlg::OnTrayIconNotify(WPARAM w, LPARAM l) {
    if (l == WM_LBUTTONDBLCLK) return 0;
    return trayIcon.OnTrayNotification(w, l);
}

// Already ending: nothing to ask. A question cannot wait behind another box,
// so it is asked once that is answered. The session may end while the
// question is up; the answer then changes nothing. Agreeing ends the session
// at once: the notices that arrived meanwhile are not shown first.
LRESULT CTrayMainDlg::OnTrayCloseAsk(WPARAM, LPARAM) {
    if (ending) return 0;
    if (MessageBoxOpen()) {
        PostWhenMessageBoxesClosed(m_hWnd, WM_TRAY_CLOSE_ASK);
        return 0;
    }
    const int answer = AskMessageBox(nullptr, kCloseAskText, kCloseAskCaption, MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST);
    if (answer == IDOK && !ending)
        EndSession();
    else
        ShowWaitingMessageBoxes();
    return 0;
}

// Once ending, a second close must not answer the session's end message
// before the member has read it.
LRESULT CTrayMainDlg::OnTrayClose(WPARAM, LPARAM) {
    if (shuttingDown) return 0;
    if (!sessionEndReason) SetEndReason("closed");
    EndSession();
    return 0;
}

LRESULT CTrayMainDlg::OnTrayWatch(WPARAM w, LPARAM) {
    watcherWindow = reinterpret_cast<HWND>(w);
    return 0;
}

void CTrayMainDlg::NotifyWatcher() {
    if (!watcherWindow) return;
    ::PostMessageA(watcherWindow, WM_TRAY_WATCH, 0, 0);
    watcherWindow = nullptr;
}

void CTrayMainDlg::OnConnected() {
    SendLogin();
    loginSent = true;
}

void CTrayMainDlg::OnLoginAnswer(const uint8_t* body, size_t length) {
    const std::optional<char> result = ParseLoginAnswer(body, length);
    if (!result) return;
    if (*result == 'S') {
        isLoggedIn = true;
        SetTimer(KEEPALIVE_TIMER, kKeepAlivePeriodMs);
        loginMark = 'P';
        TellPages(BridgeState::LoggedIn);
    } else if (*result == 'F') {
        ShowNotConnected(PLACE_LOGIN_REFUSED);
    }
}

void CTrayMainDlg::OnSessionEnd(const uint8_t* body, size_t length) {
    const std::optional<char> reason = ParseSessionEnd(body, length);
    if (!reason) return;
    sessionEndReason = *reason;
    SendMessage(WM_TRAY_CLOSE);
}

// The link is closed and the program ends at once, whatever box is up; the
// word on it follows once the window has gone.
void CTrayMainDlg::OnLinkDead() {
    ending = true;
    {
        CSingleLock lock(TrayProcessLock());
        keepAlive.keepAliveTick = 0;
    }
    KillTimer(KEEPALIVE_TIMER);
    if (connection.IsConnected()) connection.CloseConnection();
    ::InterlockedExchange(&isConnected, 0);
    AddClosingMessage(kLinkEndedText, MB_OK | MB_ICONEXCLAMATION | MB_TOPMOST);
    NotifyWatcher();
    SetEndReason("link");
    EndNow();
}

// Windows is ending the member's session: the process is ended soon after
// this returns, without the shutdown sequence, so the server is told here.
// No message box: nobody could answer it now.
LRESULT CTrayMainDlg::OnEndSession(WPARAM sessionEnds, LPARAM) {
    if (!sessionEnds || !isConnected || !connection.IsConnected()) return 0;
    SendPacketBytes(BuildLogoutPacket(CredentialBytes(userId)));
    ::InterlockedExchange(&isConnected, 0);  // should the window still end, no second logout
    return 0;
}

// The reader could not read a packet whole. It says so through the main
// window; the link's end follows at once as EV_LINK_LOST, so the word waits
// for the program's end with the link's own.
void CTrayMainDlg::OnLinkBroken() { AddClosingMessage(kLinkBrokenText, MB_OK | MB_ICONSTOP | MB_TOPMOST); }

// The reader fails its read after an unknown command, and says so too; the
// session is over before its word arrives, so both are said here.
void CTrayMainDlg::OnUnknownCommand() {
    ending = true;
    AddClosingMessage(kUnknownCommandText, MB_OK | MB_ICONSTOP | MB_TOPMOST);
    OnLinkBroken();
    NotifyWatcher();
    SetEndReason("server");
    EndNow();
}

void CTrayMainDlg::OnDestroy() {
    ending = true;
    shuttingDown = true;
    KillTimer(KEEPALIVE_TIMER);
    if (isConnected) RefusePendingRequests();
    DestroyAllPopups();
    if (isConnected) {
        SendLogout();
        const char* text = nullptr;
        switch (sessionEndReason) {
        case 'A': text = kLoggedOutText; break;
        case 'C': text = kWebcamRequiredText; break;
        case 'O': text = kLoggedInElsewhereText; break;
        case 'V':
            OpenBrowserPage(InstallPageUrl(webHost), std::string(), kInstallPageWidth, kInstallPageHeight);
            break;
        default: break;
        }
        if (text) AddClosingMessage(text, MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
        NotifyWatcher();
    }
    connection.Shutdown();
    if (captureWindow && ::IsWindow(captureWindow)) ::DestroyWindow(captureWindow);
    captureWindow = nullptr;
    KillTimer(IDENTITY_TIMER);
    EndBridge();
    DiscardWaitingMessageBoxes();
}

// The session ends: every incoming request still open is refused.
void CTrayMainDlg::RefusePendingRequests() {
    CSingleLock lock(TrayProcessLock());
    std::vector<PopupEntry> entries;
    entries.swap(popups.incomingRequests);
    for (PopupEntry& e : entries) {
        if (e.done || !e.popup) continue;
        auto* popup = static_cast<CIncomingChatDlg*>(e.popup);
        AnswerChatRequest('R', popup->Nickname(), popup->MemberId(), 'N');
        DestroyPopupWindow(popup);
        e.popup = nullptr;
        e.done = true;
    }
}

// The exit takes the open popups along. Own requests still waiting are
// withdrawn by their popups while the link is up; without a link there is
// nobody to tell, so they leave quietly.
void CTrayMainDlg::DestroyAllPopups() {
    CSingleLock lock(TrayProcessLock());
    if (!connection.IsConnected()) {
        if (popups.outgoingChat) popups.outgoingChat->MarkAnswered();
        if (popups.groupChat) popups.groupChat->MarkAnswered();
    }
    DestroySlot(popups.sendNote);
    DestroySlot(popups.outgoingChat);
    DestroySlot(popups.groupChat);
    DestroySlot(popups.noteToAll);
    for (auto* list : {&popups.incomingRequests, &popups.pointsShort, &popups.notices}) {
        std::vector<PopupEntry> entries;
        entries.swap(*list);
        for (PopupEntry& e : entries) {
            if (e.popup) DestroyPopupWindow(e.popup);
            if (e.second) DestroyPopupWindow(e.second);
        }
    }
    const std::vector<CTrayPopup*> notes = readNotes;
    for (CTrayPopup* note : notes) DestroyPopupWindow(note);
}

void CTrayMainDlg::RetirePopup(CTrayPopup* popup) {
    CSingleLock lock(TrayProcessLock());
    popups.Forget(popup);
    for (auto it = readNotes.begin(); it != readNotes.end(); ++it) {
        if (*it == popup) {
            readNotes.erase(it);
            break;
        }
    }
    retiredPopups.push_back(popup);
    if (m_hWnd) PostMessage(WM_RELEASE_POPUPS);
}

// A popup's handler may still be running under a box it showed (its send
// found no link and said so): such a popup is released once that handler has
// returned (CTrayPopup::OnHandlersReturned asks again), every other one now,
// whatever box is up.
LRESULT CTrayMainDlg::OnReleasePopups(WPARAM, LPARAM) {
    std::vector<CTrayPopup*> retired;
    retired.swap(retiredPopups);
    for (CTrayPopup* popup : retired) {
        if (popup->RunningHandlers() > 0)
            retiredPopups.push_back(popup);
        else
            delete popup;
    }
    return 0;
}

void CTrayMainDlg::ReleaseRetiredPopupsSoon() {
    if (m_hWnd && !retiredPopups.empty()) PostMessage(WM_RELEASE_POPUPS);
}

bool CTrayMainDlg::IsRetired(const CTrayPopup* popup) const {
    return std::find(retiredPopups.begin(), retiredPopups.end(), popup) != retiredPopups.end();
}

LRESULT CTrayMainDlg::OnCountLiveObjects(WPARAM what, LPARAM) {
    if (what == 0) return CGdiObject::LiveCount();
    if (what == 1) return static_cast<LRESULT>(CWnd::LiveCount());
    if (what == 3) return static_cast<LRESULT>(UnhandledSocketEventCopies());
    if (what == 4) return static_cast<LRESULT>(WaitingMessageBoxes());
    if (what == 5) return MessageBoxOpen() ? 1 : 0;
    if (what == 6) return static_cast<LRESULT>(memberList.PageCount());
    if (what == 7) return static_cast<LRESULT>(memberList.RowCount());
    if (what == 8) return static_cast<LRESULT>(memberList.LongestTurnMicros());
    return -1;
}
