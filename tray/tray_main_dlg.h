// CTrayMainDlg: the hidden main window "PvxTray", hub of the tray client. It
// owns the connection, decides what every server packet and local request
// means, and opens and closes the popups.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <oaidl.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bridge_server.h"
#include "page_member_list.h"
#include "popup_registry.h"
#include "server_socket.h"
#include "system_tray.h"
#include "bodies.h"
#include "command_line.h"
#include "dialog.h"
#include "keepalive.h"
#include "records.h"
#include "res/resource.h"
#include "sync.h"

// The member id that stands for all male members in notes and chat requests.
constexpr char kEveryoneId[] = "ALL";

class CTrayMainDlg : public CDialog {
public:
    // commandLine: the program's whole command line; null takes the process's own.
    explicit CTrayMainDlg(const char* commandLine = nullptr);
    ~CTrayMainDlg() override;

    // Packet senders; each shows its numbered message when not connected.
    bool SendLogin();
    bool SendKeepAlive();
    bool SendLogout();
    bool SendChatRequest(const std::string& targetId);
    bool AnswerChatRequest(char code, const std::string& nickname, const std::string& askerId, char flag);
    bool SendChatControl(const std::string& memberId, char code);
    void StageNoteText(const std::string& text) { noteText = text; }
    bool SendNote(const std::string& recipientId);
    // The chat check (2011) after the webcam rule; the request itself follows
    // the server's consent.
    bool InviteToChat(const std::string& targetId);
    void SetChatTargetId(const std::string& id) { pendingTargetId = id; }
    // A woman needs a webcam to ask for chats.
    bool CheckWebcamRule() const { return webcamPresent || ownSex != 'F'; }

    // Text helpers for the popups. The programs keep texts in UTF-8; ToUtf8
    // makes a text fit for the wire (malformed bytes become U+FFFD).
    static std::string ToUtf8(const std::string& text);
    // A member text from the wire as a popup shows it: at most 2048 UTF-16
    // units, and no more than 2048 bytes would take in code page 949.
    static std::string FromUtf8(const char* utf8, size_t length);
    static std::string FromUtf8(const std::string& utf8) { return FromUtf8(utf8.data(), utf8.size()); }
    static void TasteName(int code, std::string& text);
    // The member's own id, password and session id as the server, the web
    // site and the chat program know them: the bytes a PC of the service
    // (code page 949) sends, whatever this system's code page.
    static std::string CredentialBytes(const std::string& text);
    // The same as a text (characters code page 949 lacks become '?').
    static std::string CredentialText(const std::string& text);

    // The chat program.
    bool KillChatProgram();
    void LaunchChatProgram(const ChatDecision& decision);

    // Browser pages on the service's web host.
    bool OpenBrowserPage(const std::string& url, const std::string& postText, int width, int height);
    void OpenProfilePage(const std::string& memberId);
    void OpenHomePage();
    HRESULT BuildLoginPost(VARIANT* out) const;

    // Support services.
    int ProbeWebcam();
    static void ReadVersionText(std::string& text, const char* fileName = "Notewell.EXE");
    // Shows "<n>서버와의 연결이 이루어지지 않았습니다. ..." for the sending place n.
    static void ShowNotConnected(int place);
    static void ShowChatNeedsWebcam();

    // A popup whose window is gone; released once its handlers have returned.
    void RetirePopup(CTrayPopup* popup);
    // Asks for the release of retired popups whose handlers have all returned.
    void ReleaseRetiredPopupsSoon();
    bool IsRetired(const CTrayPopup* popup) const;

    // What the session's end has to say (the reason's own message, the
    // link's), shown once the window has gone.
    void ShowClosingMessages();

    // State, readable by the popups and by tests.
    std::string userId, password, sessionId, serverAddress, versionText;
    std::string webHost;  // the service's web host (string resource IDS_WEB_HOST)
    char ownSex = 0;
    int serverPort = 5210;
    CServerSocket connection;
    CSystemTray trayIcon;
    volatile LONG isConnected = 0;
    bool loginSent = false;
    bool isLoggedIn = false;
    char loginMark = 0;
    bool webcamPresent = false;
    KeepAliveCycle keepAlive;  // timeAcked and keepAliveTick
    char sessionEndReason = 0;
    HWND watcherWindow = nullptr;
    std::string pendingTargetId;
    std::string noteText;
    ChatTargetInfo chatTarget{};  // as the controls hand it over: texts in code page 949
    // The same target's own texts when it came from a received note: the
    // server's UTF-8, which need not fit code page 949.
    std::optional<ChatTargetFields> chatTargetTexts;
    HICON appIcon = nullptr;
    HCURSOR handCursor = nullptr;

    // Popups, under TrayProcessLock().
    PopupRegistry popups;
    std::vector<CTrayPopup*> readNotes;  // only so that the exit can take them along
    bool chatRequestExpired = false;
    bool groupRequestEnded = false;
    bool chatRequestWithdrawn = false;
    int openNoteCount = 0;
    int openNoticeCount = 0;
    POINT notePopupOrigin{340, 0};
    POINT chatPopupOrigin{0, 0};
    POINT noticePopupOrigin{0, 0};
    int conversationSeq = 0;

    // The bridge for the service's pages in browsers without ActiveX.
    CBridgeServer bridge;
    // The member list for those pages (after the bridge: it goes first).
    CPageMemberList memberList{*this};
    // Started from a notewell: link: the identity comes from a page, within
    // kIdentityWaitMs, or the program ends.
    bool awaitingIdentity = false;
    std::string endReason;  // what the pages are told when the session ends

    static constexpr UINT_PTR HIDE_TIMER = 1;
    static constexpr UINT_PTR KEEPALIVE_TIMER = 2;
    static constexpr UINT_PTR IDENTITY_TIMER = 3;
    static constexpr UINT_PTR LIST_LOGIN_TIMER = 4;
    static constexpr UINT_PTR LIST_KEEPALIVE_TIMER = 5;
    // The list's next turn when input waits: input goes first.
    static constexpr UINT_PTR LIST_EVENTS_TIMER = 6;
    static constexpr UINT kIdentityWaitMs = 60000;
    static constexpr UINT kConnectAttempts = 3;
    static constexpr DWORD kConnectTimeoutMs = 3000;
    // Posted to itself: release the popups retired since.
    static constexpr UINT WM_RELEASE_POPUPS = WM_APP + 4;
    // Asked by soak runs from outside: wParam 0 = GDI objects the program
    // holds, 1 = windows of ours, 3 = packets read and not yet handled, 4 =
    // notices waiting behind a box, 5 = whether a box is open, 6 = pages
    // subscribed to the member list, 7 = its rows, 8 = the longest turn of
    // the list's on the window's thread (microseconds). Only counts.
    static constexpr UINT WM_COUNT_LIVE_OBJECTS = WM_APP + 5;
    // Posted by the bridge's thread: a page's request (lParam, a BridgeRequestMessage we free).
    static constexpr UINT WM_BRIDGE_REQUEST = WM_APP + 6;
    // Posted by the member list's connection: it has events to take.
    static constexpr UINT WM_LIST_EVENTS = WM_APP + 7;
    // Posted by the bridge's thread: a page took what it was sent, or went
    // (wParam the page, lParam CBridgeServer::kDrained or kGone).
    static constexpr UINT WM_BRIDGE_FLOW = WM_APP + 8;
    // Posted to itself once no box is open: the unblock question a page chose.
    static constexpr UINT WM_LIST_ASK_UNBLOCK = WM_APP + 9;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnOK() override;
    void OnCancel() override {}
    // A dialog made modeless (a host of its own) has no caller to show its
    // closing messages once the window has gone: it shows them itself.
    void PostNcDestroy() override {
        if (!IsModal()) ShowClosingMessages();
    }

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnTrayExit();
    void OnTraySite() { OpenHomePage(); }
    LRESULT OnWindowPosChanging(WPARAM, LPARAM);
    LRESULT OnTrayIconNotify(WPARAM, LPARAM);
    LRESULT OnTrayCloseAsk(WPARAM, LPARAM);
    LRESULT OnTrayClose(WPARAM, LPARAM);
    LRESULT OnTrayWatch(WPARAM, LPARAM);
    LRESULT OnReleasePopups(WPARAM, LPARAM);
    LRESULT OnCountLiveObjects(WPARAM what, LPARAM);
    LRESULT OnEndSession(WPARAM sessionEnds, LPARAM);

    // Link events (tray_main_dlg.cpp).
    void OnConnected();
    void OnLoginAnswer(const uint8_t* body, size_t length);
    void OnSessionEnd(const uint8_t* body, size_t length);
    void OnLinkDead();
    void OnLinkBroken();
    void OnUnknownCommand();
    void NotifyWatcher();
    void EndSession();
    // Ends the dialog now, whatever box is up.
    void EndNow();
    void AddClosingMessage(const char* text, UINT type);
    void RefusePendingRequests();
    void DestroyAllPopups();

    // Server packets (server_dispatch.cpp), handled as they arrive, also
    // while a box is up (its message loop dispatches them): a box holds back
    // only other boxes, which wait their turn.
    LRESULT OnSocketEvent(WPARAM, LPARAM);
    void HandleSocketEvent(WPARAM event, LPARAM copy);
    void OnNote(const PacketHeader& header, const uint8_t* body, size_t length);
    void OnChatRequestEvent(const PacketHeader& header, const uint8_t* body, size_t length);
    void OnRequestAnswer(const RequestAnswer& answer);
    void OnIncomingRequest(const IncomingChatRecord& record);
    void OnAnswerResult(const uint8_t* body, size_t length);
    void OnChatDecision(const PacketHeader& header, const uint8_t* body, size_t length);
    void OnChatCheckAnswer(const uint8_t* body, size_t length);
    void CloseOwnWaitingRequests(bool settledByServer);
    // Drops the first incoming entry for the member, closing its popup when still open.
    void RemoveIncomingRequest(const std::string& memberId);
    void OpenChatNotice(const std::string& text);
    void ShowResultText(const std::string& resultCode);

    // The member's identity is known: connect and log in.
    void BeginSession(const TrayArguments& args);

    // Pages over the bridge (page_bridge.cpp).
    void StartBridge(BridgeState initial);
    void TellPages(BridgeState state, const std::string& reason = std::string());
    void SetEndReason(const char* reason);
    void EndBridge();
    void OnIdentityWaitOver();
    LRESULT OnBridgeRequest(WPARAM, LPARAM);
    std::string OnListRequest(uint32_t page, const BridgeRequest& request);
    LRESULT OnBridgeFlow(WPARAM page, LPARAM what);
    LRESULT OnListEvents(WPARAM, LPARAM);
    LRESULT OnListAskUnblock(WPARAM, LPARAM);

    // Local requests (local_requests.cpp).
    BOOL OnCopyData(HWND sender, COPYDATASTRUCT* data);
    void OnSendNoteRequest(const NoteTargetInfo& target);
    void OnChatTargetRequest(const ChatTargetInfo& target);
    LRESULT OnTrayNoteAll(WPARAM, LPARAM);
    LRESULT OnTrayChatAll(WPARAM, LPARAM);
    LRESULT OnPopupClosed(WPARAM key, LPARAM kind);
    // Creates and shows a popup from a template; on failure the object is released.
    bool OpenPopup(CTrayPopup* popup, UINT templateId);
    // Takes a popup out of its slot and destroys its window.
    template <typename Popup>
    void DestroySlot(Popup*& slot);
    void DestroyPopupWindow(CTrayPopup* popup);
    void FocusPopup(CTrayPopup* popup);

    DECLARE_MESSAGE_MAP()

private:
    friend class CPageMemberList;  // its actions are the window's own
    static UINT ConnectThread(LPVOID self);
    bool SendPacketBytes(const PacketBytes& packet);

    std::string commandLine;
    CWinThread* connectThread = nullptr;
    HWND captureWindow = nullptr;
    std::vector<CTrayPopup*> retiredPopups;
    struct ClosingMessage {
        const char* text;  // one of the fixed texts
        UINT type;
    };
    std::vector<ClosingMessage> closingMessages;
    bool ending = false;  // the session is over: later events and requests change nothing
    bool shuttingDown = false;  // the shutdown sequence runs (its message may be up)
};

// The slot is emptied before the window goes, so that whatever the popup does
// while it is destroyed finds no popup there.
template <typename Popup>
void CTrayMainDlg::DestroySlot(Popup*& slot) {
    Popup* popup = slot;
    slot = nullptr;
    DestroyPopupWindow(popup);
}

// The process-wide lock of the tray client (owned by the application object):
// guards the popup registry, the open-popup counters, timeAcked and the request flags.
CCriticalSection& TrayProcessLock();
