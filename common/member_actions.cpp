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
}  // namespace

NoteTargetInfo NoteTargetFor(const MemberRecord& r) {
    return MakeNoteTargetInfo(r.id, r.Value(SLOT_NICKNAME),
                              static_cast<int16_t>(ParseDecimalLikeAtoi(r.Value(SLOT_AGE))), SexCodeOf(r));
}

ChatTargetInfo ChatTargetFor(const MemberRecord& r) {
    ChatTargetFields f;
    f.memberId = r.id;
    f.nickname = r.Value(SLOT_NICKNAME);
    f.sex = SexCodeOf(r);
    f.age = static_cast<int16_t>(ParseDecimalLikeAtoi(r.Value(SLOT_AGE)));
    f.occupation = r.extraText;
    f.region = r.Value(SLOT_REGION);
    f.taste = static_cast<int16_t>(ParseDecimalLikeAtoi(r.Value(SLOT_TASTE)));
    f.popularity = r.Value(SLOT_POPULARITY);
    f.chatTopic = r.Value(SLOT_TOPIC);
    f.points = ParseDecimalLikeAtoi(r.isFemale ? r.Value(SLOT_ALBUM) : r.Value(SLOT_POINTS));
    return MakeChatTargetInfo(f);
}
