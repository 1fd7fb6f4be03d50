// CTrayMainDlg: the hidden main window "PvxTray", hub of the tray client. It
// owns the connection, decides what every server packet and local request
// means, and opens and closes the popups.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "ServerSocket.h"
#include "dialog.h"
#include "keepalive.h"
#include "records.h"
#include "res/resource.h"
#include "sync.h"

class CTrayMainDlg : public CDialog {
public:
    // commandLine: the program's whole command line; null takes the process's own.
    explicit CTrayMainDlg(const char* commandLine = nullptr);
    ~CTrayMainDlg() override;

    // Packet senders; each shows its numbered message when not connected.
    bool SendLogin();
    bool SendKeepAlive();
    bool SendLogout();

    // Support services.
    int ProbeWebcam();
    static void ReadVersionText(std::string& text, const char* fileName = "Notewell.EXE");
    // Shows "<n>서버와의 연결이 이루어지지 않았습니다. ..." for the sending place n.
    static void ShowNotConnected(int place);

    // State, readable by the popups and by tests.
    std::string userId, password, sessionId, serverAddress, versionText;
    char ownSex = 0;
    int serverPort = 5210;
    CServerSocket connection;
    volatile LONG isConnected = 0;
    bool loginSent = false;
    bool isLoggedIn = false;
    char loginMark = 0;
    bool webcamPresent = false;
    KeepAliveCycle keepAlive;  // timeAcked and keepAliveTick
    char sessionEndReason = 0;
    HWND watcherWindow = nullptr;
    std::string pendingTargetId;
    std::string noteText;
    ChatTargetInfo chatTarget{};
    HICON appIcon = nullptr;
    HCURSOR handCursor = nullptr;

    static constexpr UINT_PTR HIDE_TIMER = 1;
    static constexpr UINT_PTR KEEPALIVE_TIMER = 2;
    static constexpr UINT kConnectAttempts = 3;
    static constexpr DWORD kConnectTimeoutMs = 3000;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnOK() override;
    void OnCancel() override {}

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnTrayExit();
    LRESULT OnWindowPosChanging(WPARAM, LPARAM);
    LRESULT OnTrayCloseAsk(WPARAM, LPARAM);
    LRESULT OnTrayClose(WPARAM, LPARAM);
    LRESULT OnTrayWatch(WPARAM, LPARAM);
    LRESULT OnSocketEvent(WPARAM, LPARAM);

    // Socket events of the link itself; the rest go to the dispatch.
    void OnConnected();
    void OnLoginAnswer(const uint8_t* body, size_t length);
    void OnSessionEnd(const uint8_t* body, size_t length);
    void OnLinkDead();
    void OnUnknownCommand();
    void NotifyWatcher();
    void EndSession();

    DECLARE_MESSAGE_MAP()

private:
    static UINT ConnectThread(LPVOID self);
    bool SendBytes(const std::string& what, const void* bytes, size_t count);

    std::string commandLine;
    CWinThread* connectThread = nullptr;
    HWND captureWindow = nullptr;
    bool ending = false;  // the dialog is on its way out; late link events change nothing
};

// The process-wide lock of the tray client (owned by the application object):
// guards the popup registry, the open-popup counters, timeAcked and the request flags.
CCriticalSection& TrayProcessLock();
