#include "list_protocol.h"

#include <set>

#include "fields.h"
#include "packet.h"

namespace devserver {

void ListProtocol::OnPacket(int session, const WirePacket& p) {
    switch (p.command) {
        case LIST_LOGIN: return HandleLogin(session, p);
        case LIST_TIME:
            if (hub_.ReplyFor(LIST_TIME).mode != Reply::Mode::Silent)
                hub_.SendToSession(session, LIST_TIME, KIND_ANSWER, {});
            return;
        case LIST_MEMBERS: return HandleMembers(session, p);
        case LIST_RELATION:
            hub_.Remark(session, "relation requests are not handled by this server; ignored");
            return;
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
    if (wanted != 'M' && wanted != 'F') return;  // no buddy lists on this server: an empty list
    const std::string viewer = hub_.MemberOf(session);
    std::set<std::string> online;
    for (Channel c : {Channel::Tray, Channel::List})
        for (const auto& entry : hub_.LoggedInMembers(c)) online.insert(entry.second);
    for (const std::string& id : online) {
        const MemberProfile m = hub_.Profile(id);
        if (id == viewer || m.sex != wanted) continue;
        hub_.SendToSession(session, LIST_MEMBERS, KIND_SERVER, BuildMemberWireRecord(m, 'A', false));
    }
}

}  // namespace devserver
