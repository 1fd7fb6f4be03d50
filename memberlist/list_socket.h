// CListSocket: the member list control's connection to the server (port
// 5200). At each notification it reads what has arrived and hands every
// whole packet to its control in order, a slice of the thread's time at a
// time, so that a long list arrives as fast as the link brings it while the
// browser stays responsive.
//
// Packets are handed on one at a time: while the control handles one (and a
// box it shows is open, with the thread's messages running in it) nothing
// more is read or handed on; the rest follows once that packet is done. The
// socket is then not read, so the server's sending stops at the link's own
// buffers and memory here stays bounded.
#pragma once
#include <cstdint>
#include <vector>

#include "blocking_socket.h"
#include "list_frame_buffer.h"
#include "packet.h"

class CRosterlyCtrl;

class CListSocket : public CSocket {
public:
    explicit CListSocket(CRosterlyCtrl* owner) : m_owner(owner) {}

    // Packets read and not handed on yet, or bytes waiting to be read.
    bool HasWork() const;

    // The longest the thread stays in one notification handing on packets
    // (a packet that shows a box excepted): with a paint of the list
    // between two slices, the page never waits much longer.
    static constexpr unsigned kSliceMs = 25;
    // Reading stops while this much is held unhandled.
    static constexpr size_t kMaxHeld = 64 * 1024;

protected:
    void OnReceive(int errorCode) override;
    // The server's close: what it sent before is still handed on.
    void OnClose(int errorCode) override;

private:
    void Work();
    // Reads what has arrived into the buffer; false when nothing new came.
    // A read of no bytes or a failed read ends the stream.
    bool ReadArrived();
    void ReportBrokenRead();

    CRosterlyCtrl* m_owner;
    ListFrameBuffer m_frames;
    std::vector<uint8_t> m_body;
    uint8_t m_chunk[16 * 1024];
    bool m_working = false;
    bool m_again = false;  // a notification came while a packet was being handled
    bool m_ended = false;  // the server closed the stream, or a read failed
};
