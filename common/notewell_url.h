// How Notewell was started. Gatekin's classic command line carries the
// member's identity ("Notewell.exe id/password/sex/session/server"); a browser
// following a notewell: link starts it as `Notewell.exe --url "<link>"`, and a
// link never carries an identity: at most a short token the page chose.
//
// The link, letter case of the scheme ignored (browsers lower-case it):
//   notewell:start
//   notewell:start?t=<1 to 64 of A-Z a-z 0-9 - _>
// One '/' at the very end is tolerated ("notewell:start/", "...?t=abc/"):
// some browsers and launchers append one; the token alphabet holds no '/', so
// the reading stays unambiguous. Everything else is refused: another scheme
// or path, "//" authorities, credentials, percent escapes, other queries,
// fragments, blanks, longer texts.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"

constexpr size_t kMaxStartTokenLength = 64;
// Longer than any link accepted; a text beyond it is refused before it is read.
constexpr size_t kMaxNotewellUrlLength = 96;

// The token of an accepted link (empty when it has none), or nothing.
std::optional<std::string> ParseNotewellUrl(std::string_view url);

enum class StartKind {
    Classic,    // Gatekin's five fields (possibly empty), as ever
    FromLink,   // an accepted notewell: link; the identity comes over the bridge
    Refused,    // "--url" with anything else: start nothing, connect nowhere
};

struct StartRequest {
    StartKind kind = StartKind::Refused;
    TrayArguments identity;  // Classic only
    std::string token;       // FromLink only; may be empty
};

// Reads the arguments behind the program name (as CommandLineTail finds
// them). "--url" followed by a blank or the end makes it a link start: then
// exactly one link must follow, in double quotes (as the scheme's registered
// command gives it) or bare, with nothing but blanks after it. Any other
// argument text is the classic identity: a member id never starts with
// "--url " (it is followed by '/').
StartRequest ParseStartArguments(std::string_view tail);
StartRequest ParseStartCommandLine(std::string_view commandLine);
