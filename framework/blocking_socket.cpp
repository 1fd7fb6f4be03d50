#include "blocking_socket.h"

#include <mutex>
#include <unordered_map>

namespace {

constexpr UINT WM_SOCKET_NOTIFY = WM_USER + 1;  // only ever sent to the hidden socket window
constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
// Our own event beside Winsock's: OnReceive is wanted again (ResumeReceive).
constexpr long kResumeEvent = 0x8000;
// A blocking call looks at its socket again at least this often.
constexpr DWORD kPollMs = 50;
const char kWindowClass[] = "CorvalaSocketNotify";

struct ThreadWindow {
    HWND window = nullptr;
    int sockets = 0;
};

std::mutex g_mutex;
std::unordered_map<DWORD, ThreadWindow> g_windows;  // by thread id
std::unordered_map<SOCKET, CSocket*> g_sockets;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

struct SocketWindow {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_SOCKET_NOTIFY) return ::DefWindowProcA(hwnd, message, wParam, lParam);
        CSocket* socket = nullptr;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            auto found = g_sockets.find(static_cast<SOCKET>(wParam));
            if (found != g_sockets.end()) socket = found->second;
        }
        // A notification for a socket closed since it was posted finds nothing.
        if (socket) socket->Notify(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
        return 0;
    }

    // The calling thread's notification window, made for its first socket.
    static HWND Acquire(SOCKET s, CSocket* owner) {
        std::lock_guard<std::mutex> lock(g_mutex);
        ThreadWindow& tw = g_windows[::GetCurrentThreadId()];
        if (!tw.window) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &SocketWindow::Proc;
            wc.hInstance = ThisModule();
            wc.lpszClassName = kWindowClass;
            ::RegisterClassA(&wc);  // fails harmlessly when it exists
            tw.window = ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          ThisModule(), nullptr);
            if (!tw.window) {
                g_windows.erase(::GetCurrentThreadId());
                return nullptr;
            }
        }
        ++tw.sockets;
        g_sockets[s] = owner;
        return tw.window;
    }

    // The window goes with the thread's last socket, so that no window of
    // this module outlives it.
    static void Release(SOCKET s) {
        HWND destroy = nullptr;
        bool lastWindow = false;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_sockets.erase(s);
            auto found = g_windows.find(::GetCurrentThreadId());
            if (found == g_windows.end()) return;
            if (--found->second.sockets == 0) {
                destroy = found->second.window;
                g_windows.erase(found);
                lastWindow = g_windows.empty();
            }
        }
        if (destroy) ::DestroyWindow(destroy);
        if (lastWindow) ::UnregisterClassA(kWindowClass, ThisModule());
    }

    static HWND WindowOfThisThread() {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto found = g_windows.find(::GetCurrentThreadId());
        return found == g_windows.end() ? nullptr : found->second.window;
    }
};

// Marks a call of the socket as running; the last one to end deletes a
// disposed socket, and the end of the last blocking call hands on the
// notifications held back meanwhile.
class CSocket::Busy {
public:
    Busy(CSocket& s, bool blocking) : m_s(s), m_blocking(blocking) {
        ++m_s.m_busy;
        if (m_blocking) ++m_s.m_blockingCalls;
    }
    ~Busy() {
        if (m_blocking && --m_s.m_blockingCalls == 0) m_s.DeliverHeldBack();
        if (--m_s.m_busy == 0 && m_s.m_deletePending) delete &m_s;
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    CSocket& m_s;
    bool m_blocking;
};

CSocket::~CSocket() { Close(); }

bool CSocket::Create() {
    if (m_socket != INVALID_SOCKET) return false;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    HWND window = SocketWindow::Acquire(s, this);
    if (!window) {
        ::closesocket(s);
        return false;
    }
    m_socket = s;
    // Also makes the socket non-blocking: the waits below are ours.
    if (::WSAAsyncSelect(s, window, WM_SOCKET_NOTIFY, kAllEvents) != 0) {
        Close();
        return false;
    }
    return true;
}

void CSocket::Close() {
    if (m_socket == INVALID_SOCKET) return;
    const SOCKET s = m_socket;
    m_socket = INVALID_SOCKET;
    ::closesocket(s);
    SocketWindow::Release(s);
}

bool CSocket::ShutDown(int how) {
    return m_socket != INVALID_SOCKET && ::shutdown(m_socket, how) == 0;
}

unsigned long CSocket::BytesWaiting() const {
    u_long available = 0;
    if (m_socket == INVALID_SOCKET || ::ioctlsocket(m_socket, FIONREAD, &available) != 0) return 0;
    return available;
}

void CSocket::Dispose(CSocket* socket) {
    if (!socket) return;
    socket->Close();
    if (socket->m_busy > 0)
        socket->m_deletePending = true;
    else
        delete socket;
}

bool CSocket::PumpOnce() {
    MSG msg;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the thread's own loop
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        return true;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    return true;
}

void CSocket::Notify(long event, int error) {
    if (m_blockingCalls > 0) {
        switch (event) {
        case FD_CONNECT:
            m_connectDone = true;
            m_connectError = error;
            break;
        case FD_READ: m_readHeldBack = true; break;
        case FD_CLOSE: m_closeHeldBack = true; break;
        case kResumeEvent: m_resumeHeldBack = true; break;
        default: break;
        }
        return;
    }
    Busy busy(*this, false);
    switch (event) {
    case FD_CONNECT:
        m_connectDone = true;
        m_connectError = error;
        break;
    case FD_READ: {
        // A read notification whose bytes a blocking read took meanwhile is stale.
        u_long available = 0;
        if (error == 0 && m_socket != INVALID_SOCKET &&
            (::ioctlsocket(m_socket, FIONREAD, &available) != 0 || available == 0))
            break;
        OnReceive(error);
        break;
    }
    case FD_CLOSE: OnClose(error); break;
    case kResumeEvent:
        if (m_socket != INVALID_SOCKET) OnReceive(0);
        break;
    default: break;
    }
}

void CSocket::ResumeReceive() {
    HWND window = SocketWindow::WindowOfThisThread();
    if (m_socket == INVALID_SOCKET || !window) return;
    if (m_blockingCalls > 0) {
        m_resumeHeldBack = true;  // posted when the call is over
        return;
    }
    ::PostMessageA(window, WM_SOCKET_NOTIFY, m_socket, WSAMAKESELECTREPLY(kResumeEvent, 0));
}

void CSocket::DeliverHeldBack() {
    HWND window = SocketWindow::WindowOfThisThread();
    if (m_socket == INVALID_SOCKET || !window) {
        m_readHeldBack = m_closeHeldBack = m_resumeHeldBack = false;
        return;
    }
    if (m_readHeldBack) {
        u_long available = 0;
        if (::ioctlsocket(m_socket, FIONREAD, &available) == 0 && available > 0)
            ::PostMessageA(window, WM_SOCKET_NOTIFY, m_socket, WSAMAKESELECTREPLY(FD_READ, 0));
    }
    if (m_resumeHeldBack)
        ::PostMessageA(window, WM_SOCKET_NOTIFY, m_socket, WSAMAKESELECTREPLY(kResumeEvent, 0));
    if (m_closeHeldBack) ::PostMessageA(window, WM_SOCKET_NOTIFY, m_socket, WSAMAKESELECTREPLY(FD_CLOSE, 0));
    m_readHeldBack = m_closeHeldBack = m_resumeHeldBack = false;
}

bool CSocket::Connect(const char* address, unsigned short port) {
    if (m_socket == INVALID_SOCKET || !address) {
        ::WSASetLastError(WSAENOTSOCK);
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(port);
    to.sin_addr.s_addr = ::inet_addr(address);
    if (to.sin_addr.s_addr == INADDR_NONE) {
        const hostent* host = ::gethostbyname(address);
        if (!host || host->h_addrtype != AF_INET || !host->h_addr_list[0]) {
            ::WSASetLastError(WSAEINVAL);
            return false;
        }
        to.sin_addr = *reinterpret_cast<const in_addr*>(host->h_addr_list[0]);
    }
    Busy busy(*this, true);
    m_connectDone = false;
    m_connectError = 0;
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return true;
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return false;
    while (!m_connectDone) {
        if (m_socket == INVALID_SOCKET) {
            ::WSASetLastError(WSAENOTSOCK);
            return false;
        }
        if (!PumpOnce()) {
            ::WSASetLastError(WSAEINTR);
            return false;
        }
    }
    if (m_connectError != 0) {
        ::WSASetLastError(m_connectError);
        return false;
    }
    return true;
}

int CSocket::Receive(void* buffer, int length) {
    Busy busy(*this, true);
    for (;;) {
        if (m_socket == INVALID_SOCKET) {
            ::WSASetLastError(WSAENOTSOCK);
            return SOCKET_ERROR;
        }
        const int n = ::recv(m_socket, static_cast<char*>(buffer), length, 0);
        if (n != SOCKET_ERROR) return n;
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return SOCKET_ERROR;
        if (!PumpOnce()) {
            ::WSASetLastError(WSAEINTR);
            return SOCKET_ERROR;
        }
    }
}

int CSocket::ReceiveNow(void* buffer, int length) {
    if (m_socket == INVALID_SOCKET) {
        ::WSASetLastError(WSAENOTSOCK);
        return SOCKET_ERROR;
    }
    return ::recv(m_socket, static_cast<char*>(buffer), length, 0);
}

int CSocket::Send(const void* buffer, int length) {
    Busy busy(*this, true);
    const char* bytes = static_cast<const char*>(buffer);
    int sent = 0;
    while (sent < length) {
        if (m_socket == INVALID_SOCKET) {
            ::WSASetLastError(WSAENOTSOCK);
            return SOCKET_ERROR;
        }
        const int n = ::send(m_socket, bytes + sent, length - sent, 0);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK) return SOCKET_ERROR;
        if (!PumpOnce()) {
            ::WSASetLastError(WSAEINTR);
            return SOCKET_ERROR;
        }
    }
    return sent;
}
