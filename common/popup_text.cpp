#include "popup_text.h"

namespace {
const char* SexWord(char sexCode) { return sexCode == 'F' ? "여" : "남"; }
}  // namespace

std::string EscapeAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

std::string GroupThousands(int32_t value) {
    // Through int64 so that the most negative value has a magnitude too.
    const int64_t wide = value;
    const std::string digits = std::to_string(wide < 0 ? -wide : wide);
    size_t first = digits.size() % 3;
    if (first == 0) first = 3;
    std::string out = wide < 0 ? "-" : "";
    out += digits.substr(0, first);
    for (size_t i = first; i < digits.size(); i += 3) {
        out += ',';
        out += digits.substr(i, 3);
    }
    return out;
}

std::string MemberTitle(std::string_view nickname, std::string_view memberId, char sexCode, int age) {
    std::string out(nickname);
    out += '(';
    out += memberId;
    out += ", ";
    out += SexWord(sexCode);
    out += '/';
    out += std::to_string(age);
    out += "세)";
    return out;
}

std::string NoteSenderHeading(std::string_view nickname, int age, char sexCode) {
    std::string out(nickname);
    out += '(';
    out += std::to_string(age);
    out += '/';
    out += SexWord(sexCode);
    out += ')';
    return out;
}
