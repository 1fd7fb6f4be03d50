// Resource numbers of Notewell.
#pragma once

#define IDD_TRAY_MAIN 102          // the hidden main window "PvxTray"
#define IDS_SOCKET_INIT_FAILED 103
#define IDS_WEB_HOST 104           // the service's web host, e.g. "www.corvala.co.kr"
#define IDR_MAINFRAME 128          // application icon
#define IDR_TRAY_MENU 129
#define IDC_HAND_CURSOR 148
#define IDI_TRAY_ICON 151          // notification-area icon

// The service's web host, CORVALA_WEB_HOST: installation configuration set
// when the build is configured, shown as the tray menu's site entry and used
// for every page the program opens.
#include "web_host.h"

// Popup templates.
#define IDD_SEND_NOTE 130
#define IDD_READ_NOTE 131
#define IDD_OUTGOING_CHAT_F 132    // the asked member is a woman
#define IDD_INCOMING_CHAT_F 133    // the asking member is a woman
#define IDD_GROUP_CHAT 143
#define IDD_NOTE_TO_ALL 147
#define IDD_CHAT_NOTICE 153
#define IDD_POINTS_SHORT 154
#define IDD_OUTGOING_CHAT_M 159
#define IDD_INCOMING_CHAT_M 160

// Popup controls.
#define IDC_NOTE_TEXT 1001         // text box of the send-note popup
#define IDC_NOTE_SEND 1002
#define IDC_NOTE_BOX 1003          // note-to-all text box; received text of a note
#define IDC_REPLY_TEXT 1004
#define IDC_REPLY_SEND 1005
#define IDC_RECIPIENT 1006
#define IDC_SENDER 1007
#define IDC_ACCEPT 1010
#define IDC_COUNTDOWN 1012         // incoming and group request countdown
#define IDC_MEMBER_TITLE 1013
#define IDC_INCOMING_PROFILE 1014
#define IDC_CARD_FIRST 1015        // occupation or points
#define IDC_CARD_REGION 1016
#define IDC_CARD_TOPIC 1017
#define IDC_CARD_TASTE 1018
#define IDC_CARD_POPULARITY 1019
#define IDC_OUTGOING_PROFILE 1020
#define IDC_OUTGOING_COUNTDOWN 1021
#define IDC_NOTE_PROFILE 1027
#define IDC_NOTE_ALL_SEND 1031
#define IDC_NOTE_CHAT 1032
#define IDC_NOTICE_OK 1033
#define IDC_NOTICE_TEXT 1034
#define IDC_POINTS_PROFILE 1035
#define IDC_FOCUS_HOLDER 1038

#define ID_TRAY_EXIT 32771         // tray menu "종료하기"
#define ID_TRAY_VERSION 32775      // tray menu "Corvala Ver4.5": no handler
#define ID_TRAY_SITE 32777         // tray menu site entry
