// The one way the programs show a message box. Tests install a handler that
// records the box and answers it; otherwise the real MessageBoxA is shown.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

struct MessageBoxRequest {
    HWND owner;
    std::string text;     // ANSI (code page 949) bytes
    std::string caption;
    UINT type;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Shows the box (or asks the installed handler) and returns the button pressed.
// Safe to call from any thread.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// Installs a handler (empty to restore the real box); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Answers every real box this thread has open, as Cancel where the box has
// it and OK otherwise, so that a window ending while one is up ends now and
// not when the member gets round to it. The boxes return once the thread's
// message loop runs again.
void DismissOpenMessageBoxes();
