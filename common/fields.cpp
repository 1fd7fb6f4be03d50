#include "fields.h"

#include <cstring>

void PutText(uint8_t* dst, size_t width, std::string_view text) {
    const size_t n = text.size() < width ? text.size() : width;
    // An empty view may carry a null pointer; memcpy/memset must not see it.
    if (n != 0) std::memcpy(dst, text.data(), n);
    if (width > n) std::memset(dst + n, 0, width - n);
}

void PutTextTerminated(uint8_t* dst, size_t width, std::string_view text) {
    if (width == 0) return;
    PutText(dst, width - 1, text);
    dst[width - 1] = 0;
}

std::string GetText(const uint8_t* src, size_t width) {
    if (width == 0) return std::string();
    const void* zero = std::memchr(src, 0, width);
    const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - src) : width;
    return std::string(reinterpret_cast<const char*>(src), n);
}

void PutU16BE(uint8_t* dst, uint16_t v) {
    dst[0] = static_cast<uint8_t>(v >> 8);
    dst[1] = static_cast<uint8_t>(v);
}
void PutU32BE(uint8_t* dst, uint32_t v) {
    PutU16BE(dst, static_cast<uint16_t>(v >> 16));
    PutU16BE(dst + 2, static_cast<uint16_t>(v));
}
uint16_t GetU16BE(const uint8_t* s) { return static_cast<uint16_t>((s[0] << 8) | s[1]); }
uint32_t GetU32BE(const uint8_t* s) {
    return (static_cast<uint32_t>(GetU16BE(s)) << 16) | GetU16BE(s + 2);
}

void PutU16LE(uint8_t* dst, uint16_t v) {
    dst[0] = static_cast<uint8_t>(v);
    dst[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32LE(uint8_t* dst, uint32_t v) {
    PutU16LE(dst, static_cast<uint16_t>(v));
    PutU16LE(dst + 2, static_cast<uint16_t>(v >> 16));
}
uint16_t GetU16LE(const uint8_t* s) { return static_cast<uint16_t>(s[0] | (s[1] << 8)); }
uint32_t GetU32LE(const uint8_t* s) {
    return GetU16LE(s) | (static_cast<uint32_t>(GetU16LE(s + 2)) << 16);
}
