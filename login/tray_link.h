// The login control's only channel to Notewell: its main window, found by the
// title "PvxTray", and synchronous window messages to it.
#pragma once
#include <windows.h>

#include <cstddef>

// The running Notewell's main window, or null.
HWND FindTrayWindow();
// Sends `message` with wParam 0 and lParam 0; Notewell's answer is not used.
void SendTrayMessage(HWND tray, UINT message);
// Sends a record as WM_COPYDATA of the given kind; the record lives on the
// caller's stack for the duration of the send.
void SendTrayRecord(HWND tray, ULONG_PTR kind, const void* record, size_t size);
