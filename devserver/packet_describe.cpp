#include "packet_describe.h"

#include "fields.h"
#include "member_profiles.h"
#include "packet.h"
#include "text_display.h"
#include "tray_bodies.h"

namespace devserver {
namespace {

std::string Char(uint8_t c) {
    if (c >= 0x20 && c < 0x7F && c != '\'') return std::string("'") + static_cast<char>(c) + "'";
    return QuoteText(std::string(1, static_cast<char>(c)));
}

std::string Slot(const Bytes& b, size_t at, size_t width) { return QuoteText(GetText(&b[at], width)); }

std::string Hex(const Bytes& b) { return "hex=" + HexBytes(b.data(), b.size()); }

std::string DescribeMemberCard(const Bytes& b, bool noteOrder) {
    // The incoming-chat and note records share a layout but swap age and sex.
    const size_t ageAt = noteOrder ? 32 : 33, sexAt = noteOrder ? 34 : 32;
    std::string s = "id=" + Slot(b, 0, 13) + " nick=" + Slot(b, 13, 19) + " sex=" + Char(b[sexAt]) +
                    " age=" + std::to_string(GetI16BE(&b[ageAt])) + " job=" + Slot(b, 35, 19) +
                    " region=" + Slot(b, 54, 16) + " topic=" + Slot(b, 70, 32) +
                    " taste=" + std::to_string(GetI16BE(&b[102])) + " pop=" + Slot(b, 104, 5);
    if (noteOrder) {
        s += " points=" + std::to_string(GetI32BE(&b[109]));
    } else {
        s += " flag=" + Char(b[109]) + " points=" + std::to_string(GetI32BE(&b[110]));
    }
    return s;
}

std::string FromClient(const WirePacket& p) {
    const Bytes& b = p.body;
    switch (p.command) {
        case CMD_LOGIN: {
            LoginBody l;
            if (!ParseLogin(b, &l)) break;
            return "id=" + QuoteText(l.id) + " password=(" + std::to_string(l.password.size()) +
                   " chars) webcam=" + Char(static_cast<uint8_t>(l.webcam)) + " session=" + QuoteText(l.sessionId) +
                   " version=" + QuoteText(l.version);
        }
        case CMD_KEEPALIVE: {
            KeepAliveBody k;
            if (!ParseKeepAlive(b, &k)) break;
            return "time=" + std::to_string(k.clientTime);
        }
        case CMD_CHAT_REQUEST:
        case CMD_CHAT_REQUEST_ALL:
        case CMD_LOGOUT:
        case CMD_CHAT_CHECK: {
            TargetBody t;
            if (!ParseTarget(b, &t)) break;
            return "id=" + QuoteText(t.id);
        }
        case CMD_CHAT_ANSWER: {
            AnswerBody a;
            if (!ParseAnswer(b, &a)) break;
            return "code=" + Char(static_cast<uint8_t>(a.code)) + " asker=" + QuoteText(a.askerId) +
                   " nick=" + QuoteText(a.nickname) + " flag=" + Char(static_cast<uint8_t>(a.flag));
        }
        case CMD_CHAT_CONTROL: {
            ControlBody c;
            if (!ParseControl(b, &c)) break;
            return "id=" + QuoteText(c.id) + " code=" + Char(static_cast<uint8_t>(c.code));
        }
        case CMD_NOTE: {
            NoteBody n;
            if (!ParseNote(b, &n)) break;
            return "to=" + QuoteText(n.recipient) + " text=" + QuoteText(n.text);
        }
        default:
            return b.empty() ? "" : Hex(b);
    }
    return "MALFORMED " + Hex(b);
}

std::string FromServer(const WirePacket& p) {
    const Bytes& b = p.body;
    const size_t n = b.size();
    switch (p.command) {
        case CMD_LOGIN:
            if (n >= 1) return "result=" + Char(b[0]);
            break;
        case CMD_KEEPALIVE:
            return n == 0 ? "" : Hex(b);
        case CMD_CHAT_REQUEST:
        case CMD_CHAT_REQUEST_ALL:
            if (p.kind == KIND_SERVER && n >= 114) return DescribeMemberCard(b, false);
            if (p.kind != KIND_SERVER && n >= 32)
                return "result=" + Char(b[0]) + " answer=" + Char(b[1]) + " id=" + Slot(b, 2, 13) +
                       " code=" + Slot(b, 15, 16) + " cancel=" + Char(b[31]);
            break;
        case CMD_CHAT_ANSWER:
            if (n >= 31)
                return "result=" + Char(b[0]) + " code=" + Char(b[1]) + " id=" + Slot(b, 2, 13) +
                       " result_code=" + Slot(b, 15, 16);
            break;
        case CMD_CHAT_CONTROL:
            if (n >= 78)
                return "id=" + Slot(b, 0, 13) + " decision=" + Char(b[13]) + " key=" + Slot(b, 14, 32) +
                       " chat_server=" + Slot(b, 46, 16) + " code=" + Slot(b, 62, 16);
            break;
        case CMD_NOTE:
            if (p.kind == KIND_SERVER && n >= kNoteRecordSize) {
                const size_t len = GetU16BE(&b[113]);
                std::string s = DescribeMemberCard(b, true);
                if (len > n - kNoteRecordSize) return s + " MALFORMED text length " + std::to_string(len);
                return s + " text=" + QuoteText(std::string(reinterpret_cast<const char*>(&b[115]), len));
            }
            if (p.kind != KIND_SERVER && n >= 30)
                return "result=" + Char(b[0]) + " id=" + Slot(b, 1, 13) + " code=" + Slot(b, 14, 16);
            break;
        case CMD_SESSION_END:
            if (n >= 1) return "reason=" + Char(b[0]);
            break;
        case CMD_CHAT_CHECK:
            if (n >= 30) return "result=" + Char(b[0]) + " id=" + Slot(b, 1, 13) + " code=" + Slot(b, 14, 16);
            break;
        default:
            return b.empty() ? "" : Hex(b);
    }
    return "SHORT " + Hex(b);
}

std::string ListFields(bool fromClient, const WirePacket& p) {
    const Bytes& b = p.body;
    const size_t n = b.size();
    if (fromClient) {
        switch (p.command) {
            case LIST_LOGIN:
                if (n >= 57)
                    return "id=" + Slot(b, 0, 13) + " password=(" + std::to_string(GetText(&b[13], 32).size()) +
                           " chars) version=" + Slot(b, 45, 12);
                break;
            case LIST_TIME:
                if (n >= 4) return "time=" + std::to_string(GetU32BE(&b[0]));
                break;
            case LIST_MEMBERS:
                if (n >= 1) return "list=" + Char(b[0]);
                break;
            case LIST_RELATION:
                if (n >= 33) return "action=" + Char(b[0]) + " id=" + Slot(b, 1, 13) + " nick=" + Slot(b, 14, 19);
                break;
            default:
                return b.empty() ? "" : Hex(b);
        }
        return "MALFORMED " + Hex(b);
    }
    if (p.command == LIST_RELATION && n >= 50)
        return "result=" + Char(b[0]) + " action=" + Char(b[1]) + " id=" + Slot(b, 2, 13) + " nick=" + Slot(b, 15, 19) +
               " code=" + Slot(b, 34, 16);
    if (p.command == LIST_MEMBERS && p.kind == KIND_SERVER && n >= 141)
        return "op=" + Char(b[0]) + " sex=" + Char(b[1]) + " id=" + Slot(b, 2, 13) + " status=" + Char(b[15]) +
               " nick=" + Slot(b, 16, 19) + " age=" + std::to_string(GetI16BE(&b[40])) + " region=" + Slot(b, 42, 16) +
               " topic=" + Slot(b, 64, 32) + " friend=" + Char(b[96]) + " blocked=" + Char(b[120]) +
               " buddy=" + Char(b[140]);
    if ((p.command == LIST_LOGIN || p.command == LIST_MEMBERS) && n >= 1) return "result=" + Char(b[0]);
    return b.empty() ? "" : Hex(b);
}

}  // namespace

std::string DescribePacket(Channel channel, bool fromClient, const WirePacket& p) {
    std::string s = CommandName(channel, p.command) + " kind " + std::to_string(p.kind);
    std::string fields;
    if (channel == Channel::List) {
        fields = ListFields(fromClient, p);
    } else {
        fields = fromClient ? FromClient(p) : FromServer(p);
    }
    if (!fields.empty()) s += " " + fields;
    return s;
}

std::string DescribeRawBytes(Channel channel, const Bytes& bytes) {
    std::string s = "RAW " + std::to_string(bytes.size()) + " bytes";
    size_t at = 0;
    int count = 0;
    while (at + kHeaderSize <= bytes.size() && count < 8) {
        const PacketHeader h = ParseHeader(&bytes[at]);
        const size_t rest = bytes.size() - at - kHeaderSize;
        if (h.bodyLength > rest || !BodyLengthFits(h.bodyLength)) {
            s += " | header " + CommandName(channel, h.command) + " kind " + std::to_string(h.kind) + " length " +
                 std::to_string(h.bodyLength) + " with " + std::to_string(rest) + " body bytes following";
            return s;
        }
        WirePacket p;
        p.command = h.command;
        p.kind = h.kind;
        p.body.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + kHeaderSize),
                      bytes.begin() + static_cast<std::ptrdiff_t>(at + kHeaderSize + h.bodyLength));
        s += " | " + DescribePacket(channel, false, p);
        at += kHeaderSize + h.bodyLength;
        ++count;
    }
    if (at < bytes.size()) s += " | " + std::to_string(bytes.size() - at) + " trailing bytes";
    return s;
}

}  // namespace devserver
