// The server side of the tray client protocol (port 5210): login, keep-alive,
// the relay of 1:1 and group chat requests, answers and decisions between
// members, note delivery, chat checks and logout. Each reaction can be
// replaced by a scripted Reply (see ProtocolHub::ReplyFor).
#pragma once
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "protocol_hub.h"
#include "wire_packet.h"

namespace devserver {

class TrayProtocol {
public:
    explicit TrayProtocol(ProtocolHub& hub) : hub_(hub) {}

    // Called on the session's reader thread, one packet at a time per session.
    void OnPacket(int session, const WirePacket& packet);
    // The connection is gone (after or without a logout).
    void OnClosed(int session, const std::string& member);

private:
    // A chat request waiting for its answer, keyed by the asking member.
    struct PendingRequest {
        bool group = false;               // sent to "ALL"
        std::set<std::string> waitingOn;  // asked members who have not answered
        std::string acceptedBy;           // the member who accepted, once one did
    };

    void HandleLogin(int session, const WirePacket& p);
    void HandleChatRequest(int session, const std::string& asker, const WirePacket& p);
    void HandleAnswer(int session, const std::string& answerer, const WirePacket& p);
    void HandleControl(int session, const std::string& asker, const WirePacket& p);
    void HandleNote(int session, const std::string& sender, const WirePacket& p);
    void HandleChatCheck(int session, const WirePacket& p);
    void HandleLogout(int session, const std::string& member, const WirePacket& p);
    // Tells every asked member who has not answered that `asker` withdrew.
    void WithdrawRequest(const std::string& asker);
    // Logged-in male members other than `except`: the members "ALL" reaches.
    std::vector<std::pair<int, std::string>> MenOnline(const std::string& except);

    ProtocolHub& hub_;
    std::mutex mutex_;
    std::map<std::string, PendingRequest> pending_;
};

}  // namespace devserver
