#include <gtest/gtest.h>

#include "countdown.h"
#include "popup_placement.h"

namespace {
ScreenPoint P(int x, int y) { return ScreenPoint{x, y}; }
}  // namespace

TEST(ChatCascade, SeventeenPopupsStepAndTheOneReaching400SitsAtTheCorner) {
    // From (128, 128) the seventeenth step is the one that reaches (400, 400).
    ScreenPoint origin = P(128, 128);
    for (int i = 1; i <= 16; ++i) {
        const ScreenPoint at = NextChatCascade(origin);
        EXPECT_EQ(P(128 + 16 * i, 128 + 16 * i), at) << i;
        EXPECT_EQ(at, origin) << "stored back";
    }
    EXPECT_EQ(P(0, 0), NextChatCascade(origin));
    EXPECT_EQ(P(0, 0), origin);
    EXPECT_EQ(P(16, 16), NextChatCascade(origin));
}

TEST(ChatCascade, WrapsOnlyWhenBothCoordinatesReach400) {
    ScreenPoint origin = P(600, 100);
    EXPECT_EQ(P(616, 116), NextChatCascade(origin));
    origin = P(100, 600);
    EXPECT_EQ(P(116, 616), NextChatCascade(origin));
    origin = P(383, 384);  // 399 is not yet 400
    EXPECT_EQ(P(399, 400), NextChatCascade(origin));
    origin = P(384, 384);
    EXPECT_EQ(P(0, 0), NextChatCascade(origin));
}

TEST(NoteCascade, StartsAt340AndWrapsBackThere) {
    ScreenPoint origin = kNoteCascadeHome;
    EXPECT_EQ(P(356, 16), NextNoteCascade(origin));
    EXPECT_EQ(P(372, 32), NextNoteCascade(origin));
    // y decides: it reaches 400 on the 25th note.
    origin = kNoteCascadeHome;
    for (int i = 1; i < 25; ++i) NextNoteCascade(origin);
    EXPECT_EQ(P(340 + 16 * 24, 384), origin);
    EXPECT_EQ(P(340, 0), NextNoteCascade(origin));
    EXPECT_EQ(P(356, 16), NextNoteCascade(origin));
}

TEST(NoteCascade, TheLastClosedNoteSendsTheNextHome) {
    ScreenPoint origin = P(500, 200);
    NoteClosed(1, origin);
    EXPECT_EQ(P(500, 200), origin) << "another note is still open";
    NoteClosed(0, origin);
    EXPECT_EQ(P(340, 0), origin);
    EXPECT_EQ(P(356, 16), NextNoteCascade(origin));
    origin = P(500, 200);
    NoteClosed(-1, origin);
    EXPECT_EQ(P(340, 0), origin);
}

TEST(NoticeCascade, TheTenthAndEveryFurtherOneSitAtTheCorner) {
    ScreenPoint origin = P(0, 0);
    for (int open = 1; open <= 9; ++open) EXPECT_EQ(P(16 * open, 16 * open), NextNoticeCascade(origin, open));
    EXPECT_EQ(P(0, 0), NextNoticeCascade(origin, 10));
    EXPECT_EQ(P(0, 0), NextNoticeCascade(origin, 11));
    // Fewer open again: the cascade goes on from the corner.
    EXPECT_EQ(P(16, 16), NextNoticeCascade(origin, 9));
}

TEST(HitsAny, EdgesAreInside) {
    const std::vector<ScreenRect> rects = {{10, 20, 66, 48}, {100, 100, 198, 121}};
    EXPECT_TRUE(HitsAny(rects, P(10, 20)));
    EXPECT_TRUE(HitsAny(rects, P(66, 48)));
    EXPECT_TRUE(HitsAny(rects, P(150, 121)));
    EXPECT_FALSE(HitsAny(rects, P(67, 48)));
    EXPECT_FALSE(HitsAny(rects, P(9, 30)));
    EXPECT_FALSE(HitsAny(rects, P(80, 80)));
    EXPECT_FALSE(HitsAny({}, P(0, 0)));
}

TEST(Countdown, TwentyRunsNineteenToOneThenExpiresOnce) {
    CountdownCounter c(20);
    for (int expected = 19; expected >= 1; --expected) {
        const CountdownCounter::Tick t = c.Next();
        ASSERT_FALSE(t.expired) << expected;
        EXPECT_EQ(expected, t.shown);
    }
    EXPECT_TRUE(c.Next().expired);  // the 20th tick
    // Armed again after the expiry.
    EXPECT_EQ(19, c.Next().shown);
}

TEST(Countdown, FifteenExpiresOnTheFifteenthTick) {
    CountdownCounter c(15);
    int ticks = 0;
    while (!c.Next().expired) ++ticks;
    EXPECT_EQ(14, ticks);
    c.Next();
    c.Restart();
    EXPECT_EQ(14, c.Next().shown);
}
