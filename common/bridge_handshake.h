// The opening of a bridge connection: the browser's HTTP/1.1 WebSocket
// upgrade request, read from untrusted bytes, and Notewell's answers to it.
//
// Only the service's own pages may use the bridge, and only through the
// loopback name they dialled: the Origin must be an http or https origin the
// controls' site lock serves (default port, nothing after the host), and the
// Host exactly "127.0.0.1:<port>" or "localhost:<port>" for the port the
// server listens on, so a page on another site, or a name of its own that
// resolves to 127.0.0.1 (DNS rebinding), gets 403 and nothing else.
//
// The accept value's SHA-1 is the caller's (Windows' own cryptography):
//   accept = Base64Encode(SHA1(AcceptKeyInput(key)))
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ServiceSites;

constexpr size_t kMaxHandshakeHeadBytes = 8192;  // request line and headers with the blank line
constexpr size_t kMaxHandshakeHeaders = 64;

enum class HandshakeStatus { NeedMore, Accepted, Refused };

struct HandshakeOutcome {
    HandshakeStatus status = HandshakeStatus::NeedMore;
    int httpStatus = 0;   // Refused: 400, 403, 426 or 431
    std::string reason;   // Refused: a short fixed code ("bad-origin", "bad-host" ...), never request text
    std::string key;      // Accepted: Sec-WebSocket-Key as sent
    std::string origin;   // Accepted: the page's origin
};

class HandshakeReader {
public:
    HandshakeReader(const ServiceSites& sites, uint16_t listenPort) : sites_(sites), port_(listenPort) {}

    // Takes the next bytes from the socket. NeedMore until the blank line that
    // ends the head; then Accepted or Refused, and further calls return the same.
    // Bytes after the blank line are kept for the frame reader (Leftover).
    const HandshakeOutcome& Feed(std::string_view bytes);
    const HandshakeOutcome& Outcome() const { return outcome_; }
    std::string_view Leftover() const { return leftover_; }

private:
    void Decide(std::string_view head);
    void Refuse(int httpStatus, const char* reason);

    const ServiceSites& sites_;
    uint16_t port_;
    std::string buffer_;
    std::string leftover_;
    HandshakeOutcome outcome_;
};

// Whether a Host header names this loopback server: "127.0.0.1:<port>" or
// "localhost:<port>" (name case ignored), the port in plain decimal.
bool IsLoopbackHost(std::string_view host, uint16_t listenPort);
// Whether an Origin header is one of the service's own: "http://" or
// "https://", a host the site lock serves, the scheme's default port at most,
// and nothing after it (no path, query, fragment, user info or other text).
bool IsServiceOrigin(std::string_view origin, const ServiceSites& sites);
// Whether a Sec-WebSocket-Key is the base64 text of 16 bytes (24 characters, "==" at the end).
bool IsWebSocketKey(std::string_view key);

// The text whose SHA-1 gives the accept value.
std::string AcceptKeyInput(std::string_view key);
std::string Base64Encode(const uint8_t* bytes, size_t size);
std::string AcceptValue(const std::array<uint8_t, 20>& sha1Digest);

// "101 Switching Protocols" with the accept value.
std::string SwitchingProtocolsResponse(std::string_view acceptValue);
// A refusal: status line, a short plain text body, Content-Length and
// Connection: close; 426 also names the version spoken.
std::string RefusalResponse(int httpStatus);
