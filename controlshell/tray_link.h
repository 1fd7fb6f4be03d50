// The controls' channel to Notewell, shared by both: its main window, found
// by the title "PvxTray", and synchronous window messages to it. The page waits
// while Notewell handles each one, but never for a Notewell that hangs.
#pragma once
#include <windows.h>

#include <cstddef>

// How long a request may hold the page. Notewell handles these at once (it
// opens a window or sends a packet); five seconds is also when Windows itself
// takes a window that does not answer for hung.
constexpr DWORD kTraySendLimitMs = 5000;

// The running Notewell's main window, or null.
HWND FindTrayWindow();
// Whether a Notewell of this Windows session is starting or running (it holds
// kTrayInstanceName), with or without its window yet.
bool TrayInstanceExists();
// Sends `message` with wParam 0 and lParam 0, waiting at most
// kTraySendLimitMs; Notewell's answer is not used.
void SendTrayMessage(HWND tray, UINT message);
// Sends a record as WM_COPYDATA of the given kind, waiting at most
// kTraySendLimitMs; the record lives on the caller's stack for the send.
void SendTrayRecord(HWND tray, ULONG_PTR kind, const void* record, size_t size);
// Sends WM_TRAY_CLOSE_ASK and waits while Notewell asks the member, however
// long the member takes, but only while Notewell keeps handling its messages:
// the wait ends when its window goes or stops answering (hangs).
void AskTrayToClose(HWND tray);
