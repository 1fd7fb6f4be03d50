#include <gtest/gtest.h>

#include "login_form.h"

TEST(LoginPost, TextWithTheFixedThirdField) {
    EXPECT_EQ("pvapp_id=kim01&pvapp_pw=secret&pvpw=marlido", BuildLoginPostText("kim01", "secret"));
}

TEST(LoginPost, PasswordWithAmpersandIsNotEncoded) {
    EXPECT_EQ("pvapp_id=kim&pvapp_pw=a&b=c&pvpw=marlido", BuildLoginPostText("kim", "a&b=c"));
}

TEST(LoginPost, BodyHasTheTextsLengthAndNoTerminator) {
    const std::string text = BuildLoginPostText("kim01", "secret");
    const std::vector<uint8_t> body = BuildLoginPostBody("kim01", "secret");
    ASSERT_EQ(text.size(), body.size());
    EXPECT_EQ(text, std::string(body.begin(), body.end()));
    EXPECT_NE(0, body.back());
}

TEST(LoginPost, HeadersText) {
    EXPECT_STREQ("Content-Type: application/x-www-form-urlencoded\r\n", kFormPostHeaders);
}

TEST(PageTexts, HomeProfileAndInstall) {
    EXPECT_EQ("www.example.kr/beta", HomePageText("www.example.kr"));
    EXPECT_EQ("www.example.kr/~pvuser/HTML/01sub/01sub_14_01.htm?pid=a&b c%",
              ProfilePageText("www.example.kr", "a&b c%"));  // id unchanged
    EXPECT_EQ("http://www.example.kr/HTML/inst.htm", InstallPageUrl("www.example.kr"));
    EXPECT_EQ("https://h/HTML/inst.htm", InstallPageUrl("h", "https"));
    EXPECT_EQ(830, kProfilePageWidth);
    EXPECT_EQ(580, kProfilePageHeight);
    EXPECT_EQ(693, kInstallPageWidth);
    EXPECT_EQ(580, kInstallPageHeight);
}

TEST(HyperLinkError, TextsByResult) {
    EXPECT_EQ("HyperLink Error: Invalid Parameters.", HyperLinkErrorText(static_cast<int32_t>(0x80070057u)));
    EXPECT_EQ("HyperLink Error: Out of memory.", HyperLinkErrorText(static_cast<int32_t>(0x8007000Eu)));
    EXPECT_EQ("HyperLink Error", HyperLinkErrorText(static_cast<int32_t>(0x80004005u)));
}
