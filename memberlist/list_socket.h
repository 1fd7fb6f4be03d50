// CListSocket: the member list control's connection to the server (port
// 5200). At each notification it reads what has arrived and hands every
// whole packet to its control in order, a slice of the thread's time at a
// time, so that a long list arrives as fast as the link brings it while the
// browser stays responsive.
//
// Packets are handed on one at a time, in order. A box that a packet's
// handling shows holds back only other boxes: while it is up (its loop runs
// the thread's messages) the packets behind it are read and handed on all
// the same, so rows keep arriving and time answers count; the boxes they ask
// for wait behind the open one, in the framework's bounded queue. Only one
// reading runs inside the box: anything else that waits with the thread's
// messages running (a send's wait) defers the packets behind it until it is
// done, and reading stops while kMaxHeld is held unhandled, so memory here
// stays bounded.
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

    // A whole packet read and not handed on yet, or bytes waiting to be
    // read, or part of a packet whose bytes came within kStallMs. A part
    // whose rest stays away longer is not work: a stalled sender holds
    // nothing up.
    bool HasWork() const;

    // The longest the thread stays in one notification handing on packets
    // (a packet that shows a box excepted): with a paint of the list
    // between two slices, the page never waits much longer.
    static constexpr unsigned kSliceMs = 25;
    // How long the rest of a packet cut across reads is expected to follow.
    static constexpr DWORD kStallMs = 100;
    // Reading stops while this much is held unhandled.
    static constexpr size_t kMaxHeld = 64 * 1024;

protected:
    void OnReceive(int errorCode) override;
    // The server's close: what it sent before is still handed on.
    void OnClose(int errorCode) override;

private:
    void Work();
    // Whether a notification that comes while packets are being handed on
    // may read on now: only inside a box that the handling opened.
    bool MayReadBehindBox() const;
    // Reads what has arrived into the buffer; false when nothing new came.
    // A read of no bytes or a failed read ends the stream.
    bool ReadArrived();
    void ReportBrokenRead();

    CRosterlyCtrl* m_owner;
    ListFrameBuffer m_frames;
    std::vector<uint8_t> m_body;
    std::vector<uint8_t> m_bodyBehindBox;  // the packet handed on inside a box, beside m_body's
    uint8_t m_chunk[16 * 1024];
    int m_depth = 0;                // Work calls running: 2 inside a box that the first one opened
    bool m_boxOpenAtStart = false;  // a box was already up when the first one began
    bool m_again = false;  // a notification came while a packet was being handled
    DWORD m_lastArrival = 0;  // tick count of the last bytes read
    bool m_ended = false;  // the server closed the stream, or a read failed
};
