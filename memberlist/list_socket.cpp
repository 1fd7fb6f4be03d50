#include "list_socket.h"

#include "message_box.h"
#include "rosterly_ctrl.h"
#include "rosterly_texts.h"

bool CListSocket::ReadExactly(uint8_t* buffer, int length) {
    int got = 0;
    while (got < length) {
        const int n = Receive(buffer + got, length - got);
        if (n <= 0) return false;  // failed, or closed by the server: never spin on it
        got += n;
    }
    return true;
}

void CListSocket::ReportBrokenRead() {
    // Closed on this side meanwhile (the control went away): nobody to tell.
    if (Handle() == INVALID_SOCKET) return;
    ShowMessageBox(nullptr, kLinkBrokenText, kServerMessageCaption, kErrorBox);
}

void CListSocket::OnReceive(int) {
    uint8_t header[kHeaderSize];
    if (!ReadExactly(header, static_cast<int>(kHeaderSize))) {
        ReportBrokenRead();
        return;
    }
    const PacketHeader h = ParseHeader(header);
    // The length is a signed 16-bit number; 0 or less is an empty body.
    const int length = static_cast<int16_t>(h.bodyLength);
    std::vector<uint8_t> body(length > 0 ? static_cast<size_t>(length) + 1 : 1, 0);
    if (length > 0 && !ReadExactly(body.data(), length)) {
        ReportBrokenRead();
        return;
    }
    m_owner->OnListPacket(h, body.data(), length > 0 ? static_cast<size_t>(length) : 0);
}
