// Sorting the member list by a column: which stored text a column sorts by,
// the comparison the column's number chooses, and the tie-breaks on the
// member's status and time stamp.
#pragma once
#include <string>
#include <cstdint>
#include <string_view>
#include <vector>

#include "member_record.h"

// The system's locale-aware string comparison (the Windows side); <0, 0, >0.
// The views point into the records being compared, which stay in place for
// the whole of a sort.
class TextCollation {
public:
    virtual ~TextCollation() = default;
    virtual int Compare(std::string_view a, std::string_view b) const = 0;
    // A key whose order, byte by byte as unsigned bytes, is Compare's order.
    virtual std::string SortKey(std::string_view text) const = 0;
};

// Columns 0-5 sort by slots 0-5; column 6 by the points, or by the album
// count when `first` is a woman; column 7 by the taste code, column 8 by the
// topic. Any other column sorts by nothing (every pair is equal).
int SortSlotFor(int column, const MemberRecord& first);

// <0 when a goes before b. Descending order exchanges the two rows before
// everything else, tie-breaks included. The comparison is chosen by the
// column number in front of a's stored text (an empty text counts as 0):
//   0, 1, 5, 8: text comparison, then (a man's rows) the status texts, then the stamps;
//   2: the values by the collation;
//   3, 4, 6, 7: the values' leading decimal numbers;
//   any other: equal.
int CompareMemberRows(const MemberRecord& a, const MemberRecord& b, int column, bool ascending,
                      const TextCollation& collation);

// One row's sort data for one column, made once per sort: texts as sort
// keys, numbers parsed, the stamp split. Comparing two of them answers as
// CompareMemberRows answers for their rows.
struct MemberSortKey {
    const MemberRecord* row = nullptr;
    bool female = false;
    // [0]: the slot as a man's first row chooses it, [1]: as a woman's (they
    // differ for column 6 only: points or album count).
    int kind[2] = {0, 0};  // the column number in front of the stored text
    int64_t number[2] = {0, 0};
    std::string stored[2];
    std::string value[2];
    std::string status;
    int32_t stamp[6] = {};
};
MemberSortKey MakeSortKey(const MemberRecord& row, int column, const TextCollation& collation);
int CompareSortKeys(const MemberSortKey& a, const MemberSortKey& b, int column, bool ascending);

// Sorts the rows as the list's comparison orders them: a merge sort, stable,
// that stays within its bounds whatever the comparison answers (the
// comparison is chosen by the first row's text, so it need not be a strict
// weak order when some texts are empty).
void SortMemberRows(std::vector<const MemberRecord*>& rows, int column, bool ascending,
                    const TextCollation& collation);

// Splits both stamps at "/" and compares the first six fields as decimal
// numbers (a missing field is 0).
int CompareStamps(std::string_view a, std::string_view b);

// The sort state of the list: a click on a new column sorts it ascending, a
// further click on the same column reverses the order.
struct SortState {
    int column = 0;
    bool ascending = false;
    void Click(int clickedColumn) {
        ascending = clickedColumn != column ? true : !ascending;
        column = clickedColumn;
    }
};
