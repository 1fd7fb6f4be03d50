// Turns untrusted bytes into something safe to print on one log line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace devserver {

// Quoted text: valid UTF-8 stays as it is (Korean reads as Korean), control
// characters, quotes and invalid bytes become escapes such as \n or \xB0.
std::string QuoteText(std::string_view bytes);

// True when every byte sequence is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Lower-case hex of at most `limit` bytes, with "..." when cut.
std::string HexBytes(const uint8_t* data, size_t size, size_t limit = 48);

// Longest prefix of `text` that is at most `maxBytes` long and does not end
// inside a UTF-8 sequence (used when a text must be shortened to fit a field).
std::string_view CutUtf8(std::string_view text, size_t maxBytes);

}  // namespace devserver
