#include "member_record.h"

#include "fields.h"

const char kStatusChatting[] = "대화중";
const char kStatusWaiting[] = "대기중";

namespace {

std::string Prefixed(char column, std::string_view value) {
    std::string text;
    text.reserve(value.size() + 2);
    text += column;
    text += ':';
    text += value;
    return text;
}

}  // namespace

std::optional<MemberWireRecord> ParseMemberWireRecord(const uint8_t* body, size_t length) {
    using namespace member_wire;
    if (!body || length < kRecordLength) return std::nullopt;
    MemberWireRecord r;
    r.operation = static_cast<char>(body[kOperation]);
    r.sex = static_cast<char>(body[kSex]);
    r.id = GetText(body + kId, kIdWidth);
    r.status = static_cast<char>(body[kStatus]);
    r.nicknameUtf8 = GetText(body + kNickname, kNicknameWidth);
    r.popularity = GetText(body + kPopularity, kPopularityWidth);
    r.age = GetI16BE(body + kAge);
    r.regionUtf8 = GetText(body + kRegion, kRegionWidth);
    r.albumCount = GetI16BE(body + kAlbum);
    r.points = GetI32BE(body + kPoints);
    r.topicUtf8 = GetText(body + kTopic, kTopicWidth);
    r.friendFlag = static_cast<char>(body[kFriend]);
    r.webcam = static_cast<char>(body[kWebcam]);
    r.taste = GetI16BE(body + kTaste);
    r.stamp = GetText(body + kStamp, kStampWidth);
    r.blocked = static_cast<char>(body[kBlocked]);
    r.occupationUtf8 = GetText(body + kOccupation, kOccupationWidth);
    r.buddy = static_cast<char>(body[kBuddy]);
    return r;
}

std::string_view ColumnValueView(std::string_view stored) {
    const size_t first = stored.find(':');
    if (first == std::string_view::npos) return std::string_view();
    const size_t second = stored.find(':', first + 1);
    const size_t end = second == std::string_view::npos ? stored.size() : second;
    return stored.substr(first + 1, end - first - 1);
}

std::string ColumnValue(std::string_view stored) { return std::string(ColumnValueView(stored)); }

std::string MemberRecord::Value(SortSlot slot) const { return ColumnValue(slots[slot]); }

std::string DoubleAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

std::string DisplayForm(std::string_view utf8, const CleanUtf8Fn& clean) {
    return DoubleAmpersands(clean ? clean(utf8) : std::string(utf8));
}

MemberRecord BuildMemberRecord(const MemberWireRecord& w, const CleanUtf8Fn& clean) {
    MemberRecord r;
    if (w.sex != 0) r.isFemale = w.sex != 'M';
    r.id = w.id;
    if (w.status != 0) r.slots[SLOT_STATUS] = Prefixed('0', w.status == 'T' ? kStatusChatting : kStatusWaiting);
    r.slots[SLOT_NICKNAME] = Prefixed('1', DisplayForm(w.nicknameUtf8, clean));
    r.slots[SLOT_POPULARITY] = Prefixed('3', w.popularity);
    if (w.age != 0) r.slots[SLOT_AGE] = Prefixed('4', std::to_string(w.age));
    r.slots[SLOT_REGION] = Prefixed('5', DisplayForm(w.regionUtf8, clean));
    if (!r.isFemale)
        r.slots[SLOT_POINTS] = Prefixed('6', std::to_string(w.points));
    else if (w.albumCount >= 0)
        r.slots[SLOT_ALBUM] = Prefixed('6', std::to_string(w.albumCount));
    r.slots[SLOT_TOPIC] = Prefixed('8', DisplayForm(w.topicUtf8, clean));
    if (w.friendFlag != 0) r.isFriend = w.friendFlag == 'Y';
    if (w.webcam != 0) r.slots[SLOT_WEBCAM] = Prefixed('2', std::string_view(&w.webcam, 1));
    if (w.taste >= 0) r.slots[SLOT_TASTE] = Prefixed('7', std::to_string(w.taste));
    r.stamp = w.stamp;
    r.isBlocked = w.blocked == 'Y';
    r.extraText = DisplayForm(w.occupationUtf8, clean);
    return r;
}
