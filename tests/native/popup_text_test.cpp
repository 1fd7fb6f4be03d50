#include <gtest/gtest.h>

#include <climits>

#include "popup_text.h"

TEST(EscapeAmpersands, DoublesEveryAmpersandAndNothingElse) {
    EXPECT_EQ("a&&b&&&&c", EscapeAmpersands("a&b&&c"));
    EXPECT_EQ("Tom&&Jerry", EscapeAmpersands("Tom&Jerry"));
    EXPECT_EQ("&&", EscapeAmpersands("&"));
    EXPECT_EQ("&&&&x&&", EscapeAmpersands("&&x&"));
    EXPECT_EQ("plain", EscapeAmpersands("plain"));
    EXPECT_EQ("", EscapeAmpersands(""));
}

TEST(EscapeAmpersands, KeepsMultiByteCharactersWhole) {
    // UTF-8 continuation bytes never equal '&' (0x26), so Korean text passes through.
    EXPECT_EQ("미나&&친구", EscapeAmpersands("미나&친구"));
    // A zero byte inside the view is kept, not taken as the end.
    EXPECT_EQ(std::string("a\0&&", 4), EscapeAmpersands(std::string_view("a\0&", 3)));
}

TEST(GroupThousands, GroupsOfThreeFromTheRight) {
    EXPECT_EQ("0", GroupThousands(0));
    EXPECT_EQ("100", GroupThousands(100));
    EXPECT_EQ("999", GroupThousands(999));
    EXPECT_EQ("1,000", GroupThousands(1000));
    EXPECT_EQ("12,500", GroupThousands(12500));
    EXPECT_EQ("123,456", GroupThousands(123456));
    EXPECT_EQ("1,234,567", GroupThousands(1234567));
    EXPECT_EQ("2,147,483,647", GroupThousands(INT32_MAX));
}

TEST(GroupThousands, TheSignNeverStandsAloneBeforeAComma) {
    EXPECT_EQ("-1", GroupThousands(-1));
    EXPECT_EQ("-123", GroupThousands(-123));
    EXPECT_EQ("-1,234", GroupThousands(-1234));
    EXPECT_EQ("-123,456", GroupThousands(-123456));
    EXPECT_EQ("-2,147,483,648", GroupThousands(INT32_MIN));
}

TEST(MemberTitle, NicknameIdSexAndAge) {
    EXPECT_EQ("Mina(mina77, 여/25세)", MemberTitle("Mina", "mina77", 'F', 25));
    EXPECT_EQ("Jun(jun, 남/31세)", MemberTitle("Jun", "jun", 'M', 31));
    // Any code but 'F' reads as a man, a missing one too.
    EXPECT_EQ("x(y, 남/0세)", MemberTitle("x", "y", 0, 0));
    EXPECT_EQ("x(y, 남/-3세)", MemberTitle("x", "y", 'f', -3));
}

TEST(NoteSenderHeading, NicknameAgeAndSex) {
    EXPECT_EQ("Mina(25/여)", NoteSenderHeading("Mina", 25, 'F'));
    EXPECT_EQ("R&B(30/남)", NoteSenderHeading("R&B", 30, 'M'));
    EXPECT_EQ("R&&B(30/남)", EscapeAmpersands(NoteSenderHeading("R&B", 30, 'M')));
}
