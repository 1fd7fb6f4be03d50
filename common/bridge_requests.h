// The bridge's messages: JSON texts, one per WebSocket text message.
//
// Page -> Notewell. Every request may carry "id", an integer 0..2147483647,
// echoed in its reply. No other key than those listed is taken; texts are
// JSON strings, numbers JSON integers within their slot's range.
//   {"op":"login","member":{"id":"..","password":"..","sex":"F"|"M",
//                           "sessionId":"..","server":"<dotted IPv4>"}}
//       hand Notewell the member's identity and log in (Gatekin's login
//       state 0). id 1..13 bytes, password up to 32, sessionId up to 32 (the
//       login's fields); id and password hold no '"' and no control character
//       (both go quoted onto the chat program's command line), the id no '/'
//       and no blank. All five keys are required.
//   {"op":"logout","ask":false|true}
//       close at once (login state 1) or ask the member first (state 2);
//       "ask" may be left out (false).
//   {"op":"sendNote","target":{"id","nickname","sex","age"}}
//       a note target (Gatekin's SendLabel).
//   {"op":"askChat","target":{"id","nickname","sex","age","occupation","region",
//                             "taste","popularity","topic","points"}}
//       a 1:1 chat target (Gatekin's SendChat).
//       In both targets only "id" is required (not empty); a text left out is
//       empty and a number 0, as with Gatekin. "sex" is "F" or "M"; "age" and
//       "taste" are 16-bit, "points" 32-bit signed integers. Each text must fit
//       its record slot (less its terminator) in the record's code page.
//   {"op":"noteToAll"}   {"op":"chatToAll"}
//   {"op":"listSubscribe","viewer":{"id","password","sex","server"}}
//       the member list for this page, as Rosterly's "ID", "PWD", "SEX" and
//       "SERVERIP" give it: id 1..13 bytes, password up to 32, sex up to 16
//       (compared as Rosterly compares it), server a dotted IPv4. All required.
//   {"op":"listUnsubscribe"}
//   {"op":"listMode","label":".."}  or  {"op":"listMode","buddy":".."}
//       Rosterly's TextLabel or TextBuddy, exactly one, up to 16 bytes.
//   {"op":"listAction","action":"note"|"chat"|"doubleClick"|"profile"|
//                     "addFriend"|"removeFriend"|"block"|"unblock","member":".."}
//       what the list's menu (or a double click) chose for a listed member.
//
// Notewell -> page.
//   {"type":"reply","id":n,"ok":true}
//   {"type":"reply","id":n,"ok":false,"error":"<code>"}
//       "id" is null when the request gave none or none could be read. Codes:
//       "bad-json" (not JSON, not an object, nested too deep, a key twice),
//       "too-long" (the message or a field), "unknown-op", "bad-field"
//       (a missing, unknown or mistyped key, a value out of range); the
//       main window adds its own (e.g. "not-connected").
//   {"type":"state","state":"started"|"waiting"|"connecting"|"loggedIn"|"ended",
//    "reason":"<code or empty>"}
//
// No text made here ever holds the password.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "member_actions.h"
#include "records.h"

constexpr size_t kMaxRequestText = 8192;
constexpr size_t kMaxRequestDepth = 4;
constexpr size_t kMaxMemberIdLength = 13;    // the login's userId field
constexpr size_t kMaxPasswordLength = 32;    // the login's password field
constexpr size_t kMaxSessionIdLength = 32;   // the login's sessionId field

constexpr size_t kMaxListModeText = 16;

enum class BridgeOp {
    Login, Logout, SendNote, AskChat, NoteToAll, ChatToAll,
    ListSubscribe, ListUnsubscribe, ListMode, ListAction,
};

// UTF-8 texts throughout.
struct BridgeIdentity {
    std::string memberId, password, sex, sessionId, serverAddress;
};
struct BridgeNoteTarget {
    std::string memberId, nickname, sex;
    int16_t age = 0;
};

struct BridgeListViewer {
    std::string memberId, password, sex, serverAddress;
};
enum class ListAction { Note, Chat, DoubleClick, Profile, AddFriend, RemoveFriend, Block, Unblock };

struct BridgeRequest {
    BridgeOp op = BridgeOp::NoteToAll;
    std::optional<int32_t> id;
    BridgeIdentity identity;  // Login
    bool ask = false;         // Logout: ask the member first
    BridgeNoteTarget note;    // SendNote
    ChatTargetFields chat;    // AskChat (UTF-8 texts; make the record with ChatRecordOf)
    BridgeListViewer viewer;  // ListSubscribe
    bool modeIsLabel = false; // ListMode: TextLabel (else TextBuddy)
    std::string modeValue;    // ListMode
    ListAction action = ListAction::Note;  // ListAction
    std::string listMember;   // ListAction: the member's id
};

struct BridgeDecoded {
    std::optional<BridgeRequest> request;
    std::string error;         // when there is no request
    std::optional<int32_t> id; // for the reply, also when refused
};

// `toRecordText` turns a UTF-8 text into the records' code page 949 bytes
// (Gatekin's conversion); it decides whether a target's text fits its slot.
// Without it the UTF-8 bytes are measured.
BridgeDecoded DecodeBridgeRequest(std::string_view text, const RecordTextFn& toRecordText);

// The records the window messages carry, from a decoded target.
NoteTargetInfo NoteRecordOf(const BridgeNoteTarget& target, const RecordTextFn& toRecordText);
ChatTargetInfo ChatRecordOf(const ChatTargetFields& target, const RecordTextFn& toRecordText);
// The identity as Gatekin's command line would have given it.
TrayArguments ArgumentsOf(const BridgeIdentity& identity);

enum class BridgeState { Started, Waiting, Connecting, LoggedIn, Ended };

std::string EncodeReply(std::optional<int32_t> id, bool ok, std::string_view error = {});
std::string EncodeState(BridgeState state, std::string_view reason = {});
