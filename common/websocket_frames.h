// WebSocket frames on the bridge. The reader takes the page's (client's)
// frames from untrusted bytes, incrementally, and holds no more payload than
// the limit allows: the length field decides before a byte of payload is
// kept. What the bridge accepts is narrower than the protocol: masked frames
// only, whole messages only (a fragment or a continuation is refused: a
// request is a short JSON text), text, ping, pong and close; never binary.
// The writer makes the server's frames: unmasked, whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum WebSocketCloseCode : uint16_t {
    kCloseNormal = 1000,
    kCloseGoingAway = 1001,
    kCloseProtocolError = 1002,
    kCloseUnsupportedData = 1003,  // a binary frame
    kCloseInvalidText = 1007,      // text that is not UTF-8
    kClosePolicyViolation = 1008,  // a flood of requests
    kCloseMessageTooBig = 1009,
    kCloseInternalError = 1011,
};

constexpr size_t kMaxClientPayload = 64 * 1024;
constexpr size_t kMaxControlPayload = 125;
constexpr size_t kMaxCloseReason = kMaxControlPayload - 2;

enum class ClientFrameKind { Text, Ping, Pong, Close };

struct ClientFrame {
    ClientFrameKind kind = ClientFrameKind::Text;
    std::string payload;      // unmasked; Text: valid UTF-8
    uint16_t closeCode = 0;   // Close: the page's code, 0 when it gave none
    std::string closeReason;  // Close: UTF-8
};

enum class FrameStatus { NeedMore, Frame, Failed };

struct FrameStep {
    FrameStatus status = FrameStatus::NeedMore;
    ClientFrame frame;      // Frame
    uint16_t failCode = 0;  // Failed: the close code to end the connection with
};

class FrameReader {
public:
    explicit FrameReader(size_t maxPayload = kMaxClientPayload) : maxPayload_(maxPayload) {}

    // Consumes bytes from the front of `input` until one frame is complete
    // (Frame), the bytes are used up (NeedMore), or the stream is broken
    // (Failed; every later call fails the same way and consumes nothing).
    FrameStep Read(std::string_view& input);

private:
    FrameStep Fail(uint16_t code);
    bool CheckFirstBytes(uint16_t& failCode) const;
    size_t ExtendedLengthSize() const;
    size_t HeaderSize() const;
    bool TakeLength(uint16_t& failCode);
    FrameStep Finish();

    size_t maxPayload_;
    uint8_t header_[14] = {};
    size_t headerHave_ = 0;
    uint64_t payloadLength_ = 0;
    std::string payload_;
    bool inPayload_ = false;
    uint16_t failedWith_ = 0;
};

// Server frames, FIN set, never masked.
std::string ServerTextFrame(std::string_view utf8Text);
// The payload is cut to 125 bytes (a ping's payload is at most that anyway).
std::string ServerPongFrame(std::string_view payload);
// Code 0 gives a close without a status (the answer to one without a status);
// the reason is cut to 123 bytes, never inside a UTF-8 sequence.
std::string ServerCloseFrame(uint16_t code, std::string_view reasonUtf8 = {});
