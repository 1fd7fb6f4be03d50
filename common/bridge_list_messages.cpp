#include "bridge_list_messages.h"

#include <nlohmann/json.hpp>

#include "member_actions.h"

namespace {
using Json = nlohmann::ordered_json;

// Texts the list keeps are the Windows side's UTF-8; anything else is replaced, never thrown.
std::string Dump(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string Joined(std::string_view head, const std::vector<std::string_view>& items) {
    size_t size = head.size() + 2;
    for (std::string_view item : items) size += item.size() + 1;
    std::string text;
    text.reserve(size);
    text.append(head);
    text.push_back('[');
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) text.push_back(',');
        text.append(items[i]);
    }
    text.append("]}");
    return text;
}
}  // namespace

int ListMenuBits(const MemberRecord& record) {
    const MemberMenuFlags flags = MenuFlagsFor(record);
    return (flags.canAddFriend ? kMenuAddFriend : 0) | (flags.canRemoveFriend ? kMenuRemoveFriend : 0) |
           (flags.canBlock ? kMenuBlock : 0) | (flags.canUnblock ? kMenuUnblock : 0) |
           (flags.canChat ? kMenuChat : 0);
}

std::string EncodeListMember(const MemberRecord& r) {
    Json member = Json::array({r.id, r.isFemale ? 1 : 0, ListMenuBits(r), r.stamp});
    for (const std::string& slot : r.slots) member.push_back(slot);
    return Dump(member);
}

std::string EncodeListReset(const ListMode& mode) {
    Json columns = Json::array();
    for (const ColumnSpec& c : ParseColumnSpec(mode.ShowsMaleColumns() ? kMaleListColumns : kFemaleListColumns))
        columns.push_back(Json::array({c.name, c.width}));
    const Json reset = {{"type", "list"},
                        {"event", "reset"},
                        {"mode", std::string(1, mode.RequestLetter())},
                        {"fullMenu", mode.OffersFullMenu()},
                        {"viewerIsWoman", mode.viewerIsWoman},
                        {"columns", columns}};
    return Dump(reset);
}

std::string EncodeListRows(const std::vector<std::string_view>& members) {
    return Joined(R"({"type":"list","event":"rows","rows":)", members);
}

std::string EncodeListChanges(const std::vector<std::string_view>& changes) {
    return Joined(R"({"type":"list","event":"changes","changes":)", changes);
}

std::string ListUpsertItem(std::string_view encodedMember) {
    std::string item = R"(["u",)";
    item.append(encodedMember);
    item.push_back(']');
    return item;
}

std::string ListRemoveItem(std::string_view memberId) {
    return Dump(Json::array({"r", std::string(memberId)}));
}
