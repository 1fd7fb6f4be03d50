#include "message_box.h"

#include <deque>
#include <mutex>
#include <vector>

#include "dialog.h"
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

// A notice waiting its turn, and how many times it was asked for in a row.
struct WaitingBox {
    MessageBoxRequest request;
    unsigned times;
};

// What one thread has up and waiting.
struct ThreadBoxes {
    int showing = 0;    // boxes being shown: real ones and the handler's
    int realOpen = 0;   // real boxes among them
    // The open boxes were dismissed: their return shows nothing more, so that
    // the window ending behind them is not held up by the notices.
    bool waitingHeld = false;
    std::deque<WaitingBox> waiting;
    std::vector<PendingPost> whenClosed;
    HHOOK keyFilter = nullptr;
    bool filtering = false;  // inside our own filter (it calls IsDialogMessage, which calls the hook)
};
thread_local ThreadBoxes t_boxes;

// A box's message loop takes our dialogs' messages too, but runs only its own
// dialog filter: this hook runs ours for them, so that a note's Enter still
// sends and a popup's keys still work under the box.
LRESULT CALLBACK FilterUnderBox(int code, WPARAM w, LPARAM l) {
    ThreadBoxes& boxes = t_boxes;
    if (code >= 0 && (code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX) && !boxes.filtering) {
        MSG* msg = reinterpret_cast<MSG*>(l);
        HWND root = msg && msg->hwnd ? ::GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
        if (root && dynamic_cast<CDialog*>(CWnd::FromHandle(root))) {
            boxes.filtering = true;
            const bool handled = FilterDialogMessage(msg);
            boxes.filtering = false;
            if (handled) return 1;
        }
    }
    return ::CallNextHookEx(nullptr, code, w, l);
}

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
    if (boxes.showing++ == 0)
        boxes.keyFilter = ::SetWindowsHookExW(WH_MSGFILTER, &FilterUnderBox, nullptr, ::GetCurrentThreadId());
    int answer;
    if (handler) {
        answer = handler(request);
    } else {
        ++boxes.realOpen;
        answer = ::MessageBoxW(request.owner, WideFromUtf8(request.text).c_str(), WideFromUtf8(request.caption).c_str(),
                               request.type);
        --boxes.realOpen;
    }
    if (--boxes.showing == 0 && boxes.keyFilter) {
        ::UnhookWindowsHookEx(boxes.keyFilter);
        boxes.keyFilter = nullptr;
    }
    return answer;
}

bool SameBox(const MessageBoxRequest& a, const MessageBoxRequest& b) {
    return a.text == b.text && a.caption == b.caption && a.type == b.type;
}

void Wait(ThreadBoxes& boxes, MessageBoxRequest request) {
    if (!boxes.waiting.empty() && SameBox(boxes.waiting.back().request, request)) {
        WaitingBox& last = boxes.waiting.back();
        if (last.times < kMaxBoxRepeats) ++last.times;
        return;
    }
    if (boxes.waiting.size() >= kMaxWaitingBoxes) boxes.waiting.pop_front();
    boxes.waiting.push_back(WaitingBox{std::move(request), 1});
}

// The messages asked for once all boxes are closed.
void PostWhenClosed(ThreadBoxes& boxes) {
    std::vector<PendingPost> posts;
    posts.swap(boxes.whenClosed);
    for (const PendingPost& p : posts) ::PostMessageA(p.window, p.message, p.w, p.l);
}

// The notices that waited, one at a time (each may gather more behind it),
// then the messages asked for once all boxes are closed. A dismissal among
// them holds the rest again.
void ShowWaiting(ThreadBoxes& boxes) {
    while (!boxes.waiting.empty() && !boxes.waitingHeld) {
        WaitingBox& next = boxes.waiting.front();
        const MessageBoxRequest request = next.request;
        if (--next.times == 0) boxes.waiting.pop_front();
        ShowNow(request);
    }
    PostWhenClosed(boxes);
}

// `holdAfter`: the notices that waited behind this box stay held once it is
// answered (AskMessageBox); otherwise they follow it.
int Show(MessageBoxRequest request, bool holdAfter) {
    ThreadBoxes& boxes = t_boxes;
    if (boxes.showing > 0 && (request.type & MB_TYPEMASK) == MB_OK) {
        Wait(boxes, std::move(request));
        return IDOK;
    }
    // Held notices were asked for before this box: they come first.
    if (boxes.showing == 0 && boxes.waitingHeld) ShowWaitingMessageBoxes();
    const int answer = ShowNow(request);
    if (boxes.showing > 0) return answer;
    if (holdAfter)
        boxes.waitingHeld = true;
    else if (boxes.waitingHeld)
        PostWhenClosed(boxes);
    else
        ShowWaiting(boxes);
    return answer;
}
}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return Show(MessageBoxRequest{owner, text ? text : "", caption ? caption : "", type}, false);
}

int AskMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return Show(MessageBoxRequest{owner, text ? text : "", caption ? caption : "", type}, true);
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

size_t WaitingMessageBoxes() {
    size_t count = 0;
    for (const WaitingBox& box : t_boxes.waiting) count += box.times;
    return count;
}

void DismissOpenMessageBoxes() {
    ThreadBoxes& boxes = t_boxes;
    if (boxes.showing == 0) return;
    boxes.waitingHeld = true;
    if (boxes.realOpen > 0) ::EnumThreadWindows(::GetCurrentThreadId(), &DismissIfMessageBox, 0);
}

// Asked for under a box (a window destroyed inside its message loop), the
// notices follow once that box returns.
void ShowWaitingMessageBoxes() {
    ThreadBoxes& boxes = t_boxes;
    boxes.waitingHeld = false;
    if (boxes.showing == 0) ShowWaiting(boxes);
}

void DiscardWaitingMessageBoxes() { t_boxes.waiting.clear(); }

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
