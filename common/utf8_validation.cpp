#include "utf8_validation.h"

#include <cstdint>

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;   // overlong below U+10000
            if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;  // continuation byte, overlong C0/C1, or F5..FF
        }
        if (text.size() - i < length) return false;
        const auto second = static_cast<uint8_t>(text[i + 1]);
        if (second < low || second > high) return false;
        for (size_t k = 2; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if (next < 0x80 || next > 0xBF) return false;
        }
        i += length;
    }
    return true;
}
