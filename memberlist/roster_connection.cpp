// CRosterlyCtrl: the connection to the server and its timers, as the host of
// the list's session, which decides what every packet means.
#include "rosterly_ctrl.h"

#include "deferred_release.h"
#include "list_module.h"
#include "list_socket.h"
#include "message_box.h"
#include "rosterly_texts.h"

bool CRosterlyCtrl::SocketOpen() const { return listSocket && listSocket->Handle() != INVALID_SOCKET; }

void CRosterlyCtrl::OpenConnection() {
    SyncViewer();
    session.SetVersion(versionText);
    if (listSocket) {  // the window is made again for a control that kept its socket
        session.OnLinkOpened();
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
    if (made)
        session.OnLinkOpened();
    else
        session.OnConnectFailed();
}

void CRosterlyCtrl::CloseSocket() {
    if (!listSocket) return;
    CListSocket* socket = listSocket;
    listSocket = nullptr;
    socket->ShutDown(SD_SEND);
    CSocket::Dispose(socket);  // now, or when its read up the stack returns
}

void CRosterlyCtrl::SendToServer(const ListPacket& packet) {
    listSocket->Send(packet.data(), static_cast<int>(packet.size()));
}

void CRosterlyCtrl::Tell(const ListNotice& notice) {
    // A box is a modal loop in which the container may let the control go.
    CObjectHold hold(static_cast<IOleObject*>(this));
    ShowMessageBox(notice.owned ? m_hWnd : nullptr, notice.text.c_str(), notice.caption,
                   notice.kind == ListNotice::Error ? kErrorBox : kInfoBox);
}

void CRosterlyCtrl::StartTimer(ListTimer timer, unsigned intervalMs) {
    ::SetTimer(m_hWnd, timer == ListTimer::LoginRetry ? kLoginTimerId : kKeepAliveTimerId, intervalMs,
               &CRosterlyCtrl::TimerProc);
}

void CRosterlyCtrl::StopTimer(ListTimer timer) {
    if (m_hWnd) ::KillTimer(m_hWnd, timer == ListTimer::LoginRetry ? kLoginTimerId : kKeepAliveTimerId);
}

void CRosterlyCtrl::LockList() { ListLock().Lock(); }

void CRosterlyCtrl::UnlockList() { ListLock().Unlock(); }

void CALLBACK CRosterlyCtrl::TimerProc(HWND window, UINT, UINT_PTR timerId, DWORD) {
    auto* control = dynamic_cast<CRosterlyCtrl*>(CWnd::FromHandle(window));
    if (!control) return;
    if (timerId == kLoginTimerId)
        control->session.OnTimer(ListTimer::LoginRetry);
    else if (timerId == kKeepAliveTimerId)
        control->session.OnTimer(ListTimer::KeepAlive);
    else if (timerId == kRedrawTimerId)
        control->OnRedrawListMessage(0, 0);
}

void CRosterlyCtrl::OnLinkBroken() {
    CObjectHold hold(static_cast<IOleObject*>(this));
    session.OnLinkBroken();
}
