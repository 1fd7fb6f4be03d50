#include "bridge_handshake.h"

#include <algorithm>

#include "service_sites.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::string_view kWebSocketGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view lower) {
    return a.size() == lower.size() &&
           std::equal(a.begin(), a.end(), lower.begin(), [](char x, char y) { return Lower(x) == y; });
}

bool IsOptionalWhiteSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsOptionalWhiteSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsOptionalWhiteSpace(s.back())) s.remove_suffix(1);
    return s;
}

// An HTTP token character (header names).
bool IsTokenCharacter(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsFieldValueCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '\t' || (u >= 0x20 && u != 0x7F);
}

bool IsDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a comma-separated header list holds the token (case ignored).
bool ListHolds(std::string_view list, std::string_view lowerToken) {
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        if (SameIgnoringCase(Trimmed(list.substr(start, comma - start)), lowerToken)) return true;
        if (comma == std::string_view::npos) return false;
        start = comma + 1;
    }
}

// The headers the handshake decides on; any other is read and passed over.
struct HandshakeHeaders {
    struct Field {
        std::string_view value;
        int count = 0;
    };
    Field host, origin, key, version;
    std::string upgrade, connection;  // every occurrence, joined as one list

    void Add(std::string_view name, std::string_view value) {
        auto take = [value](Field& f) {
            f.value = value;
            ++f.count;
        };
        auto join = [value](std::string& list) {
            if (!list.empty()) list += ',';
            list.append(value.data(), value.size());
        };
        if (SameIgnoringCase(name, "host")) take(host);
        else if (SameIgnoringCase(name, "origin")) take(origin);
        else if (SameIgnoringCase(name, "sec-websocket-key")) take(key);
        else if (SameIgnoringCase(name, "sec-websocket-version")) take(version);
        else if (SameIgnoringCase(name, "upgrade")) join(upgrade);
        else if (SameIgnoringCase(name, "connection")) join(connection);
    }
};

bool IsRequestLine(std::string_view line, const char*& reason) {
    const size_t first = line.find(' ');
    const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
        reason = "bad-request-line";
        return false;
    }
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (method != "GET") {
        reason = "bad-method";
        return false;
    }
    if (target.empty() || target[0] != '/' ||
        !std::all_of(target.begin(), target.end(), [](char c) { return c > 0x20 && c < 0x7F; })) {
        reason = "bad-target";
        return false;
    }
    if (version != "HTTP/1.1") {
        reason = "bad-http-version";
        return false;
    }
    return true;
}

const char* StatusPhrase(int httpStatus) {
    switch (httpStatus) {
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 426: return "Upgrade Required";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

}  // namespace

const HandshakeOutcome& HandshakeReader::Feed(std::string_view bytes) {
    if (outcome_.status != HandshakeStatus::NeedMore) return outcome_;
    // The blank line may straddle two reads: look back three bytes.
    const size_t searchFrom = buffer_.size() >= 3 ? buffer_.size() - 3 : 0;
    const size_t take = std::min(bytes.size(), kMaxHandshakeHeadBytes - buffer_.size());
    buffer_.append(bytes.data(), take);
    const size_t end = buffer_.find(kHeadEnd, searchFrom);
    if (end == std::string::npos) {
        if (buffer_.size() >= kMaxHandshakeHeadBytes) Refuse(431, "head-too-large");
        return outcome_;
    }
    const size_t headSize = end + kHeadEnd.size();
    leftover_.assign(buffer_, headSize, std::string::npos);
    leftover_.append(bytes.data() + take, bytes.size() - take);
    buffer_.resize(end + kLineEnd.size());  // each line with its CRLF
    Decide(buffer_);
    buffer_.clear();
    buffer_.shrink_to_fit();
    return outcome_;
}

void HandshakeReader::Refuse(int httpStatus, const char* reason) {
    outcome_ = HandshakeOutcome();
    outcome_.status = HandshakeStatus::Refused;
    outcome_.httpStatus = httpStatus;
    outcome_.reason = reason;
    leftover_.clear();
}

void HandshakeReader::Decide(std::string_view head) {
    HandshakeHeaders headers;
    size_t headerCount = 0;
    bool firstLine = true;
    while (!head.empty()) {
        const size_t lineEnd = head.find(kLineEnd);  // the head ends with one
        const std::string_view line = head.substr(0, lineEnd);
        head.remove_prefix(lineEnd + kLineEnd.size());
        if (line.find_first_of("\r\n") != std::string_view::npos) return Refuse(400, "bare-line-break");
        if (firstLine) {
            const char* reason = nullptr;
            if (!IsRequestLine(line, reason)) return Refuse(400, reason);
            firstLine = false;
            continue;
        }
        if (line.empty() || IsOptionalWhiteSpace(line[0])) return Refuse(400, "folded-header");
        if (++headerCount > kMaxHandshakeHeaders) return Refuse(431, "too-many-headers");
        const size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos ||
            !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon), IsTokenCharacter))
            return Refuse(400, "bad-header");
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (!std::all_of(value.begin(), value.end(), IsFieldValueCharacter)) return Refuse(400, "bad-header");
        headers.Add(line.substr(0, colon), value);
    }
    if (headers.host.count != 1) return Refuse(400, "bad-host-header");
    if (headers.key.count != 1) return Refuse(400, "bad-key-header");
    if (headers.origin.count > 1) return Refuse(400, "bad-origin-header");
    if (headers.version.count > 1) return Refuse(400, "bad-version-header");
    if (!IsLoopbackHost(headers.host.value, port_)) return Refuse(403, "bad-host");
    if (headers.origin.count == 0 || !IsServiceOrigin(headers.origin.value, sites_)) return Refuse(403, "bad-origin");
    if (!ListHolds(headers.upgrade, "websocket")) return Refuse(400, "no-upgrade");
    if (!ListHolds(headers.connection, "upgrade")) return Refuse(400, "no-connection-upgrade");
    if (!IsWebSocketKey(headers.key.value)) return Refuse(400, "bad-key");
    if (headers.version.value != "13") return Refuse(426, "bad-websocket-version");
    outcome_.status = HandshakeStatus::Accepted;
    outcome_.key = std::string(headers.key.value);
    outcome_.origin = std::string(headers.origin.value);
}

bool IsLoopbackHost(std::string_view host, uint16_t listenPort) {
    const size_t colon = host.rfind(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view name = host.substr(0, colon);
    const std::string_view port = host.substr(colon + 1);
    if (!SameIgnoringCase(name, "127.0.0.1") && !SameIgnoringCase(name, "localhost")) return false;
    if (!IsDigits(port) || port.size() > 5 || port[0] == '0') return false;
    unsigned value = 0;
    for (char c : port) value = value * 10 + static_cast<unsigned>(c - '0');
    return value == listenPort;
}

bool IsServiceOrigin(std::string_view origin, const ServiceSites& sites) {
    const size_t separator = origin.find("://");
    if (separator == std::string_view::npos) return false;
    const std::string_view authority = origin.substr(separator + 3);
    // An origin is scheme, host and port: nothing may follow, not even an empty port.
    if (authority.empty() || authority.find_first_of("/?#") != std::string_view::npos || authority.back() == ':')
        return false;
    return sites.Allows(origin);
}

bool IsWebSocketKey(std::string_view key) {
    // 16 bytes are 22 characters and "=="; the last character carries 2 bits, its 4 low bits zero.
    if (key.size() != 24 || key.substr(22) != "==") return false;
    const std::string_view alphabet(kBase64Alphabet);
    for (size_t i = 0; i < 22; ++i)
        if (alphabet.find(key[i]) == std::string_view::npos) return false;
    return (alphabet.find(key[21]) & 0x0F) == 0;
}

std::string AcceptKeyInput(std::string_view key) {
    std::string input(key);
    input += kWebSocketGuid;
    return input;
}

std::string Base64Encode(const uint8_t* bytes, size_t size) {
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        const size_t n = std::min<size_t>(3, size - i);
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (n > 1) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (n > 2) group |= bytes[i + 2];
        for (size_t k = 0; k < 4; ++k)
            text += k <= n ? kBase64Alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

std::string AcceptValue(const std::array<uint8_t, 20>& sha1Digest) {
    return Base64Encode(sha1Digest.data(), sha1Digest.size());
}

std::string SwitchingProtocolsResponse(std::string_view acceptValue) {
    std::string response =
        "HTTP/1.1 101 Switching Protocols\r\n"
        "Upgrade: websocket\r\n"
        "Connection: Upgrade\r\n"
        "Sec-WebSocket-Accept: ";
    response.append(acceptValue.data(), acceptValue.size());
    response += "\r\n\r\n";
    return response;
}

std::string RefusalResponse(int httpStatus) {
    const std::string phrase = StatusPhrase(httpStatus);
    const std::string body = phrase + "\n";
    std::string response = "HTTP/1.1 " + std::to_string(httpStatus) + " " + phrase + "\r\n";
    if (httpStatus == 426) response += "Sec-WebSocket-Version: 13\r\n";
    response += "Content-Type: text/plain; charset=utf-8\r\n";
    response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    response += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    return response + body;
}
