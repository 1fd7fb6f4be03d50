#include "notewell_url.h"

#include <algorithm>

namespace {

constexpr std::string_view kUrlSwitch = "--url";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool IsTokenCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerPrefix[i]) return false;
    }
    return true;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The one link after "--url": quoted (up to the closing quote) or bare (up to
// the first blank); nothing but blanks may follow.
std::optional<std::string_view> SoleArgument(std::string_view rest) {
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    rest = TrimTrailingBlanks(rest);
    if (rest.empty()) return std::nullopt;
    if (rest.front() == '"') {
        if (rest.size() < 2 || rest.back() != '"') return std::nullopt;
        rest = rest.substr(1, rest.size() - 2);
        if (rest.find('"') != std::string_view::npos) return std::nullopt;
        return rest;
    }
    if (std::any_of(rest.begin(), rest.end(), [](char c) { return IsBlank(c) || c == '"'; })) return std::nullopt;
    return rest;
}

}  // namespace

std::optional<std::string> ParseNotewellUrl(std::string_view url) {
    if (url.size() > kMaxNotewellUrlLength) return std::nullopt;
    if (!url.empty() && url.back() == '/') url.remove_suffix(1);
    constexpr std::string_view kScheme = "notewell:";
    if (!StartsWithIgnoringCase(url, kScheme)) return std::nullopt;
    std::string_view rest = url.substr(kScheme.size());
    constexpr std::string_view kStart = "start";
    if (rest.substr(0, kStart.size()) != kStart) return std::nullopt;
    rest.remove_prefix(kStart.size());
    if (rest.empty()) return std::string();
    constexpr std::string_view kTokenQuery = "?t=";
    if (rest.substr(0, kTokenQuery.size()) != kTokenQuery) return std::nullopt;
    rest.remove_prefix(kTokenQuery.size());
    if (rest.empty() || rest.size() > kMaxStartTokenLength || !std::all_of(rest.begin(), rest.end(), IsTokenCharacter))
        return std::nullopt;
    return std::string(rest);
}

StartRequest ParseStartArguments(std::string_view tail) {
    StartRequest request;
    const bool isLink = tail.substr(0, kUrlSwitch.size()) == kUrlSwitch &&
                        (tail.size() == kUrlSwitch.size() || IsBlank(tail[kUrlSwitch.size()]));
    if (!isLink) {
        request.kind = StartKind::Classic;
        request.identity = ParseTrayArguments(tail);
        return request;
    }
    const std::optional<std::string_view> url = SoleArgument(tail.substr(kUrlSwitch.size()));
    const std::optional<std::string> token = url ? ParseNotewellUrl(*url) : std::nullopt;
    if (token) {
        request.kind = StartKind::FromLink;
        request.token = *token;
    }
    return request;
}

StartRequest ParseStartCommandLine(std::string_view commandLine) {
    return ParseStartArguments(CommandLineTail(commandLine));
}
