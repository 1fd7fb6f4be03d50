#include "tray_app.h"

#include <winsock2.h>

#include "tray_main_dlg.h"
#include "message_box.h"
#include "notewell_url.h"
#include "res/resource.h"
#include "text_conversion.h"
#include "tray_messages.h"

CTrayApp theApp;

BOOL CTrayApp::InitInstance() {
    // "--url" with anything but an accepted notewell: link starts nothing.
    if (ParseStartCommandLine(Utf8FromWide(::GetCommandLineW())).kind == StartKind::Refused) return FALSE;
    // One Notewell per Windows session, decided before anything else: a copy
    // started while another is starting or running ends without logging in.
    HANDLE instance = ::CreateMutexW(nullptr, FALSE, kTrayInstanceName);
    if (!instance || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (instance) ::CloseHandle(instance);
        return FALSE;
    }
    TrayProcessLock();  // created before any window exists
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
        ::CloseHandle(instance);
        char text[256];
        AfxLoadString(IDS_SOCKET_INIT_FAILED, text, sizeof text);
        ShowMessageBox(nullptr, text, nullptr, MB_OK);
        return FALSE;
    }
    CTrayMainDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The session is over: the page may start the next Notewell while the
    // member reads what the end of this one has to say.
    ::CloseHandle(instance);
    dlg.ShowClosingMessages();
    return FALSE;  // the dialog was the program
}

int CTrayApp::ExitInstance() {
    ::WSACleanup();
    return 0;
}
