// Packets of Rosterly's own server protocol (TCP port 5200), with the framing
// of the tray client's: builders of every request (complete packets, header
// and body) and parsers of the replies, and the control's keep-alive cycle.
//
// Text fields of requests are copied without terminator into zero-filled
// fields, cut to the field's width. Reply parsers take the body behind the
// header and never read past `length`.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum ListPacketType : uint16_t {
    LIST_LOGIN = 1001,
    LIST_TIME = 1002,
    LIST_MEMBERS = 1003,
    LIST_RELATION = 1004,
    LIST_DROP = 1005,
};

constexpr uint16_t kListServerPort = 5200;

constexpr size_t kListLoginBodyLength = 57;     // id 13, password 32, version 12
constexpr size_t kListTimeBodyLength = 4;
constexpr size_t kListMembersBodyLength = 1;
constexpr size_t kRelationRequestBodyLength = 33;  // action 1, id 13, nickname 19
constexpr size_t kRelationReplyLength = 50;

using ListPacket = std::vector<uint8_t>;

ListPacket BuildListLoginPacket(std::string_view memberId, std::string_view password,
                                std::string_view versionText);
ListPacket BuildListTimePacket(uint32_t secondsSince1970);
// 'B' buddy list, 'M' male members, 'F' female members.
ListPacket BuildListMembersPacket(char listLetter);
// 'A' add friend, 'R' remove friend, 'B' block, 'U' unblock, 'F' unblock and
// add as friend; the nickname as UTF-8.
ListPacket BuildRelationPacket(char action, std::string_view memberId, std::string_view nicknameUtf8);

// Byte 0 of a one-byte reply (login, list refusal); 0 for an empty body.
char ReplyStatusByte(const uint8_t* body, size_t length);

// LIST_RELATION reply: [0] status 'S'/'F'/'E' · [1] action · [2] member id 13
// · [15] nickname (UTF-8) 19 · [34] result code 16. Bytes missing from a
// short body read as zero bytes.
struct RelationReply {
    char status = 0;
    char action = 0;
    std::string memberId;
    std::string nicknameUtf8;
    std::string resultCode;
};
RelationReply ParseRelationReply(const uint8_t* body, size_t length);

// What the relation reply 'S' does to the row and tells the viewer.
struct RelationOutcome {
    bool setsFriend = false, friendValue = false;
    bool setsBlocked = false, blockedValue = false;
    bool removesInBuddyMode = false;
    const char* messageTail = nullptr;  // follows the nickname directly; starts with a blank
    const char* caption = nullptr;
};
// Null for an action letter the control does not know.
std::optional<RelationOutcome> RelationOutcomeFor(char action);

// The control's keep-alive cycle, one step per tick of timer 1 (6000 ms):
//   tick 0, 1, 2: a time packet unless the last one was answered; then +1
//   tick 3:       answered: clear the flag, go to 4; else back to 1
//   tick 4+:      nothing; back to 0
// It never declares the link dead.
struct ListKeepAlive {
    bool timeAcked = false;
    int keepAliveTick = 0;
    // Returns true when a time packet is due. Does nothing unless connected.
    bool OnTick(bool connected);
};
