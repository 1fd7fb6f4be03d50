// Packet bodies of Notewell's server protocol (TCP port 5210):
// builders for every body the tray client sends, each producing a complete
// packet (6-byte header + body), and parsers for every body it receives.
//
// Texts in bodies have fixed widths, are zero-padded and carry no terminator
// when they fill their slot; the builders cut any value longer than its slot,
// so a packet never exceeds its layout. Texts typed by members travel as
// UTF-8; the builders take them as the programs keep them (UTF-8), and the
// parsers hand them out
// as the raw UTF-8 bytes of the slot (read up to the first zero in the slot).
//
// Every parser takes the body (the bytes behind the header) and its length.
// A body shorter than its layout is rejected (std::nullopt): the caller drops
// the packet. Bytes behind the layout are ignored.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packet.h"

// Commands of the tray client's protocol.
enum ServerCommand : uint16_t {
    CMD_LOGIN = 2001,
    CMD_KEEPALIVE = 2002,
    CMD_CHAT_REQUEST = 2003,
    CMD_CHAT_REQUEST_2004 = 2004,  // the second chat request event, handled like 2003
    CMD_CHAT_ANSWER = 2005,
    CMD_CHAT_CONTROL = 2006,       // sent: chat control; received: chat decision
    CMD_NOTE = 2007,
    CMD_LOGOUT = 2008,
    CMD_SESSION_END = 2010,
    CMD_CHAT_CHECK = 2011,
};

// Field widths.
constexpr size_t kIdWidth = 13;
constexpr size_t kPasswordWidth = 32;
constexpr size_t kSessionIdWidth = 32;
constexpr size_t kVersionWidth = 12;
constexpr size_t kNicknameWidth = 19;
constexpr size_t kResultCodeWidth = 16;
constexpr size_t kChatKeyWidth = 32;
constexpr size_t kChatAddressWidth = 16;
constexpr size_t kOccupationWidth = 19;
constexpr size_t kRegionWidth = 16;
constexpr size_t kChatTopicWidth = 32;
constexpr size_t kPopularityWidth = 5;

// Lengths of the bodies sent.
constexpr size_t kLoginBodyLength = 90;
constexpr size_t kKeepAliveBodyLength = 4;
constexpr size_t kChatRequestBodyLength = 13;
constexpr size_t kChatAnswerBodyLength = 34;
constexpr size_t kChatControlBodyLength = 14;
constexpr size_t kNoteBodyHeadLength = 15;  // then N text bytes
constexpr size_t kLogoutBodyLength = 13;
constexpr size_t kChatCheckBodyLength = 13;
// The longest note text that keeps the packet within 4096 bytes: 4075.
constexpr size_t kMaxNoteTextLength = kMaxBodyLength - kNoteBodyHeadLength;

// Lengths of the bodies received.
constexpr size_t kLoginAnswerLength = 1;
constexpr size_t kRequestAnswerLength = 32;       // 2003/2004 kind 2
constexpr size_t kIncomingChatRecordLength = 114;  // 2003/2004 kind 4
constexpr size_t kAnswerResultLength = 31;        // 2005
constexpr size_t kChatDecisionLength = 78;        // 2006
constexpr size_t kNoteAnswerLength = 30;          // 2007 kind 2
constexpr size_t kReceivedNoteHeadLength = 115;   // 2007 kind 4, then N text bytes
constexpr size_t kSessionEndLength = 1;           // 2010
constexpr size_t kChatCheckAnswerLength = 30;     // 2011

using PacketBytes = std::vector<uint8_t>;

// ---- Bodies sent (complete packets; all kind 1 except the logout, kind 4) ----

// 2001, 90 bytes: userId [13] · password [32] · webcam 'Y'/'N' [1] ·
// sessionId [32] · versionText [12].
PacketBytes BuildLoginPacket(std::string_view userId, std::string_view password,
                             bool webcamPresent, std::string_view sessionId,
                             std::string_view versionText);
// 2002, 4 bytes: the time in seconds since 1970-01-01 UTC, unsigned 32-bit.
PacketBytes BuildKeepAlivePacket(uint32_t secondsSince1970);
// 2003, 13 bytes: the target member id, or "ALL".
PacketBytes BuildChatRequestPacket(std::string_view targetId);
// 2005, 34 bytes: code [1] · asking member's id [13] · nickname (UTF-8) [19] · flag [1].
PacketBytes BuildChatAnswerPacket(char code, std::string_view askerId,
                                  std::string_view nicknameUtf8, char flag);
// 2006, 14 bytes: member id [13] · code [1].
PacketBytes BuildChatControlPacket(std::string_view memberId, char code);
// 2007, 15 + N bytes: recipient id [13] · N (unsigned 16-bit) · N text bytes.
// A text longer than kMaxNoteTextLength is cut to fit the 4096-byte packet; the
// cut never splits a UTF-8 sequence (it backs off to the start of the
// character that would be split).
PacketBytes BuildNotePacket(std::string_view recipientId, std::string_view noteTextUtf8);
// 2008, 13 bytes, kind 4: the own member id.
PacketBytes BuildLogoutPacket(std::string_view userId);
// 2011, 13 bytes: the target member id, or "ALL".
PacketBytes BuildChatCheckPacket(std::string_view targetId);

// How many bytes of `text` BuildNotePacket sends (at most kMaxNoteTextLength).
size_t NoteTextSendLength(std::string_view noteTextUtf8);

// ---- Whole packets ----

struct PacketView {
    PacketHeader header;
    const uint8_t* body;  // points into the caller's bytes
    size_t bodyLength;    // == header.bodyLength
};
// Splits a complete packet (header and body, e.g. the heap copy posted with
// WM_SOCKET_EVENT). Rejects fewer than 6 bytes, a body length that does not
// fit the receive buffer (> 4090), and a body length past the given bytes.
std::optional<PacketView> ViewPacket(const uint8_t* data, size_t length);

// ---- Bodies received ----

// 2001: [0] result character.
std::optional<char> ParseLoginAnswer(const uint8_t* body, size_t length);

// 2003 and 2004, kind 2 (the asked member's answer to the own request), 32 bytes.
struct RequestAnswer {
    char result;        // 'S', 'F', 'E'
    char answer;        // 'A', 'R', 'U', ...
    std::string memberId;
    std::string resultCode;
    char cancelFlag;    // 'Y': the request ended as cancelled
};
std::optional<RequestAnswer> ParseRequestAnswer(const uint8_t* body, size_t length);

// 2003 and 2004, kind 4: the member who asks, 114 bytes.
struct IncomingChatRecord {
    std::string memberId;     // [0] 13, ASCII
    std::string nickname;     // [13] 19, UTF-8
    char sex;                 // [32] 'F' or 'M'
    uint16_t age;             // [33] 2
    std::string occupation;   // [35] 19, UTF-8
    std::string region;       // [54] 16, UTF-8
    std::string chatTopic;    // [70] 32, UTF-8
    int16_t taste;            // [102] 2; -1 = none
    std::string popularity;   // [104] 5
    char requestFlag;         // [109] 'S' ordinary request; else short of points
    int32_t points;           // [110] 4
};
std::optional<IncomingChatRecord> ParseIncomingChatRecord(const uint8_t* body, size_t length);

// 2005 answer result, 31 bytes.
struct AnswerResult {
    char result;
    char code;
    std::string memberId;
    std::string resultCode;
};
std::optional<AnswerResult> ParseAnswerResult(const uint8_t* body, size_t length);

// 2006 chat decision, 78 bytes.
struct ChatDecision {
    std::string memberId;           // [0] 13
    char decision;                  // [13] 'A', 'C', 'R'
    std::string chatKey;            // [14] 32, up to its first zero
    std::string chatServerAddress;  // [46] 16, dotted IPv4 text
    std::string resultCode;         // [62] 16
};
std::optional<ChatDecision> ParseChatDecision(const uint8_t* body, size_t length);
// True when the decision names a chat server (the address is not "0.0.0.0").
bool HasChatServer(const ChatDecision& decision);

// 2007 kind 2 (answer to an own note) and 2011 (chat check answer), 30 bytes:
// [0] result · [1] member id [13] · [14] result code [16].
struct MemberResult {
    char result;
    std::string memberId;
    std::string resultCode;
};
std::optional<MemberResult> ParseNoteAnswer(const uint8_t* body, size_t length);
std::optional<MemberResult> ParseChatCheckAnswer(const uint8_t* body, size_t length);

// 2007 kind 4: the note's sender, 115 bytes, then N bytes of note text.
struct ReceivedNoteRecord {
    std::string memberId;     // [0] 13
    std::string nickname;     // [13] 19, UTF-8
    uint16_t age;             // [32] 2
    char sex;                 // [34] 'F' or 'M'
    std::string occupation;   // [35] 19
    std::string region;       // [54] 16
    std::string chatTopic;    // [70] 32
    int16_t taste;            // [102] 2
    std::string popularity;   // [104] 5
    int32_t points;           // [109] 4
    std::string text;         // [115] exactly N bytes (UTF-8, may hold zero bytes)
};
// Rejects a body shorter than 115 bytes and one whose N reaches past the body.
std::optional<ReceivedNoteRecord> ParseReceivedNote(const uint8_t* body, size_t length);

// 2010: [0] reason character: 'A', 'C', 'O', 'V'.
std::optional<char> ParseSessionEnd(const uint8_t* body, size_t length);
