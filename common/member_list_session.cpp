#include "member_list_session.h"

#include <ctime>
#include <optional>
#include <utility>

#include "member_list_texts.h"
#include "result_text.h"

class MemberListSession::Locked {
public:
    explicit Locked(MemberListHost& host) : host_(host) { host_.LockList(); }
    ~Locked() { host_.UnlockList(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    MemberListHost& host_;
};

MemberListSession::MemberListSession(MemberListHost& host, CleanUtf8Fn clean)
    : host_(host), clean_(std::move(clean)) {}

void MemberListSession::SetViewer(std::string memberId, std::string password) {
    memberId_ = std::move(memberId);
    password_ = std::move(password);
}

void MemberListSession::Tell(ListNotice::Kind kind, std::string text, const char* caption, bool owned) {
    ListNotice notice;
    notice.kind = kind;
    notice.text = std::move(text);
    notice.caption = caption;
    notice.owned = owned;
    host_.Tell(notice);
}

// ---- the connection ----

void MemberListSession::OnLinkOpened() {
    connected_ = true;
    mode_.listReady = true;
    SendLogin();
}

void MemberListSession::OnConnectFailed() {
    Tell(ListNotice::Error, kConnectDelayedText, kServerMessageCaption);
    host_.CloseLink();
}

bool MemberListSession::Send(const ListPacket& packet) {
    if (!host_.LinkOpen()) {
        Tell(ListNotice::Error, kNotConnectedText, kServerMessageCaption);
        return false;
    }
    host_.SendToServer(packet);
    return true;
}

bool MemberListSession::SendLogin() {
    if (!Send(BuildListLoginPacket(memberId_, password_, version_))) return false;
    if (!loginTimerOn_ && host_.HasView()) {
        host_.StartTimer(ListTimer::LoginRetry, kLoginRetryMs);
        loginTimerOn_ = true;
    }
    return true;
}

bool MemberListSession::SendTime() {
    return Send(BuildListTimePacket(static_cast<uint32_t>(std::time(nullptr))));
}

bool MemberListSession::SendListRequest() { return Send(BuildListMembersPacket(mode_.RequestLetter())); }

bool MemberListSession::SendRelation(char action) {
    return Send(BuildRelationPacket(action, selectedId_, selectedNickUtf8_));
}

void MemberListSession::OnTimer(ListTimer timer) {
    if (timer == ListTimer::LoginRetry)
        OnLoginTimer();
    else
        OnKeepAliveTimer();
}

void MemberListSession::OnLoginTimer() {
    bool done;
    {
        Locked lock(host_);
        done = loggedIn_ || loginTries_ >= kMaxLoginRetries;
    }
    if (done) {
        host_.StopTimer(ListTimer::LoginRetry);
        return;
    }
    ++loginTries_;
    SendLogin();
}

void MemberListSession::OnKeepAliveTimer() {
    if (!connected_) return;
    bool due;
    {
        Locked lock(host_);
        due = keepAlive_.OnTick(true);
    }
    if (due) SendTime();
}

void MemberListSession::OnPacket(const PacketHeader& h, const uint8_t* body, size_t length) {
    switch (h.command) {
    case LIST_LOGIN:
        if (h.kind == KIND_ANSWER) OnLoginReply(body, length);
        break;
    case LIST_TIME:
        if (h.kind == KIND_ANSWER) {
            Locked lock(host_);
            keepAlive_.timeAcked = true;
        }
        break;
    case LIST_MEMBERS:
        if (h.kind == KIND_SERVER)
            ApplyMemberRecord(body, length);
        else if (h.kind == KIND_ANSWER)
            OnListReply(body, length);
        break;
    case LIST_RELATION:
        OnRelationReply(body, length);
        break;
    case LIST_DROP:
        Drop();
        break;
    default:
        break;  // read and discarded
    }
}

void MemberListSession::OnLoginReply(const uint8_t* body, size_t length) {
    switch (ReplyStatusByte(body, length)) {
    case 'S':
        {
            Locked lock(host_);
            loggedIn_ = true;
        }
        SendListRequest();
        if (!keepAliveTimerOn_ && host_.HasView()) {
            host_.StartTimer(ListTimer::KeepAlive, kKeepAliveMs);
            keepAliveTimerOn_ = true;
        }
        break;
    case 'E':
        Tell(ListNotice::Error, kNotConnectedText, kServerMessageCaption);
        break;
    case 'V':
        Tell(ListNotice::Error, kChatProgramNotInstalledText, kServerMessageCaption);
        break;
    default:
        break;
    }
}

void MemberListSession::OnListReply(const uint8_t* body, size_t length) {
    const char status = ReplyStatusByte(body, length);
    if (status == 'E' || status == 'F') Tell(ListNotice::Error, kNotConnectedText, kServerMessageCaption);
}

void MemberListSession::OnLinkBroken() {
    Tell(ListNotice::Error, kLinkBrokenText, kServerMessageCaption, false);
    Drop();
}

void MemberListSession::Drop() {
    host_.CloseLink();
    host_.StopTimer(ListTimer::KeepAlive);
    connected_ = false;
}

void MemberListSession::Reset() {
    host_.StopTimer(ListTimer::LoginRetry);
    host_.StopTimer(ListTimer::KeepAlive);
    Locked lock(host_);
    connected_ = false;
    loggedIn_ = false;
    keepAlive_ = ListKeepAlive();
    loginTries_ = 0;
    loginTimerOn_ = false;
    keepAliveTimerOn_ = false;
}

// ---- rows and list modes ----

void MemberListSession::ApplyModeChange(const ListModeChange& change) {
    if (!change.changed || !host_.HasView()) return;
    {
        Locked lock(host_);
        host_.ViewCleared(change.maleColumns);
        rows_.Clear();  // after the view's rows that pointed at the records are gone
    }
    bool ask;
    {
        Locked lock(host_);
        ask = connected_ && loggedIn_;
    }
    if (ask) Send(BuildListMembersPacket(change.requestLetter));
}

void MemberListSession::ApplyMemberRecord(const uint8_t* body, size_t length) {
    const std::optional<MemberWireRecord> wire = ParseMemberWireRecord(body, length);
    if (!wire) return;  // shorter than a member record: dropped
    const RecordOperation op = OperationOf(wire->operation);
    if (op == RecordOperation::Remove) {
        RemoveRow(wire->id);
        return;
    }
    if (op == RecordOperation::Unknown) return;
    auto record = std::make_unique<MemberRecord>(BuildMemberRecord(*wire, clean_));
    updateOnly_ = op == RecordOperation::Update;
    if (!mode_.Accepts(op, record->isFemale, wire->buddy)) return;
    UpsertRow(std::move(record));
}

void MemberListSession::UpsertRow(std::unique_ptr<MemberRecord> record) {
    if (!record || !host_.HasView()) return;
    const std::string id = record->id;
    MemberRowIndex::Upsert u = rows_.Apply(std::move(record), updateOnly_);
    switch (u.kind) {
    case MemberRowIndex::Upsert::Replaced: {
        Locked lock(host_);
        if (!host_.RowReplaced(u.row, *u.record)) rows_.Remove(id);
        break;
    }
    case MemberRowIndex::Upsert::InsertedTop:
        if (!host_.RowInserted(0, *u.record)) rows_.Remove(id);
        break;
    case MemberRowIndex::Upsert::Dropped:
        break;
    }
    // u.previous, the replaced record, goes now that no row points at it.
}

void MemberListSession::RemoveRow(const std::string& id) {
    std::optional<MemberRowIndex::Removal> removed = rows_.Remove(id);
    if (!removed || !host_.HasView()) return;
    Locked lock(host_);
    host_.RowRemoved(removed->row, id);
}

// ---- what the viewer chooses ----

void MemberListSession::Select(const MemberRecord& record) {
    selectedId_ = record.id;
    selectedNickUtf8_ = record.Value(SLOT_NICKNAME);
    menuFlags_ = MenuFlagsFor(record);
}

void MemberListSession::SetSelection(std::string id, std::string nicknameUtf8) {
    selectedId_ = std::move(id);
    selectedNickUtf8_ = std::move(nicknameUtf8);
}

const char* MemberListSession::ChatRefusal(const MemberRecord* record) {
    if (!record) return kChatTargetGoneText;
    if (IsChatting(*record)) return kChatTargetBusyText;
    return nullptr;
}

void MemberListSession::OnRelationReply(const uint8_t* body, size_t length) {
    const RelationReply reply = ParseRelationReply(body, length);
    switch (reply.status) {
    case 'E':
        Tell(ListNotice::Error, kNotConnectedText, kServerMessageCaption);
        return;
    case 'F':
        Tell(ListNotice::Error, ResultTextRosterly(reply.resultCode), kServerMessageCaption);
        return;
    case 'S':
        break;
    default:
        return;
    }
    MemberRecord* record = rows_.Find(reply.memberId);
    if (!record) return;  // no longer listed: nothing changes, nothing is shown
    const std::optional<RelationOutcome> outcome = RelationOutcomeFor(reply.action);
    if (!outcome) return;
    if (outcome->setsFriend) record->isFriend = outcome->friendValue;
    if (outcome->setsBlocked) record->isBlocked = outcome->blockedValue;
    host_.RowFlagsChanged(*record);
    // The box may let packets in that take the row away: only the id is used after it.
    Tell(ListNotice::Info, clean_(reply.nicknameUtf8) + outcome->messageTail, outcome->caption);
    if (outcome->removesInBuddyMode && mode_.buddyMode) RemoveRow(reply.memberId);
}
