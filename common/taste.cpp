#include "taste.h"

const char* TasteNameOrNull(int code) {
    static const char* const kNames[] = {"기타", "하이힐", "청바지", "스커트",
                                         "란제리", "팁토", "스타킹"};
    if (code < 4 || code > 10) return nullptr;
    return kNames[code - 4];
}

void TasteName(int code, std::string& text) {
    if (code == -1) {
        text.clear();
        return;
    }
    if (const char* name = TasteNameOrNull(code)) text = name;
}
