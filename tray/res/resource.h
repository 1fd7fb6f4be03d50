// Resource numbers of Notewell.
#pragma once

#define IDD_TRAY_MAIN 102          // the hidden main window "PvxTray"
#define IDS_SOCKET_INIT_FAILED 103
#define IDR_MAINFRAME 128          // application icon
#define IDR_TRAY_MENU 129
#define IDC_HAND_CURSOR 148
#define IDI_TRAY_ICON 151          // notification-area icon

#define ID_TRAY_EXIT 32771         // tray menu "종료하기"
#define ID_TRAY_SITE 32777         // tray menu site entry
