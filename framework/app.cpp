#include "app.h"

#include "dialog.h"
#include "text_conversion.h"

namespace {
CWinApp* g_app = nullptr;
HINSTANCE g_resources = nullptr;
}  // namespace

CWinApp::CWinApp() { g_app = this; }
CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!FilterDialogMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
}
HCURSOR CWinApp::LoadCursor(UINT id) const {
    return ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetInstanceHandle() {
    return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleA(nullptr);
}
HINSTANCE AfxGetResourceHandle() { return g_resources ? g_resources : AfxGetInstanceHandle(); }
void AfxSetResourceHandle(HINSTANCE module) { g_resources = module; }

bool AfxLoadString(UINT id, char* buffer, int size) {
    if (size <= 0) return false;
    buffer[0] = 0;
    // The resource's own UTF-16 text, in UTF-8, never cut inside a character.
    const wchar_t* text = nullptr;
    const int units = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (units <= 0 || !text) return false;
    const std::string utf8 = Utf8FromWide(std::wstring_view(text, static_cast<size_t>(units)));
    const size_t n = Utf8PrefixLength(utf8, static_cast<size_t>(size) - 1);
    utf8.copy(buffer, n);
    buffer[n] = 0;
    return n > 0;
}
