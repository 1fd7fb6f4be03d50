// The two WM_COPYDATA records that Gatekin and Rosterly send to Notewell
//: packed images with zero-padded text slots and little-endian
// integers. Every text slot written by the packers keeps at least one zero
// byte at its end; a record read from another process need not, so read the
// texts through the accessors, which are bounded to their slots.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text_split.h"

#pragma pack(push, 1)

// COPYDATA_SEND_NOTE (kind 101), 36 bytes.
struct NoteTargetInfo {
    char memberId[13];  // 0
    char nickname[19];  // 13
    int16_t age;        // 32, little-endian
    char sex[2];        // 34, "F" or "M"

    std::string MemberId() const;
    std::string Nickname() const;
    std::string Sex() const;
    int16_t Age() const;  // decoded little-endian whatever the host
    // First character of the sex slot, or 0.
    char SexCode() const { return sex[0]; }
};

// COPYDATA_CHAT_REQUEST (kind 102), 260 bytes.
struct ChatTargetInfo {
    char memberId[13];    // 0; "ALL" stands for everyone
    char nickname[19];    // 13
    char sex[2];          // 32, "F" or "M"
    int16_t age;          // 34, little-endian
    char occupation[46];  // 36
    char region[16];      // 82
    int16_t taste;        // 98, little-endian
    char popularity[5];   // 100
    char chatTopic[151];  // 105
    int32_t points;       // 256, little-endian: points of a man, album count of a woman

    std::string MemberId() const;
    std::string Nickname() const;
    std::string Sex() const;
    int16_t Age() const;
    std::string Occupation() const;
    std::string Region() const;
    int16_t Taste() const;
    std::string Popularity() const;
    std::string ChatTopic() const;
    int32_t Points() const;
    char SexCode() const { return sex[0]; }
    bool IsAll() const { return MemberId() == "ALL"; }
};

#pragma pack(pop)

static_assert(sizeof(NoteTargetInfo) == 36, "NoteTargetInfo is 36 bytes");
static_assert(offsetof(NoteTargetInfo, memberId) == 0, "");
static_assert(offsetof(NoteTargetInfo, nickname) == 13, "");
static_assert(offsetof(NoteTargetInfo, age) == 32, "");
static_assert(offsetof(NoteTargetInfo, sex) == 34, "");

static_assert(sizeof(ChatTargetInfo) == 260, "ChatTargetInfo is 260 bytes");
static_assert(offsetof(ChatTargetInfo, memberId) == 0, "");
static_assert(offsetof(ChatTargetInfo, nickname) == 13, "");
static_assert(offsetof(ChatTargetInfo, sex) == 32, "");
static_assert(offsetof(ChatTargetInfo, age) == 34, "");
static_assert(offsetof(ChatTargetInfo, occupation) == 36, "");
static_assert(offsetof(ChatTargetInfo, region) == 82, "");
static_assert(offsetof(ChatTargetInfo, taste) == 98, "");
static_assert(offsetof(ChatTargetInfo, popularity) == 100, "");
static_assert(offsetof(ChatTargetInfo, chatTopic) == 105, "");
static_assert(offsetof(ChatTargetInfo, points) == 256, "");

constexpr size_t kNoteTargetInfoSize = sizeof(NoteTargetInfo);
constexpr size_t kChatTargetInfoSize = sizeof(ChatTargetInfo);

// Builders from already separated values: the record is zeroed, each text is
// cut to its slot less one byte, numbers are stored little-endian.
NoteTargetInfo MakeNoteTargetInfo(std::string_view memberId, std::string_view nickname,
                                  int16_t age, std::string_view sex);

struct ChatTargetFields {
    std::string memberId, nickname, sex;
    int16_t age = 0;
    std::string occupation, region;
    int16_t taste = 0;
    std::string popularity, chatTopic;
    int32_t points = 0;
};
ChatTargetInfo MakeChatTargetInfo(const ChatTargetFields& fields);

// Packing from a '/'-separated text (Gatekin's SendLabel and SendChat):
//   NoteTargetInfo: member id / nickname / sex code / age
//   ChatTargetInfo: member id / nickname / sex code / age / occupation /
//                   region / taste code / popularity / chat topic / points
// Missing fields are empty (numbers 0); fields past the last are ignored;
// number fields keep the low 16 bits of the parse where the slot is 16-bit.
NoteTargetInfo PackNoteTargetInfo(std::string_view text);
ChatTargetInfo PackChatTargetInfo(std::string_view text);

// Readers of a WM_COPYDATA buffer of cbData bytes: a buffer smaller than the
// record (or a null pointer) is rejected; otherwise exactly sizeof(record)
// bytes are copied and any further bytes are ignored.
std::optional<NoteTargetInfo> ReadNoteTargetInfo(const void* data, size_t cbData);
std::optional<ChatTargetInfo> ReadChatTargetInfo(const void* data, size_t cbData);

// WM_TRAY_CHAT_ALL: writes "ALL" and its terminator at the start of the
// record; the rest of the record stays as it was.
void SetChatTargetAll(ChatTargetInfo& record);
