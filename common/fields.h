// Fixed-width fields of packet bodies and window-message records: texts are
// zero-padded and carry no terminator when they fill their slot; body numbers
// are big-endian, record numbers little-endian.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Copies at most `width` bytes of `text` into dst and zero-fills the rest.
void PutText(uint8_t* dst, size_t width, std::string_view text);
// Like PutText but keeps at least one zero byte at the end of the slot
// (texts longer than width-1 are cut), as the window-message records require.
void PutTextTerminated(uint8_t* dst, size_t width, std::string_view text);
// Reads a text slot up to its first zero byte or its width.
std::string GetText(const uint8_t* src, size_t width);

void PutU16BE(uint8_t* dst, uint16_t value);
void PutU32BE(uint8_t* dst, uint32_t value);
uint16_t GetU16BE(const uint8_t* src);
uint32_t GetU32BE(const uint8_t* src);
inline int16_t GetI16BE(const uint8_t* src) { return static_cast<int16_t>(GetU16BE(src)); }
inline int32_t GetI32BE(const uint8_t* src) { return static_cast<int32_t>(GetU32BE(src)); }

void PutU16LE(uint8_t* dst, uint16_t value);
void PutU32LE(uint8_t* dst, uint32_t value);
uint16_t GetU16LE(const uint8_t* src);
uint32_t GetU32LE(const uint8_t* src);
