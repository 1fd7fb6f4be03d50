// CPageMemberList: the member list for the service's pages in browsers
// without ActiveX. It runs the list's session with the server, the one
// Rosterly runs, over one connection for every page subscribed to it (as
// only the first live Rosterly of a process connects), and is that session's
// host: each page is sent the whole list when it subscribes and then every
// change as it comes; the boxes are Notewell's.
//
// What a page has not taken yet is bounded: the whole list goes out at the
// page's pace (a cursor over the rows, never a copy of their texts), and
// the changes queued behind it are held up to kMaxBacklog, past which the
// page is sent the whole list again instead (a page busy drawing a long
// list catches up so). A page that takes nothing for stallLimitMs while
// changes wait for it is dropped, and the others go on.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge_requests.h"
#include "list_connection.h"
#include "member_list_session.h"

class CTrayMainDlg;

class CPageMemberList : private MemberListHost {
public:
    explicit CPageMemberList(CTrayMainDlg& window) : window_(window) {}
    ~CPageMemberList() override;

    // The bridge's list requests; each returns the reply's error, or an
    // empty text when it was taken.
    std::string Subscribe(uint32_t page, const BridgeListViewer& viewer);
    void Unsubscribe(uint32_t page);  // also when the page goes
    std::string ChangeMode(bool label, const std::string& value);
    std::string Act(ListAction action, const std::string& memberId);

    // The window's messages and timers.
    void OnLinkEvents();           // WM_LIST_EVENTS, or its timer
    void OnPageDrained(uint32_t page);
    void OnTimer(ListTimer timer);
    void OnAskUnblock();           // WM_LIST_ASK_UNBLOCK
    // Notewell ends: every page is let go, the connection closed.
    void Stop();

    // For soak runs and tests.
    size_t PageCount() const { return pages_.size(); }
    bool HasSession() const { return session_ != nullptr; }
    size_t RowCount() const { return session_ ? session_->Rows().size() : 0; }
    // The longest one message of the list kept the window's thread, in microseconds.
    int64_t LongestTurnMicros() const { return longestTurnMicros_; }

    // The most of a page's changes held behind what it has not taken.
    static constexpr size_t kMaxBacklog = 1024 * 1024;
    DWORD stallLimitMs = 20000;
    // Each message to a page carries about this much.
    static constexpr size_t kMessageBytes = 32 * 1024;
    static constexpr int kMessagesPerTurn = 2;
    // More is handed to the bridge while less than this waits for the page.
    static constexpr size_t kHighQueue = 128 * 1024;
    // The longest the list's packets keep the window's thread in one turn.
    static constexpr unsigned kSliceMs = 8;

private:
    class SessionCall;
    struct Page {
        std::vector<std::string> toSend;  // the whole list's ids still to go, in row order
        size_t next = 0;
        std::deque<std::string> changes;  // change items queued behind it
        size_t changeBytes = 0;
        ULONGLONG waitingSince = 0;  // since its queue was last too full to add to; 0 while it takes
    };

    void Open(const BridgeListViewer& viewer);
    void CloseSession();
    void CloseSessionWhenIdle();
    void Dispatch(CListConnection::Event& event);
    void QueueChange(std::string item);
    // The page is sent the whole list as it stands, from a reset on.
    void StartOver(uint32_t id, Page& page);
    void Pump(uint32_t page);
    void PumpAll();
    void DropPage(uint32_t page, const char* reason);
    void ScheduleMoreEvents();
    const MemberRecord* Listed(const std::string& id);
    void SendNote(const MemberRecord* record);
    std::string RequestChat(const MemberRecord* record);

    // ---- the session's host ----
    bool LinkOpen() const override { return link_.IsOpen(); }
    void SendToServer(const ListPacket& packet) override { link_.Send(packet.data(), packet.size()); }
    void CloseLink() override { link_.Close(); }
    void Tell(const ListNotice& notice) override;
    void StartTimer(ListTimer timer, unsigned intervalMs) override;
    void StopTimer(ListTimer timer) override;
    bool HasView() const override { return session_ != nullptr; }
    void ViewCleared(bool maleColumns) override;
    bool RowInserted(size_t row, const MemberRecord& record) override;
    bool RowReplaced(size_t row, const MemberRecord& record) override;
    void RowRemoved(size_t row, const std::string& id) override;
    void RowFlagsChanged(const MemberRecord& record) override;

    CTrayMainDlg& window_;
    std::unique_ptr<MemberListSession> session_;
    CListConnection link_;
    std::map<uint32_t, Page> pages_;
    // Calls into the session under way: it is not closed under them.
    int inSession_ = 0;
    bool closeWhenIdle_ = false;
    std::string unblockId_, unblockNick_;
    int64_t longestTurnMicros_ = 0;
};
