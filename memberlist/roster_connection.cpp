// CRosterlyCtrl: the connection to the server, its timers and the packets
// that arrive on it.
#include "rosterly_ctrl.h"

#include <ctime>

#include "deferred_release.h"
#include "list_module.h"
#include "list_socket.h"
#include "message_box.h"
#include "rosterly_texts.h"

bool CRosterlyCtrl::SocketOpen() const { return listSocket && listSocket->Handle() != INVALID_SOCKET; }

void CRosterlyCtrl::OpenConnection() {
    if (listSocket) {  // the window is made again for a control that kept its socket
        connected = 1;
        listMode.listReady = true;
        SendLogin();
        return;
    }
    listSocket = new CListSocket(this);
    // Only the first live control of the process connects; the others stay empty.
    if (LiveControlCount() != 1) return;
    // The connect waits with the thread's messages running, in which the
    // container may let the control go.
    CObjectHold hold(static_cast<IOleObject*>(this));
    const bool made = listSocket->Create() && listSocket->Connect(serverAddress.c_str(), kListServerPort);
    if (!m_hWnd) return;  // destroyed meanwhile; the socket went with the window
    if (!made) {
        ShowMessageBox(m_hWnd, kConnectDelayedText, kServerMessageCaption, kErrorBox);
        CloseSocket();
        return;
    }
    connected = 1;
    listMode.listReady = true;
    SendLogin();
}

void CRosterlyCtrl::CloseSocket() {
    if (!listSocket) return;
    CListSocket* socket = listSocket;
    listSocket = nullptr;
    socket->ShutDown(SD_SEND);
    CSocket::Dispose(socket);  // now, or when its read up the stack returns
}

bool CRosterlyCtrl::SendPacket(const ListPacket& packet) {
    if (!SocketOpen()) {
        ShowMessageBox(m_hWnd, kNotConnectedText, kServerMessageCaption, kErrorBox);
        return false;
    }
    // Send results are not checked: a dead link shows itself on the next read.
    listSocket->Send(packet.data(), static_cast<int>(packet.size()));
    return true;
}

bool CRosterlyCtrl::SendLogin() {
    if (!SendPacket(BuildListLoginPacket(memberId, password, versionText))) return false;
    if (!loginTimerOn && m_hWnd) {
        ::SetTimer(m_hWnd, kLoginTimerId, kLoginRetryMs, &CRosterlyCtrl::TimerProc);
        loginTimerOn = true;
    }
    return true;
}

bool CRosterlyCtrl::SendTime() {
    return SendPacket(BuildListTimePacket(static_cast<uint32_t>(std::time(nullptr))));
}

bool CRosterlyCtrl::SendListRequest() { return SendListRequest(listMode.RequestLetter()); }

bool CRosterlyCtrl::SendListRequest(char letter) { return SendPacket(BuildListMembersPacket(letter)); }

bool CRosterlyCtrl::SendRelation(char action) {
    return SendPacket(BuildRelationPacket(action, selectedId, selectedNickUtf8));
}

void CALLBACK CRosterlyCtrl::TimerProc(HWND window, UINT, UINT_PTR timerId, DWORD) {
    auto* control = dynamic_cast<CRosterlyCtrl*>(CWnd::FromHandle(window));
    if (!control) return;
    if (timerId == kLoginTimerId)
        control->OnLoginTimer();
    else if (timerId == kKeepAliveTimerId)
        control->OnKeepAliveTimer();
    else if (timerId == kRedrawTimerId)
        control->OnRedrawListMessage(0, 0);
}

void CRosterlyCtrl::OnLoginTimer() {
    bool done;
    {
        CSingleLock lock(ListLock());
        done = loggedIn || loginTries >= kMaxLoginRetries;
    }
    if (done) {
        ::KillTimer(m_hWnd, kLoginTimerId);
        return;
    }
    ++loginTries;
    SendLogin();
}

void CRosterlyCtrl::OnKeepAliveTimer() {
    if (!connected) return;
    bool due;
    {
        CSingleLock lock(ListLock());
        due = keepAlive.OnTick(true);
    }
    if (due) SendTime();
}

void CRosterlyCtrl::OnListPacket(const PacketHeader& h, const uint8_t* body, size_t length) {
    switch (h.command) {
    case LIST_LOGIN:
        if (h.kind == KIND_ANSWER) OnLoginReply(body, length);
        break;
    case LIST_TIME:
        if (h.kind == KIND_ANSWER) {
            CSingleLock lock(ListLock());
            keepAlive.timeAcked = true;
        }
        break;
    case LIST_MEMBERS:
        if (h.kind == KIND_SERVER)
            ApplyMemberRecord(body, length);
        else if (h.kind == KIND_ANSWER)
            OnListReply(body, length);
        break;
    case LIST_RELATION:
        OnRelationReply(body, length);
        break;
    case LIST_DROP:
        DropConnection();
        break;
    default:
        break;  // read and discarded
    }
}

void CRosterlyCtrl::OnLoginReply(const uint8_t* body, size_t length) {
    switch (ReplyStatusByte(body, length)) {
    case 'S':
        {
            CSingleLock lock(ListLock());
            loggedIn = 1;
        }
        SendListRequest();
        if (!keepAliveTimerOn && m_hWnd) {
            ::SetTimer(m_hWnd, kKeepAliveTimerId, kKeepAliveMs, &CRosterlyCtrl::TimerProc);
            keepAliveTimerOn = true;
        }
        break;
    case 'E':
        ShowMessageBox(m_hWnd, kNotConnectedText, kServerMessageCaption, kErrorBox);
        break;
    case 'V':
        ShowMessageBox(m_hWnd, kChatProgramNotInstalledText, kServerMessageCaption, kErrorBox);
        break;
    default:
        break;
    }
}

void CRosterlyCtrl::OnListReply(const uint8_t* body, size_t length) {
    const char status = ReplyStatusByte(body, length);
    if (status == 'E' || status == 'F')
        ShowMessageBox(m_hWnd, kNotConnectedText, kServerMessageCaption, kErrorBox);
}

void CRosterlyCtrl::OnLinkBroken() {
    CObjectHold hold(static_cast<IOleObject*>(this));
    ShowMessageBox(nullptr, kLinkBrokenText, kServerMessageCaption, kErrorBox);
    DropConnection();
}

void CRosterlyCtrl::ResetSession() {
    if (m_hWnd) {
        ::KillTimer(m_hWnd, kLoginTimerId);
        ::KillTimer(m_hWnd, kKeepAliveTimerId);
    }
    CSingleLock lock(ListLock());
    connected = 0;
    loggedIn = 0;
    keepAlive = ListKeepAlive();
    loginTries = 0;
    loginTimerOn = false;
    keepAliveTimerOn = false;
}

void CRosterlyCtrl::DropConnection() {
    CloseSocket();
    if (m_hWnd) ::KillTimer(m_hWnd, kKeepAliveTimerId);
    connected = 0;
}
