// What a port's protocol handler may ask of the server: send to a session,
// find members, and read the scripted behaviour. The tray (5210) and member
// list (5200) handlers share it.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "member_profiles.h"
#include "wire_packet.h"

namespace devserver {

// How the server reacts to one request command.
struct Reply {
    enum class Mode {
        Default,  // the normal server behaviour (accept, relay, answer 'S')
        Silent,   // no answer at all
        Answer,   // answer at once with `result` and `code`, and relay nothing
    };
    Mode mode = Mode::Default;
    char result = 'S';
    std::string code;  // result code, at most 15 characters

    static Reply Normal() { return Reply{}; }
    static Reply None() { return Reply{Mode::Silent, 0, {}}; }
    static Reply With(char result, std::string code = {}) { return Reply{Mode::Answer, result, std::move(code)}; }
};

class ProtocolHub {
public:
    virtual ~ProtocolHub() = default;

    virtual bool SendToSession(int session, uint16_t command, uint16_t kind, Bytes body) = 0;
    // The session a member is logged in on over the given port, if any.
    virtual std::optional<int> SessionOfMember(Channel channel, const std::string& id) = 0;
    // (session, member id) of every logged-in session on that port.
    virtual std::vector<std::pair<int, std::string>> LoggedInMembers(Channel channel) = 0;
    // The member id of a logged-in session, empty when it has not logged in.
    virtual std::string MemberOf(int session) = 0;
    // A login was accepted: the session now speaks for `id`. Bind before the
    // answer goes out (others may address the member at once), announce after
    // it (so that scripted reactions follow the answer).
    virtual void BindMember(int session, const std::string& id) = 0;
    virtual void AnnounceLogin(int session) = 0;
    // The member logged out; the connection may stay open.
    virtual void UnbindMember(int session) = 0;

    virtual MemberProfile Profile(const std::string& id) = 0;
    virtual Reply ReplyFor(uint16_t command) = 0;
    virtual std::string ChatServerAddress() = 0;
    virtual std::string NewChatKey() = 0;

    // A remark about a session for the log (a refusal, a malformed body, ...).
    virtual void Remark(int session, const std::string& text) = 0;
};

}  // namespace devserver
