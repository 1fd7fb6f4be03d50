#include <gtest/gtest.h>

#include "notewell_url.h"

TEST(NotewellUrl, AcceptsTheStartLinkWithOrWithoutAToken) {
    EXPECT_EQ("", ParseNotewellUrl("notewell:start"));
    EXPECT_EQ("", ParseNotewellUrl("NoteWell:start"));  // browsers may change the scheme's case
    EXPECT_EQ("", ParseNotewellUrl("notewell:start/"));
    EXPECT_EQ("a-Z_09", ParseNotewellUrl("notewell:start?t=a-Z_09"));
    EXPECT_EQ("abc", ParseNotewellUrl("notewell:start?t=abc/"));
    const std::string longest(64, 'x');
    EXPECT_EQ(longest, ParseNotewellUrl("notewell:start?t=" + longest));
}

TEST(NotewellUrl, RefusesEverythingElse) {
    const char* const refused[] = {
        "", "notewell:", "notewell:START", "notewell:stop", "notewell://start", "notewell:start//",
        "notewell:start/?t=abc", "notewell:start?t=", "notewell:start?t=a%41", "notewell:start?t=a b",
        "notewell:start?x=abc", "notewell:start?t=abc&u=1", "notewell:start?T=abc", "notewell:start#top",
        "notewell:start?t=abc#x", "notewell:user:pw@start", "notewell:startx", "http:start",
        " notewell:start", "notewell:start ", "notewell:start?t=kim/pw/F/s/1.2.3.4",
    };
    for (const char* url : refused) EXPECT_FALSE(ParseNotewellUrl(url)) << url;
    EXPECT_FALSE(ParseNotewellUrl("notewell:start?t=" + std::string(65, 'x')));
    EXPECT_FALSE(ParseNotewellUrl(std::string("notewell:start\0?t=a", 19)));
}

TEST(StartArguments, ClassicIdentityLinkOrRefusal) {
    StartRequest r = ParseStartCommandLine("Notewell.exe kim01/secret/F/S1/10.0.0.1");
    EXPECT_EQ(StartKind::Classic, r.kind);
    EXPECT_EQ("kim01", r.identity.userId);
    EXPECT_EQ("10.0.0.1", r.identity.serverAddress);
    EXPECT_EQ(StartKind::Classic, ParseStartCommandLine("Notewell.exe").kind);
    // A member id that begins like the switch is still an identity.
    EXPECT_EQ("--url", ParseStartCommandLine("Notewell.exe --url/pw/M/s/1.1.1.1").identity.userId);

    r = ParseStartCommandLine("\"C:\\Program Files\\Corvala\\Notewell.exe\" --url \"notewell:start?t=T1\"");
    EXPECT_EQ(StartKind::FromLink, r.kind);
    EXPECT_EQ("T1", r.token);
    EXPECT_TRUE(r.identity.userId.empty());
    EXPECT_EQ(StartKind::FromLink, ParseStartCommandLine("Notewell.exe --url notewell:start/  ").kind);

    const char* const refused[] = {
        "Notewell.exe --url",
        "Notewell.exe --url \"\"",
        "Notewell.exe --url \"notewell:start\" kim/pw/F/s/1.1.1.1",
        "Notewell.exe --url notewell:start kim/pw",
        "Notewell.exe --url \"notewell:start",
        "Notewell.exe --url \"notewell:start\"\"\"",
        "Notewell.exe --url \"notewell:login?id=kim&pw=secret\"",
        "Notewell.exe --url kim/secret/F/S1/10.0.0.1",
    };
    for (const char* line : refused) {
        r = ParseStartCommandLine(line);
        EXPECT_EQ(StartKind::Refused, r.kind) << line;
        EXPECT_TRUE(r.identity.userId.empty() && r.identity.password.empty()) << line;
    }
}
