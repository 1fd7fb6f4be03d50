#include "message_box.h"

#include <mutex>

namespace {
std::mutex g_mutex;
MessageBoxHandler g_handler;
}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
    }
    if (handler) return handler(MessageBoxRequest{owner, text ? text : "", caption ? caption : "", type});
    return ::MessageBoxA(owner, text, caption, type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
