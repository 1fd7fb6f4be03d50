#include "gatekin_ctrl.h"

#include <commctrl.h>

#include <cstdio>

#include "command_line.h"
#include "message_box.h"
#include "process_launcher.h"
#include "records.h"
#include "text_conversion.h"
#include "tray_link.h"
#include "tray_messages.h"

namespace {

constexpr char kServerMessageCaption[] = "서버 메시지";
constexpr char kLoginFailedText[] = "로그인이 정상적으로 이루어지지 않았습니다.로그아웃 하신 후 다시 로그인해주세요.";
constexpr char kNumberedErrorText[] = "번호의 Error가 발생했습니다.";
constexpr UINT kErrorBox = MB_OK | MB_ICONERROR | MB_TOPMOST;
// Lets the new Notewell finish its start-up before the page goes on.
constexpr DWORD kSettleAfterIdleMs = 100;
// How long the page waits for a new Notewell to be ready for input. It is
// ready in well under a second; one that takes longer still starts, and the
// page goes on without it (five seconds: when Windows takes a program that
// does not answer for hung).
constexpr DWORD kTrayReadyLimitMs = 5000;
// The longest command line Windows starts a program with (its terminating zero included).
constexpr size_t kMaxCommandLine = 32767;

constexpr COLORREF kSquareColour = RGB(245, 245, 245);

}  // namespace

BEGIN_DISPATCH_MAP(CGatekinCtrl)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 1, "TextID", GetTextID, SetTextID)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 2, "TextPWD", GetTextPWD, SetTextPWD)
    DISP_PROPERTY_SHORT(CGatekinCtrl, 3, "LogStateProc", GetLogStateProc, SetLogStateProc)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 4, "SendLabel", GetSendLabel, SetSendLabel)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 5, "SendChat", GetSendChat, SetSendChat)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 6, "TextSEX", GetTextSEX, SetTextSEX)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 7, "SendAllLabel", GetSendAllLabel, SetSendAllLabel)
    DISP_PROPERTY_TEXT(CGatekinCtrl, 8, "SendAllChat", GetSendAllChat, SetSendAllChat)
END_DISPATCH_MAP(CGatekinCtrl)

CGatekinCtrl::CGatekinCtrl() : COleControl(ShellControlClassInfo(kGatekinModule)) {
    InitializeIIDs(&kGatekinModule.dispatchIid, &kGatekinModule.eventIid);
}

void CGatekinCtrl::SetTextID(const std::string& text) {
    memberId = text;
    SetModifiedFlag();
}

void CGatekinCtrl::SetTextPWD(const std::string& text) {
    password = text;
    SetModifiedFlag();
}

void CGatekinCtrl::SetTextSEX(const std::string& text) {
    sexCode = text;
    SetModifiedFlag();
}

void CGatekinCtrl::SetLogStateProc(short state) {
    loginState = state;
    NotifyTray();
    SetModifiedFlag();
}

void CGatekinCtrl::SetSendLabel(const std::string& text) {
    if (HWND tray = FindTrayWindow()) {
        // The record lays its texts out in code page 949, whatever the system uses.
        const NoteTargetInfo record = PackNoteTargetInfo(KoreanBytesFromUtf8(text));
        SendTrayRecord(tray, COPYDATA_SEND_NOTE, &record, sizeof record);
    }
    SetModifiedFlag();
}

void CGatekinCtrl::SetSendChat(const std::string& text) {
    if (HWND tray = FindTrayWindow()) {
        const ChatTargetInfo record = PackChatTargetInfo(KoreanBytesFromUtf8(text));
        SendTrayRecord(tray, COPYDATA_CHAT_REQUEST, &record, sizeof record);
    }
    SetModifiedFlag();
}

void CGatekinCtrl::SetSendAllLabel(const std::string&) {
    if (HWND tray = FindTrayWindow()) SendTrayMessage(tray, WM_TRAY_NOTE_ALL);
    SetModifiedFlag();
}

void CGatekinCtrl::SetSendAllChat(const std::string&) {
    if (HWND tray = FindTrayWindow()) SendTrayMessage(tray, WM_TRAY_CHAT_ALL);
    SetModifiedFlag();
}

void CGatekinCtrl::NotifyTray() {
    switch (loginState) {
    case 0:
        StartTrayClient();
        break;
    case 1:
    case 3:
        if (HWND tray = FindTrayWindow()) SendTrayMessage(tray, WM_TRAY_CLOSE);
        break;
    case 2:
        if (HWND tray = FindTrayWindow()) AskTrayToClose(tray);
        break;
    default:
        break;
    }
}

void CGatekinCtrl::StartTrayClient() {
    // Notewell already runs, or is still starting: no second copy.
    if (FindTrayWindow() || TrayInstanceExists()) return;
    const std::string commandLine = BuildTrayCommandLine(memberId, password, sexCode, sessionId, serverAddress);
    // An identity too long for a command line, or a PARAM too long to take,
    // cannot be handed over whole: the login fails as a failed start does,
    // rather than with a cut or empty identity.
    if (paramRefused || commandLine.size() >= kMaxCommandLine) {
        ShowMessageBox(m_hWnd, kLoginFailedText, kServerMessageCaption, kErrorBox);
        return;
    }
    const ProcessLaunchResult launch = LaunchProcess(commandLine, kTrayReadyLimitMs);
    if (!launch.started) {
        ShowMessageBox(m_hWnd, kLoginFailedText, kServerMessageCaption, kErrorBox);
        return;
    }
    if (launch.inputIdle) {
        ::Sleep(kSettleAfterIdleMs);
        return;
    }
    if (launch.idleTimedOut) return;  // started, only slow: nothing failed
    char text[64];
    std::snprintf(text, sizeof text, "%d%s", static_cast<int>(launch.error), kNumberedErrorText);
    ShowMessageBox(m_hWnd, text, kServerMessageCaption, kErrorBox);
}

void CGatekinCtrl::OnDraw(HDC dc, const RECT&, const RECT&) {
    // Only the small square at the context's origin, whatever the control's bounds.
    const RECT square = {0, 0, 10, 10};
    HBRUSH brush = ::CreateSolidBrush(kSquareColour);
    if (!brush) return;
    ::FillRect(dc, &square, brush);
    ::DeleteObject(brush);
}

void CGatekinCtrl::DoPropExchange(CPropExchange* px) {
    ExchangeVersion(px, kShellPersistVersion);
    COleControl::DoPropExchange(px);
    PX_String(px, "ID", memberId, "");
    PX_String(px, "PWD", password, "");
    PX_String(px, "SEX", sexCode, "");
    PX_String(px, "SESSIONID", sessionId, "");
    PX_String(px, "SERVERIP", serverAddress, "");
    if (px->IsLoading()) paramRefused = px->TextRefused();
}

int CGatekinCtrl::OnCreate(LPCREATESTRUCTW cs) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    if (!::InitCommonControlsEx(&controls)) return -1;
    return COleControl::OnCreate(cs);
}
