// Text helpers of the main window and the popups.
#include <gtest/gtest.h>

#include "tray_main_dlg.h"
#include "popups/tray_popup_text.h"

namespace {

TEST(TextConversion, KoreanRoundTripsThroughUtf8) {
    ASSERT_EQ(::GetACP(), 949u);  // the tests run in the Korean locale
    const std::string ansi = "쪽지 받기 R&B";
    const std::string utf8 = CTrayMainDlg::ToUtf8(ansi);
    EXPECT_EQ(utf8, u8"쪽지 받기 R&B");
    EXPECT_EQ(CTrayMainDlg::FromUtf8(utf8), ansi);
    EXPECT_EQ(CTrayMainDlg::FromUtf8(utf8.data(), 6), "쪽지");  // a given length
    EXPECT_EQ(CTrayMainDlg::ToUtf8(""), "");
    EXPECT_EQ(CTrayMainDlg::FromUtf8(nullptr, 0), "");
}

TEST(TextConversion, FromUtf8StopsAt2048UnitsAndBytesWithoutSplittingACharacter) {
    EXPECT_EQ(CTrayMainDlg::FromUtf8(std::string(3000, 'a')).size(), 2048u);
    // 1500 Korean characters: 1500 units, 3000 bytes in code page 949.
    std::string korean;
    for (int i = 0; i < 1500; ++i) korean += u8"가";
    const std::string ansi = CTrayMainDlg::FromUtf8(korean);
    EXPECT_EQ(ansi.size(), 2048u);
    EXPECT_EQ(ansi.substr(ansi.size() - 2), "가");
    // An odd start: one ASCII byte first, so a whole character would end at 2049.
    const std::string odd = CTrayMainDlg::FromUtf8("a" + korean);
    EXPECT_EQ(odd.size(), 2047u);
    EXPECT_EQ(odd.substr(odd.size() - 2), "가");
}

TEST(PopupText, AmpersandsThousandsAndHeadings) {
    EXPECT_EQ(EscapeAmpersands("a&b&&c"), "a&&b&&&&c");
    EXPECT_EQ(EscapeAmpersands("plain"), "plain");
    EXPECT_EQ(GroupThousands(1234567), "1,234,567");
    EXPECT_EQ(GroupThousands(999), "999");
    EXPECT_EQ(GroupThousands(1000), "1,000");
    EXPECT_EQ(GroupThousands(0), "0");
    EXPECT_EQ(GroupThousands(-1234), "-1,234");
    EXPECT_EQ(MemberTitle("Mina", "mina77", 'F', 25), "Mina(mina77, 여/25세)");
    EXPECT_EQ(MemberTitle("Tom", "tom", 'M', 30), "Tom(tom, 남/30세)");
    EXPECT_EQ(NoteSenderHeading("R&B", 30, 'M'), "R&B(30/남)");
}

}  // namespace
