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

bool IsChatProgramName(std::string_view exeName) {
    exeName = CStringPart(exeName);
    return EqualsIgnoreCase(exeName, kChatProgramName) ||
           EqualsIgnoreCase(exeName, kChatProgramFullPath);
}
