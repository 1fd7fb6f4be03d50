// Packet framing shared by both server connections: a 6-byte header of three
// big-endian unsigned 16-bit numbers (body length, command, kind), then the body.
#pragma once
#include <cstddef>
#include <cstdint>

struct PacketHeader {
    uint16_t bodyLength;
    uint16_t command;
    uint16_t kind;
};

enum PacketKind : uint16_t {
    KIND_REQUEST = 1,  // sent by the client
    KIND_ANSWER = 2,   // the server's answer to a request of this client
    KIND_SERVER = 4,   // sent by the server on its own, or relayed from another member
};

constexpr size_t kHeaderSize = 6;
constexpr size_t kReceiveBufferSize = 4096;
constexpr size_t kMaxBodyLength = kReceiveBufferSize - kHeaderSize;  // 4090

// Writes the three fields in network order into out[0..5].
void BuildHeader(uint8_t* out, uint16_t bodyLength, uint16_t command, uint16_t kind);
// Same, into a header struct whose bytes are sent as they are.
void BuildHeader(PacketHeader* header, uint16_t bodyLength, uint16_t command, uint16_t kind);

// Reads a header from 6 bytes in network order.
PacketHeader ParseHeader(const uint8_t* in);

// A body that does not fit the receive buffer marks a broken connection. This
// also covers lengths that are negative as signed 16-bit numbers (>= 0x8000).
inline bool BodyLengthFits(uint16_t bodyLength) { return bodyLength <= kMaxBodyLength; }
