// The member list's session with the list server (port 5200): the login and
// its retries, the list request of the current mode, the records added,
// updated and removed, the time packets, the friend and block requests and
// their replies, and every failure's words. Rosterly (a list view on a page
// that loads ActiveX) and Notewell (for pages that have the list over the
// bridge) both run it, each as the host that owns the socket, the timers,
// the view of the rows and the boxes; so both lists behave alike.
//
// Everything runs on the host's one thread. The host owns the connection:
// it opens it and calls OnLinkOpened or OnConnectFailed, hands every whole
// packet read to OnPacket, and calls OnLinkBroken when the stream can no
// longer be read as packets.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "list_bodies.h"
#include "member_actions.h"
#include "member_index.h"
#include "member_list_mode.h"
#include "member_record.h"
#include "packet.h"

enum class ListTimer { LoginRetry, KeepAlive };

// What the viewer is told: a box with one button, or none when the host has
// no one to show it to.
struct ListNotice {
    enum Kind { Error, Info } kind = Error;
    std::string text;  // UTF-8
    const char* caption = nullptr;
    bool owned = true;  // false: a box of its own, not owned by the list's window
};

class MemberListHost {
public:
    virtual ~MemberListHost() = default;

    // The link: open while the host holds a connected socket.
    virtual bool LinkOpen() const = 0;
    // Send results are not checked: a dead link shows itself on the next read.
    virtual void SendToServer(const ListPacket& packet) = 0;
    virtual void CloseLink() = 0;

    virtual void Tell(const ListNotice& notice) = 0;
    virtual void StartTimer(ListTimer timer, unsigned intervalMs) = 0;
    virtual void StopTimer(ListTimer timer) = 0;

    // The view of the rows. Without one, records and mode changes change
    // nothing (a control whose window is gone).
    virtual bool HasView() const = 0;
    // A mode change: the view empties and shows this column set.
    virtual void ViewCleared(bool maleColumns) = 0;
    // A new row at `row`; false when the view could not take it (the record
    // is then dropped from the list too).
    virtual bool RowInserted(size_t row, const MemberRecord& record) = 0;
    // The member's row holds a new record, in place.
    virtual bool RowReplaced(size_t row, const MemberRecord& record) = 0;
    virtual void RowRemoved(size_t row, const std::string& id) = 0;
    // A relation reply changed the member's friend or block flags.
    virtual void RowFlagsChanged(const MemberRecord&) {}

    // The list lock around the session's flags and the row deletions (a
    // process-wide recursive lock in Rosterly).
    virtual void LockList() {}
    virtual void UnlockList() {}
};

class MemberListSession {
public:
    // `clean` makes a member's UTF-8 text one the host's windows show.
    MemberListSession(MemberListHost& host, CleanUtf8Fn clean);

    // The viewer's identity and the module's version, sent at each login.
    void SetViewer(std::string memberId, std::string password);
    void SetVersion(std::string versionText) { version_ = std::move(versionText); }
    const std::string& MemberId() const { return memberId_; }
    const std::string& Password() const { return password_; }

    // ---- the connection ----
    void OnLinkOpened();  // connected and list ready; logs in
    void OnConnectFailed();
    void OnPacket(const PacketHeader& header, const uint8_t* body, size_t length);
    // Told (in a box of its own), then the link is dropped.
    void OnLinkBroken();
    // The server's LIST_DROP, or the host's own end of the link: closed,
    // keep-alive stopped, no longer connected. Nothing is said.
    void Drop();
    // The login and keep-alive state of one session, for a new one.
    void Reset();
    void OnTimer(ListTimer timer);

    // Each tells the not-connected words and sends nothing without a link.
    bool SendLogin();
    bool SendTime();
    bool SendListRequest();
    // About the member chosen last (Select).
    bool SendRelation(char action);

    // ---- rows and list modes ----
    // TextBuddy's value, and TextLabel's.
    void ApplyListMode(std::string_view value) { ApplyModeChange(mode_.Apply(value)); }
    void ApplyLabel(std::string_view value) { ApplyModeChange(mode_.ApplyLabel(value)); }
    // A LIST_MEMBERS push: one member record, applied as the mode says.
    void ApplyMemberRecord(const uint8_t* body, size_t length);
    void UpsertRow(std::unique_ptr<MemberRecord> record);
    void RemoveRow(const std::string& id);
    // Empties the list (the view first), without telling the view of a mode.
    void ClearRows() { rows_.Clear(); }

    // ---- what the viewer chooses ----
    // The member the menu was opened on: the relation requests are about
    // them, the menu's enable rules theirs.
    void Select(const MemberRecord& record);
    // The member of a question asked later (the menu may have chosen another meanwhile).
    void SetSelection(std::string id, std::string nicknameUtf8);
    const std::string& SelectedId() const { return selectedId_; }
    const std::string& SelectedNickname() const { return selectedNickUtf8_; }
    const MemberMenuFlags& MenuFlags() const { return menuFlags_; }
    // What a chat request for the row must say instead of going out: null
    // when it may go.
    static const char* ChatRefusal(const MemberRecord* record);

    // ---- state ----
    ListMode& Mode() { return mode_; }
    const ListMode& Mode() const { return mode_; }
    MemberRowIndex& Rows() { return rows_; }
    const MemberRowIndex& Rows() const { return rows_; }
    bool Connected() const { return connected_; }
    bool LoggedIn() const { return loggedIn_; }
    int LoginTries() const { return loginTries_; }

    static constexpr unsigned kLoginRetryMs = 2000;
    static constexpr unsigned kKeepAliveMs = 6000;
    static constexpr int kMaxLoginRetries = 10;

private:
    class Locked;
    void ApplyModeChange(const ListModeChange& change);
    bool Send(const ListPacket& packet);
    void OnLoginReply(const uint8_t* body, size_t length);
    void OnListReply(const uint8_t* body, size_t length);
    void OnRelationReply(const uint8_t* body, size_t length);
    void OnLoginTimer();
    void OnKeepAliveTimer();
    void Tell(ListNotice::Kind kind, std::string text, const char* caption, bool owned = true);

    MemberListHost& host_;
    CleanUtf8Fn clean_;
    std::string memberId_, password_, version_;
    ListMode mode_;
    MemberRowIndex rows_;
    bool updateOnly_ = false;

    bool connected_ = false;
    bool loggedIn_ = false;
    ListKeepAlive keepAlive_;
    int loginTries_ = 0;
    bool loginTimerOn_ = false;
    bool keepAliveTimerOn_ = false;

    std::string selectedId_, selectedNickUtf8_;
    MemberMenuFlags menuFlags_;
};
