// SHA-1 through Windows' own cryptography (CNG), for the WebSocket handshake;
// we compute no digest of our own.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

using Sha1Digest = std::array<uint8_t, 20>;

// The digest of the bytes, or nothing when the system's provider fails.
std::optional<Sha1Digest> Sha1Of(std::string_view bytes);
