// The member list's data: the server's 141-byte member record (the body of a
// LIST_MEMBERS push) and the MemberRecord each row of Rosterly keeps.
//
// A MemberRecord keeps every column text with its column number and a colon
// in front ("4:25" for the age 25); the list shows, and the actions read, the
// value between the first and the second colon (ColumnValue). A text the
// conversion leaves unset stays empty, without prefix.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Layout of the wire record; numbers are big-endian, texts zero-terminated
// inside their width (a text that fills its width is taken to the width).
namespace member_wire {
constexpr size_t kOperation = 0;
constexpr size_t kSex = 1;
constexpr size_t kId = 2, kIdWidth = 13;
constexpr size_t kStatus = 15;
constexpr size_t kNickname = 16, kNicknameWidth = 19;
constexpr size_t kPopularity = 35, kPopularityWidth = 5;
constexpr size_t kAge = 40;
constexpr size_t kRegion = 42, kRegionWidth = 16;
constexpr size_t kAlbum = 58;
constexpr size_t kPoints = 60;
constexpr size_t kTopic = 64, kTopicWidth = 32;
constexpr size_t kFriend = 96;
constexpr size_t kWebcam = 97;
constexpr size_t kTaste = 98;
constexpr size_t kStamp = 100, kStampWidth = 20;
constexpr size_t kBlocked = 120;
constexpr size_t kOccupation = 121, kOccupationWidth = 18;
constexpr size_t kBuddy = 140;
constexpr size_t kRecordLength = 141;
}  // namespace member_wire

// The wire record's fields, decoded but not yet turned into column texts.
// Texts are the raw bytes of their slots (UTF-8 where members typed them).
struct MemberWireRecord {
    char operation = 0;  // 'A' add, 'R' remove, 'U' update
    char sex = 0;        // 'M' male, any other non-zero byte female, 0 unknown
    std::string id;
    char status = 0;     // 'T' chatting, other non-zero waiting, 0 unset
    std::string nicknameUtf8;
    std::string popularity;
    int16_t age = 0;
    std::string regionUtf8;
    int16_t albumCount = 0;
    int32_t points = 0;
    std::string topicUtf8;
    char friendFlag = 0;
    char webcam = 0;
    int16_t taste = 0;
    std::string stamp;
    char blocked = 0;
    std::string occupationUtf8;
    char buddy = 0;
};

// A body shorter than the record's 141 bytes is rejected (the packet is
// dropped); bytes behind the record are ignored.
std::optional<MemberWireRecord> ParseMemberWireRecord(const uint8_t* body, size_t length);

// Sort slots: the order in which a MemberRecord holds its column texts.
enum SortSlot : int {
    SLOT_STATUS = 0,
    SLOT_NICKNAME = 1,
    SLOT_WEBCAM = 2,
    SLOT_POPULARITY = 3,
    SLOT_AGE = 4,
    SLOT_REGION = 5,
    SLOT_POINTS = 6,
    SLOT_ALBUM = 7,
    SLOT_TASTE = 8,
    SLOT_TOPIC = 9,
    SLOT_COUNT = 10,
};

struct MemberRecord {
    std::string slots[SLOT_COUNT];  // the stored column texts, prefix included
    std::string stamp;              // numbers separated by "/", no prefix
    std::string id;                 // no prefix
    std::string extraText;          // occupation in the display form, no prefix
    bool isFemale = false;
    bool isFriend = false;
    bool isBlocked = false;
    // The row's place after the list's last sort, which the list view
    // takes its order from.
    int sortRank = 0;

    const std::string& Stored(SortSlot slot) const { return slots[slot]; }
    // The value of a slot: the part between the first and the second colon.
    std::string Value(SortSlot slot) const;
};

// The part of a stored column text between its first and second colon; empty
// when the text has no colon.
std::string ColumnValue(std::string_view stored);
// The same as a view into `stored`.
std::string_view ColumnValueView(std::string_view stored);

// Makes the UTF-8 text of a wire slot one Windows shows (the Windows side
// takes it through UTF-16: malformed bytes become U+FFFD, at most 2048
// characters are kept).
using CleanUtf8Fn = std::function<std::string(std::string_view utf8)>;

// The display form of a member text: cleaned, then every "&" doubled, so
// that a list cell or static control shows it as typed.
std::string DisplayForm(std::string_view utf8, const CleanUtf8Fn& clean);
std::string DoubleAmpersands(std::string_view text);

// The status values the list shows and the actions test.
extern const char kStatusChatting[];  // "대화중"
extern const char kStatusWaiting[];   // "대기중"

// Builds the row record of an 'A' or 'U' record.
MemberRecord BuildMemberRecord(const MemberWireRecord& wire, const CleanUtf8Fn& clean);
