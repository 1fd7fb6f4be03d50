#include "win_test_support.h"

#include <cstring>

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
    char cls[64] = {}, title[256] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (std::string(cls) == "#32770" && *f->caption == title) {
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
        char text[1024] = {};
        ::GetDlgItemTextA(box.window, 0xFFFF, text, sizeof text);
        box.text = text;
    }
    return box;
}

void PressButton(HWND box, int buttonId) {
    HWND button = ::GetDlgItem(box, buttonId);
    if (button) ::SendMessageA(button, BM_CLICK, 0, 0);
    else ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
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
    const std::string key = std::string("Software\\Wine\\AppDefaults\\") + (name ? name + 1 : path) + "\\X11 Driver";
    HKEY h = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool set = ::RegSetValueExA(h, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2) == ERROR_SUCCESS;
    ::RegCloseKey(h);
    return set;
}

}  // namespace testing_support
