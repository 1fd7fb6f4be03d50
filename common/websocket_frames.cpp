#include "websocket_frames.h"

#include <algorithm>

#include "utf8_validation.h"

namespace {

enum Opcode : uint8_t {
    kOpContinuation = 0x0,
    kOpText = 0x1,
    kOpBinary = 0x2,
    kOpClose = 0x8,
    kOpPing = 0x9,
    kOpPong = 0xA,
};

constexpr uint8_t kFinBit = 0x80;
constexpr uint8_t kReservedBits = 0x70;
constexpr uint8_t kOpcodeBits = 0x0F;
constexpr uint8_t kMaskBit = 0x80;
constexpr uint8_t kLength7Bits = 0x7F;
constexpr uint8_t kLength16 = 126;
constexpr uint8_t kLength64 = 127;
constexpr size_t kMaskSize = 4;

bool IsControl(uint8_t opcode) { return (opcode & 0x8) != 0; }

// Codes a peer may send in a close frame: the defined ones and those left to
// registration (3000-3999) and to applications (4000-4999).
bool IsSendableCloseCode(uint16_t code) {
    if (code >= 3000 && code <= 4999) return true;
    return (code >= 1000 && code <= 1003) || (code >= 1007 && code <= 1014);
}

// The longest prefix of at most `limit` bytes that does not split a UTF-8 sequence.
std::string_view CutAtCharacter(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = limit;
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string ServerFrame(uint8_t opcode, std::string_view payload) {
    std::string frame;
    frame.reserve(payload.size() + 10);
    frame += static_cast<char>(kFinBit | opcode);
    const uint64_t n = payload.size();
    if (n < kLength16) {
        frame += static_cast<char>(n);
    } else if (n <= 0xFFFF) {
        frame += static_cast<char>(kLength16);
        for (int shift = 8; shift >= 0; shift -= 8) frame += static_cast<char>((n >> shift) & 0xFF);
    } else {
        frame += static_cast<char>(kLength64);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>((n >> shift) & 0xFF);
    }
    frame.append(payload.data(), payload.size());
    return frame;
}

}  // namespace

FrameStep FrameReader::Fail(uint16_t code) {
    failedWith_ = code;
    payload_.clear();
    payload_.shrink_to_fit();
    FrameStep step;
    step.status = FrameStatus::Failed;
    step.failCode = code;
    return step;
}

// What the first two bytes alone refuse.
bool FrameReader::CheckFirstBytes(uint16_t& failCode) const {
    const uint8_t opcode = header_[0] & kOpcodeBits;
    const uint8_t length7 = header_[1] & kLength7Bits;
    failCode = kCloseProtocolError;
    if ((header_[0] & kReservedBits) != 0) return false;
    if ((header_[0] & kFinBit) == 0 || opcode == kOpContinuation) return false;  // fragments are not taken
    if ((header_[1] & kMaskBit) == 0) return false;
    if (opcode == kOpBinary) {
        failCode = kCloseUnsupportedData;
        return false;
    }
    if (opcode != kOpText && opcode != kOpClose && opcode != kOpPing && opcode != kOpPong) return false;
    if (IsControl(opcode) && length7 > kMaxControlPayload) return false;
    return true;
}

size_t FrameReader::ExtendedLengthSize() const {
    const uint8_t length7 = header_[1] & kLength7Bits;
    return length7 == kLength16 ? 2 : length7 == kLength64 ? 8 : 0;
}

size_t FrameReader::HeaderSize() const { return 2 + ExtendedLengthSize() + kMaskSize; }

// The payload's length, decided as soon as its field is complete: a frame
// over the limit is refused before its mask, let alone its payload, is read.
bool FrameReader::TakeLength(uint16_t& failCode) {
    const uint8_t length7 = header_[1] & kLength7Bits;
    uint64_t length = length7;
    failCode = kCloseProtocolError;
    if (length7 == kLength16 || length7 == kLength64) {
        length = 0;
        for (size_t i = 2; i < 2 + ExtendedLengthSize(); ++i) length = (length << 8) | header_[i];
        // Lengths are in their shortest form, and the 64-bit one has its top bit clear.
        if (length7 == kLength16 && length < kLength16) return false;
        if (length7 == kLength64 && (length <= 0xFFFF || (length >> 63) != 0)) return false;
    }
    if (length > maxPayload_) {
        failCode = kCloseMessageTooBig;
        return false;
    }
    payloadLength_ = length;
    return true;
}

FrameStep FrameReader::Read(std::string_view& input) {
    if (failedWith_ != 0) return Fail(failedWith_);
    while (!input.empty() || (inPayload_ && payload_.size() == payloadLength_)) {
        if (!inPayload_) {
            // The header in three steps: two bytes, the extended length, the mask.
            const size_t need = headerHave_ < 2 ? 2 : headerHave_ < 2 + ExtendedLengthSize() ? 2 + ExtendedLengthSize()
                                                                                            : HeaderSize();
            const size_t n = std::min(need - headerHave_, input.size());
            std::copy_n(input.data(), n, header_ + headerHave_);
            headerHave_ += n;
            input.remove_prefix(n);
            if (headerHave_ < need) continue;
            uint16_t failCode = 0;
            if (headerHave_ == 2 && !CheckFirstBytes(failCode)) return Fail(failCode);
            if (headerHave_ == 2 + ExtendedLengthSize() && !TakeLength(failCode)) return Fail(failCode);
            if (headerHave_ == HeaderSize()) {
                payload_.clear();
                payload_.reserve(static_cast<size_t>(payloadLength_));
                inPayload_ = true;
            }
            continue;
        }
        const size_t n = std::min(static_cast<size_t>(payloadLength_) - payload_.size(), input.size());
        const uint8_t* mask = header_ + HeaderSize() - kMaskSize;
        for (size_t i = 0; i < n; ++i) {
            const size_t at = payload_.size();
            payload_ += static_cast<char>(static_cast<uint8_t>(input[i]) ^ mask[at % kMaskSize]);
        }
        input.remove_prefix(n);
        if (payload_.size() == payloadLength_) return Finish();
    }
    return FrameStep();
}

FrameStep FrameReader::Finish() {
    const uint8_t opcode = header_[0] & kOpcodeBits;
    FrameStep step;
    step.status = FrameStatus::Frame;
    ClientFrame& frame = step.frame;
    frame.payload = std::move(payload_);
    payload_.clear();
    headerHave_ = 0;
    inPayload_ = false;
    switch (opcode) {
    case kOpText:
        frame.kind = ClientFrameKind::Text;
        if (!IsValidUtf8(frame.payload)) return Fail(kCloseInvalidText);
        break;
    case kOpPing: frame.kind = ClientFrameKind::Ping; break;
    case kOpPong: frame.kind = ClientFrameKind::Pong; break;
    default:
        frame.kind = ClientFrameKind::Close;
        if (frame.payload.size() == 1) return Fail(kCloseProtocolError);
        if (frame.payload.size() >= 2) {
            frame.closeCode = static_cast<uint16_t>((static_cast<uint8_t>(frame.payload[0]) << 8) |
                                                    static_cast<uint8_t>(frame.payload[1]));
            if (!IsSendableCloseCode(frame.closeCode)) return Fail(kCloseProtocolError);
            frame.closeReason = frame.payload.substr(2);
            if (!IsValidUtf8(frame.closeReason)) return Fail(kCloseInvalidText);
        }
        break;
    }
    return step;
}

std::string ServerTextFrame(std::string_view utf8Text) { return ServerFrame(kOpText, utf8Text); }

std::string ServerPongFrame(std::string_view payload) {
    return ServerFrame(kOpPong, payload.substr(0, kMaxControlPayload));
}

std::string ServerCloseFrame(uint16_t code, std::string_view reasonUtf8) {
    std::string payload;
    if (code != 0) {
        payload += static_cast<char>(code >> 8);
        payload += static_cast<char>(code & 0xFF);
        const std::string_view reason = CutAtCharacter(reasonUtf8, kMaxCloseReason);
        payload.append(reason.data(), reason.size());
    }
    return ServerFrame(kOpClose, payload);
}
