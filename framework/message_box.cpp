#include "message_box.h"

#include <deque>
#include <mutex>
#include <vector>

#include "text_conversion.h"
#include "wnd.h"

namespace {
std::mutex g_mutex;
MessageBoxHandler g_handler;

struct PendingPost {
    HWND window;
    UINT message;
    WPARAM w;
    LPARAM l;
};

// What one thread has up and waiting.
struct ThreadBoxes {
    int showing = 0;    // boxes being shown: real ones and the handler's
    int realOpen = 0;   // real boxes among them
    std::deque<MessageBoxRequest> waiting;
    std::vector<PendingPost> whenClosed;
};
thread_local ThreadBoxes t_boxes;

// A box made by MessageBoxW: a dialog of no object of ours, with the
// message text in its static control 0xFFFF.
BOOL CALLBACK DismissIfMessageBox(HWND window, LPARAM) {
    char cls[16] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::GetDlgItem(window, 0xFFFF) || CWnd::FromHandle(window)) return TRUE;
    const int button = ::GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, button)));
    return TRUE;
}

int ShowNow(const MessageBoxRequest& request) {
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
    }
    ThreadBoxes& boxes = t_boxes;
    ++boxes.showing;
    int answer;
    if (handler) {
        answer = handler(request);
    } else {
        ++boxes.realOpen;
        answer = ::MessageBoxW(request.owner, WideFromUtf8(request.text).c_str(), WideFromUtf8(request.caption).c_str(),
                               request.type);
        --boxes.realOpen;
    }
    --boxes.showing;
    return answer;
}

void Wait(ThreadBoxes& boxes, MessageBoxRequest request) {
    if (!boxes.waiting.empty()) {
        const MessageBoxRequest& last = boxes.waiting.back();
        if (last.text == request.text && last.caption == request.caption && last.type == request.type) return;
    }
    if (boxes.waiting.size() >= kMaxWaitingBoxes) boxes.waiting.pop_front();
    boxes.waiting.push_back(std::move(request));
}

void PostAll(std::vector<PendingPost> posts) {
    for (const PendingPost& p : posts) ::PostMessageA(p.window, p.message, p.w, p.l);
}
}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    MessageBoxRequest request{owner, text ? text : "", caption ? caption : "", type};
    ThreadBoxes& boxes = t_boxes;
    if (boxes.showing > 0 && (type & MB_TYPEMASK) == MB_OK) {
        Wait(boxes, std::move(request));
        return IDOK;
    }
    const int answer = ShowNow(request);
    if (boxes.showing > 0) return answer;
    // The outermost box is answered: the notices that waited, one at a time.
    while (!boxes.waiting.empty()) {
        MessageBoxRequest next = std::move(boxes.waiting.front());
        boxes.waiting.pop_front();
        ShowNow(next);
    }
    std::vector<PendingPost> posts;
    posts.swap(boxes.whenClosed);
    PostAll(std::move(posts));
    return answer;
}

bool MessageBoxOpen() { return t_boxes.showing > 0; }

void PostWhenMessageBoxesClosed(HWND window, UINT message, WPARAM w, LPARAM l) {
    ThreadBoxes& boxes = t_boxes;
    if (boxes.showing == 0) {
        ::PostMessageA(window, message, w, l);
        return;
    }
    for (const PendingPost& p : boxes.whenClosed)
        if (p.window == window && p.message == message && p.w == w && p.l == l) return;
    boxes.whenClosed.push_back(PendingPost{window, message, w, l});
}

size_t WaitingMessageBoxes() { return t_boxes.waiting.size(); }

void DismissOpenMessageBoxes() {
    t_boxes.waiting.clear();
    if (t_boxes.realOpen > 0) ::EnumThreadWindows(::GetCurrentThreadId(), &DismissIfMessageBox, 0);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
