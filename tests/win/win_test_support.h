// Helpers shared by the Windows-side tests: pumping messages while waiting,
// recording and answering message boxes, and finding another process's boxes.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
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
    std::string text;  // the box's message, UTF-8
};
// Waits for a top-level dialog with this caption owned by the process.
ForeignBox WaitForForeignBox(DWORD processId, const std::string& caption, DWORD timeoutMs);
// Presses a button of a box (IDOK, IDCANCEL) as the user would.
void PressButton(HWND box, int buttonId);

// Answers another process's message boxes of one caption as a member would:
// one at a time, with a posted OK click (a click sent from another process is
// handled inside the box's wait for messages under wine, which then drops the
// one message it fetched). Notes each box's text and the most boxes ever up at
// once on one thread, which is more than one only for a box inside another.
class ForeignBoxAnswerer {
public:
    ForeignBoxAnswerer(DWORD processId, std::string caption) : processId_(processId), caption_(std::move(caption)) {}
    // Until `done` or the time is up; `eachWindow` sees every visible
    // top-level window of the process at each look. True when `done`.
    bool AnswerUntil(const std::function<bool()>& done, DWORD timeoutMs,
                     const std::function<void(HWND)>& eachWindow = {});
    size_t Count(const std::string& text) const;
    int MostAtOnce() const { return mostAtOnce_; }
    const std::vector<std::string>& Texts() const { return texts_; }
    void Forget() {
        texts_.clear();
        mostAtOnce_ = 0;
    }

private:
    DWORD processId_;
    std::string caption_;
    std::vector<std::string> texts_;
    int mostAtOnce_ = 0;
};
// Without a window manager on the test display, wine waits two seconds for
// every managed top-level window that is destroyed. This makes the calling
// program's windows unmanaged: a per-program wine setting (meaningless on
// Windows) read when wine's display driver loads, so call it before any
// window exists (from a static initialiser).
bool MakeThisProgramsWindowsUnmanaged();
// The same for the program of that file name (e.g. "Notewell.exe"), before it starts.
bool MakeProgramsWindowsUnmanaged(const std::string& programFileName);
// Wine path of a file built on the host ("/a/b" -> "Z:\a\b").
std::string HostToWindowsPath(const std::string& hostPath);
// Text in the ANSI code page, widened.
std::wstring Widen(const std::string& utf8);
// A window's or a dialog item's text as the programs keep texts (UTF-8),
// read in UTF-16 whatever the system's code page.
std::string WindowTextOf(HWND window);
std::string DlgItemTextOf(HWND dialog, int itemId);
// Our program search path with a folder (a Windows path) put first.
std::wstring SearchPathWith(const std::string& folder);

// A program a test starts. If it still runs when the object goes, it is
// terminated; its handles are closed.
class ChildProcess {
public:
    struct Options {
        std::wstring application;      // the program file, or empty: the command line's first word
        std::wstring environmentPath;  // the PATH it gets, or empty: ours
        std::wstring directory;        // its current folder, or empty: ours
        bool waitForInputIdle = false; // return once it waits for input (at most 10 s)
    };
    explicit ChildProcess(const std::wstring& commandLine, const Options& options);
    explicit ChildProcess(const std::wstring& commandLine) : ChildProcess(commandLine, Options{}) {}
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    bool Running() const;
    // Pumps this thread's messages until the program has ended.
    bool WaitExit(DWORD timeoutMs);
    // Its exit code once it has ended within the limit (no pumping).
    std::optional<DWORD> Wait(DWORD limitMs);

private:
    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

// Runs a program to its end: its exit code, or nothing when it did not start
// or outlived the limit (it is terminated then).
std::optional<DWORD> RunToEnd(const std::wstring& commandLine, const ChildProcess::Options& options = {},
                              DWORD limitMs = 60000);

// A window of the process for which match(window) holds: a top-level one, or
// with `descendants` any window below one too. Pumps while it waits.
HWND WaitForProcessWindow(DWORD processId, const std::function<bool(HWND)>& match, DWORD timeoutMs,
                          bool descendants = false);

// Loads a module, calls one of its entries (DllRegisterServer,
// DllUnregisterServer) and frees it again.
HRESULT CallModuleEntry(const std::string& modulePath, const char* entry);

// The lines of a text file (a stand-in program's log, say); none when it is missing.
std::vector<std::string> ReadFileLines(const std::string& path);

}  // namespace testing_support
