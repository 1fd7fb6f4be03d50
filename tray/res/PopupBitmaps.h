// Bitmap resources of the popups: skins and button images (drawn by
// tools/make-skins.py into skins/).
#pragma once

#define IDB_SKIN_INCOMING_F 134    // 1:1 request received from a woman
#define IDB_BUTTON_ACCEPT 135      // 수락
#define IDB_BUTTON_CANCEL 136      // 취소
#define IDB_BUTTON_PROFILE 137     // 프로필 보기
#define IDB_SKIN_OUTGOING_F 138    // 1:1 request sent to a woman
#define IDB_SKIN_SEND_NOTE 139
#define IDB_BUTTON_SEND 140        // 보내기
#define IDB_SKIN_READ_NOTE 141
#define IDB_SKIN_GROUP_CHAT 145
#define IDB_SKIN_NOTE_TO_ALL 146
#define IDB_BUTTON_CHAT 150        // 1:1 채팅 신청
#define IDB_SKIN_POINTS_SHORT 155
#define IDB_BUTTON_OK 156          // 확인
#define IDB_SKIN_INCOMING_M 157    // 1:1 request received from a man
#define IDB_SKIN_OUTGOING_M 158    // 1:1 request sent to a man
