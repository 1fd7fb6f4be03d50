#include "app.h"

#include "dialog.h"

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
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!FilterDialogMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
}
HCURSOR CWinApp::LoadCursor(UINT id) const {
    return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
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
    return ::LoadStringA(AfxGetResourceHandle(), id, buffer, size) > 0;
}
