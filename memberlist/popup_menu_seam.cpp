#include "popup_menu_seam.h"

#include <mutex>

namespace {
std::mutex g_mutex;
PopupMenuHandler g_handler;
}  // namespace

void TrackMenu(const PopupMenuRequest& request) {
    PopupMenuHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
    }
    if (!handler) {
        ::TrackPopupMenu(request.menu, request.flags, request.x, request.y, 0, request.owner, nullptr);
        return;
    }
    if (const UINT command = handler(request))
        ::PostMessageA(request.owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    PopupMenuHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
