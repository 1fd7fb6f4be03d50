// The member list server's population: the members it lists besides those
// logged in, with their list state (chatting or waiting, album count, time
// stamp), and each viewer's relations to them (friend, blocked, buddy). Tests
// and scripts grow, change and shrink it; the list protocol pushes each change
// to the viewers whose list it concerns. Thread-safe.
#pragma once
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "member_profiles.h"
#include "wire_packet.h"

namespace devserver {

struct ListedMember {
    std::string id;
    bool chatting = false;
    int16_t albumCount = 0;   // shown for women; negative leaves it empty
    std::string stamp;        // "2024/05/01/10/00/02"; empty: made from the order of arrival
};

struct MemberRelation {
    bool friendOf = false;
    bool blocked = false;
    bool buddy = false;
};

class ListPopulation {
public:
    // Adds the member, or replaces its list state when it is listed already.
    // Returns true when it was new.
    bool Put(ListedMember member);
    bool Remove(const std::string& id);
    std::optional<ListedMember> Find(const std::string& id) const;
    std::vector<ListedMember> Members() const;
    std::vector<std::string> Ids() const;
    void Clear();

    MemberRelation RelationOf(const std::string& viewer, const std::string& member) const;
    void SetRelation(const std::string& viewer, const std::string& member, const MemberRelation& relation);

private:
    mutable std::mutex mutex_;
    std::map<std::string, ListedMember> members_;
    std::map<std::pair<std::string, std::string>, MemberRelation> relations_;
    int arrivals_ = 0;
};

// The 141-byte MemberWireRecord of a member as one viewer sees it.
Bytes BuildListRecord(const MemberProfile& profile, const ListedMember& listed, const MemberRelation& relation,
                      char operation);

// A relation request (1004, 33 bytes): action 'A' add friend, 'R' remove
// friend, 'B' block, 'U' unblock, 'F' unblock and add as friend.
struct RelationRequest {
    char action = 0;
    std::string memberId;
    std::string nicknameUtf8;
};
std::optional<RelationRequest> ParseRelationRequest(const Bytes& body);
// What the action does to the viewer's relation; false for an unknown action.
bool ApplyRelationAction(char action, MemberRelation* relation);
// The 50-byte reply: status · action · member id [13] · nickname [19] · code [16].
Bytes BuildRelationReply(char status, char action, const std::string& memberId, const std::string& nicknameUtf8,
                         const std::string& code);

}  // namespace devserver
