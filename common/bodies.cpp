#include "bodies.h"

#include "fields.h"

namespace {

PacketBytes NewPacket(size_t bodyLength, uint16_t command, uint16_t kind) {
    PacketBytes packet(kHeaderSize + bodyLength, 0);
    BuildHeader(packet.data(), static_cast<uint16_t>(bodyLength), command, kind);
    return packet;
}

PacketBytes IdOnlyPacket(uint16_t command, uint16_t kind, std::string_view id) {
    PacketBytes packet = NewPacket(kIdWidth, command, kind);
    PutText(packet.data() + kHeaderSize, kIdWidth, id);
    return packet;
}

char CharAt(const uint8_t* p) { return static_cast<char>(*p); }

}  // namespace

PacketBytes BuildLoginPacket(std::string_view userId, std::string_view password,
                             bool webcamPresent, std::string_view sessionId,
                             std::string_view versionText) {
    PacketBytes packet = NewPacket(kLoginBodyLength, CMD_LOGIN, KIND_REQUEST);
    uint8_t* b = packet.data() + kHeaderSize;
    PutText(b + 0, kIdWidth, userId);
    PutText(b + 13, kPasswordWidth, password);
    b[45] = webcamPresent ? 'Y' : 'N';
    PutText(b + 46, kSessionIdWidth, sessionId);
    PutText(b + 78, kVersionWidth, versionText);
    return packet;
}

PacketBytes BuildKeepAlivePacket(uint32_t secondsSince1970) {
    PacketBytes packet = NewPacket(kKeepAliveBodyLength, CMD_KEEPALIVE, KIND_REQUEST);
    PutU32BE(packet.data() + kHeaderSize, secondsSince1970);
    return packet;
}

PacketBytes BuildChatRequestPacket(std::string_view targetId) {
    return IdOnlyPacket(CMD_CHAT_REQUEST, KIND_REQUEST, targetId);
}

PacketBytes BuildChatAnswerPacket(char code, std::string_view askerId,
                                  std::string_view nicknameUtf8, char flag) {
    PacketBytes packet = NewPacket(kChatAnswerBodyLength, CMD_CHAT_ANSWER, KIND_REQUEST);
    uint8_t* b = packet.data() + kHeaderSize;
    b[0] = static_cast<uint8_t>(code);
    PutText(b + 1, kIdWidth, askerId);
    PutText(b + 14, kNicknameWidth, nicknameUtf8);
    b[33] = static_cast<uint8_t>(flag);
    return packet;
}

PacketBytes BuildChatControlPacket(std::string_view memberId, char code) {
    PacketBytes packet = NewPacket(kChatControlBodyLength, CMD_CHAT_CONTROL, KIND_REQUEST);
    uint8_t* b = packet.data() + kHeaderSize;
    PutText(b, kIdWidth, memberId);
    b[13] = static_cast<uint8_t>(code);
    return packet;
}

size_t NoteTextSendLength(std::string_view text) {
    if (text.size() <= kMaxNoteTextLength) return text.size();
    size_t n = kMaxNoteTextLength;
    // text[n] is the first byte left out; when it continues a UTF-8 sequence,
    // leave out the whole character (a sequence has at most 3 continuation bytes).
    for (int i = 0; i < 3 && n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80; ++i) --n;
    return n;
}

PacketBytes BuildNotePacket(std::string_view recipientId, std::string_view noteTextUtf8) {
    const size_t n = NoteTextSendLength(noteTextUtf8);
    PacketBytes packet = NewPacket(kNoteBodyHeadLength + n, CMD_NOTE, KIND_REQUEST);
    uint8_t* b = packet.data() + kHeaderSize;
    PutText(b, kIdWidth, recipientId);
    PutU16BE(b + 13, static_cast<uint16_t>(n));
    PutText(b + kNoteBodyHeadLength, n, noteTextUtf8.substr(0, n));
    return packet;
}

PacketBytes BuildLogoutPacket(std::string_view userId) {
    return IdOnlyPacket(CMD_LOGOUT, KIND_SERVER, userId);
}

PacketBytes BuildChatCheckPacket(std::string_view targetId) {
    return IdOnlyPacket(CMD_CHAT_CHECK, KIND_REQUEST, targetId);
}

std::optional<PacketView> ViewPacket(const uint8_t* data, size_t length) {
    if (data == nullptr || length < kHeaderSize) return std::nullopt;
    const PacketHeader header = ParseHeader(data);
    if (!BodyLengthFits(header.bodyLength)) return std::nullopt;
    if (length - kHeaderSize < header.bodyLength) return std::nullopt;
    return PacketView{header, data + kHeaderSize, header.bodyLength};
}

std::optional<char> ParseLoginAnswer(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kLoginAnswerLength) return std::nullopt;
    return CharAt(body);
}

std::optional<RequestAnswer> ParseRequestAnswer(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kRequestAnswerLength) return std::nullopt;
    RequestAnswer a;
    a.result = CharAt(body + 0);
    a.answer = CharAt(body + 1);
    a.memberId = GetText(body + 2, kIdWidth);
    a.resultCode = GetText(body + 15, kResultCodeWidth);
    a.cancelFlag = CharAt(body + 31);
    return a;
}

std::optional<IncomingChatRecord> ParseIncomingChatRecord(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kIncomingChatRecordLength) return std::nullopt;
    IncomingChatRecord r;
    r.memberId = GetText(body + 0, kIdWidth);
    r.nickname = GetText(body + 13, kNicknameWidth);
    r.sex = CharAt(body + 32);
    r.age = GetU16BE(body + 33);
    r.occupation = GetText(body + 35, kOccupationWidth);
    r.region = GetText(body + 54, kRegionWidth);
    r.chatTopic = GetText(body + 70, kChatTopicWidth);
    r.taste = GetI16BE(body + 102);
    r.popularity = GetText(body + 104, kPopularityWidth);
    r.requestFlag = CharAt(body + 109);
    r.points = GetI32BE(body + 110);
    return r;
}

std::optional<AnswerResult> ParseAnswerResult(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kAnswerResultLength) return std::nullopt;
    AnswerResult a;
    a.result = CharAt(body + 0);
    a.code = CharAt(body + 1);
    a.memberId = GetText(body + 2, kIdWidth);
    a.resultCode = GetText(body + 15, kResultCodeWidth);
    return a;
}

std::optional<ChatDecision> ParseChatDecision(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kChatDecisionLength) return std::nullopt;
    ChatDecision d;
    d.memberId = GetText(body + 0, kIdWidth);
    d.decision = CharAt(body + 13);
    d.chatKey = GetText(body + 14, kChatKeyWidth);
    d.chatServerAddress = GetText(body + 46, kChatAddressWidth);
    d.resultCode = GetText(body + 62, kResultCodeWidth);
    return d;
}

bool HasChatServer(const ChatDecision& decision) {
    return decision.chatServerAddress != "0.0.0.0";
}

namespace {
std::optional<MemberResult> ParseMemberResult(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kNoteAnswerLength) return std::nullopt;
    MemberResult a;
    a.result = CharAt(body + 0);
    a.memberId = GetText(body + 1, kIdWidth);
    a.resultCode = GetText(body + 14, kResultCodeWidth);
    return a;
}
}  // namespace

std::optional<MemberResult> ParseNoteAnswer(const uint8_t* body, size_t length) {
    return ParseMemberResult(body, length);
}

std::optional<MemberResult> ParseChatCheckAnswer(const uint8_t* body, size_t length) {
    static_assert(kChatCheckAnswerLength == kNoteAnswerLength, "same layout");
    return ParseMemberResult(body, length);
}

std::optional<ReceivedNoteRecord> ParseReceivedNote(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kReceivedNoteHeadLength) return std::nullopt;
    const size_t n = GetU16BE(body + 113);
    if (n > length - kReceivedNoteHeadLength) return std::nullopt;  // N reaches past the body
    ReceivedNoteRecord r;
    r.memberId = GetText(body + 0, kIdWidth);
    r.nickname = GetText(body + 13, kNicknameWidth);
    r.age = GetU16BE(body + 32);
    r.sex = CharAt(body + 34);
    r.occupation = GetText(body + 35, kOccupationWidth);
    r.region = GetText(body + 54, kRegionWidth);
    r.chatTopic = GetText(body + 70, kChatTopicWidth);
    r.taste = GetI16BE(body + 102);
    r.popularity = GetText(body + 104, kPopularityWidth);
    r.points = GetI32BE(body + 109);
    r.text.assign(reinterpret_cast<const char*>(body + kReceivedNoteHeadLength), n);
    return r;
}

std::optional<char> ParseSessionEnd(const uint8_t* body, size_t length) {
    if (body == nullptr || length < kSessionEndLength) return std::nullopt;
    return CharAt(body);
}
