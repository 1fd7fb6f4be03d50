#include "chat_command_line.h"

#include "text_split.h"

namespace {

std::string_view Bounded(std::string_view value, size_t width) {
    value = CStringPart(value);
    return value.size() > width ? value.substr(0, width) : value;
}

void AppendQuoted(std::string& line, std::string_view value) {
    line += " \"";
    line += value;
    line += '"';
}

void AppendQuotedChar(std::string& line, char c) {
    line += " \"";
    if (c != 0) line += c;
    line += '"';
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

}  // namespace

std::string BuildChatCommandLine(const ChatLaunchInputs& in) {
    const std::string_view address = Bounded(in.chatServerAddress, kChatAddressWidth);
    std::string line = kChatProgramName;
    AppendQuoted(line, CStringPart(in.userId));
    AppendQuoted(line, CStringPart(in.password));
    AppendQuoted(line, address);
    AppendQuoted(line, address);
    AppendQuoted(line, Bounded(in.chatKey, kChatKeyWidth));
    AppendQuotedChar(line, in.webcamPresent ? 'T' : 'F');
    AppendQuotedChar(line, in.loginMark);
    AppendQuotedChar(line, in.ownSex);
    return line;
}

std::string BuildChatCommandLine(std::string_view userId, std::string_view password,
                                 const ChatDecision& decision, bool webcamPresent,
                                 char loginMark, char ownSex) {
    ChatLaunchInputs in;
    in.userId = userId;
    in.password = password;
    in.chatServerAddress = decision.chatServerAddress;
    in.chatKey = decision.chatKey;
    in.webcamPresent = webcamPresent;
    in.loginMark = loginMark;
    in.ownSex = ownSex;
    return BuildChatCommandLine(in);
}

bool IsDottedIPv4(std::string_view text) {
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        size_t digits = 0;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + (text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    return i == text.size();
}

bool IsSafeChatKey(std::string_view key) {
    for (char c : key) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

bool IsLaunchableDecision(const ChatDecision& decision) {
    return IsDottedIPv4(Bounded(decision.chatServerAddress, kChatAddressWidth)) &&
           IsSafeChatKey(Bounded(decision.chatKey, kChatKeyWidth));
}

bool IsChatProgramName(std::string_view exeName) {
    exeName = CStringPart(exeName);
    return EqualsIgnoreCase(exeName, kChatProgramName) ||
           EqualsIgnoreCase(exeName, kChatProgramFullPath);
}
