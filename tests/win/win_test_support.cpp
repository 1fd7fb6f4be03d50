#include "win_test_support.h"

#include "text_conversion.h"

#include <algorithm>
#include <fstream>
#include <cstring>
#include <map>
#include <cwchar>

namespace testing_support {

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (pred()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

MessageBoxRecorder::MessageBoxRecorder() {
    previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& r) {
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(r);
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(previous_); }

std::vector<MessageBoxRequest> MessageBoxRecorder::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

size_t MessageBoxRecorder::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_.size();
}

size_t MessageBoxRecorder::CountText(const std::string& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const auto& b : boxes_) n += b.text == text;
    return n;
}

bool MessageBoxRecorder::WaitForText(const std::string& text, DWORD timeoutMs) const {
    return PumpUntil([&] { return CountText(text) > 0; }, timeoutMs);
}

namespace {
struct FindBox {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM l) {
    auto* f = reinterpret_cast<FindBox*>(l);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->processId || !::IsWindowVisible(hwnd)) return TRUE;
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) == "#32770" && *f->caption == WindowTextOf(hwnd)) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

ForeignBox WaitForForeignBox(DWORD processId, const std::string& caption, DWORD timeoutMs) {
    ForeignBox box;
    PumpUntil([&] {
        FindBox f{processId, &caption, nullptr};
        ::EnumWindows(&FindBoxProc, reinterpret_cast<LPARAM>(&f));
        box.window = f.found;
        return box.window != nullptr;
    }, timeoutMs);
    if (box.window) {
        // A message box shows its text in the static control with id 0xFFFF.
        box.text = DlgItemTextOf(box.window, 0xFFFF);
    }
    return box;
}

void PressButton(HWND box, int buttonId) {
    HWND button = ::GetDlgItem(box, buttonId);
    if (button) ::SendMessageA(button, BM_CLICK, 0, 0);
    else ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

namespace {
struct BoxSurvey {
    DWORD processId;
    const std::string* caption;
    const std::function<void(HWND)>* eachWindow;
    std::map<DWORD, int> perThread;
    int most = 0;
    HWND first = nullptr;
};

BOOL CALLBACK SurveyBoxes(HWND w, LPARAM l) {
    auto* s = reinterpret_cast<BoxSurvey*>(l);
    DWORD pid = 0;
    const DWORD thread = ::GetWindowThreadProcessId(w, &pid);
    if (pid != s->processId || !::IsWindowVisible(w)) return TRUE;
    if (*s->eachWindow) (*s->eachWindow)(w);
    if (*s->caption == WindowTextOf(w)) {
        s->most = std::max(s->most, ++s->perThread[thread]);
        if (!s->first) s->first = w;
    }
    return TRUE;
}
}  // namespace

bool ForeignBoxAnswerer::AnswerUntil(const std::function<bool()>& done, DWORD timeoutMs,
                                     const std::function<void(HWND)>& eachWindow) {
    return PumpUntil([&] {
        BoxSurvey now{processId_, &caption_, &eachWindow, {}, 0, nullptr};
        ::EnumWindows(&SurveyBoxes, reinterpret_cast<LPARAM>(&now));
        mostAtOnce_ = std::max(mostAtOnce_, now.most);
        if (now.first) {
            texts_.push_back(DlgItemTextOf(now.first, 0xFFFF));
            ::PostMessageA(now.first, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(now.first, IDOK)));
            PumpUntil([&] { return !::IsWindow(now.first); }, 2000);
        }
        return done();
    }, timeoutMs);
}

size_t ForeignBoxAnswerer::Count(const std::string& text) const {
    return static_cast<size_t>(std::count(texts_.begin(), texts_.end(), text));
}

std::string HostToWindowsPath(const std::string& hostPath) {
    std::string p = "Z:" + hostPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

bool MakeThisProgramsWindowsUnmanaged() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    const char* name = std::strrchr(path, '\\');
    return MakeProgramsWindowsUnmanaged(name ? name + 1 : path);
}

bool MakeProgramsWindowsUnmanaged(const std::string& programFileName) {
    const std::string key = "Software\\Wine\\AppDefaults\\" + programFileName + "\\X11 Driver";
    HKEY h = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool set = ::RegSetValueExA(h, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2) == ERROR_SUCCESS;
    ::RegCloseKey(h);
    return set;
}

std::wstring Widen(const std::string& utf8) { return WideFromUtf8(utf8); }

std::string WindowTextOf(HWND window) {
    wchar_t text[4096] = {};
    ::GetWindowTextW(window, text, 4096);
    return Utf8FromWide(text);
}

std::string DlgItemTextOf(HWND dialog, int itemId) {
    wchar_t text[4096] = {};
    ::GetDlgItemTextW(dialog, itemId, text, 4096);
    return Utf8FromWide(text);
}

std::wstring SearchPathWith(const std::string& folder) {
    std::wstring path(32767, L'\0');
    path.resize(::GetEnvironmentVariableW(L"PATH", &path[0], static_cast<DWORD>(path.size())));
    return Widen(folder) + L";" + path;
}

namespace {
// Our environment with PATH replaced, as CreateProcessW takes it.
std::vector<wchar_t> EnvironmentWithPath(const std::wstring& path) {
    std::vector<wchar_t> block;
    wchar_t* env = ::GetEnvironmentStringsW();
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
        if (_wcsnicmp(p, L"PATH=", 5) == 0) continue;
        block.insert(block.end(), p, p + wcslen(p) + 1);
    }
    ::FreeEnvironmentStringsW(env);
    const std::wstring entry = L"PATH=" + path;
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(0);
    block.push_back(0);
    return block;
}
}  // namespace

ChildProcess::ChildProcess(const std::wstring& commandLine, const Options& options) {
    std::wstring line = commandLine;
    std::vector<wchar_t> environment;
    if (!options.environmentPath.empty()) environment = EnvironmentWithPath(options.environmentPath);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = ::CreateProcessW(options.application.empty() ? nullptr : options.application.c_str(), &line[0],
                                nullptr, nullptr, FALSE, environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                                environment.empty() ? nullptr : environment.data(),
                                options.directory.empty() ? nullptr : options.directory.c_str(), &si, &info_) != FALSE;
    if (started_ && options.waitForInputIdle) ::WaitForInputIdle(info_.hProcess, 10000);
}

ChildProcess::~ChildProcess() {
    if (!started_) return;
    if (Running()) ::TerminateProcess(info_.hProcess, 1);
    ::WaitForSingleObject(info_.hProcess, 5000);
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
}

bool ChildProcess::Running() const {
    return started_ && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitExit(DWORD timeoutMs) {
    return started_ && PumpUntil([&] { return !Running(); }, timeoutMs);
}

std::optional<DWORD> ChildProcess::Wait(DWORD limitMs) {
    if (!started_ || ::WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

std::optional<DWORD> RunToEnd(const std::wstring& commandLine, const ChildProcess::Options& options, DWORD limitMs) {
    ChildProcess program(commandLine, options);
    return program.Wait(limitMs);
}

namespace {
struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>* match;
    bool descendants;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !(*search->match)(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// Enumerating the children of a window reaches every level below it.
BOOL CALLBACK SearchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    if (!CheckWindow(window, parameter)) return FALSE;
    if (search->descendants) ::EnumChildWindows(window, &CheckWindow, parameter);
    return search->found ? FALSE : TRUE;
}
}  // namespace

HWND WaitForProcessWindow(DWORD processId, const std::function<bool(HWND)>& match, DWORD timeoutMs,
                          bool descendants) {
    WindowSearch search{processId, &match, descendants, nullptr};
    PumpUntil([&] {
        ::EnumWindows(&SearchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

HRESULT CallModuleEntry(const std::string& modulePath, const char* entry) {
    HMODULE module = ::LoadLibraryA(modulePath.c_str());
    if (!module) return HRESULT_FROM_WIN32(::GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto call = reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(module, entry)));
    const HRESULT result = call ? call() : E_NOTIMPL;
    ::FreeLibrary(module);
    return result;
}

std::vector<std::string> ReadFileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace testing_support
