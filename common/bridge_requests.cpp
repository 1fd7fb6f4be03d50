#include "bridge_requests.h"

#include <algorithm>
#include <limits>
#include <vector>

#include <nlohmann/json.hpp>

#include "chat_command_line.h"

using nlohmann::json;

namespace {

// A refusal while reading one request: its code for the reply.
struct Refused {
    const char* code;
};
constexpr Refused kBadJson{"bad-json"};
constexpr Refused kTooLong{"too-long"};
constexpr Refused kUnknownOp{"unknown-op"};
constexpr Refused kBadField{"bad-field"};

// Parses with nesting and key repetition bounded: a value nested deeper than
// the protocol could need, or an object naming a key twice (which parsers
// would read in different ways), is not taken.
std::optional<json> ParseBounded(std::string_view text) {
    bool refused = false;
    std::vector<std::vector<std::string>> openObjects;
    const json::parser_callback_t watch = [&](int depth, json::parse_event_t event, json& parsed) {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start:
            if (depth >= static_cast<int>(kMaxRequestDepth)) refused = true;
            if (event == json::parse_event_t::object_start) openObjects.emplace_back();
            break;
        case json::parse_event_t::object_end:
            if (!openObjects.empty()) openObjects.pop_back();
            break;
        case json::parse_event_t::key:
            if (!openObjects.empty() && parsed.is_string()) {
                std::vector<std::string>& keys = openObjects.back();
                const std::string& key = parsed.get_ref<const std::string&>();
                if (std::find(keys.begin(), keys.end(), key) != keys.end()) refused = true;
                keys.push_back(key);
            }
            break;
        default:
            break;
        }
        return !refused;
    };
    json value = json::parse(text.begin(), text.end(), watch, /*allow_exceptions=*/false);
    if (refused || value.is_discarded()) return std::nullopt;
    return value;
}

void OnlyKeys(const json& object, std::initializer_list<const char*> allowed) {
    for (auto it = object.begin(); it != object.end(); ++it)
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* k) { return it.key() == k; }))
            throw kBadField;
}

const json* Member(const json& object, const char* key, bool required) {
    const auto it = object.find(key);
    if (it == object.end()) {
        if (required) throw kBadField;
        return nullptr;
    }
    return &*it;
}

int64_t Integer(const json& object, const char* key, int64_t low, int64_t high) {
    const json* value = Member(object, key, false);
    if (!value) return 0;
    int64_t n;
    if (value->is_number_unsigned()) {
        const uint64_t u = value->get<uint64_t>();
        if (u > static_cast<uint64_t>(high)) throw kBadField;
        n = static_cast<int64_t>(u);
    } else if (value->is_number_integer()) {
        n = value->get<int64_t>();
    } else {
        throw kBadField;  // a float, a text, anything else
    }
    if (n < low || n > high) throw kBadField;
    return n;
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

std::string Text(const json& object, const char* key, bool required) {
    const json* value = Member(object, key, required);
    if (!value) return std::string();
    if (!value->is_string()) throw kBadField;
    std::string text = value->get<std::string>();
    if (HasControlCharacter(text)) throw kBadField;
    return text;
}

std::string BoundedText(const json& object, const char* key, bool required, size_t maxBytes) {
    std::string text = Text(object, key, required);
    if (text.size() > maxBytes) throw kTooLong;
    return text;
}

// A text bound for a record slot of `slotSize` bytes: its code page 949 form
// must leave the slot's terminator.
std::string SlotText(const json& object, const char* key, bool required, size_t slotSize,
                     const RecordTextFn& toRecordText) {
    std::string text = Text(object, key, required);
    const size_t recordLength = toRecordText ? toRecordText(text).size() : text.size();
    if (recordLength > slotSize - 1) throw kTooLong;
    return text;
}

std::string SexCode(const json& object, bool required) {
    std::string sex = Text(object, "sex", required);
    if (!(sex == "F" || sex == "M" || (sex.empty() && !Member(object, "sex", false)))) throw kBadField;
    return sex;
}

const json& Object(const json& object, const char* key) {
    const json* value = Member(object, key, true);
    if (!value->is_object()) throw kBadField;
    return *value;
}

BridgeIdentity ReadIdentity(const json& m) {
    OnlyKeys(m, {"id", "password", "sex", "sessionId", "server"});
    BridgeIdentity identity;
    identity.memberId = BoundedText(m, "id", true, kMaxMemberIdLength);
    identity.password = BoundedText(m, "password", true, kMaxPasswordLength);
    identity.sex = SexCode(m, true);
    identity.sessionId = BoundedText(m, "sessionId", true, kMaxSessionIdLength);
    identity.serverAddress = Text(m, "server", true);
    const std::string& id = identity.memberId;
    if (id.empty() || id.find_first_of("\"/ ") != std::string::npos) throw kBadField;
    if (identity.password.find('"') != std::string::npos) throw kBadField;
    if (!IsDottedIPv4(identity.serverAddress)) throw kBadField;
    return identity;
}

std::string TargetId(const json& t, size_t slotSize, const RecordTextFn& toRecordText) {
    std::string id = SlotText(t, "id", true, slotSize, toRecordText);
    if (id.empty()) throw kBadField;
    return id;
}

int16_t Int16(const json& object, const char* key) {
    return static_cast<int16_t>(
        Integer(object, key, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

BridgeNoteTarget ReadNoteTarget(const json& t, const RecordTextFn& convert) {
    OnlyKeys(t, {"id", "nickname", "sex", "age"});
    BridgeNoteTarget target;
    target.memberId = TargetId(t, sizeof(NoteTargetInfo::memberId), convert);
    target.nickname = SlotText(t, "nickname", false, sizeof(NoteTargetInfo::nickname), convert);
    target.sex = SexCode(t, false);
    target.age = Int16(t, "age");
    return target;
}

ChatTargetFields ReadChatTarget(const json& t, const RecordTextFn& convert) {
    OnlyKeys(t, {"id", "nickname", "sex", "age", "occupation", "region", "taste", "popularity", "topic", "points"});
    using Slots = ChatTargetInfo;
    ChatTargetFields target;
    target.memberId = TargetId(t, sizeof(Slots::memberId), convert);
    target.nickname = SlotText(t, "nickname", false, sizeof(Slots::nickname), convert);
    target.sex = SexCode(t, false);
    target.age = Int16(t, "age");
    target.occupation = SlotText(t, "occupation", false, sizeof(Slots::occupation), convert);
    target.region = SlotText(t, "region", false, sizeof(Slots::region), convert);
    target.taste = Int16(t, "taste");
    target.popularity = SlotText(t, "popularity", false, sizeof(Slots::popularity), convert);
    target.chatTopic = SlotText(t, "topic", false, sizeof(Slots::chatTopic), convert);
    target.points = static_cast<int32_t>(
        Integer(t, "points", std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    return target;
}

BridgeListViewer ReadListViewer(const json& v) {
    OnlyKeys(v, {"id", "password", "sex", "server"});
    BridgeListViewer viewer;
    viewer.memberId = BoundedText(v, "id", true, kMaxMemberIdLength);
    viewer.password = BoundedText(v, "password", true, kMaxPasswordLength);
    viewer.sex = BoundedText(v, "sex", true, kMaxListModeText);
    viewer.serverAddress = Text(v, "server", true);
    if (viewer.memberId.empty()) throw kBadField;
    if (!IsDottedIPv4(viewer.serverAddress)) throw kBadField;
    return viewer;
}

ListAction ActionNamed(const std::string& name) {
    static const std::pair<const char*, ListAction> kActions[] = {
        {"note", ListAction::Note},           {"chat", ListAction::Chat},
        {"doubleClick", ListAction::DoubleClick}, {"profile", ListAction::Profile},
        {"addFriend", ListAction::AddFriend}, {"removeFriend", ListAction::RemoveFriend},
        {"block", ListAction::Block},         {"unblock", ListAction::Unblock},
    };
    for (const auto& action : kActions)
        if (name == action.first) return action.second;
    throw kBadField;
}

BridgeOp OpNamed(const std::string& name) {
    static const std::pair<const char*, BridgeOp> kOps[] = {
        {"login", BridgeOp::Login},         {"logout", BridgeOp::Logout},
        {"sendNote", BridgeOp::SendNote},   {"askChat", BridgeOp::AskChat},
        {"noteToAll", BridgeOp::NoteToAll}, {"chatToAll", BridgeOp::ChatToAll},
        {"listSubscribe", BridgeOp::ListSubscribe}, {"listUnsubscribe", BridgeOp::ListUnsubscribe},
        {"listMode", BridgeOp::ListMode},   {"listAction", BridgeOp::ListAction},
    };
    for (const auto& op : kOps)
        if (name == op.first) return op.second;
    throw kUnknownOp;
}

BridgeRequest ReadRequest(const json& message, const RecordTextFn& convert) {
    const json* op = Member(message, "op", true);
    if (!op->is_string()) throw kBadField;
    BridgeRequest request;
    request.op = OpNamed(op->get<std::string>());
    switch (request.op) {
    case BridgeOp::Login:
        OnlyKeys(message, {"op", "id", "member"});
        request.identity = ReadIdentity(Object(message, "member"));
        break;
    case BridgeOp::Logout: {
        OnlyKeys(message, {"op", "id", "ask"});
        const json* ask = Member(message, "ask", false);
        if (ask && !ask->is_boolean()) throw kBadField;
        request.ask = ask && ask->get<bool>();
        break;
    }
    case BridgeOp::SendNote:
        OnlyKeys(message, {"op", "id", "target"});
        request.note = ReadNoteTarget(Object(message, "target"), convert);
        break;
    case BridgeOp::AskChat:
        OnlyKeys(message, {"op", "id", "target"});
        request.chat = ReadChatTarget(Object(message, "target"), convert);
        break;
    case BridgeOp::NoteToAll:
    case BridgeOp::ChatToAll:
    case BridgeOp::ListUnsubscribe:
        OnlyKeys(message, {"op", "id"});
        break;
    case BridgeOp::ListSubscribe:
        OnlyKeys(message, {"op", "id", "viewer"});
        request.viewer = ReadListViewer(Object(message, "viewer"));
        break;
    case BridgeOp::ListMode: {
        OnlyKeys(message, {"op", "id", "label", "buddy"});
        const bool label = Member(message, "label", false) != nullptr;
        if (label == (Member(message, "buddy", false) != nullptr)) throw kBadField;  // exactly one
        request.modeIsLabel = label;
        request.modeValue = BoundedText(message, label ? "label" : "buddy", true, kMaxListModeText);
        break;
    }
    case BridgeOp::ListAction: {
        OnlyKeys(message, {"op", "id", "action", "member"});
        request.action = ActionNamed(Text(message, "action", true));
        request.listMember = BoundedText(message, "member", true, kMaxMemberIdLength);
        if (request.listMember.empty()) throw kBadField;
        break;
    }
    }
    return request;
}

std::string Dump(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

BridgeDecoded DecodeBridgeRequest(std::string_view text, const RecordTextFn& toRecordText) {
    BridgeDecoded decoded;
    if (text.size() > kMaxRequestText) {
        decoded.error = kTooLong.code;
        return decoded;
    }
    try {
        const std::optional<json> message = ParseBounded(text);
        if (!message || !message->is_object()) throw kBadJson;
        if (message->contains("id"))
            decoded.id = static_cast<int32_t>(Integer(*message, "id", 0, std::numeric_limits<int32_t>::max()));
        decoded.request = ReadRequest(*message, toRecordText);
        decoded.request->id = decoded.id;
    } catch (const Refused& refused) {
        decoded.request.reset();
        decoded.error = refused.code;
    } catch (const std::exception&) {
        // The converter's, or memory: the request is refused, the connection lives on.
        decoded.request.reset();
        decoded.error = kBadField.code;
    }
    return decoded;
}

NoteTargetInfo NoteRecordOf(const BridgeNoteTarget& t, const RecordTextFn& toRecordText) {
    const auto record = [&](const std::string& text) { return toRecordText ? toRecordText(text) : text; };
    return MakeNoteTargetInfo(record(t.memberId), record(t.nickname), t.age, t.sex);
}

ChatTargetInfo ChatRecordOf(const ChatTargetFields& t, const RecordTextFn& toRecordText) {
    const auto record = [&](const std::string& text) { return toRecordText ? toRecordText(text) : text; };
    ChatTargetFields f = t;
    for (std::string* text : {&f.memberId, &f.nickname, &f.occupation, &f.region, &f.popularity, &f.chatTopic})
        *text = record(*text);
    return MakeChatTargetInfo(f);
}

TrayArguments ArgumentsOf(const BridgeIdentity& identity) {
    TrayArguments a;
    a.userId = identity.memberId;
    a.password = identity.password;
    a.sexField = identity.sex;
    a.sessionId = identity.sessionId;
    a.serverAddress = identity.serverAddress;
    a.ownSex = identity.sex.empty() ? 0 : identity.sex[0];
    return a;
}

std::string EncodeReply(std::optional<int32_t> id, bool ok, std::string_view error) {
    nlohmann::ordered_json reply = {{"type", "reply"}, {"id", nullptr}, {"ok", ok}};
    if (id) reply["id"] = *id;
    if (!ok) reply["error"] = std::string(error);
    return Dump(reply);
}

std::string EncodeState(BridgeState state, std::string_view reason) {
    static const char* const kNames[] = {"started", "waiting", "connecting", "loggedIn", "ended"};
    const nlohmann::ordered_json message = {{"type", "state"}, {"state", kNames[static_cast<size_t>(state)]},
                          {"reason", std::string(reason)}};
    return Dump(message);
}
