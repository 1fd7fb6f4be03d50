// The one way Rosterly shows a pop-up menu. The real menu is tracked by the
// system and its chosen command arrives at the owner as WM_COMMAND; tests
// install a handler that sees the menu as the viewer would (items, texts,
// enabled states) and answers with the command to choose, or 0 to dismiss it.
#pragma once
#include <windows.h>

#include <functional>

struct PopupMenuRequest {
    HMENU menu;  // the pop-up being shown
    UINT flags;  // TrackPopupMenu flags
    int x, y;    // screen position
    HWND owner;
};

using PopupMenuHandler = std::function<UINT(const PopupMenuRequest&)>;

// Tracks the menu; the command chosen (real or answered) is posted to the
// owner as WM_COMMAND, as the system's menu does.
void TrackMenu(const PopupMenuRequest& request);
// Installs a handler (empty restores the real menu); returns the previous one.
PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler);
