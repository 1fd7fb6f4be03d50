#include <gtest/gtest.h>

#include "bodies.h"
#include "chat_command_line.h"
#include "test_bytes.h"

TEST(ChatCommandLine, EightQuotedValues) {
    ChatLaunchInputs in;
    in.userId = "kim01";
    in.password = "secret";
    in.chatServerAddress = "10.1.2.3";
    in.chatKey = "KEY123";
    in.webcamPresent = true;
    in.loginMark = 'P';
    in.ownSex = 'F';
    EXPECT_EQ("PVChat.exe \"kim01\" \"secret\" \"10.1.2.3\" \"10.1.2.3\" \"KEY123\" \"T\" \"P\" \"F\"",
              BuildChatCommandLine(in));
}

TEST(ChatCommandLine, NoWebcamGivesF) {
    ChatLaunchInputs in;
    in.loginMark = 'P';
    in.ownSex = 'M';
    EXPECT_EQ("PVChat.exe \"\" \"\" \"\" \"\" \"\" \"F\" \"P\" \"M\"", BuildChatCommandLine(in));
}

TEST(ChatCommandLine, ZeroStatusCharacterGivesEmptyQuotes) {
    ChatLaunchInputs in;
    in.webcamPresent = true;
    const std::string line = BuildChatCommandLine(in);
    EXPECT_EQ("PVChat.exe \"\" \"\" \"\" \"\" \"\" \"T\" \"\" \"\"", line);
    EXPECT_EQ(std::string::npos, line.find('\0'));
}

TEST(ChatCommandLine, FromADecisionWithFullFields) {
    Bytes b(78);
    Put(b, 0, "lee");
    PutByte(b, 13, 'A');
    Put(b, 14, std::string(32, 'k'));
    Put(b, 46, std::string(16, '1'));
    Put(b, 62, std::string(16, 'Z'));
    const auto d = ParseChatDecision(b.data(), b.size());
    ASSERT_TRUE(d);
    const std::string line = BuildChatCommandLine("me", "pw", *d, true, 'P', 'F');
    const std::string addr = "\"" + std::string(16, '1') + "\"";
    EXPECT_EQ("PVChat.exe \"me\" \"pw\" " + addr + " " + addr + " \"" + std::string(32, 'k') +
                  "\" \"T\" \"P\" \"F\"",
              line);
}

TEST(ChatCommandLine, OverlongAddressAndKeyAreBounded) {
    ChatLaunchInputs in;
    in.chatServerAddress = std::string(40, 'a');
    in.chatKey = std::string(40, 'k');
    in.loginMark = 'P';
    in.ownSex = 'F';
    const std::string line = BuildChatCommandLine(in);
    EXPECT_NE(std::string::npos, line.find("\"" + std::string(16, 'a') + "\""));
    EXPECT_NE(std::string::npos, line.find("\"" + std::string(32, 'k') + "\""));
    EXPECT_EQ(std::string::npos, line.find(std::string(17, 'a')));
    EXPECT_EQ(std::string::npos, line.find(std::string(33, 'k')));
}

TEST(ChatProgramName, BareNameOrFullPathIgnoringCase) {
    EXPECT_TRUE(IsChatProgramName("PVChat.exe"));
    EXPECT_TRUE(IsChatProgramName("pvchat.exe"));
    EXPECT_TRUE(IsChatProgramName("PVCHAT.EXE"));
    EXPECT_TRUE(IsChatProgramName("c:\\windows\\system\\pvchat.exe"));
    EXPECT_TRUE(IsChatProgramName("C:\\WINDOWS\\SYSTEM\\PVChat.exe"));
    EXPECT_FALSE(IsChatProgramName("PVChat.exe.bak"));
    EXPECT_FALSE(IsChatProgramName("xPVChat.exe"));
    EXPECT_FALSE(IsChatProgramName("C:\\Program Files\\PVChat.exe"));
    EXPECT_FALSE(IsChatProgramName(""));
    EXPECT_FALSE(IsChatProgramName("Notewell.exe"));
}

TEST(ChatDecisionCheck, OnlyDottedAddressesAndKeysWithoutQuotesOrControlsAreLaunched) {
    for (const char* good : {"10.1.2.3", "0.0.0.0", "255.255.255.255", "127.0.0.1"})
        EXPECT_TRUE(IsDottedIPv4(good)) << good;
    for (const char* bad : {"", "10.1.2", "10.1.2.3.4", "256.1.1.1", "1.2.3.4 ", "1..2.3", "1.2.3.0001",
                            "1.2.3.4\" \"-x", "host.example", "-1.2.3.4", "1.2.3.4."})
        EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
    EXPECT_TRUE(IsSafeChatKey(std::string(32, 'k')));
    EXPECT_TRUE(IsSafeChatKey(""));
    EXPECT_FALSE(IsSafeChatKey("abc\"def"));
    EXPECT_FALSE(IsSafeChatKey("abc\tdef"));
    EXPECT_FALSE(IsSafeChatKey("abc\x7f"));

    ChatDecision d{"bob", 'A', std::string(32, 'k'), "10.1.2.3", ""};
    EXPECT_TRUE(IsLaunchableDecision(d));
    d.chatKey = std::string("k\"  \"/evil") + std::string(22, 'k');
    EXPECT_FALSE(IsLaunchableDecision(d));
    d.chatKey = std::string(32, 'k') + "\"";  // past the field: never on the line
    EXPECT_TRUE(IsLaunchableDecision(d));
    d.chatServerAddress = "10.1.2.3\" \"x";
    EXPECT_FALSE(IsLaunchableDecision(d));
}
