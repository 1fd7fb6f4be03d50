// What a member list row shows: the nine cell texts made from a MemberRecord.
// Columns 0 and 2 hold codes that the list paints as icons.
#pragma once
#include <array>
#include <string>
#include <string_view>

#include "member_record.h"

constexpr int kMemberColumnCount = 9;

// Icon codes of column 0 (status) and column 2 (webcam).
constexpr char kCodeWaiting[] = "0";
constexpr char kCodeChatting[] = "1";
constexpr char kCodeWebcam[] = "2";
constexpr char kCodeNoWebcam[] = "3";

using RowCells = std::array<std::string, kMemberColumnCount>;

// Column 0: "0" for a waiting member, else "1" (an empty status included).
// Column 2: "2" with a webcam ("Y"), else "3". Column 6: the album count of a
// woman, or the points of a man with thousands grouping. Column 7: the taste
// name, or the code as it stands when the table has no name for it.
RowCells MakeRowCells(const MemberRecord& record);
// One of those cells; empty for a column past the last.
std::string RowCellText(const MemberRecord& record, int column);

// A comma before every group of three characters counted from the right;
// the first group has the length modulo 3, or 3. A minus sign counts as a
// character: "-1234" gives "-1,234" and "-123" gives "-,123".
std::string GroupThousands(std::string_view digits);

// The taste cell: empty stays empty, 4..10 become their names, any other
// code stays as its number.
std::string TasteCellText(std::string_view tasteValue);
