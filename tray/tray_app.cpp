#include "tray_app.h"

#include <winsock2.h>

#include "tray_main_dlg.h"
#include "message_box.h"
#include "notewell_url.h"
#include "text_conversion.h"
#include "res/resource.h"

CTrayApp theApp;

BOOL CTrayApp::InitInstance() {
    // "--url" with anything but an accepted notewell: link starts nothing.
    if (ParseStartCommandLine(Utf8FromWide(::GetCommandLineW())).kind == StartKind::Refused) return FALSE;
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
    // The window is gone: what the session's end has to say comes now.
    dlg.ShowClosingMessages();
    return FALSE;  // the dialog was the program
}

int CTrayApp::ExitInstance() {
    ::WSACleanup();
    return 0;
}
