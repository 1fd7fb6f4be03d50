#include <gtest/gtest.h>

#include "taste.h"

TEST(TasteName, MinusOneEmptiesTheText) {
    std::string text = "previous";
    TasteName(-1, text);
    EXPECT_EQ("", text);
}

TEST(TasteName, TheSevenNames) {
    const char* expected[] = {"기타", "하이힐", "청바지", "스커트", "란제리", "팁토", "스타킹"};
    for (int code = 4; code <= 10; ++code) {
        std::string text = "previous";
        TasteName(code, text);
        EXPECT_EQ(expected[code - 4], text) << code;
    }
    std::string text;
    TasteName(4, text);
    EXPECT_EQ(std::string("\xEA\xB8\xB0\xED\x83\x80"), text);  // "기타" in UTF-8
}

TEST(TasteName, OtherCodesLeaveTheTextUnchanged) {
    for (int code : {-2, 0, 1, 3, 11, 32767, -32768}) {
        std::string text = "keep";
        TasteName(code, text);
        EXPECT_EQ("keep", text) << code;
        std::string empty;
        TasteName(code, empty);
        EXPECT_EQ("", empty) << code;
        EXPECT_EQ(nullptr, TasteNameOrNull(code));
    }
}
