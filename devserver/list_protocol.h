// The server side of the member list protocol (port 5200): login, time
// packets, the member list of the requested sex or the viewer's buddies, and
// relation requests (friends and blocks). The list holds the members logged
// in on either port and the population that tests and scripts grow, change
// and shrink; each change is pushed to the viewers whose list it concerns.
#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "list_population.h"
#include "protocol_hub.h"
#include "wire_packet.h"

namespace devserver {

class ListProtocol {
public:
    explicit ListProtocol(ProtocolHub& hub) : hub_(hub) {}
    void OnPacket(int session, const WirePacket& packet);

    ListPopulation& Population() { return population_; }
    // Lists the member (its profile comes from the profile table); pushes 'A'
    // when it is new to the list, else 'U'.
    void PutMember(const ListedMember& member);
    // Changes a listed member's state and pushes 'U'; false when not listed.
    bool UpdateMember(const std::string& id, const std::function<void(ListedMember&)>& change);
    // Pushes 'R' to every viewer; false when the member was not listed.
    bool RemoveMember(const std::string& id);
    // Sets how a viewer stands to a member; the viewer gets the member's 'U'
    // (or 'A' when the change puts it on a buddy list, 'R' when it takes it off).
    void SetRelation(const std::string& viewer, const std::string& member, const MemberRelation& relation);
    // Sends the member's record with this operation to every viewer whose
    // list holds the member ('R': to every viewer).
    void Push(const std::string& id, char operation);

    // The list a session asked for last: 'M', 'F', 'B', or 0 before any request.
    char RequestedList(int session) const;

private:
    void HandleLogin(int session, const WirePacket& p);
    void HandleMembers(int session, const WirePacket& p);
    void HandleRelation(int session, const WirePacket& p);
    bool Holds(char wanted, const std::string& viewer, const std::string& id, const MemberProfile& m) const;
    ListedMember ListStateOf(const std::string& id) const;
    bool Known(const std::string& id);
    void SendRecord(int session, const std::string& viewer, const std::string& id, char operation);

    ProtocolHub& hub_;
    ListPopulation population_;
    mutable std::mutex mutex_;
    std::map<int, char> requested_;  // by session
};

}  // namespace devserver
