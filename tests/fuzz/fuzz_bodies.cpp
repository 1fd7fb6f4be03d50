// Fuzz target for the parsers of server packets.
//
// Every input is used twice:
//  1. as a whole packet (header + body), dispatched by command and kind the
//     way Notewell's main window does it;
//  2. as a selector byte followed by a body, handed to the parser the
//     selector names (so every parser sees bodies of every length).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "bodies.h"
#include "chat_command_line.h"
#include "fuzz_check.h"
#include "result_text.h"
#include "taste.h"
#include "tray_messages.h"

namespace {

void UseResultCode(const std::string& code) {
    FUZZ_CHECK(code.size() <= kResultCodeWidth);
    FUZZ_CHECK(ResultText(code) != nullptr);
    FUZZ_CHECK(ResultTextRosterly(code) != nullptr);
}

void UseTaste(int16_t taste) {
    std::string text = "x";
    TasteName(taste, text);
    if (taste == -1) FUZZ_CHECK(text.empty());
    else if (taste < 4 || taste > 10) FUZZ_CHECK(text == "x");
}

void CheckLayout(size_t length, size_t layout, bool parsed) {
    FUZZ_CHECK(parsed == (length >= layout));
}

void ParseOne(uint8_t selector, const uint8_t* body, size_t length) {
    switch (selector % 11) {
        case 0: {
            const auto a = ParseLoginAnswer(body, length);
            CheckLayout(length, kLoginAnswerLength, a.has_value());
            break;
        }
        case 1: {
            const auto a = ParseRequestAnswer(body, length);
            CheckLayout(length, kRequestAnswerLength, a.has_value());
            if (a) {
                FUZZ_CHECK(a->memberId.size() <= kIdWidth);
                UseResultCode(a->resultCode);
            }
            break;
        }
        case 2: {
            const auto r = ParseIncomingChatRecord(body, length);
            CheckLayout(length, kIncomingChatRecordLength, r.has_value());
            if (r) {
                FUZZ_CHECK(r->memberId.size() <= kIdWidth);
                FUZZ_CHECK(r->nickname.size() <= kNicknameWidth);
                FUZZ_CHECK(r->occupation.size() <= kOccupationWidth);
                FUZZ_CHECK(r->region.size() <= kRegionWidth);
                FUZZ_CHECK(r->chatTopic.size() <= kChatTopicWidth);
                FUZZ_CHECK(r->popularity.size() <= kPopularityWidth);
                UseTaste(r->taste);
            }
            break;
        }
        case 3: {
            const auto a = ParseAnswerResult(body, length);
            CheckLayout(length, kAnswerResultLength, a.has_value());
            if (a) UseResultCode(a->resultCode);
            break;
        }
        case 4: {
            const auto d = ParseChatDecision(body, length);
            CheckLayout(length, kChatDecisionLength, d.has_value());
            if (d) {
                FUZZ_CHECK(d->chatKey.size() <= kChatKeyWidth);
                FUZZ_CHECK(d->chatServerAddress.size() <= kChatAddressWidth);
                UseResultCode(d->resultCode);
                const std::string line = BuildChatCommandLine("id", "pw", *d, true, 'P', 'F');
                FUZZ_CHECK(line.find('\0') == std::string::npos);
                FUZZ_CHECK(line.size() <= 10 + 8 * 3 + 2 + 2 + 16 + 16 + 32 + 3);
                (void)HasChatServer(*d);
            }
            break;
        }
        case 5: {
            const auto a = ParseNoteAnswer(body, length);
            CheckLayout(length, kNoteAnswerLength, a.has_value());
            if (a) UseResultCode(a->resultCode);
            break;
        }
        case 6: {
            const auto r = ParseReceivedNote(body, length);
            if (length < kReceivedNoteHeadLength) {
                FUZZ_CHECK(!r);
            } else {
                const size_t n = (static_cast<size_t>(body[113]) << 8) | body[114];
                FUZZ_CHECK(r.has_value() == (kReceivedNoteHeadLength + n <= length));
                if (r) {
                    FUZZ_CHECK(r->text.size() == n);
                    UseTaste(r->taste);
                }
            }
            break;
        }
        case 7: {
            const auto s = ParseSessionEnd(body, length);
            CheckLayout(length, kSessionEndLength, s.has_value());
            break;
        }
        case 8: {
            const auto a = ParseChatCheckAnswer(body, length);
            CheckLayout(length, kChatCheckAnswerLength, a.has_value());
            if (a) UseResultCode(a->resultCode);
            break;
        }
        case 9: {
            // The 16-byte result code field itself.
            if (length >= kResultCodeWidth) {
                FUZZ_CHECK(ResultTextFromField(body) != nullptr);
                FUZZ_CHECK(ResultTextFromField(body, ResultTable::Rosterly) != nullptr);
            }
            break;
        }
        case 10: {
            // The note builder with any text: the packet always fits 4096 bytes.
            const std::string text(reinterpret_cast<const char*>(body), length);
            const PacketBytes p = BuildNotePacket(text.substr(0, 20), text);
            FUZZ_CHECK(p.size() <= kReceiveBufferSize);
            const auto v = ViewPacket(p.data(), p.size());
            FUZZ_CHECK(v.has_value());
            const size_t n = (static_cast<size_t>(v->body[13]) << 8) | v->body[14];
            FUZZ_CHECK(n == v->bodyLength - kNoteBodyHeadLength);
            FUZZ_CHECK(n <= text.size() && n + 3 >= std::min(text.size(), kMaxNoteTextLength));
            FUZZ_CHECK(text.compare(0, n, reinterpret_cast<const char*>(v->body + 15), n) == 0);
            break;
        }
    }
}

// Notewell's dispatch of one received packet.
void Dispatch(const PacketView& v) {
    const SocketEventRoute route = RouteServerCommand(v.header.command);
    if (route.readFails) return;
    const uint8_t* b = v.body;
    const size_t n = v.bodyLength;
    switch (v.header.command) {
        case CMD_LOGIN: (void)ParseLoginAnswer(b, n); break;
        case CMD_KEEPALIVE: break;
        case CMD_CHAT_REQUEST:
        case CMD_CHAT_REQUEST_2004:
            if (v.header.kind == KIND_ANSWER) ParseOne(1, b, n);
            else if (v.header.kind == KIND_SERVER) ParseOne(2, b, n);
            break;
        case CMD_CHAT_ANSWER: ParseOne(3, b, n); break;
        case CMD_CHAT_CONTROL: ParseOne(4, b, n); break;
        case CMD_NOTE:
            if (v.header.kind == KIND_ANSWER) ParseOne(5, b, n);
            else if (v.header.kind == KIND_SERVER) ParseOne(6, b, n);
            break;
        case CMD_SESSION_END: ParseOne(7, b, n); break;
        case CMD_CHAT_CHECK: ParseOne(8, b, n); break;
        default: FUZZ_CHECK(false);  // RouteServerCommand let an unknown command through
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto v = ViewPacket(data, size)) {
        FUZZ_CHECK(v->bodyLength <= kMaxBodyLength);
        FUZZ_CHECK(v->body + v->bodyLength <= data + size);
        Dispatch(*v);
    }
    if (size >= 1) ParseOne(data[0], data + 1, size - 1);
    return 0;
}
