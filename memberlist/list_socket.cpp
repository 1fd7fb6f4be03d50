#include "list_socket.h"

#include <chrono>

#include "deferred_release.h"
#include "message_box.h"
#include "rosterly_ctrl.h"
#include "rosterly_texts.h"

bool CListSocket::HasWork() const {
    if (Handle() == INVALID_SOCKET) return false;
    if (m_frames.NextIsReady() || (!m_ended && BytesWaiting() > 0)) return true;
    return m_frames.Pending() > 0 && !m_ended && ::GetTickCount() - m_lastArrival < kStallMs;
}

void CListSocket::OnReceive(int) { Work(); }

void CListSocket::OnClose(int) { Work(); }

bool CListSocket::ReadArrived() {
    bool got = false;
    while (!m_ended && m_frames.Pending() < kMaxHeld) {
        const int n = ReceiveNow(m_chunk, static_cast<int>(sizeof m_chunk));
        if (n > 0) {
            m_frames.Append(m_chunk, static_cast<size_t>(n));
            m_lastArrival = ::GetTickCount();
            got = true;
            continue;
        }
        // Closed by the server, or failed: never spin on it.
        if (n == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK) m_ended = true;
        break;
    }
    return got;
}

void CListSocket::ReportBrokenRead() {
    // Closed on this side meanwhile (the control went away): nobody to tell.
    if (Handle() == INVALID_SOCKET) return;
    ShowMessageBox(nullptr, kLinkBrokenText, kServerMessageCaption, kErrorBox);
}

bool CListSocket::MayReadBehindBox() const { return m_depth == 1 && !m_boxOpenAtStart && MessageBoxOpen(); }

void CListSocket::Work() {
    if (m_depth > 0 && !MayReadBehindBox()) {
        // Inside the handling of an earlier packet that waits otherwise (a
        // send's wait), or already reading inside the box: the packets
        // behind it follow when that is done.
        m_again = true;
        return;
    }
    if (m_depth == 0) {
        m_boxOpenAtStart = MessageBoxOpen();
        m_again = false;
    }
    ++m_depth;
    // The packet that opened the box still uses m_body up the stack.
    std::vector<uint8_t>& body = m_depth == 1 ? m_body : m_bodyBehindBox;
    // Once for the whole slice: a hold per packet would cost a timer each.
    CObjectHold hold(static_cast<IOleObject*>(m_owner));
    if (m_owner->ShowHeldRowsIfDue()) {
        // This turn went to painting the list; the packets follow at the next.
        --m_depth;
        if (Handle() != INVALID_SOCKET) ResumeReceive();
        return;
    }
    // A fine clock: GetTickCount moves in steps of about 16 ms on Windows,
    // which would let a slice run half as long again.
    const auto started = std::chrono::steady_clock::now();
    bool yielded = false;
    for (;;) {
        if (Handle() == INVALID_SOCKET) break;  // closed while a packet was handled
        PacketHeader h;
        size_t length = 0;
        if (m_frames.Next(&h, &body, &length)) {
            m_owner->OnListPacket(h, body.data(), length);
            if (std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(kSliceMs)) {
                yielded = true;
                break;
            }
            continue;
        }
        if (m_frames.Broken()) {
            // Nothing after a forged length can be trusted: the link is broken.
            m_frames.Clear();
            m_owner->OnLinkBroken();
            break;
        }
        if (ReadArrived()) continue;
        if (m_ended && m_frames.Pending() > 0) {
            // The stream ended inside a packet: that packet is lost.
            m_frames.Clear();
            ReportBrokenRead();
        }
        break;
    }
    --m_depth;
    if ((yielded || m_again) && Handle() != INVALID_SOCKET) {
        m_again = false;
        ResumeReceive();
    }
}
