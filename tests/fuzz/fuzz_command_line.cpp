// Fuzz target for the texts Notewell takes from other processes and from its
// own version resource: its command line (written by Gatekin), the
// FileVersion text and result codes as plain texts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chat_command_line.h"
#include "command_line.h"
#include "fuzz_check.h"
#include "login_form.h"
#include "notewell_url.h"
#include "result_text.h"
#include "text_split.h"
#include "version_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // The tail is a suffix of the command line's C-string part.
    const std::string_view line = CStringPart(input);
    const std::string_view tail = CommandLineTail(input);
    FUZZ_CHECK(tail.size() <= line.size());
    FUZZ_CHECK(line.substr(line.size() - tail.size()) == tail);
    if (!tail.empty()) FUZZ_CHECK(static_cast<unsigned char>(tail[0]) > ' ');

    const TrayArguments a = ParseTrayCommandLine(input);
    for (const std::string* f : {&a.userId, &a.password, &a.sexField, &a.sessionId, &a.serverAddress}) {
        FUZZ_CHECK(f->find('/') == std::string::npos);
        FUZZ_CHECK(f->find('\0') == std::string::npos);
    }
    FUZZ_CHECK(a.ownSex == (a.sexField.empty() ? 0 : a.sexField[0]));

    // Gatekin's line of the parsed fields parses back to the same fields, unless
    // the member id starts with characters the tail finder skips.
    if (a.userId.empty() || static_cast<unsigned char>(a.userId[0]) > ' ') {
        const std::string again = BuildTrayCommandLine(a.userId, a.password, a.sexField,
                                                       a.sessionId, a.serverAddress);
        const TrayArguments b = ParseTrayCommandLine(again);
        FUZZ_CHECK(b.userId == a.userId && b.password == a.password && b.sexField == a.sexField &&
                   b.sessionId == a.sessionId && b.serverAddress == a.serverAddress);
    }

    // Version text: at most the input's length, no blanks.
    const std::string version = JoinVersionParts(input);
    FUZZ_CHECK(version.size() <= line.size());
    FUZZ_CHECK(version.find(' ') == std::string::npos);

    FUZZ_CHECK(ResultText(input) != nullptr);
    FUZZ_CHECK(ResultTextRosterly(input) != nullptr);

    // Texts built from the parsed fields hold no zero byte.
    ChatLaunchInputs in;
    in.userId = a.userId;
    in.password = a.password;
    in.chatServerAddress = a.sessionId;
    in.chatKey = a.serverAddress;
    in.loginMark = a.ownSex;
    in.ownSex = a.ownSex;
    FUZZ_CHECK(BuildChatCommandLine(in).find('\0') == std::string::npos);
    FUZZ_CHECK(BuildLoginPostText(a.userId, a.password).size() ==
               a.userId.size() + a.password.size() + 32);
    (void)IsChatProgramName(input);

    // A start from a link never carries an identity, and its token is short and plain.
    const StartRequest start = ParseStartCommandLine(input);
    if (start.kind != StartKind::Classic) {
        FUZZ_CHECK(start.identity.userId.empty() && start.identity.password.empty() &&
                   start.identity.serverAddress.empty());
        FUZZ_CHECK(tail.substr(0, 5) == "--url");
    }
    if (start.kind == StartKind::FromLink) {
        FUZZ_CHECK(start.token.size() <= kMaxStartTokenLength);
        FUZZ_CHECK(start.token.find_first_not_of(
                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") == std::string::npos);
    }
    if (const std::optional<std::string> token = ParseNotewellUrl(input)) {
        FUZZ_CHECK(input.size() <= kMaxNotewellUrlLength);
        FUZZ_CHECK(input.find_first_of("%#@ \"") == std::string::npos);
    }
    return 0;
}
