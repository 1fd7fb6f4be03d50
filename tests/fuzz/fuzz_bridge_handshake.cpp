// Fuzz target for the bridge's upgrade request, read from a browser's (or
// anyone's) bytes: whatever arrives, in whatever pieces, only a request from
// the service's origin to the loopback host it dialled is accepted, and a
// refusal has one of the statuses the bridge answers with.
#include <cstddef>
#include <cstdint>
#include <string>

#include "bridge_handshake.h"
#include "fuzz_check.h"
#include "service_sites.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ServiceSites sites("www.corvala.co.kr", "partner.example.com");
    const std::string input(reinterpret_cast<const char*>(data), size);

    HandshakeReader whole(sites, 5290);
    const HandshakeOutcome a = whole.Feed(input);
    // The same bytes in pieces of a size taken from the input itself.
    HandshakeReader pieces(sites, 5290);
    const size_t step = size == 0 ? 1 : 1 + data[0] % 61;
    HandshakeOutcome b;
    for (size_t at = 0; at < input.size() && b.status == HandshakeStatus::NeedMore; at += step)
        b = pieces.Feed(std::string_view(input).substr(at, step));
    FUZZ_CHECK(a.status == b.status && a.httpStatus == b.httpStatus && a.reason == b.reason);

    const size_t end = input.find("\r\n\r\n");
    switch (a.status) {
    case HandshakeStatus::NeedMore:
        FUZZ_CHECK(end == std::string::npos && size < kMaxHandshakeHeadBytes);
        break;
    case HandshakeStatus::Accepted:
        FUZZ_CHECK(end != std::string::npos && end + 4 <= kMaxHandshakeHeadBytes);
        FUZZ_CHECK(input.compare(0, 4, "GET ") == 0);
        FUZZ_CHECK(IsWebSocketKey(a.key));
        FUZZ_CHECK(IsServiceOrigin(a.origin, sites));
        FUZZ_CHECK(whole.Leftover() == std::string_view(input).substr(end + 4));
        FUZZ_CHECK(b.key == a.key && pieces.Leftover().size() <= whole.Leftover().size());
        break;
    case HandshakeStatus::Refused: {
        const int s = a.httpStatus;
        FUZZ_CHECK(s == 400 || s == 403 || s == 426 || s == 431);
        FUZZ_CHECK(!a.reason.empty() && a.reason.size() < 32 && a.key.empty());
        const std::string response = RefusalResponse(s);
        FUZZ_CHECK(response.size() < 256 && response.find("Connection: close\r\n") != std::string::npos);
        break;
    }
    }
    // The pieces of a head and the checks of its parts, alone.
    (void)IsLoopbackHost(input, 5290);
    if (IsServiceOrigin(input, sites)) FUZZ_CHECK(input.find_first_of("/?#@", input.find("://") + 3) == std::string::npos);
    if (IsWebSocketKey(input)) FUZZ_CHECK(input.size() == 24);
    FUZZ_CHECK(Base64Encode(data, size).size() == (size + 2) / 3 * 4);
    return 0;
}
