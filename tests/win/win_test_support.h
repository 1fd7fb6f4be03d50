// Helpers shared by the Windows-side tests: pumping messages while waiting,
// recording and answering message boxes, and finding another process's boxes.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "message_box.h"

namespace testing_support {

// Dispatches this thread's messages until pred() holds or timeoutMs passes.
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs);
// Dispatches this thread's messages for the given time.
void PumpFor(DWORD ms);

// Installs itself as the message box handler for its lifetime; records every
// box and answers with `answer` (IDOK unless changed).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    std::vector<MessageBoxRequest> Boxes() const;
    size_t Count() const;
    size_t CountText(const std::string& text) const;
    bool WaitForText(const std::string& text, DWORD timeoutMs) const;  // pumps
    int answer = IDOK;

private:
    mutable std::mutex mutex_;
    std::vector<MessageBoxRequest> boxes_;
    MessageBoxHandler previous_;
};

// A message box of another process, found by caption.
struct ForeignBox {
    HWND window = nullptr;
    std::string text;  // the box's message, ANSI
};
// Waits for a top-level dialog with this caption owned by the process.
ForeignBox WaitForForeignBox(DWORD processId, const std::string& caption, DWORD timeoutMs);
// Presses a button of a box (IDOK, IDCANCEL) as the user would.
void PressButton(HWND box, int buttonId);
// Without a window manager on the test display, wine waits two seconds for
// every managed top-level window that is destroyed. This makes the calling
// program's windows unmanaged: a per-program wine setting (meaningless on
// Windows) read when wine's display driver loads, so call it before any
// window exists (from a static initialiser).
bool MakeThisProgramsWindowsUnmanaged();
// Wine path of a file built on the host ("/a/b" -> "Z:\a\b").
std::string HostToWindowsPath(const std::string& hostPath);

}  // namespace testing_support
