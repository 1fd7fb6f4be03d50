// Notewell's command line: Gatekin starts it as
// "Notewell.exe" followed by " %s/%s/%s/%s/%s" (member id, password, sex code,
// session id, server address).
#pragma once
#include <string>
#include <string_view>

struct TrayArguments {
    std::string userId;
    std::string password;
    std::string sexField;
    std::string sessionId;
    std::string serverAddress;
    char ownSex = 0;  // first character of the sex field, 0 when it is empty
};

// The argument string behind the program name, found as the Windows C runtime
// finds WinMain's lpCmdLine: a program name that starts with '"' runs to the
// next '"' (which is skipped; a missing one ends the text), any other runs up
// to the first character <= ' '; then every character <= ' ' is skipped.
std::string_view CommandLineTail(std::string_view commandLine);

// Splits the argument string on '/' with AfxExtractSubString semantics: five
// fields, a missing one empty, a sixth and later ones ignored.
TrayArguments ParseTrayArguments(std::string_view tail);
// The same from the whole command line (program name included).
TrayArguments ParseTrayCommandLine(std::string_view commandLine);

// Gatekin's side: "Notewell.exe" followed by " %s/%s/%s/%s/%s". Each value is
// taken up to its first zero byte, as "%s" does.
std::string BuildTrayCommandLine(std::string_view userId, std::string_view password,
                                 std::string_view sex, std::string_view sessionId,
                                 std::string_view serverAddress);
