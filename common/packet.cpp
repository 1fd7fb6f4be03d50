#include "packet.h"

#include "fields.h"

void BuildHeader(uint8_t* out, uint16_t bodyLength, uint16_t command, uint16_t kind) {
    PutU16BE(out + 0, bodyLength);
    PutU16BE(out + 2, command);
    PutU16BE(out + 4, kind);
}

void BuildHeader(PacketHeader* header, uint16_t bodyLength, uint16_t command, uint16_t kind) {
    static_assert(sizeof(PacketHeader) == kHeaderSize, "header is sent as its bytes");
    BuildHeader(reinterpret_cast<uint8_t*>(header), bodyLength, command, kind);
}

PacketHeader ParseHeader(const uint8_t* in) {
    return PacketHeader{GetU16BE(in + 0), GetU16BE(in + 2), GetU16BE(in + 4)};
}
