// What the member list's context menu offers for a row, and the records a
// row hands to Notewell (notes and chat requests go through the tray client).
#pragma once
#include "member_record.h"
#include "records.h"

// Menu command ids of menu 202.
enum MemberMenuCommand : unsigned int {
    ID_MEMBER_NOTE = 32768,          // "쪽지보내기"
    ID_MEMBER_CHAT = 32769,          // "1:1 채팅신청"
    ID_MEMBER_PROFILE = 32770,       // "프로필보기"
    ID_MEMBER_BLOCK = 32772,         // "차단"
    ID_MEMBER_ADD_FRIEND = 32773,    // "친구등록"
    ID_MEMBER_REMOVE_FRIEND = 32774, // "친구해제"
    ID_MEMBER_UNBLOCK = 32775,       // "차단해제"
    ID_MEMBER_PROFILE_SAME = 32776,  // "프로필보기" of the own sex's menu
};

// The enable rules, rebuilt each time the menu opens.
struct MemberMenuFlags {
    bool canAddFriend = true;
    bool canRemoveFriend = false;
    bool canBlock = true;
    bool canUnblock = false;
    bool canChat = true;
    // Whether a command of menu 202 is enabled; the note and profile items always are.
    bool Enables(unsigned int command) const;
};
// A blocked member offers only "차단해제" among the friend items; a member
// who is chatting cannot be asked for a chat.
MemberMenuFlags MenuFlagsFor(const MemberRecord& record);

// Whether the row's member is chatting now (no chat request then).
bool IsChatting(const MemberRecord& record);

// The records of COPYDATA_SEND_NOTE and COPYDATA_CHAT_REQUEST from the row's
// values (after the column prefixes); texts cut to their slots less one byte.
// The records lay their texts out in code page 949: `toRecordText` turns a
// row's (UTF-8) text into those bytes; without it the texts go as they are.
using RecordTextFn = std::function<std::string(std::string_view text)>;
NoteTargetInfo NoteTargetFor(const MemberRecord& record, const RecordTextFn& toRecordText = nullptr);
ChatTargetInfo ChatTargetFor(const MemberRecord& record, const RecordTextFn& toRecordText = nullptr);
