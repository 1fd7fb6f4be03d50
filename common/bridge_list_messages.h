// The member list's messages from Notewell to the pages subscribed to it,
// one JSON text per WebSocket message.
//   {"type":"list","event":"reset","mode":"F"|"M"|"B","fullMenu":b,
//    "viewerIsWoman":b,"columns":[["대화",59],...]}
//       the rows are cleared; the list now shows this column set.
//   {"type":"list","event":"rows","rows":[member,...]}
//       rows appended at the bottom, in order (the whole list comes so).
//   {"type":"list","event":"changes","changes":[["u",member],["r","<id>"],...]}
//       in order: "u" replaces the member's row in place or puts a new member
//       on top; "r" removes the member's row.
// member: [id, female 0|1, menu bits, stamp, slot 0 .. slot 9], the slots the
// stored column texts with their prefixes ("4:25"), "" when unset. Menu bits:
// 1 add friend, 2 remove friend, 4 block, 8 unblock, 16 chat.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "member_list_mode.h"
#include "member_record.h"

enum ListMenuBit : int {
    kMenuAddFriend = 1,
    kMenuRemoveFriend = 2,
    kMenuBlock = 4,
    kMenuUnblock = 8,
    kMenuChat = 16,
};
int ListMenuBits(const MemberRecord& record);

std::string EncodeListMember(const MemberRecord& record);
std::string EncodeListReset(const ListMode& mode);
// From members encoded by EncodeListMember.
std::string EncodeListRows(const std::vector<std::string_view>& members);
// Change items, made by the two below.
std::string EncodeListChanges(const std::vector<std::string_view>& changes);
std::string ListUpsertItem(std::string_view encodedMember);
std::string ListRemoveItem(std::string_view memberId);
