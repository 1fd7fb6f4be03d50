// The chat program's command line: "PVChat.exe" followed by
// " \"%s\" \"%s\" \"%s\" \"%s\" \"%s\" \"%c\" \"%c\" \"%c\"" with the own
// member id, the password, the chat server address twice, the chat key, the
// webcam character ('T'/'F'), loginMark and the own sex character.
#pragma once
#include <string>
#include <string_view>

#include "bodies.h"

constexpr char kChatProgramName[] = "PVChat.exe";
constexpr char kChatProgramFullPath[] = "C:\\WINDOWS\\SYSTEM\\PVChat.exe";

struct ChatLaunchInputs {
    std::string userId;
    std::string password;
    std::string chatServerAddress;  // cut to 16 bytes (its body field)
    std::string chatKey;            // cut to 32 bytes (its body field)
    bool webcamPresent = false;
    char loginMark = 0;
    char ownSex = 0;
};

// Every value is taken up to its first zero byte (as "%s" does); the address
// and the key are also cut to their field widths. A status character that is
// 0 gives an empty pair of quotes (a "%c" of 0 would end the C string there).
std::string BuildChatCommandLine(const ChatLaunchInputs& in);
// From a parsed 2006 decision.
std::string BuildChatCommandLine(std::string_view userId, std::string_view password,
                                 const ChatDecision& decision, bool webcamPresent,
                                 char loginMark, char ownSex);

// What the server put into a decision goes, quoted, onto another program's
// command line: a quote or a control character there would add arguments or
// break the line. The address must be dotted IPv4 text (four numbers 0 to
// 255 of one to three digits), the key free of both; each taken as the
// command line takes it (up to its first zero, at most its field width).
bool IsDottedIPv4(std::string_view text);
bool IsSafeChatKey(std::string_view key);
bool IsLaunchableDecision(const ChatDecision& decision);

// Whether an executable name from the process list is the chat program: its
// bare file name or the full path above, letter case ignored.
bool IsChatProgramName(std::string_view exeName);
