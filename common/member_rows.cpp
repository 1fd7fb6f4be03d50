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

RowCells MakeRowCells(const MemberRecord& r) {
    RowCells cells;
    cells[0] = r.Value(SLOT_STATUS) == kStatusWaiting ? kCodeWaiting : kCodeChatting;
    cells[1] = r.Value(SLOT_NICKNAME);
    cells[2] = r.Value(SLOT_WEBCAM) == "Y" ? kCodeWebcam : kCodeNoWebcam;
    cells[3] = r.Value(SLOT_POPULARITY);
    cells[4] = r.Value(SLOT_AGE);
    cells[5] = r.Value(SLOT_REGION);
    cells[6] = r.isFemale ? r.Value(SLOT_ALBUM) : GroupThousands(r.Value(SLOT_POINTS));
    cells[7] = TasteCellText(r.Value(SLOT_TASTE));
    cells[8] = r.Value(SLOT_TOPIC);
    return cells;
}
