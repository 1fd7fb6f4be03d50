#include "records.h"

#include <cstring>
#include <utility>

#include "fields.h"

namespace {

template <typename Record>
const uint8_t* BytesOf(const Record& r) {
    return reinterpret_cast<const uint8_t*>(&r);
}
template <typename Record>
uint8_t* BytesOf(Record& r) {
    return reinterpret_cast<uint8_t*>(&r);
}

template <size_t N>
std::string SlotText(const char (&slot)[N]) {
    return GetText(reinterpret_cast<const uint8_t*>(slot), N);
}

// The longest start of a code page 949 text that fits `limit` bytes and ends
// between characters: a lead byte (0x81 to 0xFE) and its trail go together.
std::string_view WholeCharactersWithin(std::string_view text, size_t limit) {
    size_t kept = 0;
    while (kept < text.size()) {
        const auto byte = static_cast<unsigned char>(text[kept]);
        const size_t step = byte >= 0x81 && byte <= 0xFE ? 2 : 1;
        if (kept + step > limit || kept + step > text.size()) break;
        kept += step;
    }
    return text.substr(0, kept);
}

template <size_t N>
void PutSlot(char (&slot)[N], std::string_view text) {
    // A slot is read as a C string: what follows a zero byte is never stored.
    PutTextTerminated(reinterpret_cast<uint8_t*>(slot), N, WholeCharactersWithin(CStringPart(text), N - 1));
}

}  // namespace

std::string NoteTargetInfo::MemberId() const { return SlotText(memberId); }
std::string NoteTargetInfo::Nickname() const { return SlotText(nickname); }
std::string NoteTargetInfo::Sex() const { return SlotText(sex); }
int16_t NoteTargetInfo::Age() const {
    return static_cast<int16_t>(GetU16LE(BytesOf(*this) + offsetof(NoteTargetInfo, age)));
}

std::string ChatTargetInfo::MemberId() const { return SlotText(memberId); }
std::string ChatTargetInfo::Nickname() const { return SlotText(nickname); }
std::string ChatTargetInfo::Sex() const { return SlotText(sex); }
int16_t ChatTargetInfo::Age() const {
    return static_cast<int16_t>(GetU16LE(BytesOf(*this) + offsetof(ChatTargetInfo, age)));
}
std::string ChatTargetInfo::Occupation() const { return SlotText(occupation); }
std::string ChatTargetInfo::Region() const { return SlotText(region); }
int16_t ChatTargetInfo::Taste() const {
    return static_cast<int16_t>(GetU16LE(BytesOf(*this) + offsetof(ChatTargetInfo, taste)));
}
std::string ChatTargetInfo::Popularity() const { return SlotText(popularity); }
std::string ChatTargetInfo::ChatTopic() const { return SlotText(chatTopic); }
int32_t ChatTargetInfo::Points() const {
    return static_cast<int32_t>(GetU32LE(BytesOf(*this) + offsetof(ChatTargetInfo, points)));
}

NoteTargetInfo MakeNoteTargetInfo(std::string_view memberId, std::string_view nickname,
                                  int16_t age, std::string_view sex) {
    NoteTargetInfo r;
    std::memset(&r, 0, sizeof r);
    PutSlot(r.memberId, memberId);
    PutSlot(r.nickname, nickname);
    PutU16LE(BytesOf(r) + offsetof(NoteTargetInfo, age), static_cast<uint16_t>(age));
    PutSlot(r.sex, sex);
    return r;
}

ChatTargetInfo MakeChatTargetInfo(const ChatTargetFields& f) {
    ChatTargetInfo r;
    std::memset(&r, 0, sizeof r);
    PutSlot(r.memberId, f.memberId);
    PutSlot(r.nickname, f.nickname);
    PutSlot(r.sex, f.sex);
    PutU16LE(BytesOf(r) + offsetof(ChatTargetInfo, age), static_cast<uint16_t>(f.age));
    PutSlot(r.occupation, f.occupation);
    PutSlot(r.region, f.region);
    PutU16LE(BytesOf(r) + offsetof(ChatTargetInfo, taste), static_cast<uint16_t>(f.taste));
    PutSlot(r.popularity, f.popularity);
    PutSlot(r.chatTopic, f.chatTopic);
    PutU32LE(BytesOf(r) + offsetof(ChatTargetInfo, points), static_cast<uint32_t>(f.points));
    return r;
}

namespace {
// The low 16 bits of the parse, as storing an int into a 16-bit field does.
int16_t Low16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v))); }
}  // namespace

NoteTargetInfo PackNoteTargetInfo(std::string_view text) {
    const std::string id = ExtractField(text, 0);
    const std::string nickname = ExtractField(text, 1);
    const std::string sex = ExtractField(text, 2);
    const std::string age = ExtractField(text, 3);
    return MakeNoteTargetInfo(id, nickname, Low16(ParseDecimalLikeAtoi(age)), sex);
}

ChatTargetInfo PackChatTargetInfo(std::string_view text) {
    std::string field[10];
    for (size_t i = 0; i < 10; ++i) field[i] = ExtractField(text, i);
    ChatTargetFields f;
    f.memberId = std::move(field[0]);
    f.nickname = std::move(field[1]);
    f.sex = std::move(field[2]);
    f.age = Low16(ParseDecimalLikeAtoi(field[3]));
    f.occupation = std::move(field[4]);
    f.region = std::move(field[5]);
    f.taste = Low16(ParseDecimalLikeAtoi(field[6]));
    f.popularity = std::move(field[7]);
    f.chatTopic = std::move(field[8]);
    f.points = ParseDecimalLikeAtoi(field[9]);
    return MakeChatTargetInfo(f);
}

namespace {
template <typename Record>
std::optional<Record> ReadRecord(const void* data, size_t cbData) {
    if (data == nullptr || cbData < sizeof(Record)) return std::nullopt;
    Record r;
    std::memcpy(&r, data, sizeof r);
    return r;
}
}  // namespace

std::optional<NoteTargetInfo> ReadNoteTargetInfo(const void* data, size_t cbData) {
    return ReadRecord<NoteTargetInfo>(data, cbData);
}

std::optional<ChatTargetInfo> ReadChatTargetInfo(const void* data, size_t cbData) {
    return ReadRecord<ChatTargetInfo>(data, cbData);
}

void SetChatTargetAll(ChatTargetInfo& record) {
    std::memcpy(record.memberId, "ALL", 4);
}
