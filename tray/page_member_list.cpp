#include "page_member_list.h"

#include "bridge_list_messages.h"
#include "member_list_texts.h"
#include "message_box.h"
#include "text_conversion.h"
#include "tray_main_dlg.h"

namespace {
constexpr UINT kErrorBox = MB_OK | MB_ICONERROR | MB_TOPMOST;
constexpr UINT kInfoBox = MB_OK | MB_ICONINFORMATION | MB_TOPMOST;

std::string RecordText(std::string_view utf8) { return KoreanBytesFromUtf8(utf8); }


// Times one turn of the list's on the window's thread (turns that ran a box
// are the box's time, not the list's).
class TurnTimer {
public:
    explicit TurnTimer(int64_t& longest) : longest_(longest), started_(std::chrono::steady_clock::now()) {}
    ~TurnTimer() {
        const int64_t took =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started_).count();
        if (!MessageBoxOpen() && took > longest_) longest_ = took;
    }
    TurnTimer(const TurnTimer&) = delete;
    TurnTimer& operator=(const TurnTimer&) = delete;

private:
    int64_t& longest_;
    std::chrono::steady_clock::time_point started_;
};
}  // namespace

// A call into the session: the session is never closed under it, and one
// let go meanwhile goes as the last call returns.
class CPageMemberList::SessionCall {
public:
    explicit SessionCall(CPageMemberList& list) : list_(list) { ++list_.inSession_; }
    ~SessionCall() {
        if (--list_.inSession_ == 0 && list_.closeWhenIdle_) list_.CloseSession();
    }
    SessionCall(const SessionCall&) = delete;
    SessionCall& operator=(const SessionCall&) = delete;

private:
    CPageMemberList& list_;
};

CPageMemberList::~CPageMemberList() {
    pages_.clear();
    CloseSession();  // the window is gone: no call into the session is under way
}

// ---- pages ----

std::string CPageMemberList::Subscribe(uint32_t page, const BridgeListViewer& viewer) {
    TurnTimer turn(longestTurnMicros_);
    if (session_ && !closeWhenIdle_ && viewer.memberId != session_->MemberId()) return "other-member";
    if (pages_.count(page)) return std::string();  // already has it
    if (closeWhenIdle_) return "busy";             // the last list is still being let go
    const bool first = !session_;
    Page& p = pages_[page];
    if (first) {
        Open(viewer);
        if (!session_) {
            pages_.erase(page);
            return "not-connected";
        }
    }
    StartOver(page, p);
    Pump(page);
    return std::string();
}

void CPageMemberList::StartOver(uint32_t id, Page& page) {
    page = Page();
    window_.bridge.Send(id, EncodeListReset(session_->Mode()));
    const std::vector<const MemberRecord*> rows = session_->Rows().InRowOrder();
    page.toSend.reserve(rows.size());
    for (const MemberRecord* record : rows) page.toSend.push_back(record->id);
}

void CPageMemberList::Open(const BridgeListViewer& viewer) {
    session_ = std::make_unique<MemberListSession>(static_cast<MemberListHost&>(*this), &CleanMemberText);
    // The identity goes as Rosterly sends its "ID" and "PWD", and the
    // version is the list control's where it is installed beside Notewell.
    session_->SetViewer(viewer.memberId, viewer.password);
    std::string version;
    CTrayMainDlg::ReadVersionText(version, "Rosterly.ocx");
    if (version.empty()) CTrayMainDlg::ReadVersionText(version);
    session_->SetVersion(version);
    session_->Mode().StartFor(viewer.sex);
    // The connect runs on the connection's thread; the session hears of it as a packet.
    if (!link_.Open(window_.m_hWnd, CTrayMainDlg::WM_LIST_EVENTS, viewer.serverAddress, kListServerPort))
        session_.reset();
}

void CPageMemberList::Unsubscribe(uint32_t page) {
    if (!pages_.erase(page) || !pages_.empty()) return;
    CloseSessionWhenIdle();
}

void CPageMemberList::CloseSessionWhenIdle() {
    if (inSession_ > 0) {
        closeWhenIdle_ = true;  // a box of the session's is up: once it returns
        return;
    }
    CloseSession();
}

void CPageMemberList::CloseSession() {
    closeWhenIdle_ = false;
    if (!session_) return;
    session_->Reset();  // its timers
    link_.Close();
    session_.reset();
    unblockId_.clear();
}

void CPageMemberList::DropPage(uint32_t page, const char* reason) {
    window_.bridge.Drop(page, 1008, reason);
    Unsubscribe(page);
}

void CPageMemberList::Stop() {
    pages_.clear();
    // Nothing more comes in; a box of the session's that is still up (being
    // dismissed) returns before the session goes.
    link_.Close();
    CloseSessionWhenIdle();
}

// ---- what the pages are sent ----

void CPageMemberList::QueueChange(std::string item) {
    std::vector<uint32_t> stalled;
    for (auto& [id, page] : pages_) {
        if (page.waitingSince && ::GetTickCount64() - page.waitingSince > stallLimitMs) {
            stalled.push_back(id);
            continue;
        }
        if (page.changeBytes + item.size() > kMaxBacklog) {
            // The list as it stands after this change: the change is in it.
            StartOver(id, page);
            continue;
        }
        page.changeBytes += item.size();
        page.changes.push_back(item);
    }
    for (uint32_t id : stalled) DropPage(id, "not reading");
}

void CPageMemberList::PumpAll() {
    std::vector<uint32_t> ids;
    for (const auto& entry : pages_) ids.push_back(entry.first);
    for (uint32_t id : ids) Pump(id);
}

void CPageMemberList::Pump(uint32_t id) {
    const auto found = pages_.find(id);
    if (found == pages_.end() || !session_) return;
    Page& page = found->second;
    // A few messages a turn: the bridge asks for more as the page takes them.
    for (int sent = 0;; ++sent) {
        const size_t queued = window_.bridge.Queued(id);
        if (queued == CBridgeServer::kGoneQueue) return;  // its going is on its way
        const bool more = page.next < page.toSend.size() || !page.changes.empty();
        if (!more) {
            page.waitingSince = 0;
            return;
        }
        if (queued >= kHighQueue) {
            if (!page.waitingSince) page.waitingSince = ::GetTickCount64();
            window_.bridge.NotifyWhenDrained(id);
            return;
        }
        if (sent == kMessagesPerTurn) {
            window_.bridge.NotifyWhenDrained(id);
            return;
        }
        page.waitingSince = 0;
        std::vector<std::string> texts;
        size_t bytes = 0;
        if (page.next < page.toSend.size()) {
            // Members gone since the page subscribed are skipped; their removal follows as a change.
            while (page.next < page.toSend.size() && bytes < kMessageBytes) {
                const MemberRecord* record = session_->Rows().Find(page.toSend[page.next++]);
                if (!record) continue;
                texts.push_back(EncodeListMember(*record));
                bytes += texts.back().size();
            }
            if (page.next >= page.toSend.size()) {
                page.toSend.clear();
                page.toSend.shrink_to_fit();
                page.next = 0;
            }
            if (texts.empty()) continue;
            window_.bridge.Send(id, EncodeListRows(std::vector<std::string_view>(texts.begin(), texts.end())));
        } else {
            while (!page.changes.empty() && bytes < kMessageBytes) {
                bytes += page.changes.front().size();
                texts.push_back(std::move(page.changes.front()));
                page.changes.pop_front();
            }
            page.changeBytes -= bytes;
            window_.bridge.Send(id, EncodeListChanges(std::vector<std::string_view>(texts.begin(), texts.end())));
        }
    }
}

void CPageMemberList::OnPageDrained(uint32_t page) {
    TurnTimer turn(longestTurnMicros_);
    Pump(page);
}

// ---- the connection ----

void CPageMemberList::ScheduleMoreEvents() {
    // Input first: a member's click on a popup never waits behind the list.
    if (HIWORD(::GetQueueStatus(QS_INPUT)))
        ::SetTimer(window_.m_hWnd, CTrayMainDlg::LIST_EVENTS_TIMER, 1, nullptr);
    else
        ::PostMessageW(window_.m_hWnd, CTrayMainDlg::WM_LIST_EVENTS, 0, 0);
}

void CPageMemberList::OnLinkEvents() {
    ::KillTimer(window_.m_hWnd, CTrayMainDlg::LIST_EVENTS_TIMER);
    TurnTimer turn(longestTurnMicros_);
    const auto started = std::chrono::steady_clock::now();
    bool scheduled = false;
    CListConnection::Event event;
    while (session_ && !closeWhenIdle_ && link_.Take(event)) {
        // Once more behind this turn: a box shown for this event lets the
        // next ones in from its own loop, and a long list takes turns.
        if (!scheduled) {
            ScheduleMoreEvents();
            scheduled = true;
        }
        Dispatch(event);
        if (std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(kSliceMs)) break;
    }
    PumpAll();
}

void CPageMemberList::Dispatch(CListConnection::Event& event) {
    SessionCall call(*this);
    switch (event.kind) {
    case CListConnection::Event::Opened: session_->OnLinkOpened(); break;
    case CListConnection::Event::ConnectFailed: session_->OnConnectFailed(); break;
    case CListConnection::Event::Packet:
        session_->OnPacket(event.header, event.body.data(), event.body.size());
        break;
    case CListConnection::Event::Broken: session_->OnLinkBroken(); break;
    case CListConnection::Event::EndedInPacket:
        // The packet cut short is lost; the list stays as it was.
        Tell(ListNotice{ListNotice::Error, kLinkBrokenText, kServerMessageCaption, false});
        break;
    case CListConnection::Event::Ended: break;
    }
}

void CPageMemberList::OnTimer(ListTimer timer) {
    if (!session_ || closeWhenIdle_) return;  // going: nothing more is sent
    SessionCall call(*this);
    session_->OnTimer(timer);
}

// ---- the session's host ----

void CPageMemberList::Tell(const ListNotice& notice) {
    ShowMessageBox(notice.owned ? window_.m_hWnd : nullptr, notice.text.c_str(), notice.caption,
                   notice.kind == ListNotice::Error ? kErrorBox : kInfoBox);
}

void CPageMemberList::StartTimer(ListTimer timer, unsigned intervalMs) {
    ::SetTimer(window_.m_hWnd,
               timer == ListTimer::LoginRetry ? CTrayMainDlg::LIST_LOGIN_TIMER : CTrayMainDlg::LIST_KEEPALIVE_TIMER,
               intervalMs, nullptr);
}

void CPageMemberList::StopTimer(ListTimer timer) {
    ::KillTimer(window_.m_hWnd,
                timer == ListTimer::LoginRetry ? CTrayMainDlg::LIST_LOGIN_TIMER : CTrayMainDlg::LIST_KEEPALIVE_TIMER);
}

void CPageMemberList::ViewCleared(bool) {
    // What the pages were still to be sent is moot: the list starts again.
    for (auto& entry : pages_) {
        entry.second = Page();
        window_.bridge.Send(entry.first, EncodeListReset(session_->Mode()));
    }
}

bool CPageMemberList::RowInserted(size_t, const MemberRecord& record) {
    QueueChange(ListUpsertItem(EncodeListMember(record)));
    return true;
}

bool CPageMemberList::RowReplaced(size_t, const MemberRecord& record) {
    QueueChange(ListUpsertItem(EncodeListMember(record)));
    return true;
}

void CPageMemberList::RowRemoved(size_t, const std::string& id) { QueueChange(ListRemoveItem(id)); }

void CPageMemberList::RowFlagsChanged(const MemberRecord& record) {
    QueueChange(ListUpsertItem(EncodeListMember(record)));
    PumpAll();
}

// ---- the pages' requests ----

std::string CPageMemberList::ChangeMode(bool label, const std::string& value) {
    if (!session_) return "not-subscribed";
    SessionCall call(*this);
    if (label)
        session_->ApplyLabel(value);
    else
        session_->ApplyListMode(value);
    return std::string();
}

const MemberRecord* CPageMemberList::Listed(const std::string& id) {
    return session_ ? session_->Rows().Find(id) : nullptr;
}

// The record is not read after a box: the box's loop may take the row away.
std::string CPageMemberList::Act(ListAction action, const std::string& memberId) {
    if (!session_) return "not-subscribed";
    SessionCall call(*this);
    const MemberRecord* record = Listed(memberId);
    // What the list's menu offers: the other sex's menu (or the buddies') has
    // every item, the own sex's the profile only; the friend items follow the
    // member's flags.
    if (action != ListAction::Profile && action != ListAction::DoubleClick && record) {
        if (!session_->Mode().OffersFullMenu()) return "not-offered";
        static const std::pair<ListAction, unsigned> kCommands[] = {
            {ListAction::Chat, ID_MEMBER_CHAT},         {ListAction::AddFriend, ID_MEMBER_ADD_FRIEND},
            {ListAction::RemoveFriend, ID_MEMBER_REMOVE_FRIEND}, {ListAction::Block, ID_MEMBER_BLOCK},
            {ListAction::Unblock, ID_MEMBER_UNBLOCK},
        };
        const MemberMenuFlags flags = MenuFlagsFor(*record);
        for (const auto& [a, command] : kCommands)
            if (a == action && !flags.Enables(command)) return "not-offered";
    }
    std::string error;
    switch (action) {
    case ListAction::Note:
        SendNote(record);
        if (!record) error = "not-listed";
        break;
    case ListAction::Chat: error = RequestChat(record); break;
    case ListAction::DoubleClick:
        if (!record) return "not-listed";
        if (record->isFemale == session_->Mode().viewerIsWoman) return std::string();  // the viewer's own sex
        error = RequestChat(record);
        break;
    case ListAction::Profile:
        // The page opens the profile once told it may.
        if (!session_->Connected()) {
            ShowMessageBox(window_.m_hWnd, kLoggedOutText, kServerMessageCaption, kErrorBox);
            error = "not-connected";
        } else if (!record) {
            ShowMessageBox(window_.m_hWnd, kProfileTargetGoneText, kServerMessageCaption, kInfoBox);
            error = "not-listed";
        }
        break;
    case ListAction::AddFriend:
    case ListAction::RemoveFriend:
    case ListAction::Block:
        if (!record) return "not-listed";
        session_->Select(*record);
        if (!session_->SendRelation(action == ListAction::AddFriend ? 'A' : action == ListAction::RemoveFriend ? 'R' : 'B'))
            error = "not-connected";
        break;
    case ListAction::Unblock:
        if (!record) return "not-listed";
        session_->Select(*record);
        unblockId_ = session_->SelectedId();
        unblockNick_ = session_->SelectedNickname();
        // Asked from its own turn, never inside another box; the page has its answer at once.
        PostWhenMessageBoxesClosed(window_.m_hWnd, CTrayMainDlg::WM_LIST_ASK_UNBLOCK);
        break;
    }
    return error;
}

void CPageMemberList::SendNote(const MemberRecord* record) {
    if (!record) {
        ShowMessageBox(window_.m_hWnd, kNoteTargetGoneText, kNoteStateCaption, MB_OK);
        return;
    }
    window_.OnSendNoteRequest(NoteTargetFor(*record, &RecordText));
}

std::string CPageMemberList::RequestChat(const MemberRecord* record) {
    if (const char* refusal = MemberListSession::ChatRefusal(record)) {
        ShowMessageBox(window_.m_hWnd, refusal, kChatStateCaption, kInfoBox);
        return record ? "chatting" : "not-listed";
    }
    window_.OnChatTargetRequest(ChatTargetFor(*record, &RecordText));
    return std::string();
}

void CPageMemberList::OnAskUnblock() {
    if (!session_ || unblockId_.empty()) return;
    if (MessageBoxOpen()) {  // another box came up before this turn
        PostWhenMessageBoxesClosed(window_.m_hWnd, CTrayMainDlg::WM_LIST_ASK_UNBLOCK);
        return;
    }
    {
        SessionCall call(*this);
        const std::string id = unblockId_, nick = unblockNick_;
        unblockId_.clear();
        const int answer = ShowMessageBox(window_.m_hWnd, kUnblockQuestionText, kFriendCaption,
                                          MB_YESNOCANCEL | MB_ICONINFORMATION | MB_TOPMOST);
        if (!closeWhenIdle_ && answer != IDCANCEL) {
            session_->SetSelection(id, nick);
            session_->SendRelation(answer == IDYES ? 'F' : 'U');
        }
    }
}
