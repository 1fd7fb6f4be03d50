// The window-message contract of Notewell's "PvxTray" window and
// the SocketEvent codes its reader thread posts, as plain numbers
// so that they can be shared without windows.h.
#pragma once
#include <cstdint>

// Title of Notewell's hidden main window: the controls find it by this title.
constexpr char kTrayWindowTitle[] = "PvxTray";
constexpr char kTrayProgramName[] = "Notewell.exe";
// The object a Notewell holds from its first step to its end, one per Windows
// session ("Local\\"): a second copy that finds it ends without logging in,
// and the login control starts none while it exists.
constexpr wchar_t kTrayInstanceName[] = L"Local\\Corvala.Notewell";
constexpr unsigned int kTrayIconId = 129;

// Private window messages (WM_USER = 0x400, WM_APP = 0x8000).
constexpr unsigned int WM_TRAY_ICON_NOTIFY = 1034;  // WM_USER+10
constexpr unsigned int WM_POPUP_CLOSED = 1036;      // WM_USER+12
constexpr unsigned int WM_TRAY_CLOSE_ASK = 1038;    // WM_USER+14
constexpr unsigned int WM_TRAY_CLOSE = 1039;        // WM_USER+15
constexpr unsigned int WM_TRAY_NOTE_ALL = 1040;     // WM_USER+16
constexpr unsigned int WM_TRAY_CHAT_ALL = 1041;     // WM_USER+17
constexpr unsigned int WM_TRAY_WATCH = 1042;        // WM_USER+18
constexpr unsigned int WM_SOCKET_EVENT = 32771;     // WM_APP+3

// dwData of the WM_COPYDATA records.
constexpr unsigned int COPYDATA_SEND_NOTE = 101;     // NoteTargetInfo, 36 bytes
constexpr unsigned int COPYDATA_CHAT_REQUEST = 102;  // ChatTargetInfo, 260 bytes

// lParam of WM_POPUP_CLOSED: the kind of popup that closed.
enum PopupKind : int {
    POPUP_SEND_NOTE = 0,
    POPUP_OUTGOING_CHAT = 1,
    POPUP_INCOMING_CHAT = 2,  // key: the requester's member id
    POPUP_GROUP_CHAT = 3,
    POPUP_NOTE_TO_ALL = 4,
    POPUP_CHAT_NOTICE = 5,    // key: the notice's window handle
    POPUP_POINTS_SHORT = 6,   // key: the points-short key
};

// wParam of WM_SOCKET_EVENT.
enum SocketEvent : unsigned int {
    EV_LOGIN_ANSWER = 4001,      // 2001, with a packet copy
    EV_KEEPALIVE_ANSWER = 4002,  // 2002, no copy
    EV_NOTE = 4003,              // 2007
    EV_CHAT_REQUEST = 4004,      // 2003
    EV_CHAT_REQUEST_2004 = 4005, // 2004
    EV_CHAT_ANSWER = 4006,       // 2005
    EV_CHAT_DECISION = 4007,     // 2006
    EV_SESSION_END = 4008,       // 2010
    EV_CHAT_CHECK = 4009,        // 2011
    EV_UNKNOWN_COMMAND = 4010,   // any other command, no copy; the reader ends
    EV_CONNECTED = 4011,         // no copy
    // The reader, stopped for room: lParam is a probe number, no copy (copies
    // posted before it and never received were lost on the way).
    EV_COPY_PROBE = 4012,
    // The reader could not read a packet whole, no copy; EV_LINK_LOST follows.
    // The main window says so, so that no box of the reader's holds its end.
    EV_READ_FAILED = 4013,
    EV_LINK_LOST = 4444,         // the reader thread ended, no copy
};

// What the reader thread does with a packet of a given command.
struct SocketEventRoute {
    SocketEvent event;
    bool postsCopy;  // lParam carries a heap copy of header and body
    bool readFails;  // the command is not known: the read fails, the reader ends
};
SocketEventRoute RouteServerCommand(uint16_t command);
