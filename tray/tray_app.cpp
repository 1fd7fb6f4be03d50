#include "tray_app.h"

#include <winsock2.h>

#include "tray_main_dlg.h"
#include "message_box.h"
#include "res/resource.h"
#include "tray_messages.h"

CTrayApp theApp;

BOOL CTrayApp::InitInstance() {
    // One Notewell per Windows session, decided before anything else: a copy
    // started while another is starting or running ends without logging in.
    HANDLE instance = ::CreateMutexW(nullptr, FALSE, kTrayInstanceName);
    if (!instance || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (instance) ::CloseHandle(instance);
        return FALSE;
    }
    const BOOL result = RunMainDialog();
    ::CloseHandle(instance);
    return result;
}

BOOL CTrayApp::RunMainDialog() {
    TrayProcessLock();  // created before any window exists
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
        char text[256];
        AfxLoadString(IDS_SOCKET_INIT_FAILED, text, sizeof text);
        ShowMessageBox(nullptr, text, nullptr, MB_OK);
        return FALSE;
    }
    CTrayMainDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;  // the dialog was the program
}

int CTrayApp::ExitInstance() {
    ::WSACleanup();
    return 0;
}
