#include <gtest/gtest.h>

#include "command_line.h"

TEST(CommandLineTail, BareProgramNameAndOneBlank) {
    EXPECT_EQ("kim/pw/F/s/1.2.3.4", CommandLineTail("Notewell.exe kim/pw/F/s/1.2.3.4"));
}

TEST(CommandLineTail, QuotedProgramNameWithBlanks) {
    EXPECT_EQ("a/b", CommandLineTail("\"C:\\Program Files\\Notewell.exe\"   a/b"));
    EXPECT_EQ("a/b", CommandLineTail("\"C:\\Program Files\\Notewell.exe\"\t a/b"));
}

TEST(CommandLineTail, TextRightAfterTheClosingQuoteBelongsToTheTail) {
    EXPECT_EQ("x a/b", CommandLineTail("\"Notewell.exe\"x a/b"));
}

TEST(CommandLineTail, UnclosedQuoteTakesEverything) {
    EXPECT_EQ("", CommandLineTail("\"Notewell.exe a/b/c"));
}

TEST(CommandLineTail, NoArguments) {
    EXPECT_EQ("", CommandLineTail("Notewell.exe"));
    EXPECT_EQ("", CommandLineTail("Notewell.exe   "));
    EXPECT_EQ("", CommandLineTail(""));
}

TEST(CommandLineTail, TrailingBlanksOfTheTailStay) {
    EXPECT_EQ("a/b ", CommandLineTail("Notewell.exe a/b "));
}

TEST(TrayArguments, FiveFields) {
    const TrayArguments a = ParseTrayArguments("kim01/secret/F/SESS42/10.0.0.1");
    EXPECT_EQ("kim01", a.userId);
    EXPECT_EQ("secret", a.password);
    EXPECT_EQ("F", a.sexField);
    EXPECT_EQ('F', a.ownSex);
    EXPECT_EQ("SESS42", a.sessionId);
    EXPECT_EQ("10.0.0.1", a.serverAddress);
}

TEST(TrayArguments, SixthFieldIgnored) {
    const TrayArguments a = ParseTrayArguments("a/b/M/d/1.1.1.1/extra");
    EXPECT_EQ("1.1.1.1", a.serverAddress);
    EXPECT_EQ('M', a.ownSex);
}

TEST(TrayArguments, MissingFieldsAreEmpty) {
    const TrayArguments a = ParseTrayArguments("a/b");
    EXPECT_EQ("a", a.userId);
    EXPECT_EQ("b", a.password);
    EXPECT_EQ("", a.sexField);
    EXPECT_EQ(0, a.ownSex);
    EXPECT_EQ("", a.sessionId);
    EXPECT_EQ("", a.serverAddress);
}

TEST(TrayArguments, EmptyCommandLine) {
    const TrayArguments a = ParseTrayCommandLine("Notewell.exe");
    EXPECT_EQ("", a.userId);
    EXPECT_EQ("", a.serverAddress);
    EXPECT_EQ(0, a.ownSex);
    const TrayArguments b = ParseTrayCommandLine("");
    EXPECT_EQ("", b.userId);
}

TEST(TrayArguments, FourSeparatorsOnly) {
    // Gatekin with no identity given: "Notewell.exe" + " ////".
    const TrayArguments a = ParseTrayCommandLine("Notewell.exe ////");
    EXPECT_EQ("", a.userId);
    EXPECT_EQ("", a.password);
    EXPECT_EQ(0, a.ownSex);
    EXPECT_EQ("", a.serverAddress);
}

TEST(TrayArguments, LongSexFieldGivesItsFirstCharacter) {
    const TrayArguments a = ParseTrayArguments("a/b/Female/d/e");
    EXPECT_EQ("Female", a.sexField);
    EXPECT_EQ('F', a.ownSex);
}

TEST(TrayArguments, SlashInThePasswordShiftsTheFields) {
    const TrayArguments a = ParseTrayCommandLine("Notewell.exe kim/pa/ss/F/S1/1.2.3.4");
    EXPECT_EQ("pa", a.password);
    EXPECT_EQ("ss", a.sexField);
    EXPECT_EQ('s', a.ownSex);
    EXPECT_EQ("F", a.sessionId);
    EXPECT_EQ("S1", a.serverAddress);
}

TEST(TrayCommandLine, GatekinFormat) {
    EXPECT_EQ("Notewell.exe ////", BuildTrayCommandLine("", "", "", "", ""));
    EXPECT_EQ("Notewell.exe kim/pw/F/S/1.2.3.4", BuildTrayCommandLine("kim", "pw", "F", "S", "1.2.3.4"));
}

TEST(TrayCommandLine, RoundTrip) {
    const std::string line = BuildTrayCommandLine("kim01", "p w", "M", "SESS", "192.168.0.1");
    const TrayArguments a = ParseTrayCommandLine(line);
    EXPECT_EQ("kim01", a.userId);
    EXPECT_EQ("p w", a.password);  // a blank inside the tail is kept
    EXPECT_EQ('M', a.ownSex);
    EXPECT_EQ("SESS", a.sessionId);
    EXPECT_EQ("192.168.0.1", a.serverAddress);
}
