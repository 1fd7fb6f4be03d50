#include "scenario.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "fields.h"
#include "packet.h"
#include "tray_bodies.h"

namespace devserver {
namespace {

struct Token {
    std::string text;
    bool quoted = false;  // began with a quote: always text, never an item or keyword
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits on blanks; "..." groups (anywhere in a token) with \" \\ \n \r \t \0
// and \xNN escapes; a token starting with # begins a comment.
bool Tokenize(const std::string& line, std::vector<Token>* out, std::string* error) {
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
        if (i >= n || line[i] == '#') return true;
        Token t;
        t.quoted = line[i] == '"';
        bool inQuote = false;
        while (i < n && (inQuote || (line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n'))) {
            const char c = line[i++];
            if (c == '"') {
                inQuote = !inQuote;
                continue;
            }
            if (!inQuote || c != '\\') {
                t.text += c;
                continue;
            }
            if (i >= n) break;
            const char e = line[i++];
            switch (e) {
                case 'n': t.text += '\n'; break;
                case 'r': t.text += '\r'; break;
                case 't': t.text += '\t'; break;
                case '0': t.text += '\0'; break;
                case 'x': {
                    const int hi = i < n ? HexDigit(line[i]) : -1;
                    const int lo = i + 1 < n ? HexDigit(line[i + 1]) : -1;
                    if (hi < 0 || lo < 0) {
                        *error = "\\x needs two hex digits";
                        return false;
                    }
                    t.text += static_cast<char>(hi * 16 + lo);
                    i += 2;
                    break;
                }
                default: t.text += e;  // \" and \\ and anything else stand for themselves
            }
        }
        if (inQuote) {
            *error = "unterminated quote";
            return false;
        }
        out->push_back(std::move(t));
    }
    return true;
}

bool ParseInt(const std::string& text, long long lo, long long hi, long long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ParseCommand(const std::string& text, uint16_t* out) {
    long long v;
    if (ParseInt(text, 0, 65535, &v)) {
        *out = static_cast<uint16_t>(v);
        return true;
    }
    for (uint16_t c = 1001; c <= 2011; ++c) {
        const Channel ch = c < 2000 ? Channel::List : Channel::Tray;
        if ((c <= 1005 || c >= 2001) && CommandName(ch, c) == text) {
            *out = c;
            return true;
        }
    }
    return false;
}

// Appends a body piece at run time (profiles are read when the action runs).
using BodyPart = std::function<void(DevServer&, Bytes&)>;
// An action; `context` is the session of the trigger that started it, if any.
using ActionFn = std::function<void(DevServer&, std::optional<int> context)>;

class Cursor {
public:
    explicit Cursor(const std::vector<Token>& tokens) : t_(tokens) {}
    bool AtEnd() const { return i_ >= t_.size(); }
    const Token& Peek() const { return t_[i_]; }
    Token Next() { return t_[i_++]; }
    bool NextIs(const char* word) const { return !AtEnd() && !Peek().quoted && Peek().text == word; }

private:
    const std::vector<Token>& t_;
    size_t i_ = 0;
};

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

std::string Expect(Cursor& c, const char* what) {
    if (c.AtEnd()) Fail(std::string("missing ") + what);
    return c.Next().text;
}

int64_t ExpectDuration(Cursor& c, const char* what) {
    int64_t ms;
    const std::string text = Expect(c, what);
    if (!ParseDuration(text, &ms)) Fail("'" + text + "' is not a duration (e.g. 500ms, 2s)");
    return ms;
}

bool LooksLikeDuration(const Cursor& c) {
    int64_t ms;
    return !c.AtEnd() && !c.Peek().quoted && ParseDuration(c.Peek().text, &ms);
}

long long Number(const std::string& text, long long lo, long long hi, const std::string& what) {
    long long v;
    if (!ParseInt(text, lo, hi, &v))
        Fail(what + " '" + text + "' must be a number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return v;
}

BodyPart Fixed(Bytes bytes) {
    return [bytes](DevServer&, Bytes& out) { out.insert(out.end(), bytes.begin(), bytes.end()); };
}

Bytes PaddedText(const std::string& text, size_t width) {
    Bytes b(width);
    PutText(b.data(), width, text);
    return b;
}

BodyPart ParseBodyItem(Cursor& c) {
    const Token t = c.Next();
    if (t.quoted) return Fixed(Bytes(t.text.begin(), t.text.end()));
    const std::string& s = t.text;
    const size_t colon = s.find(':');
    const std::string head = colon == std::string::npos ? s : s.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : s.substr(colon + 1);

    if (head == "note-from") {
        const std::string from = Expect(c, "the sender of note-from");
        const std::string text = Expect(c, "the text of note-from");
        return [from, text](DevServer& server, Bytes& out) {
            const Bytes r = BuildReceivedNote(server.GetMember(from), text);
            out.insert(out.end(), r.begin(), r.end());
        };
    }
    if (head == "chat-from") {
        const std::string from = Expect(c, "the asker of chat-from");
        char flag = 'S';
        if (!c.AtEnd() && !c.Peek().quoted && c.Peek().text.rfind("flag:", 0) == 0) {
            const std::string f = c.Next().text.substr(5);
            if (f.size() != 1) Fail("flag: takes one character");
            flag = f[0];
        }
        return [from, flag](DevServer& server, Bytes& out) {
            const Bytes r = BuildIncomingChatRecord(server.GetMember(from), flag);
            out.insert(out.end(), r.begin(), r.end());
        };
    }
    if (head == "decision") {
        const std::string with = Expect(c, "the member id of decision");
        const std::string d = Expect(c, "the decision character");
        if (d.size() != 1) Fail("a decision is one character (A, C or R)");
        std::string code;
        if (!c.AtEnd() && !c.Peek().quoted && c.Peek().text.rfind("code:", 0) == 0) code = c.Next().text.substr(5);
        const char decision = d[0];
        return [with, decision, code](DevServer& server, Bytes& out) {
            std::string key, address = "0.0.0.0";
            if (decision == 'A') {
                // Same shape as the server's own decisions.
                key = "SCRIPTED" + std::to_string(server.NowMs());
                address = server.GetChatServerAddress();
            }
            const Bytes r = BuildChatDecision(with, decision, key, address, code);
            out.insert(out.end(), r.begin(), r.end());
        };
    }
    if (head == "list-record") {
        const std::string id = Expect(c, "the member id of list-record");
        char op = 'A';
        if (!c.AtEnd() && !c.Peek().quoted && c.Peek().text.rfind("op:", 0) == 0) {
            const std::string o = c.Next().text.substr(3);
            if (o.size() != 1) Fail("op: takes one character");
            op = o[0];
        }
        return [id, op](DevServer& server, Bytes& out) {
            const Bytes r = BuildMemberWireRecord(server.GetMember(id), op, false);
            out.insert(out.end(), r.begin(), r.end());
        };
    }
    if (colon == std::string::npos) Fail("'" + s + "' is not a body item (quote texts: \"" + s + "\")");

    Bytes b;
    if (head == "hex") {
        if (rest.size() % 2) Fail("hex: needs an even number of digits");
        for (size_t i = 0; i < rest.size(); i += 2) {
            const int hi = HexDigit(rest[i]), lo = HexDigit(rest[i + 1]);
            if (hi < 0 || lo < 0) Fail("hex: has a non-hex digit");
            b.push_back(static_cast<uint8_t>(hi * 16 + lo));
        }
    } else if (head == "u8") {
        b.push_back(static_cast<uint8_t>(Number(rest, 0, 255, "u8")));
    } else if (head == "u16" || head == "i16") {
        b.resize(2);
        const long long v = head == "u16" ? Number(rest, 0, 65535, "u16") : Number(rest, -32768, 32767, "i16");
        PutU16BE(b.data(), static_cast<uint16_t>(v));
    } else if (head == "u32" || head == "i32") {
        b.resize(4);
        const long long v =
            head == "u32" ? Number(rest, 0, 4294967295LL, "u32") : Number(rest, -2147483648LL, 2147483647LL, "i32");
        PutU32BE(b.data(), static_cast<uint32_t>(v));
    } else if (head == "zeros") {
        b.resize(static_cast<size_t>(Number(rest, 0, 65535, "zeros")));
    } else if (head == "id") {
        b = PaddedText(rest, kIdWidth);
    } else if (head == "code") {
        b = PaddedText(rest, kCodeWidth);
    } else if (head == "pad") {
        const size_t second = rest.find(':');
        if (second == std::string::npos) Fail("pad: needs pad:WIDTH:TEXT");
        const auto width = static_cast<size_t>(Number(rest.substr(0, second), 0, 4096, "pad width"));
        b = PaddedText(rest.substr(second + 1), width);
    } else if (head == "hdr") {
        // hdr:LENGTH:COMMAND:KIND, a header that may lie about its body.
        long long f[3];
        std::string r = rest;
        for (int k = 0; k < 3; ++k) {
            const size_t at = r.find(':');
            f[k] = Number(k < 2 ? r.substr(0, at) : r, 0, 65535, "hdr field");
            if (k < 2) {
                if (at == std::string::npos) Fail("hdr: needs hdr:LENGTH:COMMAND:KIND");
                r = r.substr(at + 1);
            }
        }
        b.resize(kHeaderSize);
        BuildHeader(b.data(), static_cast<uint16_t>(f[0]), static_cast<uint16_t>(f[1]), static_cast<uint16_t>(f[2]));
    } else {
        Fail("unknown body item '" + head + ":'");
    }
    return Fixed(std::move(b));
}

// Body items up to the end of the line or the next "++".
std::vector<BodyPart> ParseBody(Cursor& c) {
    std::vector<BodyPart> parts;
    while (!c.AtEnd() && !c.NextIs("++")) parts.push_back(ParseBodyItem(c));
    return parts;
}

Bytes BuildBody(DevServer& server, const std::vector<BodyPart>& parts) {
    Bytes body;
    for (const auto& p : parts) p(server, body);
    return body;
}

struct Options {
    std::optional<std::string> to;
    Delivery delivery;
    int times = 1;  // the packets written this many times over, in one write
};

Options ParseOptions(Cursor& c) {
    Options o;
    while (!c.AtEnd() && !c.Peek().quoted) {
        const std::string& s = c.Peek().text;
        const size_t eq = s.find('=');
        if (eq == std::string::npos) break;
        const std::string key = s.substr(0, eq), value = s.substr(eq + 1);
        if (key == "to") {
            if (value.empty()) Fail("to= needs a member id, #session or *");
            o.to = value;
        } else if (key == "split") {
            size_t start = 0;
            for (;;) {
                const size_t comma = value.find(',', start);
                const std::string piece = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                o.delivery.split.push_back(static_cast<size_t>(Number(piece, 1, 65535, "split piece")));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (key == "gap") {
            int64_t ms;
            if (!ParseDuration(value, &ms)) Fail("gap= needs a duration");
            o.delivery.gapMs = static_cast<int>(ms);
        } else if (key == "stall") {
            const size_t at = value.find('@');
            int64_t ms;
            if (at == std::string::npos || !ParseDuration(value.substr(0, at), &ms))
                Fail("stall= needs DURATION@BYTES, e.g. stall=12s@10");
            o.delivery.stallMs = static_cast<int>(ms);
            o.delivery.stallAfter = static_cast<size_t>(Number(value.substr(at + 1), 0, 65535, "stall bytes"));
        } else if (key == "drip") {
            int64_t ms;
            if (!ParseDuration(value, &ms) || ms <= 0) Fail("drip= needs a duration above 0, e.g. drip=1s");
            o.delivery.dripMs = static_cast<int>(ms);
        } else if (key == "times") {
            o.times = static_cast<int>(Number(value, 1, 100000, "times"));
        } else {
            Fail("unknown option '" + key + "='");
        }
        c.Next();
    }
    return o;
}

// The target of an action: to= if given, else the trigger's session.
std::function<std::optional<Target>(std::optional<int>)> TargetOf(const Options& o, bool inTrigger) {
    if (!o.to && !inTrigger) Fail("needs to=TARGET here (only trigger actions have a default session)");
    const std::optional<std::string> to = o.to;
    return [to](std::optional<int> context) -> std::optional<Target> {
        if (to) return Target(*to);
        if (context) return Target(*context);
        return std::nullopt;
    };
}

ActionFn ParseAction(Cursor& c, bool inTrigger) {
    const std::string verb = Expect(c, "an action (send, raw, end, close, reset, log)");
    if (verb == "log") {
        const std::string text = Expect(c, "the text to log");
        return [text](DevServer& server, std::optional<int>) { server.Log("script: " + text); };
    }
    const Options o = ParseOptions(c);
    const auto target = TargetOf(o, inTrigger);
    const Delivery how = o.delivery;
    const int times = o.times;

    if (verb == "send") {
        struct Packet {
            uint16_t command, kind;
            std::vector<BodyPart> body;
        };
        std::vector<Packet> packets;
        do {
            Packet p;
            if (!ParseCommand(Expect(c, "a command number"), &p.command)) Fail("unknown command");
            p.kind = static_cast<uint16_t>(Number(Expect(c, "a kind"), 0, 65535, "kind"));
            p.body = ParseBody(c);
            packets.push_back(std::move(p));
        } while (c.NextIs("++") && (c.Next(), true));
        return [packets, target, how, times](DevServer& server, std::optional<int> context) {
            const auto to = target(context);
            if (!to) return;
            if (packets.size() == 1 && times == 1) {
                server.Send(*to, packets[0].command, packets[0].kind, BuildBody(server, packets[0].body), how);
                return;
            }
            Bytes joined;  // several packets in one write
            for (const auto& p : packets) {
                const Bytes framed = FramePacket(p.command, p.kind, BuildBody(server, p.body));
                joined.insert(joined.end(), framed.begin(), framed.end());
            }
            const Bytes once = joined;
            for (int i = 1; i < times; ++i) joined.insert(joined.end(), once.begin(), once.end());
            server.SendRaw(*to, joined, how);
        };
    }
    if (verb == "raw") {
        const auto body = ParseBody(c);
        if (!c.AtEnd()) Fail("'++' only joins packets of send");
        return [body, target, how, times](DevServer& server, std::optional<int> context) {
            const auto to = target(context);
            if (!to) return;
            const Bytes once = BuildBody(server, body);
            Bytes bytes;
            for (int i = 0; i < times; ++i) bytes.insert(bytes.end(), once.begin(), once.end());
            server.SendRaw(*to, bytes, how);
        };
    }
    if (verb == "end") {
        const std::string reason = Expect(c, "a reason (A, C, O or V)");
        if (reason.size() != 1) Fail("the reason is one character (A, C, O or V)");
        return [reason, target](DevServer& server, std::optional<int> context) {
            if (const auto to = target(context)) server.EndSession(*to, reason[0]);
        };
    }
    if (verb == "reset") {
        return [target](DevServer& server, std::optional<int> context) {
            if (const auto to = target(context)) server.Reset(*to);
        };
    }
    if (verb == "close") {
        return [target](DevServer& server, std::optional<int> context) {
            if (const auto to = target(context)) server.Disconnect(*to);
        };
    }
    Fail("unknown action '" + verb + "'");
}

Reply ParseReply(Cursor& c) {
    const std::string word = Expect(c, "an answer (normal, none, or a result character)");
    if (word == "normal" || word == "relay") return Reply::Normal();
    if (word == "none" || word == "silent") return Reply::None();
    if (word.size() != 1) Fail("an answer is normal, none, or one result character such as S, F or E");
    std::string code;
    if (!c.AtEnd()) code = c.Next().text;
    if (code.size() > 15) Fail("a result code has at most 15 characters");
    return Reply::With(word[0], code);
}

void ParseMember(Cursor& c, MemberProfile* out) {
    const std::string first = Expect(c, "a member id");
    std::string error;
    if (first.find(':') != std::string::npos) {
        if (!ParseProfileText(first, out, &error)) Fail(error);
        return;
    }
    if (!ParseProfileText(first, out, &error)) Fail(error);
    while (!c.AtEnd()) {
        const std::string kv = c.Next().text;
        const size_t eq = kv.find('=');
        if (eq == std::string::npos) Fail("member fields are key=value, not '" + kv + "'");
        const std::string key = kv.substr(0, eq), value = kv.substr(eq + 1);
        if (key == "nick") out->nickname = value;
        else if (key == "sex") {
            if (value != "F" && value != "M") Fail("sex is F or M");
            out->sex = value[0];
        } else if (key == "age") out->age = static_cast<int16_t>(Number(value, 0, 150, "age"));
        else if (key == "job") out->occupation = value;
        else if (key == "region") out->region = value;
        else if (key == "topic") out->topic = value;
        else if (key == "taste") out->taste = static_cast<int16_t>(Number(value, -1, 32767, "taste"));
        else if (key == "pop") {
            if (value.size() > 5) Fail("pop has at most 5 characters");
            out->popularity = value;
        } else if (key == "points") out->points = static_cast<int32_t>(Number(value, -2147483648LL, 2147483647LL, "points"));
        else if (key == "webcam") {
            if (value.size() != 1) Fail("webcam is one character");
            out->webcam = value[0];
        } else Fail("unknown member field '" + key + "'");
    }
}

// Member list population statements (port 5200):
//   list add ID [chatting|waiting] [album=N] [stamp=TEXT] [member fields]
//   list update ID [chatting|waiting] [album=N] [stamp=TEXT]
//   list chatting ID | list waiting ID | list remove ID | list clear
//   list friend|block|buddy VIEWER ID on|off
//   list fill N [sex=F|M] [prefix=TEXT] [chatting=EVERY]
std::function<void(DevServer&)> ParseList(Cursor& c) {
    const std::string verb = Expect(c, "a list statement (add, update, chatting, waiting, remove, clear, "
                                       "friend, block, buddy, fill)");
    if (verb == "clear") {
        return [](DevServer& s) {
            for (const std::string& id : s.MemberList().Population().Ids()) s.MemberList().RemoveMember(id);
        };
    }
    if (verb == "fill") {
        const long long count = Number(Expect(c, "a member count"), 1, 100000, "count");
        char sex = 0;
        std::string prefix = "m";
        long long chattingEvery = 0;
        while (!c.AtEnd()) {
            const std::string kv = c.Next().text;
            const size_t eq = kv.find('=');
            const std::string key = kv.substr(0, eq), value = eq == std::string::npos ? "" : kv.substr(eq + 1);
            if (key == "sex" && (value == "F" || value == "M")) sex = value[0];
            else if (key == "prefix" && !value.empty() && value.size() <= 6) prefix = value;
            else if (key == "chatting") chattingEvery = Number(value, 1, 100000, "chatting");
            else Fail("list fill takes sex=F|M, prefix=TEXT (at most 6 characters) and chatting=EVERY");
        }
        return [count, sex, prefix, chattingEvery](DevServer& s) {
            for (long long i = 1; i <= count; ++i) {
                const std::string id = prefix + std::to_string(i);
                MemberProfile p = s.GetMember(id);
                if (sex) p.sex = sex;
                s.SetMember(p);
                ListedMember m;
                m.id = id;
                m.chatting = chattingEvery > 0 && i % chattingEvery == 0;
                m.albumCount = static_cast<int16_t>(i % 40);
                s.MemberList().PutMember(m);
            }
        };
    }
    if (verb == "friend" || verb == "block" || verb == "buddy") {
        const std::string viewer = Expect(c, "the viewer's id");
        const std::string id = Expect(c, "the member's id");
        const std::string onOff = Expect(c, "on or off");
        if (onOff != "on" && onOff != "off") Fail("expected on or off");
        const bool on = onOff == "on";
        return [verb, viewer, id, on](DevServer& s) {
            MemberRelation r = s.MemberList().Population().RelationOf(viewer, id);
            (verb == "friend" ? r.friendOf : verb == "block" ? r.blocked : r.buddy) = on;
            s.MemberList().SetRelation(viewer, id, r);
        };
    }
    const std::string id = Expect(c, "a member id");
    if (id.empty() || id.size() > 12) Fail("a member id has 1 to 12 characters");
    if (verb == "remove") return [id](DevServer& s) { s.MemberList().RemoveMember(id); };
    if (verb == "chatting" || verb == "waiting") {
        const bool chatting = verb == "chatting";
        return [id, chatting](DevServer& s) {
            s.MemberList().UpdateMember(id, [chatting](ListedMember& m) { m.chatting = chatting; });
        };
    }
    if (verb != "add" && verb != "update") Fail("unknown list statement '" + verb + "'");

    std::optional<bool> chatting;
    std::optional<int16_t> album;
    std::optional<std::string> stamp;
    std::vector<Token> memberTokens{Token{id, false}};
    while (!c.AtEnd()) {
        const Token t = c.Next();
        if (t.text == "chatting" || t.text == "waiting") chatting = t.text == "chatting";
        else if (t.text.rfind("album=", 0) == 0) album = static_cast<int16_t>(Number(t.text.substr(6), -1, 32767, "album"));
        else if (t.text.rfind("stamp=", 0) == 0) {
            if (t.text.size() - 6 > 20) Fail("a stamp has at most 20 characters");
            stamp = t.text.substr(6);
        } else if (verb == "add") memberTokens.push_back(t);
        else Fail("list update takes chatting, waiting, album=N and stamp=TEXT");
    }
    std::optional<MemberProfile> profile;
    if (memberTokens.size() > 1) {
        MemberProfile p;
        Cursor fields(memberTokens);
        ParseMember(fields, &p);
        profile = p;
    }
    const bool add = verb == "add";
    return [id, add, chatting, album, stamp, profile](DevServer& s) {
        if (profile) s.SetMember(*profile);
        auto apply = [&](ListedMember& m) {
            if (chatting) m.chatting = *chatting;
            if (album) m.albumCount = *album;
            if (stamp) m.stamp = *stamp;
        };
        if (!add) {
            s.MemberList().UpdateMember(id, apply);
            return;
        }
        ListedMember m = s.MemberList().Population().Find(id).value_or(ListedMember{});
        m.id = id;
        apply(m);
        s.MemberList().PutMember(m);
    };
}

// Trigger statements: [once] after-connect|after-login|after-packet ... DELAY ACTION
Scenario::Step ParseTrigger(Cursor& c, const std::string& verb, bool once) {
    ServerEvent::Type type = ServerEvent::Type::Connected;
    uint16_t command = 0;
    std::string member;
    if (verb == "after-login") type = ServerEvent::Type::LoggedIn;
    if (verb == "after-packet") {
        type = ServerEvent::Type::Packet;
        if (!ParseCommand(Expect(c, "a command"), &command)) Fail("unknown command");
    }
    if (type != ServerEvent::Type::Connected && !LooksLikeDuration(c)) member = Expect(c, "a member id or delay");
    const int64_t delay = ExpectDuration(c, "a delay");
    const ActionFn action = ParseAction(c, true);
    if (!c.AtEnd()) Fail("unexpected '" + c.Peek().text + "' after the action");
    const Channel channel = command >= 1001 && command <= 1005 ? Channel::List : Channel::Tray;

    Scenario::Step step;
    step.apply = [=](DevServer& server) {
        auto fired = std::make_shared<std::atomic<bool>>(false);
        server.AddEventHook([=, &server](const ServerEvent& e) {
            if (e.type != type || e.channel != channel) return;
            if (type == ServerEvent::Type::Packet && e.command != command) return;
            if (!member.empty() && e.member != member) return;
            if (once && fired->exchange(true)) return;
            const int session = e.session;
            server.After(delay, [&server, action, session] { action(server, session); });
        });
    };
    return step;
}

Scenario::Step ParseStatement(Cursor& c) {
    Scenario::Step step;
    std::string verb = Expect(c, "a statement");
    bool once = false;
    if (verb == "once") {
        once = true;
        verb = Expect(c, "a trigger after once");
        if (verb.rfind("after-", 0) != 0) Fail("once goes before after-connect, after-login or after-packet");
    }
    if (verb == "after-connect" || verb == "after-login" || verb == "after-packet") return ParseTrigger(c, verb, once);

    if (verb == "wait") {
        step.type = Scenario::Step::Type::Wait;
        step.ms = ExpectDuration(c, "a duration");
    } else if (verb == "wait-login") {
        step.type = Scenario::Step::Type::WaitLogin;
        step.member = Expect(c, "a member id");
        step.ms = c.AtEnd() ? 600000 : ExpectDuration(c, "a time-out");
    } else if (verb == "quit") {
        step.type = Scenario::Step::Type::Quit;
    } else if (verb == "login") {
        const Reply r = ParseReply(c);
        step.apply = [r](DevServer& s) { s.SetReply(CMD_LOGIN, r); };
    } else if (verb == "keepalive") {
        const std::string w = Expect(c, "answer or silent");
        if (w != "answer" && w != "silent") Fail("keepalive takes answer or silent");
        step.apply = [w](DevServer& s) { s.SetAnswerKeepAlives(w == "answer"); };
    } else if (verb == "on") {
        uint16_t command;
        if (!ParseCommand(Expect(c, "a command"), &command)) Fail("unknown command");
        if (Expect(c, "'answer'") != "answer") Fail("expected: on COMMAND answer ...");
        const Reply r = ParseReply(c);
        step.apply = [command, r](DevServer& s) { s.SetReply(command, r); };
    } else if (verb == "member") {
        MemberProfile p;
        ParseMember(c, &p);
        step.apply = [p](DevServer& s) { s.SetMember(p); };
    } else if (verb == "list") {
        step.apply = ParseList(c);
    } else if (verb == "chat-server") {
        const std::string address = Expect(c, "an address");
        if (address.size() > 15) Fail("the chat server address has at most 15 characters");
        step.apply = [address](DevServer& s) { s.SetChatServerAddress(address); };
    } else {
        Fail("unknown statement '" + verb + "'");
    }
    if (!c.AtEnd()) Fail("unexpected '" + c.Peek().text + "'");
    return step;
}

bool IsActionVerb(const Token& t) {
    return !t.quoted && (t.text == "send" || t.text == "raw" || t.text == "end" || t.text == "close" || t.text == "reset" || t.text == "log");
}

// An action at the top level runs when the script reaches it.
Scenario::Step ParseTopLevelAction(Cursor& c) {
    const ActionFn action = ParseAction(c, false);
    if (!c.AtEnd()) Fail("unexpected '" + c.Peek().text + "' after the action");
    Scenario::Step step;
    step.apply = [action](DevServer& s) { action(s, std::nullopt); };
    return step;
}

}  // namespace

bool ParseDuration(const std::string& text, int64_t* ms) {
    if (text == "0") {
        *ms = 0;
        return true;
    }
    double scale;
    std::string number;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, "ms") == 0) {
        scale = 1;
        number = text.substr(0, text.size() - 2);
    } else if (text.size() > 1 && text.back() == 's') {
        scale = 1000;
        number = text.substr(0, text.size() - 1);
    } else if (text.size() > 1 && text.back() == 'm') {
        scale = 60000;
        number = text.substr(0, text.size() - 1);
    } else {
        return false;
    }
    if (number.empty() || number.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double v = std::strtod(number.c_str(), &end);
    if (*end != '\0' || !(v >= 0) || v * scale > 86400000.0) return false;
    *ms = static_cast<int64_t>(std::llround(v * scale));
    return true;
}

bool Scenario::Parse(const std::string& text, std::vector<ScriptError>* errors, int firstLine) {
    bool ok = true;
    size_t start = 0;
    int lineNo = firstLine;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        std::vector<Token> tokens;
        std::string error;
        if (!Tokenize(line, &tokens, &error)) {
            ok = false;
            if (errors) errors->push_back({lineNo, error});
        } else if (!tokens.empty()) {
            try {
                Cursor c(tokens);
                Step step = IsActionVerb(tokens[0]) ? ParseTopLevelAction(c) : ParseStatement(c);
                step.line = lineNo;
                steps_.push_back(std::move(step));
            } catch (const Failure& f) {
                ok = false;
                if (errors) errors->push_back({lineNo, f.message});
            }
        }
        if (end == text.size()) break;
        start = end + 1;
        ++lineNo;
    }
    return ok;
}

size_t Scenario::FirstBlockingStep() const {
    for (size_t i = 0; i < steps_.size(); ++i)
        if (steps_[i].type != Step::Type::Apply) return i;
    return steps_.size();
}

Scenario::Outcome Scenario::Run(DevServer& server, const std::atomic<bool>& stop, size_t from, size_t to) const {
    const auto sleepUntilStop = [&](int64_t ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!stop && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    for (size_t i = from; i < steps_.size() && i < to; ++i) {
        if (stop) return Outcome::Stopped;
        const Step& s = steps_[i];
        switch (s.type) {
            case Step::Type::Apply: s.apply(server); break;
            case Step::Type::Wait: sleepUntilStop(s.ms); break;
            case Step::Type::WaitLogin: {
                const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(s.ms);
                bool in = false;
                while (!stop && !in && std::chrono::steady_clock::now() < until)
                    in = server.WaitForLogin(s.member, 100).has_value();
                if (!in && !stop) server.Log("script line " + std::to_string(s.line) + ": " + s.member +
                                             " did not log in; going on");
                break;
            }
            case Step::Type::Quit: return Outcome::Quit;
        }
    }
    return stop ? Outcome::Stopped : Outcome::Finished;
}

const char* Scenario::HelpText() {
    return "settings:  login S|F|E|none | keepalive answer|silent | on CMD answer normal|none|R [CODE]\n"
           "           member ID [nick= sex= age= job= region= topic= taste= pop= points= webcam=]\n"
           "           chat-server ADDRESS\n"
           "list:      list add ID [chatting|waiting] [album=N] [stamp=TEXT] [member fields]\n"
           "           list update ID [chatting|waiting] [album=N] [stamp=TEXT] | list chatting|waiting|remove ID\n"
           "           list friend|block|buddy VIEWER ID on|off | list fill N [sex=F|M] [prefix=P] [chatting=EVERY]\n"
           "           list clear"
           "triggers:  [once] after-connect DELAY ACTION | after-login [ID] DELAY ACTION\n"
           "           [once] after-packet CMD [ID] DELAY ACTION\n"
           "sequence:  wait DURATION | wait-login ID [TIMEOUT] | quit\n"
           "actions:   send [OPTS] CMD KIND [BODY...] [++ CMD KIND [BODY...]]\n"
           "           raw [OPTS] BODY... | end [OPTS] A|C|O|V | close [OPTS] | reset [OPTS] | log \"TEXT\"\n"
           "options:   to=ID|#N|*|list:ID  split=N,N,..  gap=DURATION  stall=DURATION@BYTES\n"
           "           drip=DURATION (one byte at a time)  times=N (the packets N times over, one write)\n"
           "body:      \"text\" hex:.. u8:N u16:N i16:N u32:N i32:N zeros:N id:TEXT code:TEXT pad:W:TEXT\n"
           "           hdr:LEN:CMD:KIND note-from ID \"text\" chat-from ID [flag:X]\n"
           "           decision ID A|C|R [code:CODE] list-record ID [op:X]\n";
}

}  // namespace devserver
