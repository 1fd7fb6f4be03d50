// The one way the programs show a message box. Tests install a handler that
// records the box and answers it; otherwise the real MessageBoxW is shown.
//
// Boxes never open inside each other, and a box holds back only other boxes.
// A box runs its own message loop, so whatever is dispatched while it is up (a
// packet, a timer, another program's request) is handled then; a plain notice
// (a box with only OK) asked for meanwhile waits its turn and is shown once
// the open one has been answered, in the order asked; the caller goes on at
// once as if it had been answered with OK. A box that asks a question cannot
// wait that way: callers look at MessageBoxOpen() and come back later
// (PostWhenMessageBoxesClosed).
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

struct MessageBoxRequest {
    HWND owner;
    std::string text;     // UTF-8
    std::string caption;
    UINT type;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Shows the box (or asks the installed handler) and returns the button pressed.
// Safe to call from any thread; the one-box rule holds per thread. While a box
// is up, our dialogs on the thread still get their keys (their
// PreTranslateMessage and dialog navigation run inside the box's loop).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// A question whose answer decides before the notices that waited behind it:
// it returns as soon as it is answered, and those notices stay held until
// ShowWaitingMessageBoxes() (the answer changed nothing) or
// DiscardWaitingMessageBoxes() (the answer made them moot).
int AskMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// Installs a handler (empty to restore the real box); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Whether this thread is showing a box now (a real one or the handler's).
bool MessageBoxOpen();
// Posts the message to the window once this thread shows no box any more,
// the waiting notices included; at once when none is open. Each request is
// posted once.
void PostWhenMessageBoxesClosed(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0);
// Notices waiting behind the open box on this thread, repeats included. The
// same notice asked for again right behind itself is counted, not stored
// again, and at most kMaxWaitingBoxes different ones wait; beyond that a new
// one replaces the oldest, so a flood cannot grow the line without bound.
size_t WaitingMessageBoxes();
constexpr size_t kMaxWaitingBoxes = 64;
constexpr unsigned kMaxBoxRepeats = 10000;

// Answers every box this thread has open, as Cancel where the box has it and
// OK otherwise, so that a window ending while one is up ends now and not when
// the member gets round to it. The real boxes return once the thread's message
// loop runs again. The notices waiting behind them are not lost: they wait on
// until ShowWaitingMessageBoxes() or the thread's next box.
void DismissOpenMessageBoxes();
// Shows the notices still waiting, in order, once no box is open.
void ShowWaitingMessageBoxes();
// Forgets the notices waiting on this thread: what they said no longer holds
// (the session they were about has ended).
void DiscardWaitingMessageBoxes();
