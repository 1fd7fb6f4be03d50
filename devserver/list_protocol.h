// The server side of the member list protocol (port 5200), kept minimal:
// login, time packets and the member list of the requested sex, built from
// the members logged in on either port. Relation requests (1004) are only
// logged; friend and block handling belongs here when the list grows.
#pragma once
#include "protocol_hub.h"
#include "wire_packet.h"

namespace devserver {

class ListProtocol {
public:
    explicit ListProtocol(ProtocolHub& hub) : hub_(hub) {}
    void OnPacket(int session, const WirePacket& packet);

private:
    void HandleLogin(int session, const WirePacket& p);
    void HandleMembers(int session, const WirePacket& p);

    ProtocolHub& hub_;
};

}  // namespace devserver
