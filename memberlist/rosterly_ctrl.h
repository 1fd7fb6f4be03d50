// CRosterlyCtrl: the member list control. Its window is a report-mode list
// view of the connected members of one sex, or of the viewer's buddies, fed
// by its own connection to the server (port 5200). Its context menu hands
// notes and chat requests to Notewell, opens profiles in the browser and sets
// friends and blocks on the server.
//
// Every property is write-driven: reading gives an empty text.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "cell_icons.h"
#include "list_bodies.h"
#include "list_header_ctrl.h"
#include "member_actions.h"
#include "member_index.h"
#include "member_list_mode.h"
#include "member_list_session.h"
#include "member_sort.h"
#include "packet.h"
#include "shell_control.h"

class CListSocket;

// The list's session with the server is the one Notewell also runs for the
// pages that have the list over its bridge; the control is its host: the
// list view, the socket, the timers and the boxes.
class CRosterlyCtrl : public COleControl, private MemberListHost {
public:
    CRosterlyCtrl();
    ~CRosterlyCtrl() override;

    // ---- the properties of _DRosterly ----
    std::string GetTextLabel() const { return std::string(); }
    void SetTextLabel(const std::string& value);
    std::string GetTextID() const { return std::string(); }
    void SetTextID(const std::string& value);
    std::string GetTextPwd() const { return std::string(); }
    void SetTextPwd(const std::string& value);
    std::string GetTextBuddy() const { return std::string(); }
    void SetTextBuddy(const std::string& value);

    // ---- rows and list modes ----
    void ApplyListMode(const std::string& value);
    // A LIST_MEMBERS push: one member record, applied as the mode says.
    void ApplyMemberRecord(const uint8_t* body, size_t length);
    void UpsertRow(std::unique_ptr<MemberRecord> record) { session.UpsertRow(std::move(record)); }
    void RemoveRow(const std::string& id) { session.RemoveRow(id); }
    // The record of the first selected row, or of a given row (-1: none).
    MemberRecord* GetSelectedRecord() const;
    MemberRecord* GetSelectedRecord(int row) const;
    int RowCount() const;

    // ---- the connection ----
    bool SendLogin() { return session.SendLogin(); }
    bool SendTime() { return session.SendTime(); }
    bool SendListRequest() { return session.SendListRequest(); }
    bool SendRelation(char action) { return session.SendRelation(action); }
    // One packet read by the socket. Its handlers may show boxes, in which
    // the container may let the control go: the caller holds the control.
    void OnListPacket(const PacketHeader& header, const uint8_t* body, size_t length) {
        session.OnPacket(header, body, length);
    }
    // The stream can no longer be read as packets (a header announcing an
    // impossible body): the viewer is told and the connection is closed.
    void OnLinkBroken();
    // Between two slices of a burst of records: shows the rows so far when
    // the list has been held from drawing for the longest it may be; true
    // when it painted.
    bool ShowHeldRowsIfDue();
    static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time);

    // ---- what the viewer chooses ----
    void OnSendNote();
    void OnRequestChat();
    void OnProfile();
    void OnAddFriend() { SendRelation('A'); }
    void OnRemoveFriend() { SendRelation('R'); }
    void OnBlock() { SendRelation('B'); }
    void OnUnblock();
    void OpenContextMenu(int screenX, int screenY);
    void OnRowDoubleClick(int row);
    void OnColumnClick(int column);
    void OpenProfile(const std::string& memberId);

    // ---- state, for the module and its tests ----
    const ListMode& Mode() const { return session.Mode(); }
    bool IsConnected() const { return session.Connected(); }
    bool IsLoggedIn() const { return session.LoggedIn(); }
    bool HasSocket() const { return listSocket != nullptr; }
    const std::string& VersionText() const { return versionText; }
    const SortState& Sort() const { return sortState; }
    const CListHeaderCtrl& Header() const { return header; }
    // Drawing is held while a burst of records arrives (a list, a mode change).
    bool DrawingHeld() const { return redrawHeld; }
    const MemberMenuFlags& MenuFlags() const { return session.MenuFlags(); }
    int LoginTries() const { return session.LoginTries(); }

    static constexpr UINT_PTR kLoginTimerId = 0;
    static constexpr UINT_PTR kKeepAliveTimerId = 1;
    // Looks again whether a burst of rows is over (the list draws again then).
    static constexpr UINT_PTR kRedrawTimerId = 2;
    static constexpr UINT kRedrawRecheckMs = 20;
    static constexpr UINT kLoginRetryMs = MemberListSession::kLoginRetryMs;
    static constexpr UINT kKeepAliveMs = MemberListSession::kKeepAliveMs;
    static constexpr int kMaxLoginRetries = MemberListSession::kMaxLoginRetries;
    // Posted to itself: a burst of row changes is over, the list draws again.
    static constexpr UINT WM_LIST_REDRAW = WM_APP + 0x52;
    // Posted to itself once no box is open: the unblock question chosen
    // while one was up.
    static constexpr UINT WM_ASK_UNBLOCK = WM_APP + 0x53;
    // The longest a burst keeps the list from drawing.
    static constexpr DWORD kMaxRedrawHoldMs = 250;

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    bool IsSubclassedControl() const override { return true; }
    int OnCreate(LPCREATESTRUCTW cs) override;
    void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
    void DoPropExchange(CPropExchange* px) override;

    DECLARE_DISPATCH_MAP()
    DECLARE_MESSAGE_MAP()
    LRESULT OnDestroyMessage(WPARAM, LPARAM);
    void StopCountingAsLive();
    LRESULT OnReflectedCommand(WPARAM, LPARAM) { return 0; }
    LRESULT OnReflectedNotify(WPARAM, LPARAM);
    LRESULT OnContextMenuMessage(WPARAM, LPARAM);
    LRESULT OnDrawItemMessage(WPARAM, LPARAM);
    LRESULT OnRedrawListMessage(WPARAM, LPARAM);
    LRESULT OnAskUnblockMessage(WPARAM, LPARAM);

private:
    // A message to the list view itself, past this control's own message
    // table (which takes none of them).
    LRESULT ListCall(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // rows
    void ClearList();
    bool InsertColumns(const char* columnText);
    bool InsertRow(int index, MemberRecord* record);
    // A cell's text (and image) for the list view, from the record the row holds.
    static void FillCellText(LVITEMA& item);
    static void FillCellText(LVITEMW& item);
    // Stops the list view drawing until the messages queued now are handled.
    void HoldRedraw();
    // Lets the list draw again and has it painted, now (RDW_UPDATENOW) or
    // when the thread gets to it (0).
    void DrawAgain(UINT when);
    // connection
    void OpenConnection();
    // A socket object that holds an open socket (a second control of the
    // process has an object but never opens it).
    bool SocketOpen() const;
    void CloseSocket();
    // The persisted identity is the one the next login sends.
    void SyncViewer() { session.SetViewer(memberId, password); }
    // actions
    void AskUnblock();
    void RequestChatFor(const MemberRecord* record);
    // drawing and sorting
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    void PaintCell(NMLVCUSTOMDRAW* draw);
    void SortRows();

    // ---- the session's host ----
    bool LinkOpen() const override { return SocketOpen(); }
    void SendToServer(const ListPacket& packet) override;
    void CloseLink() override { CloseSocket(); }
    void Tell(const ListNotice& notice) override;
    void StartTimer(ListTimer timer, unsigned intervalMs) override;
    void StopTimer(ListTimer timer) override;
    bool HasView() const override { return m_hWnd != nullptr; }
    void ViewCleared(bool maleColumns) override;
    bool RowInserted(size_t row, const MemberRecord& record) override;
    bool RowReplaced(size_t row, const MemberRecord& record) override;
    void RowRemoved(size_t row, const std::string& id) override;
    void LockList() override;
    void UnlockList() override;

    // Persisted: "SEX", "ID", "PWD", "SERVERIP".
    std::string sexProperty;
    std::string memberId;
    std::string password;
    std::string serverAddress;

    std::string versionText;
    std::string webHost;
    MemberListSession session;
    CListHeaderCtrl header;
    SortState sortState;
    bool redrawHeld = false;
    DWORD redrawHeldSince = 0;
    bool columnsChangedWhileHeld = false;
    CCellIcons cellIcons;

    CListSocket* listSocket = nullptr;
    bool countedAsLive = false;  // while it has its window

    // The member the unblock question waits to be asked about.
    std::string unblockId;
    std::string unblockNickUtf8;
};

// The property page of the member list control: dialog 200, it edits nothing.
class CRosterlyPropPage : public CShellPropertyPage {};
