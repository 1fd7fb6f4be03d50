#include "member_list_mode.h"

#include <cstring>

#include "text_split.h"

const char kFemaleListColumns[] = "대화,59;닉네임,80;캠,39;인기도,63;나이,51;지역,52;앨범,64;취향,50;대화주제,152";
const char kMaleListColumns[] = "대화,59;닉네임,80;캠,39;인기도,63;나이,51;지역,52;포인트,64;취향,50;대화주제,152";

std::vector<ColumnSpec> ParseColumnSpec(std::string_view text) {
    std::vector<ColumnSpec> columns;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t comma = text.find(',', pos);
        if (comma == std::string_view::npos) break;
        size_t end = text.find(';', comma + 1);
        if (end == std::string_view::npos) end = text.size();
        ColumnSpec c;
        c.name = std::string(text.substr(pos, comma - pos));
        c.width = ParseDecimalLikeAtoi(text.substr(comma + 1, end - comma - 1));
        columns.push_back(std::move(c));
        pos = end + 1;
    }
    return columns;
}

bool ComparesAboveMan(std::string_view value) {
    const std::string_view v = CStringPart(value);
    static constexpr std::string_view kMan = "man";
    // Unsigned byte comparison, as strcmp makes it.
    const size_t n = v.size() < kMan.size() ? v.size() : kMan.size();
    const int c = n ? std::memcmp(v.data(), kMan.data(), n) : 0;
    if (c != 0) return c > 0;
    return v.size() > kMan.size();
}

RecordOperation OperationOf(char operation) {
    switch (operation) {
    case 'A': return RecordOperation::Add;
    case 'U': return RecordOperation::Update;
    case 'R': return RecordOperation::Remove;
    default: return RecordOperation::Unknown;
    }
}

void ListMode::StartFor(std::string_view sexProperty) {
    viewerIsWoman = ComparesAboveMan(sexProperty);
    showMen = viewerIsWoman;
}

ListModeChange ListMode::Apply(std::string_view value) {
    ListModeChange change;
    if (!listReady) return change;
    if (CStringPart(value) == "B") {
        if (buddyMode) return change;
        buddyMode = true;
        change.changed = true;
        change.maleColumns = viewerIsWoman;
        change.requestLetter = RequestLetter();
        return change;
    }
    showMen = ComparesAboveMan(value);
    buddyMode = false;
    change.changed = true;
    change.maleColumns = showMen;
    change.requestLetter = RequestLetter();
    return change;
}

ListModeChange ListMode::ApplyLabel(std::string_view value) {
    const ListModeChange change = Apply(value);
    buddyMode = false;
    return change;
}

bool ListMode::Accepts(RecordOperation op, bool isFemale, char buddyByte) const {
    switch (op) {
    case RecordOperation::Add:
        if (buddyMode) return isFemale != viewerIsWoman && buddyByte == 'Y';
        return isFemale != showMen;
    case RecordOperation::Update:
        if (buddyMode) return isFemale != viewerIsWoman;
        return isFemale != showMen;
    case RecordOperation::Remove:
        return true;
    case RecordOperation::Unknown:
        break;
    }
    return false;
}
