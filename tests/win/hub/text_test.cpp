// Text helpers of the main window and the popups.
#include <gtest/gtest.h>

#include "tray_main_dlg.h"
#include "popups/tray_popup_text.h"

namespace {

// Run in the Korean and in the English locale: nothing here depends on the
// system's code page.
TEST(TextConversion, MemberTextsKeepEveryCharacterAndMalformedBytesBecomeReplacements) {
    const std::string text = "쪽지 받기 R&B 😀 ñ 中";  // the last three are not all in code page 949
    EXPECT_EQ(CTrayMainDlg::ToUtf8(text), text);
    EXPECT_EQ(CTrayMainDlg::FromUtf8(text), text);
    EXPECT_EQ(CTrayMainDlg::FromUtf8(text.data(), 6), "쪽지");  // a given length
    EXPECT_EQ(CTrayMainDlg::FromUtf8("a\xC0" "b"), "a\xEF\xBF\xBD" "b");  // U+FFFD
    EXPECT_EQ(CTrayMainDlg::ToUtf8("\xB0\xA1"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "never raw bytes to the server";
    EXPECT_EQ(CTrayMainDlg::ToUtf8(""), "");
    EXPECT_EQ(CTrayMainDlg::FromUtf8(nullptr, 0), "");
}

TEST(TextConversion, FromUtf8ShowsWhat2048BytesOfCodePage949HoldWithoutSplittingACharacter) {
    EXPECT_EQ(CTrayMainDlg::FromUtf8(std::string(3000, 'a')).size(), 2048u);
    // 1500 Korean characters take 3000 bytes in code page 949: 1024 are shown.
    std::string korean;
    for (int i = 0; i < 1500; ++i) korean += "가";
    EXPECT_EQ(CTrayMainDlg::FromUtf8(korean), korean.substr(0, 1024 * 3));
    // An odd start: one ASCII byte first, so a whole character would end at 2049.
    EXPECT_EQ(CTrayMainDlg::FromUtf8("a" + korean), "a" + korean.substr(0, 1023 * 3));
    // Never half of a surrogate pair.
    std::string smileys;
    for (int i = 0; i < 1025; ++i) smileys += "😀";
    const std::string shown = CTrayMainDlg::FromUtf8("a" + smileys);
    EXPECT_EQ(shown, "a" + smileys.substr(0, 1023 * 4));
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
