// Small helpers for building and inspecting byte images in the tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Writes `text` at `offset` (no terminator added).
inline void Put(Bytes& b, size_t offset, std::string_view text) {
    std::memcpy(b.data() + offset, text.data(), text.size());
}
inline void PutByte(Bytes& b, size_t offset, uint8_t v) { b[offset] = v; }
inline void Put16BE(Bytes& b, size_t offset, uint16_t v) {
    b[offset] = static_cast<uint8_t>(v >> 8);
    b[offset + 1] = static_cast<uint8_t>(v);
}
inline void Put32BE(Bytes& b, size_t offset, uint32_t v) {
    Put16BE(b, offset, static_cast<uint16_t>(v >> 16));
    Put16BE(b, offset + 2, static_cast<uint16_t>(v));
}
// The `n` bytes at `offset` as a string (zero bytes included).
inline std::string At(const Bytes& b, size_t offset, size_t n) {
    return std::string(reinterpret_cast<const char*>(b.data() + offset), n);
}
inline std::string At(const void* p, size_t offset, size_t n) {
    return std::string(static_cast<const char*>(p) + offset, n);
}
// `text` zero-padded to `width`.
inline std::string Padded(std::string_view text, size_t width) {
    std::string s(text);
    s.resize(width, '\0');
    return s;
}
inline bool AllZero(const void* p, size_t offset, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p) + offset;
    for (size_t i = 0; i < n; ++i)
        if (b[i] != 0) return false;
    return true;
}
