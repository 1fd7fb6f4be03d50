#include "text_display.h"

#include <cstdio>

namespace devserver {
namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
size_t SequenceLength(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t c = b(i);
    if (c < 0x80) return 1;
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string QuoteText(std::string_view bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const uint8_t c = static_cast<uint8_t>(bytes[i]);
        const size_t n = SequenceLength(bytes, i);
        if (n > 1) {
            out.append(bytes.substr(i, n));
            i += n;
            continue;
        }
        char esc[8];
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    out += static_cast<char>(c);
                } else {
                    std::snprintf(esc, sizeof(esc), "\\x%02X", c);
                    out += esc;
                }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string HexBytes(const uint8_t* data, size_t size, size_t limit) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const size_t n = size < limit ? size : limit;
    for (size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    if (n < size) out += "...";
    return out;
}

std::string_view CutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t end = maxBytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace devserver
