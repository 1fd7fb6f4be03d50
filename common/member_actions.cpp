#include "member_actions.h"

#include "text_split.h"

bool MemberMenuFlags::Enables(unsigned int command) const {
    switch (command) {
    case ID_MEMBER_ADD_FRIEND: return canAddFriend;
    case ID_MEMBER_REMOVE_FRIEND: return canRemoveFriend;
    case ID_MEMBER_BLOCK: return canBlock;
    case ID_MEMBER_UNBLOCK: return canUnblock;
    case ID_MEMBER_CHAT: return canChat;
    default: return true;
    }
}

bool IsChatting(const MemberRecord& record) { return record.Value(SLOT_STATUS) == kStatusChatting; }

MemberMenuFlags MenuFlagsFor(const MemberRecord& r) {
    MemberMenuFlags f;
    f.canAddFriend = !r.isFriend;
    f.canRemoveFriend = r.isFriend;
    if (r.isBlocked) {
        f.canBlock = false;
        f.canUnblock = true;
        f.canAddFriend = false;
        f.canRemoveFriend = false;
    } else {
        f.canBlock = true;
        f.canUnblock = false;
    }
    f.canChat = !IsChatting(r);
    return f;
}

namespace {
const char* SexCodeOf(const MemberRecord& r) { return r.isFemale ? "F" : "M"; }

std::string RecordText(std::string_view text, const RecordTextFn& toRecordText) {
    return toRecordText ? toRecordText(text) : std::string(text);
}
}  // namespace

NoteTargetInfo NoteTargetFor(const MemberRecord& r, const RecordTextFn& toRecordText) {
    return MakeNoteTargetInfo(r.id, RecordText(r.Value(SLOT_NICKNAME), toRecordText),
                              static_cast<int16_t>(ParseDecimalLikeAtoi(r.Value(SLOT_AGE))), SexCodeOf(r));
}

ChatTargetInfo ChatTargetFor(const MemberRecord& r, const RecordTextFn& toRecordText) {
    ChatTargetFields f;
    f.memberId = r.id;
    f.nickname = RecordText(r.Value(SLOT_NICKNAME), toRecordText);
    f.sex = SexCodeOf(r);
    f.age = static_cast<int16_t>(ParseDecimalLikeAtoi(r.Value(SLOT_AGE)));
    f.occupation = RecordText(r.extraText, toRecordText);
    f.region = RecordText(r.Value(SLOT_REGION), toRecordText);
    f.taste = static_cast<int16_t>(ParseDecimalLikeAtoi(r.Value(SLOT_TASTE)));
    f.popularity = RecordText(r.Value(SLOT_POPULARITY), toRecordText);
    f.chatTopic = RecordText(r.Value(SLOT_TOPIC), toRecordText);
    f.points = ParseDecimalLikeAtoi(r.isFemale ? r.Value(SLOT_ALBUM) : r.Value(SLOT_POINTS));
    return MakeChatTargetInfo(f);
}
