#include "member_rows.h"

#include "taste.h"
#include "text_split.h"

std::string GroupThousands(std::string_view digits) {
    const size_t n = digits.size();
    if (n == 0) return std::string();
    std::string out;
    out.reserve(n + n / 3);
    size_t first = n % 3;
    if (first == 0) first = 3;
    out.append(digits.substr(0, first));
    for (size_t i = first; i < n; i += 3) {
        out += ',';
        out.append(digits.substr(i, 3));
    }
    return out;
}

std::string TasteCellText(std::string_view tasteValue) {
    if (tasteValue.empty()) return std::string();
    if (const char* name = TasteNameOrNull(ParseDecimalLikeAtoi(tasteValue))) return name;
    return std::string(tasteValue);
}

std::string RowCellText(const MemberRecord& r, int column) {
    switch (column) {
    case 0: return r.Value(SLOT_STATUS) == kStatusWaiting ? kCodeWaiting : kCodeChatting;
    case 1: return r.Value(SLOT_NICKNAME);
    case 2: return r.Value(SLOT_WEBCAM) == "Y" ? kCodeWebcam : kCodeNoWebcam;
    case 3: return r.Value(SLOT_POPULARITY);
    case 4: return r.Value(SLOT_AGE);
    case 5: return r.Value(SLOT_REGION);
    case 6: return r.isFemale ? r.Value(SLOT_ALBUM) : GroupThousands(r.Value(SLOT_POINTS));
    case 7: return TasteCellText(r.Value(SLOT_TASTE));
    case 8: return r.Value(SLOT_TOPIC);
    default: return std::string();
    }
}

RowCells MakeRowCells(const MemberRecord& r) {
    RowCells cells;
    for (int column = 0; column < kMemberColumnCount; ++column) cells[column] = RowCellText(r, column);
    return cells;
}
