// Fuzz target for the page's WebSocket frames: the frame reader over the
// bytes in pieces, and a whole bridge connection fed them after a valid
// handshake. Nothing beyond the limits is held, text is UTF-8, and the
// connection's output stays bounded.
#include <cstddef>
#include <cstdint>
#include <string>

#include "bridge_session.h"
#include "fuzz_check.h"
#include "service_sites.h"
#include "utf8_validation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ServiceSites sites("www.corvala.co.kr");
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t step = size == 0 ? 1 : 1 + data[0] % 97;

    FrameReader reader;
    bool failed = false;
    for (size_t at = 0; at < input.size() && !failed; at += step) {
        std::string_view piece = input.substr(at, step);
        while (!piece.empty() && !failed) {
            const FrameStep read = reader.Read(piece);
            if (read.status == FrameStatus::Failed) {
                const uint16_t c = read.failCode;
                FUZZ_CHECK(c == kCloseProtocolError || c == kCloseUnsupportedData || c == kCloseInvalidText ||
                           c == kCloseMessageTooBig);
                failed = true;
            } else if (read.status == FrameStatus::Frame) {
                const ClientFrame& f = read.frame;
                FUZZ_CHECK(f.payload.size() <= kMaxClientPayload);
                if (f.kind == ClientFrameKind::Text) FUZZ_CHECK(IsValidUtf8(f.payload));
                if (f.kind != ClientFrameKind::Text) FUZZ_CHECK(f.payload.size() <= kMaxControlPayload);
                if (f.kind == ClientFrameKind::Close) FUZZ_CHECK(IsValidUtf8(f.closeReason));
            } else {
                FUZZ_CHECK(piece.empty());
            }
        }
    }

    uint64_t now = 0;
    BridgeSession session(BridgeSessionConfig{&sites, 5290,
                                              [](std::string_view) { return std::array<uint8_t, 20>{}; }, nullptr,
                                              [&now] { return now; }});
    session.Feed(
        "GET / HTTP/1.1\r\nHost: 127.0.0.1:5290\r\nOrigin: https://www.corvala.co.kr\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
        "Upgrade: websocket\r\nConnection: Upgrade\r\n\r\n");
    FUZZ_CHECK(session.IsOpen());
    session.Written(session.PendingOutput().size());
    for (size_t at = 0; at < input.size(); at += step) {
        const BridgeStep out = session.Feed(input.substr(at, step));
        FUZZ_CHECK(session.PendingOutput().size() <= kMaxBridgeOutput);
        for (const BridgeRequest& r : out.requests) FUZZ_CHECK(r.identity.password.size() <= kMaxPasswordLength);
        if (out.close) FUZZ_CHECK(!session.IsOpen());
        now += 50;
        if (at % 3 == 0) session.Written(session.PendingOutput().size());
    }
    return 0;
}
