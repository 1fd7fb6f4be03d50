#include "tray_protocol.h"

#include "packet.h"
#include "tray_bodies.h"

namespace devserver {

namespace {
const char kAll[] = "ALL";
}

void TrayProtocol::OnPacket(int session, const WirePacket& p) {
    // Clients send kind 1, except the logout, which goes as kind 4.
    const bool clientCommand = p.command >= CMD_LOGIN && p.command <= CMD_CHAT_CHECK &&
                               p.command != CMD_CHAT_REQUEST_ALL && p.command != CMD_UNUSED_2009 &&
                               p.command != CMD_SESSION_END;
    const uint16_t expectedKind = p.command == CMD_LOGOUT ? KIND_SERVER : KIND_REQUEST;
    if (clientCommand && p.kind != expectedKind)
        hub_.Remark(session, "unexpected kind " + std::to_string(p.kind) + " for " +
                                 CommandName(Channel::Tray, p.command) + " (clients send " +
                                 std::to_string(expectedKind) + ")");

    if (p.command == CMD_LOGIN) return HandleLogin(session, p);
    if (p.command == CMD_KEEPALIVE) {
        if (hub_.ReplyFor(CMD_KEEPALIVE).mode == Reply::Mode::Silent) return;
        hub_.SendToSession(session, CMD_KEEPALIVE, KIND_ANSWER, {});
        return;
    }

    const std::string member = hub_.MemberOf(session);
    const bool needsLogin = p.command == CMD_CHAT_REQUEST || p.command == CMD_CHAT_ANSWER ||
                            p.command == CMD_CHAT_CONTROL || p.command == CMD_NOTE || p.command == CMD_CHAT_CHECK;
    if (needsLogin && member.empty()) {
        hub_.Remark(session, CommandName(Channel::Tray, p.command) + " before an accepted login");
        // Commands with an answer format hear why; the others are dropped.
        if (p.command == CMD_CHAT_REQUEST)
            hub_.SendToSession(session, CMD_CHAT_REQUEST, KIND_ANSWER,
                               BuildChatAnswerEvent('F', 0, "", "NOT_LOG_IN", 'N'));
        if (p.command == CMD_NOTE || p.command == CMD_CHAT_CHECK)
            hub_.SendToSession(session, p.command, KIND_ANSWER, BuildResultForMember('F', "", "NOT_LOG_IN"));
        return;
    }

    switch (p.command) {
        case CMD_CHAT_REQUEST: return HandleChatRequest(session, member, p);
        case CMD_CHAT_ANSWER: return HandleAnswer(session, member, p);
        case CMD_CHAT_CONTROL: return HandleControl(session, member, p);
        case CMD_NOTE: return HandleNote(session, member, p);
        case CMD_CHAT_CHECK: return HandleChatCheck(session, p);
        case CMD_LOGOUT: return HandleLogout(session, member, p);
        default:
            hub_.Remark(session, "command " + std::to_string(p.command) + " is not one a client sends; ignored");
    }
}

void TrayProtocol::HandleLogin(int session, const WirePacket& p) {
    LoginBody login;
    if (!ParseLogin(p.body, &login)) {
        hub_.Remark(session, "login body of " + std::to_string(p.body.size()) + " bytes (90 expected); not answered");
        return;
    }
    const Reply reply = hub_.ReplyFor(CMD_LOGIN);
    if (reply.mode == Reply::Mode::Silent) return;
    const char result = reply.mode == Reply::Mode::Answer ? reply.result : 'S';
    if (result == 'S') {
        if (login.id.empty()) {
            hub_.Remark(session, "login with an empty member id refused");
            hub_.SendToSession(session, CMD_LOGIN, KIND_ANSWER, BuildLoginAnswer('F'));
            return;
        }
        // One session per member: an older one is told it logged in elsewhere.
        const auto older = hub_.SessionOfMember(Channel::Tray, login.id);
        if (older && *older != session) {
            hub_.Remark(*older, "member " + login.id + " logged in again on #" + std::to_string(session));
            hub_.SendToSession(*older, CMD_SESSION_END, KIND_SERVER, BuildSessionEnd('O'));
            hub_.UnbindMember(*older);
        }
        hub_.BindMember(session, login.id);
    }
    hub_.SendToSession(session, CMD_LOGIN, KIND_ANSWER, BuildLoginAnswer(result));
    if (result == 'S') hub_.AnnounceLogin(session);
}

std::vector<std::pair<int, std::string>> TrayProtocol::MenOnline(const std::string& except) {
    std::vector<std::pair<int, std::string>> men;
    for (const auto& [s, id] : hub_.LoggedInMembers(Channel::Tray))
        if (id != except && hub_.Profile(id).sex == 'M') men.emplace_back(s, id);
    return men;
}

void TrayProtocol::HandleChatRequest(int session, const std::string& asker, const WirePacket& p) {
    TargetBody target;
    if (!ParseTarget(p.body, &target)) {
        hub_.Remark(session, "chat request body too short");
        return;
    }
    const Reply reply = hub_.ReplyFor(CMD_CHAT_REQUEST);
    if (reply.mode == Reply::Mode::Silent) return;
    const auto refuse = [&](char result, const std::string& code) {
        hub_.SendToSession(session, CMD_CHAT_REQUEST, KIND_ANSWER, BuildChatAnswerEvent(result, 0, target.id, code, 'N'));
    };
    if (reply.mode == Reply::Mode::Answer && reply.result != 'S') return refuse(reply.result, reply.code);

    const Bytes record = BuildIncomingChatRecord(hub_.Profile(asker), 'S');
    std::vector<std::pair<int, std::string>> asked;
    PendingRequest request;
    if (target.id == kAll) {
        asked = MenOnline(asker);
        if (asked.empty()) return refuse('F', "NO_USER_CHAT");
        request.group = true;
    } else {
        const auto s = hub_.SessionOfMember(Channel::Tray, target.id);
        if (!s || target.id == asker) return refuse('F', "NO_SUCH_USER");
        asked.emplace_back(*s, target.id);
    }
    for (const auto& entry : asked) request.waitingOn.insert(entry.second);
    {
        // Recorded before the relay goes out: the answer may come back at once.
        std::lock_guard<std::mutex> lock(mutex_);
        pending_[asker] = std::move(request);
    }
    const uint16_t command = target.id == kAll ? CMD_CHAT_REQUEST_ALL : CMD_CHAT_REQUEST;
    for (const auto& entry : asked) hub_.SendToSession(entry.first, command, KIND_SERVER, record);
}

void TrayProtocol::HandleAnswer(int session, const std::string& answerer, const WirePacket& p) {
    AnswerBody answer;
    if (!ParseAnswer(p.body, &answer)) {
        hub_.Remark(session, "chat answer body too short");
        return;
    }
    const Reply reply = hub_.ReplyFor(CMD_CHAT_ANSWER);
    if (reply.mode == Reply::Mode::Silent) return;
    const auto answerBack = [&](char result, const std::string& code) {
        hub_.SendToSession(session, CMD_CHAT_ANSWER, KIND_ANSWER,
                           BuildAnswerResult(result, answer.code, answer.askerId, code));
    };
    if (reply.mode == Reply::Mode::Answer && reply.result != 'S') return answerBack(reply.result, reply.code);

    bool found = false, relay = false, group = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = pending_.find(answer.askerId);
        if (it != pending_.end() && it->second.waitingOn.erase(answerer) > 0) {
            found = true;
            PendingRequest& r = it->second;
            group = r.group;
            if (answer.code == 'A' && r.acceptedBy.empty()) {
                r.acceptedBy = answerer;
                relay = true;
            } else if (answer.code != 'A') {
                // A group request is refused only when the last asked member refuses.
                relay = r.waitingOn.empty() && r.acceptedBy.empty();
                if (relay) pending_.erase(it);
            }
        }
    }
    const auto asker = hub_.SessionOfMember(Channel::Tray, answer.askerId);
    // The request is over (withdrawn, answered by someone else, or the asker left).
    if (!found || !asker) return answerBack('F', "CANCELED");
    answerBack('S', "");
    if (!relay) return;
    hub_.SendToSession(*asker, group ? CMD_CHAT_REQUEST_ALL : CMD_CHAT_REQUEST, KIND_ANSWER,
                       BuildChatAnswerEvent('S', answer.code, answerer, "", answer.flag == 'Y' ? 'Y' : 'N'));
}

void TrayProtocol::HandleControl(int session, const std::string& asker, const WirePacket& p) {
    ControlBody control;
    if (!ParseControl(p.body, &control)) {
        hub_.Remark(session, "chat control body too short");
        return;
    }
    const Reply reply = hub_.ReplyFor(CMD_CHAT_CONTROL);
    if (reply.mode == Reply::Mode::Silent) return;
    if (reply.mode == Reply::Mode::Answer) {
        // A scripted decision for the asker alone (e.g. 'C' with a result code).
        hub_.SendToSession(session, CMD_CHAT_CONTROL, KIND_ANSWER,
                           BuildChatDecision(control.id, reply.result, "", "0.0.0.0", reply.code));
        return;
    }
    switch (control.code) {
        case 'A': {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                pending_.erase(asker);
            }
            const auto other = hub_.SessionOfMember(Channel::Tray, control.id);
            if (!other || control.id == asker) {
                hub_.SendToSession(session, CMD_CHAT_CONTROL, KIND_ANSWER,
                                   BuildChatDecision(control.id, 'C', "", "0.0.0.0", "NO_SUCH_USER"));
                return;
            }
            const std::string key = hub_.NewChatKey();
            const std::string address = hub_.ChatServerAddress();
            hub_.SendToSession(session, CMD_CHAT_CONTROL, KIND_ANSWER, BuildChatDecision(control.id, 'A', key, address, ""));
            hub_.SendToSession(*other, CMD_CHAT_CONTROL, KIND_SERVER, BuildChatDecision(asker, 'A', key, address, ""));
            return;
        }
        case 'C':
            WithdrawRequest(asker);
            return;
        case 'R': {
            // Acknowledges a refusal: nothing is left to do but forget the request.
            std::lock_guard<std::mutex> lock(mutex_);
            pending_.erase(asker);
            return;
        }
        default:
            hub_.Remark(session, std::string("chat control code ") + control.code + " is unknown; ignored");
    }
}

void TrayProtocol::WithdrawRequest(const std::string& asker) {
    PendingRequest request;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = pending_.find(asker);
        if (it == pending_.end()) return;
        request = std::move(it->second);
        pending_.erase(it);
    }
    // Members still deciding lose the request quietly; one who had already
    // accepted hears that it was cancelled.
    for (const std::string& id : request.waitingOn) {
        if (const auto s = hub_.SessionOfMember(Channel::Tray, id))
            hub_.SendToSession(*s, CMD_CHAT_CONTROL, KIND_SERVER, BuildChatDecision(asker, 'R', "", "", ""));
    }
    if (!request.acceptedBy.empty()) {
        if (const auto s = hub_.SessionOfMember(Channel::Tray, request.acceptedBy))
            hub_.SendToSession(*s, CMD_CHAT_CONTROL, KIND_SERVER, BuildChatDecision(asker, 'C', "", "", "CANCELED"));
    }
}

void TrayProtocol::HandleNote(int session, const std::string& sender, const WirePacket& p) {
    NoteBody note;
    if (!ParseNote(p.body, &note)) {
        hub_.Remark(session, "note whose text length reaches past its body; answered 'E'");
        hub_.SendToSession(session, CMD_NOTE, KIND_ANSWER, BuildResultForMember('E', "", ""));
        return;
    }
    const Reply reply = hub_.ReplyFor(CMD_NOTE);
    if (reply.mode == Reply::Mode::Silent) return;
    const auto answer = [&](char result, const std::string& code) {
        hub_.SendToSession(session, CMD_NOTE, KIND_ANSWER, BuildResultForMember(result, note.recipient, code));
    };
    if (reply.mode == Reply::Mode::Answer && reply.result != 'S') return answer(reply.result, reply.code);

    const Bytes relayed = BuildReceivedNote(hub_.Profile(sender), note.text);
    if (relayed.size() - kNoteRecordSize < note.text.size())
        hub_.Remark(session, "note text cut to " + std::to_string(relayed.size() - kNoteRecordSize) +
                                 " bytes so that the relayed packet fits the client's buffer");
    std::vector<int> recipients;
    if (note.recipient == kAll) {
        for (const auto& [s, id] : MenOnline(sender)) recipients.push_back(s);
        if (recipients.empty()) return answer('F', "NO_USER_MSG");
    } else {
        const auto s = hub_.SessionOfMember(Channel::Tray, note.recipient);
        if (!s) return answer('F', "NO_SUCH_USER_M");
        recipients.push_back(*s);
    }
    answer('S', "");
    for (int s : recipients) hub_.SendToSession(s, CMD_NOTE, KIND_SERVER, relayed);
}

void TrayProtocol::HandleChatCheck(int session, const WirePacket& p) {
    TargetBody target;
    if (!ParseTarget(p.body, &target)) {
        hub_.Remark(session, "chat check body too short");
        return;
    }
    const Reply reply = hub_.ReplyFor(CMD_CHAT_CHECK);
    if (reply.mode == Reply::Mode::Silent) return;
    const char result = reply.mode == Reply::Mode::Answer ? reply.result : 'S';
    hub_.SendToSession(session, CMD_CHAT_CHECK, KIND_ANSWER,
                       BuildResultForMember(result, target.id, result == 'S' ? "" : reply.code));
}

void TrayProtocol::HandleLogout(int session, const std::string& member, const WirePacket& p) {
    TargetBody who;
    if (!ParseTarget(p.body, &who)) {
        hub_.Remark(session, "logout body too short");
    } else if (who.id != member) {
        hub_.Remark(session, "logout names " + who.id + " but the session is " + (member.empty() ? "-" : member));
    }
    if (member.empty()) return;
    WithdrawRequest(member);
    hub_.UnbindMember(session);
}

void TrayProtocol::OnClosed(int /*session*/, const std::string& member) {
    if (!member.empty()) WithdrawRequest(member);
}

}  // namespace devserver
