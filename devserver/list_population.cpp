#include "list_population.h"

#include <cstdio>

#include "fields.h"
#include "text_display.h"

namespace devserver {

namespace {
void PutUtf8Text(uint8_t* dst, size_t width, const std::string& text) {
    PutText(dst, width, CutUtf8(text, width));
}
}  // namespace

bool ListPopulation::Put(ListedMember member) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (member.stamp.empty()) {
        char stamp[32];
        const int n = ++arrivals_;
        std::snprintf(stamp, sizeof stamp, "2024/05/01/%02d/%02d/%02d", (n / 3600) % 24, (n / 60) % 60, n % 60);
        member.stamp = stamp;
    }
    const std::string id = member.id;
    const bool added = members_.find(id) == members_.end();
    members_[id] = std::move(member);
    return added;
}

bool ListPopulation::Remove(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return members_.erase(id) > 0;
}

std::optional<ListedMember> ListPopulation::Find(const std::string& id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = members_.find(id);
    if (it == members_.end()) return std::nullopt;
    return it->second;
}

std::vector<ListedMember> ListPopulation::Members() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ListedMember> out;
    out.reserve(members_.size());
    for (const auto& entry : members_) out.push_back(entry.second);
    return out;
}

std::vector<std::string> ListPopulation::Ids() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& entry : members_) out.push_back(entry.first);
    return out;
}

void ListPopulation::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    members_.clear();
}

MemberRelation ListPopulation::RelationOf(const std::string& viewer, const std::string& member) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = relations_.find({viewer, member});
    return it == relations_.end() ? MemberRelation{} : it->second;
}

void ListPopulation::SetRelation(const std::string& viewer, const std::string& member,
                                 const MemberRelation& relation) {
    std::lock_guard<std::mutex> lock(mutex_);
    relations_[{viewer, member}] = relation;
}

Bytes BuildListRecord(const MemberProfile& m, const ListedMember& listed, const MemberRelation& relation,
                      char operation) {
    Bytes r(141, 0);
    r[0] = static_cast<uint8_t>(operation);
    r[1] = static_cast<uint8_t>(m.sex);
    PutText(&r[2], 13, m.id);
    r[15] = listed.chatting ? 'T' : 'W';
    PutUtf8Text(&r[16], 19, m.nickname);
    PutText(&r[35], 5, m.popularity);
    PutU16BE(&r[40], static_cast<uint16_t>(m.age));
    PutUtf8Text(&r[42], 16, m.region);
    PutU16BE(&r[58], static_cast<uint16_t>(listed.albumCount));
    PutU32BE(&r[60], static_cast<uint32_t>(m.points));
    PutUtf8Text(&r[64], 32, m.topic);
    r[96] = relation.friendOf ? 'Y' : 'N';
    r[97] = static_cast<uint8_t>(m.webcam);
    PutU16BE(&r[98], static_cast<uint16_t>(m.taste));
    PutText(&r[100], 20, listed.stamp);
    r[120] = relation.blocked ? 'Y' : 'N';
    PutUtf8Text(&r[121], 18, m.occupation);
    r[140] = relation.buddy ? 'Y' : 'N';
    return r;
}

std::optional<RelationRequest> ParseRelationRequest(const Bytes& body) {
    if (body.size() < 33) return std::nullopt;
    RelationRequest r;
    r.action = static_cast<char>(body[0]);
    r.memberId = GetText(&body[1], 13);
    r.nicknameUtf8 = GetText(&body[14], 19);
    return r;
}

bool ApplyRelationAction(char action, MemberRelation* relation) {
    switch (action) {
        case 'A': relation->friendOf = true; return true;
        case 'R': relation->friendOf = false; return true;
        case 'B': relation->blocked = true; return true;
        case 'U': relation->blocked = false; return true;
        case 'F':
            relation->blocked = false;
            relation->friendOf = true;
            return true;
        default: return false;
    }
}

Bytes BuildRelationReply(char status, char action, const std::string& memberId, const std::string& nicknameUtf8,
                         const std::string& code) {
    Bytes r(50, 0);
    r[0] = static_cast<uint8_t>(status);
    r[1] = static_cast<uint8_t>(action);
    PutText(&r[2], 13, memberId);
    PutUtf8Text(&r[15], 19, nicknameUtf8);
    PutText(&r[34], 15, code);  // a code keeps its terminator
    return r;
}

}  // namespace devserver
