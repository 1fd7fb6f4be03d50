#include "member_sort.h"

#include "text_split.h"

namespace {

int Sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Takes the text up to the next "/" off the front of `rest`; a missing field is empty.
std::string_view NextField(std::string_view& rest) {
    const size_t slash = rest.find('/');
    const std::string_view field = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    return field;
}

int CompareTextWithTieBreaks(const MemberRecord& a, const MemberRecord& b, int slot,
                             const TextCollation& collation) {
    if (const int c = collation.Compare(a.slots[slot], b.slots[slot])) return c;
    if (!a.isFemale) {
        if (const int c = collation.Compare(a.slots[SLOT_STATUS], b.slots[SLOT_STATUS])) return c;
    }
    return CompareStamps(a.stamp, b.stamp);
}

}  // namespace

int SortSlotFor(int column, const MemberRecord& first) {
    if (column >= 0 && column <= 5) return column;
    switch (column) {
    case 6: return first.isFemale ? SLOT_ALBUM : SLOT_POINTS;
    case 7: return SLOT_TASTE;
    case 8: return SLOT_TOPIC;
    default: return -1;
    }
}

int CompareStamps(std::string_view a, std::string_view b) {
    a = CStringPart(a);
    b = CStringPart(b);
    for (size_t field = 0; field < 6; ++field) {
        const int64_t x = ParseDecimalLikeAtoi(NextField(a));
        const int64_t y = ParseDecimalLikeAtoi(NextField(b));
        if (x != y) return Sign(x - y);
    }
    return 0;
}

int CompareMemberRows(const MemberRecord& first, const MemberRecord& second, int column, bool ascending,
                      const TextCollation& collation) {
    const MemberRecord& a = ascending ? first : second;
    const MemberRecord& b = ascending ? second : first;
    const int slot = SortSlotFor(column, a);
    if (slot < 0) return 0;
    const std::string& storedA = a.slots[slot];
    switch (ParseDecimalLikeAtoi(storedA)) {
    case 0: case 1: case 5: case 8:
        return CompareTextWithTieBreaks(a, b, slot, collation);
    case 2:
        return collation.Compare(ColumnValue(storedA), ColumnValue(b.slots[slot]));
    case 3: case 4: case 6: case 7: {
        const int64_t x = ParseDecimalLikeAtoi(ColumnValueView(storedA));
        const int64_t y = ParseDecimalLikeAtoi(ColumnValueView(b.slots[slot]));
        return Sign(x - y);
    }
    default:
        return 0;
    }
}
