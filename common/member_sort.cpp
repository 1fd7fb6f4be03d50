#include "member_sort.h"

#include <utility>

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
        return collation.Compare(ColumnValueView(storedA), ColumnValueView(b.slots[slot]));
    case 3: case 4: case 6: case 7: {
        const int64_t x = ParseDecimalLikeAtoi(ColumnValueView(storedA));
        const int64_t y = ParseDecimalLikeAtoi(ColumnValueView(b.slots[slot]));
        return Sign(x - y);
    }
    default:
        return 0;
    }
}

namespace {

int CompareBytes(const std::string& a, const std::string& b) {
    const int c = a.compare(b);  // unsigned bytes, as memcmp
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void FillSlot(MemberSortKey& key, int variant, const std::string& stored, int column,
              const TextCollation& collation) {
    key.kind[variant] = ParseDecimalLikeAtoi(stored);
    key.stored[variant] = collation.SortKey(stored);
    key.number[variant] = ParseDecimalLikeAtoi(ColumnValueView(stored));
    // Only the webcam column compares values as texts.
    if (column == 2 || key.kind[variant] == 2) key.value[variant] = collation.SortKey(ColumnValueView(stored));
}

}  // namespace

MemberSortKey MakeSortKey(const MemberRecord& row, int column, const TextCollation& collation) {
    MemberSortKey key;
    key.row = &row;
    key.female = row.isFemale;
    MemberRecord asMan;
    asMan.isFemale = false;
    MemberRecord asWoman;
    asWoman.isFemale = true;
    const int manSlot = SortSlotFor(column, asMan);
    const int womanSlot = SortSlotFor(column, asWoman);
    if (manSlot >= 0) FillSlot(key, 0, row.slots[manSlot], column, collation);
    if (womanSlot >= 0) {
        if (womanSlot == manSlot) {
            key.kind[1] = key.kind[0];
            key.number[1] = key.number[0];
            key.stored[1] = key.stored[0];
            key.value[1] = key.value[0];
        } else {
            FillSlot(key, 1, row.slots[womanSlot], column, collation);
        }
    }
    key.status = collation.SortKey(row.slots[SLOT_STATUS]);
    std::string_view rest = CStringPart(row.stamp);
    for (int32_t& field : key.stamp) field = ParseDecimalLikeAtoi(NextField(rest));
    return key;
}

int CompareSortKeys(const MemberSortKey& first, const MemberSortKey& second, int column, bool ascending) {
    const MemberSortKey& a = ascending ? first : second;
    const MemberSortKey& b = ascending ? second : first;
    if (column < 0 || column > 8) return 0;
    const int v = a.female ? 1 : 0;
    switch (a.kind[v]) {
    case 0: case 1: case 5: case 8: {
        if (const int c = CompareBytes(a.stored[v], b.stored[v])) return c;
        if (!a.female) {
            if (const int c = CompareBytes(a.status, b.status)) return c;
        }
        for (int i = 0; i < 6; ++i)
            if (a.stamp[i] != b.stamp[i]) return a.stamp[i] < b.stamp[i] ? -1 : 1;
        return 0;
    }
    case 2:
        return CompareBytes(a.value[v], b.value[v]);
    case 3: case 4: case 6: case 7:
        return Sign(a.number[v] - b.number[v]);
    default:
        return 0;
    }
}

void SortMemberRows(std::vector<const MemberRecord*>& rows, int column, bool ascending,
                    const TextCollation& collation) {
    const size_t n = rows.size();
    std::vector<MemberSortKey> keys;
    keys.reserve(n);
    for (const MemberRecord* row : rows) keys.push_back(MakeSortKey(*row, column, collation));
    std::vector<const MemberSortKey*> from(n), to(n);
    for (size_t i = 0; i < n; ++i) from[i] = &keys[i];
    // Bottom-up: runs of width 1, 2, 4, ... merged from `from` into `to`.
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t left = 0; left < n; left += 2 * width) {
            const size_t mid = left + width < n ? left + width : n;
            const size_t right = left + 2 * width < n ? left + 2 * width : n;
            size_t i = left, j = mid, k = left;
            while (i < mid && j < right) {
                // Take from the right run only when it goes strictly before: stable.
                if (CompareSortKeys(*from[j], *from[i], column, ascending) < 0)
                    to[k++] = from[j++];
                else
                    to[k++] = from[i++];
            }
            while (i < mid) to[k++] = from[i++];
            while (j < right) to[k++] = from[j++];
        }
        std::swap(from, to);
    }
    for (size_t i = 0; i < n; ++i) rows[i] = from[i]->row;
}
