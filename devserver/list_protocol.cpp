#include "list_protocol.h"

#include <set>

#include "fields.h"
#include "packet.h"

namespace devserver {

namespace {
constexpr char kLoggedInStamp[] = "2024/01/01/00/00/00";
}

void ListProtocol::OnPacket(int session, const WirePacket& p) {
    switch (p.command) {
        case LIST_LOGIN: return HandleLogin(session, p);
        case LIST_TIME:
            if (hub_.ReplyFor(LIST_TIME).mode != Reply::Mode::Silent)
                hub_.SendToSession(session, LIST_TIME, KIND_ANSWER, {});
            return;
        case LIST_MEMBERS: return HandleMembers(session, p);
        case LIST_RELATION: return HandleRelation(session, p);
        default:
            hub_.Remark(session, "command " + std::to_string(p.command) + " is not one a client sends; ignored");
    }
}

void ListProtocol::HandleLogin(int session, const WirePacket& p) {
    if (p.body.size() < 57) {
        hub_.Remark(session, "list login body of " + std::to_string(p.body.size()) + " bytes (57 expected); not answered");
        return;
    }
    const Reply reply = hub_.ReplyFor(LIST_LOGIN);
    if (reply.mode == Reply::Mode::Silent) return;
    const char result = reply.mode == Reply::Mode::Answer ? reply.result : 'S';
    const std::string id = GetText(&p.body[0], 13);
    const bool accepted = result == 'S' && !id.empty();
    if (accepted) hub_.BindMember(session, id);
    hub_.SendToSession(session, LIST_LOGIN, KIND_ANSWER, Bytes{static_cast<uint8_t>(result)});
    if (accepted) hub_.AnnounceLogin(session);
}

ListedMember ListProtocol::ListStateOf(const std::string& id) const {
    if (auto listed = population_.Find(id)) return *listed;
    ListedMember m;  // logged in, not in the population: waiting
    m.id = id;
    m.stamp = kLoggedInStamp;
    return m;
}

bool ListProtocol::Holds(char wanted, const std::string& viewer, const std::string& id,
                         const MemberProfile& m) const {
    if (id == viewer) return false;
    switch (wanted) {
        case 'M':
        case 'F': return m.sex == wanted;
        case 'B': return population_.RelationOf(viewer, id).buddy;
        default: return false;
    }
}

void ListProtocol::SendRecord(int session, const std::string& viewer, const std::string& id, char operation) {
    hub_.SendToSession(session, LIST_MEMBERS, KIND_SERVER,
                       BuildListRecord(hub_.Profile(id), ListStateOf(id), population_.RelationOf(viewer, id),
                                       operation));
}

void ListProtocol::HandleMembers(int session, const WirePacket& p) {
    if (p.body.empty()) {
        hub_.Remark(session, "list request without its list byte");
        return;
    }
    const Reply reply = hub_.ReplyFor(LIST_MEMBERS);
    if (reply.mode == Reply::Mode::Silent) return;
    if (reply.mode == Reply::Mode::Answer && reply.result != 'S') {
        hub_.SendToSession(session, LIST_MEMBERS, KIND_ANSWER, Bytes{static_cast<uint8_t>(reply.result)});
        return;
    }
    const char wanted = static_cast<char>(p.body[0]);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requested_[session] = wanted;
    }
    if (wanted != 'M' && wanted != 'F' && wanted != 'B') {
        hub_.Remark(session, std::string("list request for '") + wanted + "' (M, F or B expected); an empty list");
        return;
    }
    const std::string viewer = hub_.MemberOf(session);
    std::set<std::string> members;
    for (Channel c : {Channel::Tray, Channel::List})
        for (const auto& entry : hub_.LoggedInMembers(c)) members.insert(entry.second);
    for (const std::string& id : population_.Ids()) members.insert(id);
    for (const std::string& id : members)
        if (Holds(wanted, viewer, id, hub_.Profile(id))) SendRecord(session, viewer, id, 'A');
}

bool ListProtocol::Known(const std::string& id) {
    if (population_.Find(id)) return true;
    for (Channel c : {Channel::Tray, Channel::List})
        for (const auto& entry : hub_.LoggedInMembers(c))
            if (entry.second == id) return true;
    return false;
}

void ListProtocol::HandleRelation(int session, const WirePacket& p) {
    const auto request = ParseRelationRequest(p.body);
    if (!request) {
        hub_.Remark(session, "relation request of " + std::to_string(p.body.size()) + " bytes (33 expected); not answered");
        return;
    }
    const Reply reply = hub_.ReplyFor(LIST_RELATION);
    if (reply.mode == Reply::Mode::Silent) return;
    auto answer = [&](char status, const std::string& code) {
        hub_.SendToSession(session, LIST_RELATION, KIND_ANSWER,
                           BuildRelationReply(status, request->action, request->memberId, request->nicknameUtf8, code));
    };
    if (reply.mode == Reply::Mode::Answer) return answer(reply.result, reply.code);
    const std::string viewer = hub_.MemberOf(session);
    if (viewer.empty()) return answer('F', "NOT_LOG_IN");
    if (!Known(request->memberId)) return answer('F', "NO_SUCH_USER");
    MemberRelation relation = population_.RelationOf(viewer, request->memberId);
    if (!ApplyRelationAction(request->action, &relation)) {
        hub_.Remark(session, std::string("relation action '") + request->action + "' is not one the server knows");
        return answer('E', "");
    }
    population_.SetRelation(viewer, request->memberId, relation);
    answer('S', "");
}

void ListProtocol::Push(const std::string& id, char operation) {
    const MemberProfile m = hub_.Profile(id);
    for (const auto& [session, viewer] : hub_.LoggedInMembers(Channel::List)) {
        if (viewer == id) continue;
        if (operation == 'R') {
            hub_.SendToSession(session, LIST_MEMBERS, KIND_SERVER,
                               BuildListRecord(m, ListStateOf(id), population_.RelationOf(viewer, id), 'R'));
            continue;
        }
        if (Holds(RequestedList(session), viewer, id, m)) SendRecord(session, viewer, id, operation);
    }
}

void ListProtocol::PutMember(const ListedMember& member) {
    const bool added = population_.Put(member);
    Push(member.id, added ? 'A' : 'U');
}

bool ListProtocol::UpdateMember(const std::string& id, const std::function<void(ListedMember&)>& change) {
    auto listed = population_.Find(id);
    if (!listed) return false;
    change(*listed);
    population_.Put(*listed);
    Push(id, 'U');
    return true;
}

bool ListProtocol::RemoveMember(const std::string& id) {
    if (!population_.Find(id)) return false;
    Push(id, 'R');  // while the record can still be built from the list state
    population_.Remove(id);
    return true;
}

void ListProtocol::SetRelation(const std::string& viewer, const std::string& member, const MemberRelation& relation) {
    const MemberRelation before = population_.RelationOf(viewer, member);
    population_.SetRelation(viewer, member, relation);
    const MemberProfile m = hub_.Profile(member);
    for (const auto& [session, who] : hub_.LoggedInMembers(Channel::List)) {
        if (who != viewer) continue;
        const char wanted = RequestedList(session);
        char op = 'U';
        if (wanted == 'B' && before.buddy != relation.buddy) op = relation.buddy ? 'A' : 'R';
        if (op == 'R' || Holds(wanted, viewer, member, m)) SendRecord(session, viewer, member, op);
    }
}

char ListProtocol::RequestedList(int session) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = requested_.find(session);
    return it == requested_.end() ? 0 : it->second;
}

}  // namespace devserver
