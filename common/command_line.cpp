#include "command_line.h"

#include "text_split.h"
#include "tray_messages.h"

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::string_view CommandLineTail(std::string_view commandLine) {
    const std::string_view s = CStringPart(commandLine);
    size_t i = 0;
    if (i < s.size() && s[i] == '"') {
        ++i;
        while (i < s.size() && s[i] != '"') ++i;
        if (i < s.size()) ++i;  // the closing quote
    } else {
        while (i < s.size() && !IsBlank(s[i])) ++i;
    }
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

TrayArguments ParseTrayArguments(std::string_view tail) {
    TrayArguments a;
    a.userId = ExtractField(tail, 0);
    a.password = ExtractField(tail, 1);
    a.sexField = ExtractField(tail, 2);
    a.sessionId = ExtractField(tail, 3);
    a.serverAddress = ExtractField(tail, 4);
    a.ownSex = a.sexField.empty() ? 0 : a.sexField[0];
    return a;
}

TrayArguments ParseTrayCommandLine(std::string_view commandLine) {
    return ParseTrayArguments(CommandLineTail(commandLine));
}

std::string BuildTrayCommandLine(std::string_view userId, std::string_view password,
                                 std::string_view sex, std::string_view sessionId,
                                 std::string_view serverAddress) {
    std::string line = kTrayProgramName;
    line += ' ';
    line += CStringPart(userId);
    line += '/';
    line += CStringPart(password);
    line += '/';
    line += CStringPart(sex);
    line += '/';
    line += CStringPart(sessionId);
    line += '/';
    line += CStringPart(serverAddress);
    return line;
}
