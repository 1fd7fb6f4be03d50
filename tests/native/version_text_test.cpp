#include <gtest/gtest.h>

#include "version_text.h"

TEST(VersionText, FourPartsJoined) {
    EXPECT_EQ("1,0,0,46", JoinVersionParts("1, 0, 0, 46"));
    EXPECT_LE(JoinVersionParts("1, 0, 0, 46").size(), 12u);  // fits the login field
}

TEST(VersionText, MoreThanFourPartsKeepTheFirstFour) {
    EXPECT_EQ("1,2,3,4,", JoinVersionParts("1, 2, 3, 4, 5"));
    EXPECT_EQ("abcd", JoinVersionParts("a b c d e f"));
}

TEST(VersionText, FewerPartsAddNothing) {
    EXPECT_EQ("1,0,0,46", JoinVersionParts("1,0,0,46"));
    EXPECT_EQ("1,2", JoinVersionParts("1, 2"));
    EXPECT_EQ("", JoinVersionParts(""));
}

TEST(VersionText, EveryBlankSeparates) {
    // AfxExtractSubString with ' ': two blanks make an empty part, which counts.
    EXPECT_EQ("1,0,0,", JoinVersionParts("1,  0, 0, 46"));
}
