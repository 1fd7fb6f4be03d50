#include "list_bodies.h"

#include <cstring>

#include "fields.h"
#include "packet.h"

namespace {

ListPacket NewPacket(uint16_t type, size_t bodyLength) {
    ListPacket p(kHeaderSize + bodyLength, 0);
    BuildHeader(p.data(), static_cast<uint16_t>(bodyLength), type, KIND_REQUEST);
    return p;
}

// The bytes of a reply field, zero where the body ends early.
std::string ReplyText(const uint8_t* body, size_t length, size_t offset, size_t width) {
    uint8_t field[32] = {};
    if (body && offset < length) {
        const size_t n = length - offset < width ? length - offset : width;
        std::memcpy(field, body + offset, n);
    }
    return GetText(field, width);
}

char ReplyByte(const uint8_t* body, size_t length, size_t offset) {
    return body && offset < length ? static_cast<char>(body[offset]) : 0;
}

}  // namespace

ListPacket BuildListLoginPacket(std::string_view memberId, std::string_view password,
                                std::string_view versionText) {
    ListPacket p = NewPacket(LIST_LOGIN, kListLoginBodyLength);
    uint8_t* body = p.data() + kHeaderSize;
    PutText(body, 13, memberId);
    PutText(body + 13, 32, password);
    PutText(body + 45, 12, versionText);
    return p;
}

ListPacket BuildListTimePacket(uint32_t secondsSince1970) {
    ListPacket p = NewPacket(LIST_TIME, kListTimeBodyLength);
    PutU32BE(p.data() + kHeaderSize, secondsSince1970);
    return p;
}

ListPacket BuildListMembersPacket(char listLetter) {
    ListPacket p = NewPacket(LIST_MEMBERS, kListMembersBodyLength);
    p[kHeaderSize] = static_cast<uint8_t>(listLetter);
    return p;
}

ListPacket BuildRelationPacket(char action, std::string_view memberId, std::string_view nicknameUtf8) {
    ListPacket p = NewPacket(LIST_RELATION, kRelationRequestBodyLength);
    uint8_t* body = p.data() + kHeaderSize;
    body[0] = static_cast<uint8_t>(action);
    PutText(body + 1, 13, memberId);
    PutText(body + 14, 19, nicknameUtf8);
    return p;
}

char ReplyStatusByte(const uint8_t* body, size_t length) { return ReplyByte(body, length, 0); }

RelationReply ParseRelationReply(const uint8_t* body, size_t length) {
    RelationReply r;
    r.status = ReplyByte(body, length, 0);
    r.action = ReplyByte(body, length, 1);
    r.memberId = ReplyText(body, length, 2, 13);
    r.nicknameUtf8 = ReplyText(body, length, 15, 19);
    r.resultCode = ReplyText(body, length, 34, 16);
    return r;
}

std::optional<RelationOutcome> RelationOutcomeFor(char action) {
    static const char kFriendAdded[] = " 해당 회원을 친구로 등록하였습니다.";
    RelationOutcome o;
    switch (action) {
    case 'A':
        o.setsFriend = o.friendValue = true;
        o.messageTail = kFriendAdded;
        o.caption = "친구 등록";
        return o;
    case 'F':
        o.setsBlocked = true;
        o.setsFriend = o.friendValue = true;
        o.messageTail = kFriendAdded;
        o.caption = "친구 등록";
        return o;
    case 'B':
        o.setsBlocked = o.blockedValue = true;
        o.removesInBuddyMode = true;
        o.messageTail = " 해당 회원을 차단했습니다.";
        o.caption = "회원 차단";
        return o;
    case 'R':
        o.setsFriend = true;
        o.removesInBuddyMode = true;
        o.messageTail = " 해당 회원을 친구 등록 해제하였습니다.";
        o.caption = "친구 등록 해제";
        return o;
    case 'U':
        o.setsBlocked = true;
        o.messageTail = " 해당 회원을 차단해제하였습니다.";
        o.caption = "회원 차단 해제";
        return o;
    default:
        return std::nullopt;
    }
}

bool ListKeepAlive::OnTick(bool connected) {
    if (!connected) return false;
    if (keepAliveTick >= 0 && keepAliveTick <= 2) {
        const bool send = !timeAcked;
        ++keepAliveTick;
        return send;
    }
    if (keepAliveTick == 3) {
        if (timeAcked) {
            timeAcked = false;
            keepAliveTick = 4;
        } else {
            keepAliveTick = 1;
        }
        return false;
    }
    keepAliveTick = 0;  // 4 or more
    return false;
}
