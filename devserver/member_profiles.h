// What the development server knows about members: a profile per member id,
// made up from the id unless a test or the command line sets it, and the
// member records that the clients read (built from a profile).
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "wire_packet.h"

namespace devserver {

struct MemberProfile {
    std::string id;          // ASCII, at most 12 characters on the wire
    std::string nickname;    // UTF-8
    char sex = 'M';          // 'F' or 'M'
    int16_t age = 25;
    std::string occupation;  // UTF-8
    std::string region;      // UTF-8
    std::string topic;       // UTF-8 chat topic
    int16_t taste = -1;      // -1 = none, 4..10 named tastes
    std::string popularity;  // text, at most 5 bytes
    int32_t points = 0;
    char webcam = 'Y';
};

// The profile every unknown id gets: nickname = id, the rest picked from the
// id's hash so that one id always looks the same across runs.
MemberProfile DefaultProfile(const std::string& id);

// Parses "id:nick:sex:age[:occupation[:region[:topic[:taste[:popularity[:points]]]]]]"
// (fields after the id may be empty to keep their defaults). False on a
// malformed field, with a reason in *error.
bool ParseProfileText(const std::string& text, MemberProfile* out, std::string* error);

class ProfileTable {
public:
    void Set(const MemberProfile& profile);
    MemberProfile Get(const std::string& id) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, MemberProfile> profiles_;
};

// IncomingChatRecord: the asking member as the asked member's client reads it
// (114 bytes). requestFlag 'S' = an ordinary request.
Bytes BuildIncomingChatRecord(const MemberProfile& asker, char requestFlag);

// ReceivedNoteRecord (115 bytes) followed by the note text. The text is cut at
// a UTF-8 boundary so that the whole body still fits a client's buffer.
Bytes BuildReceivedNote(const MemberProfile& sender, const std::string& text);
constexpr size_t kNoteRecordSize = 115;

// MemberWireRecord of the member list (141 bytes).
Bytes BuildMemberWireRecord(const MemberProfile& member, char operation, bool chatting);

}  // namespace devserver
