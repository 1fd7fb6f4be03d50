// CListSocket: the member list control's connection to the server (port
// 5200). It reads one whole packet per receive notification and hands it to
// its control.
#pragma once
#include <cstdint>
#include <vector>

#include "blocking_socket.h"
#include "packet.h"

class CRosterlyCtrl;

class CListSocket : public CSocket {
public:
    explicit CListSocket(CRosterlyCtrl* owner) : m_owner(owner) {}

protected:
    // Reads the 6-byte header and then the body, each until complete. A
    // failed read (or the peer's close: a read of no bytes) drops the packet
    // and tells the viewer; the connection state stays as it is.
    void OnReceive(int errorCode) override;

private:
    bool ReadExactly(uint8_t* buffer, int length);
    void ReportBrokenRead();
    CRosterlyCtrl* m_owner;
};
