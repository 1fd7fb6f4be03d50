// Fuzz target for the page's JSON requests: a request is taken only when
// every field is within its record's or the login's bounds; a refusal has a
// known code and never repeats the password; Notewell's messages stay JSON.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "bridge_requests.h"
#include "fuzz_check.h"

namespace {
// A stand-in for code page 949 that keeps the lengths honest: non-ASCII
// characters take two bytes, as Hangul does there.
std::string TwoBytesEach(std::string_view utf8) {
    std::string out;
    for (unsigned char c : utf8)
        if (c < 0x80) out += static_cast<char>(c);
        else if (c >= 0xC0) out += "\xB0\xA1";
    return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const BridgeDecoded d = DecodeBridgeRequest(input, TwoBytesEach);
    if (d.request) {
        const BridgeRequest& r = *d.request;
        FUZZ_CHECK(d.error.empty());
        FUZZ_CHECK(r.id == d.id && (!r.id || *r.id >= 0));
        if (r.op == BridgeOp::Login) {
            const BridgeIdentity& m = r.identity;
            FUZZ_CHECK(!m.memberId.empty() && m.memberId.size() <= kMaxMemberIdLength);
            FUZZ_CHECK(m.password.size() <= kMaxPasswordLength && m.sessionId.size() <= kMaxSessionIdLength);
            FUZZ_CHECK(m.sex == "F" || m.sex == "M");
            FUZZ_CHECK(m.password.find('"') == std::string::npos && m.memberId.find('/') == std::string::npos);
        }
        if (r.op == BridgeOp::SendNote) {
            const NoteTargetInfo note = NoteRecordOf(r.note, TwoBytesEach);
            FUZZ_CHECK(note.MemberId() == TwoBytesEach(r.note.memberId));
            FUZZ_CHECK(note.Nickname() == TwoBytesEach(r.note.nickname));  // nothing was cut
        }
        if (r.op == BridgeOp::AskChat) {
            const ChatTargetInfo chat = ChatRecordOf(r.chat, TwoBytesEach);
            FUZZ_CHECK(chat.ChatTopic() == TwoBytesEach(r.chat.chatTopic));
            FUZZ_CHECK(chat.Occupation() == TwoBytesEach(r.chat.occupation));
            FUZZ_CHECK(chat.Points() == r.chat.points && chat.Age() == r.chat.age);
        }
    } else {
        const std::string& e = d.error;
        FUZZ_CHECK(e == "bad-json" || e == "too-long" || e == "unknown-op" || e == "bad-field");
    }
    const std::string reply = EncodeReply(d.id, d.request.has_value(), d.error);
    FUZZ_CHECK(nlohmann::json::accept(reply));
    FUZZ_CHECK(nlohmann::json::accept(EncodeState(BridgeState::Ended, input)));
    return 0;
}
