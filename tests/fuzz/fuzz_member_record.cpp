// Fuzz target for the member list's server input: the 141-byte member record
// and its conversion into a row, the relation reply, and the row index fed
// with a stream of records (checked against a plain list model).
//
// The first byte selects the operation; the rest is the body.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "list_bodies.h"
#include "member_actions.h"
#include "member_index.h"
#include "member_list_mode.h"
#include "member_rows.h"
#include "member_sort.h"

namespace {

class ByteCollation : public TextCollation {
public:
    int Compare(std::string_view a, std::string_view b) const override { return a.compare(b); }
    std::string SortKey(std::string_view text) const override { return std::string(text); }
};

// Stands in for the ANSI conversion: may grow the text, as a real one can.
std::string Widening(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        out += c;
        if (static_cast<unsigned char>(c) >= 0x80) out += '?';
    }
    return out;
}

void CheckRecord(const MemberWireRecord& w, const MemberRecord& r) {
    FUZZ_CHECK(w.id.size() <= member_wire::kIdWidth);
    FUZZ_CHECK(w.nicknameUtf8.size() <= member_wire::kNicknameWidth);
    FUZZ_CHECK(w.topicUtf8.size() <= member_wire::kTopicWidth);
    FUZZ_CHECK(w.stamp.size() <= member_wire::kStampWidth);
    FUZZ_CHECK(r.id == w.id);
    for (int s = 0; s < SLOT_COUNT; ++s) {
        const std::string& stored = r.slots[s];
        if (stored.empty()) continue;
        FUZZ_CHECK(stored.size() >= 2 && stored[1] == ':');
        FUZZ_CHECK(r.Value(static_cast<SortSlot>(s)).size() <= stored.size() - 2);
    }
    FUZZ_CHECK(r.slots[SLOT_ALBUM].empty() || r.slots[SLOT_POINTS].empty());
    const RowCells cells = MakeRowCells(r);
    FUZZ_CHECK(cells[0] == "0" || cells[0] == "1");
    FUZZ_CHECK(cells[2] == "2" || cells[2] == "3");
    if (!r.isFemale) {
        // Grouping only adds commas.
        std::string digits = cells[6];
        digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
        FUZZ_CHECK(digits == r.Value(SLOT_POINTS));
    }
    const NoteTargetInfo note = NoteTargetFor(r);
    FUZZ_CHECK(note.memberId[12] == 0 && note.nickname[18] == 0);
    const ChatTargetInfo chat = ChatTargetFor(r);
    FUZZ_CHECK(chat.chatTopic[150] == 0 && chat.occupation[45] == 0 && chat.region[15] == 0);
    (void)MenuFlagsFor(r);
}

// Records of 141 bytes one after another, applied as the control applies
// them; the row positions must match a plain list.
void FeedIndex(const uint8_t* data, size_t size) {
    MemberRowIndex index;
    std::vector<std::string> model;
    ListMode mode;
    mode.StartFor(size && (data[0] & 1) ? "woman" : "man");
    const ByteCollation collation;
    for (size_t at = 0; at + member_wire::kRecordLength <= size; at += member_wire::kRecordLength) {
        const auto w = ParseMemberWireRecord(data + at, member_wire::kRecordLength);
        FUZZ_CHECK(w.has_value());
        const RecordOperation op = OperationOf(w->operation);
        auto found = std::find(model.begin(), model.end(), w->id);
        if (op == RecordOperation::Remove) {
            const auto removed = index.Remove(w->id);
            FUZZ_CHECK(removed.has_value() == (found != model.end()));
            if (removed) {
                FUZZ_CHECK(removed->row == static_cast<size_t>(found - model.begin()));
                model.erase(found);
            }
            continue;
        }
        auto record = std::make_unique<MemberRecord>(BuildMemberRecord(*w, Widening));
        if (!mode.Accepts(op, record->isFemale, w->buddy)) continue;
        const auto u = index.Apply(std::move(record), op == RecordOperation::Update);
        if (found != model.end()) {
            FUZZ_CHECK(u.kind == MemberRowIndex::Upsert::Replaced);
            FUZZ_CHECK(u.row == static_cast<size_t>(found - model.begin()));
        } else if (op == RecordOperation::Update) {
            FUZZ_CHECK(u.kind == MemberRowIndex::Upsert::Dropped);
        } else {
            FUZZ_CHECK(u.kind == MemberRowIndex::Upsert::InsertedTop && u.row == 0);
            model.insert(model.begin(), w->id);
        }
    }
    // A sort by any column keeps the set of rows.
    std::vector<const MemberRecord*> rows;
    for (const auto& id : model) rows.push_back(index.Find(id));
    const int column = size ? data[size - 1] % 10 : 0;
    std::stable_sort(rows.begin(), rows.end(), [&](const MemberRecord* a, const MemberRecord* b) {
        return CompareMemberRows(*a, *b, column, true, collation) < 0;
    });
    FUZZ_CHECK(index.Reorder(rows));
    for (size_t i = 0; i < rows.size(); ++i) FUZZ_CHECK(index.RowOf(rows[i]->id) == i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t* body = data + 1;
    const size_t n = size - 1;
    switch (data[0] % 3) {
        case 0: {
            const auto w = ParseMemberWireRecord(body, n);
            FUZZ_CHECK(w.has_value() == (n >= member_wire::kRecordLength));
            if (w) CheckRecord(*w, BuildMemberRecord(*w, Widening));
            break;
        }
        case 1: {
            const RelationReply r = ParseRelationReply(body, n);
            FUZZ_CHECK(r.memberId.size() <= 13 && r.nicknameUtf8.size() <= 19 && r.resultCode.size() <= 16);
            FUZZ_CHECK(r.status == ReplyStatusByte(body, n));
            (void)RelationOutcomeFor(r.action);
            break;
        }
        case 2:
            FeedIndex(body, n);
            break;
    }
    return 0;
}
