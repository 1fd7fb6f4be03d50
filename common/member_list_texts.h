// The texts the member list shows, wherever it is shown: in Rosterly on a
// page that loads ActiveX, or by Notewell for a page that has its list over
// the bridge.
#pragma once

constexpr char kServerMessageCaption[] = "서버 메시지";

// Connection.
constexpr char kNotConnectedText[] = "서버와의 연결이 이루어지지 않았습니다. 잠시 후 다시 이용해 주세요.";
constexpr char kConnectDelayedText[] = "서버와의 연결이 지연되고 있습니다. 잠시 후 다시 이용해 주세요.";
constexpr char kLinkBrokenText[] = "서버와의 연결이 끊어졌습니다. 잠시 후 다시 이용해 주세요.";
constexpr char kChatProgramNotInstalledText[] =
    "Corvala 채팅 프로그램 설치가 정상적으로   \n이루어지지 않았습니다.\n관리자에게 문의해 주세요.\n02) 555-0100.";

// Menu actions.
constexpr char kLoggedOutText[] = "로그아웃되었습니다. 다시 접속해주세요!!";
constexpr char kNoteStateCaption[] = "쪽지 상태 알림";
constexpr char kNoteTargetGoneText[] = "상대방이 로그아웃 상태여서 쪽지전송을 하실 수 없습니다.";
constexpr char kChatStateCaption[] = "채팅 상태 알림";
constexpr char kChatTargetGoneText[] = "상대방이 로그아웃 상태여서 대화신청을 하실 수 없습니다.";
constexpr char kChatTargetBusyText[] = "상대방이 이미 대화중이므로 대화신청을 하실 수 없습니다.";
constexpr char kProfileTargetGoneText[] = "상대방이 로그아웃 상태여서 프로필을 볼 수 없습니다.";
constexpr char kUnblockQuestionText[] = "차단한 회원을 친구로 등록할까요?";
constexpr char kFriendCaption[] = "친구 등록";
