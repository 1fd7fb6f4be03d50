#include <gtest/gtest.h>

#include <vector>

#include "keepalive.h"

using A = KeepAliveAction;

TEST(KeepAlive, SilentServerSendsAt0_6_12AndIsDeadAt18) {
    KeepAliveCycle k;
    std::vector<A> actions;
    for (int second = 0; second <= 18; second += 6) actions.push_back(k.OnTick());
    EXPECT_EQ((std::vector<A>{A::SendKeepAlive, A::SendKeepAlive, A::SendKeepAlive, A::LinkDead}),
              actions);
    EXPECT_EQ(0, k.keepAliveTick);  // link dead resets the tick
}

TEST(KeepAlive, AnsweredCycleSendsNoMoreUntilTheFourthTickClearsTheFlag) {
    KeepAliveCycle k;
    EXPECT_EQ(A::SendKeepAlive, k.OnTick());  // tick 0
    k.OnAnswer();
    EXPECT_TRUE(k.timeAcked);
    EXPECT_EQ(A::None, k.OnTick());  // tick 1
    EXPECT_EQ(A::None, k.OnTick());  // tick 2
    EXPECT_EQ(A::None, k.OnTick());  // tick 3: answered, flag cleared
    EXPECT_FALSE(k.timeAcked);
    EXPECT_EQ(4, k.keepAliveTick);
    EXPECT_EQ(A::None, k.OnTick());  // tick 4: back to 0
    EXPECT_EQ(0, k.keepAliveTick);
    EXPECT_EQ(A::SendKeepAlive, k.OnTick());  // the next cycle sends again
}

TEST(KeepAlive, LateAnswerStopsFurtherSends) {
    KeepAliveCycle k;
    EXPECT_EQ(A::SendKeepAlive, k.OnTick());
    EXPECT_EQ(A::SendKeepAlive, k.OnTick());
    k.OnAnswer();
    EXPECT_EQ(A::None, k.OnTick());  // tick 2
    EXPECT_EQ(A::None, k.OnTick());  // tick 3, alive
    EXPECT_EQ(A::None, k.OnTick());  // tick 4
}

TEST(KeepAlive, AnswerJustBeforeTheFourthTickKeepsTheLink) {
    KeepAliveCycle k;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(A::SendKeepAlive, k.OnTick());
    k.OnAnswer();
    EXPECT_EQ(A::None, k.OnTick());
}

TEST(KeepAlive, AlwaysAnsweringServerGetsOneKeepAlivePerCycle) {
    KeepAliveCycle k;
    int sends = 0;
    for (int tick = 0; tick < 50; ++tick) {
        const A a = k.OnTick();
        ASSERT_NE(A::LinkDead, a) << tick;
        if (a == A::SendKeepAlive) {
            ++sends;
            k.OnAnswer();
        }
    }
    EXPECT_EQ(10, sends);  // 50 ticks = 10 cycles of five
}

TEST(KeepAlive, AnswerInTheFifthTickCarriesIntoTheNextCycle) {
    // An answer that arrives between tick 4 and the next tick 0 leaves the flag
    // set, so the next cycle sends nothing and its fourth tick clears it.
    KeepAliveCycle k;
    k.OnTick();
    k.OnAnswer();
    for (int i = 0; i < 4; ++i) k.OnTick();  // ticks 1..4
    k.OnAnswer();
    EXPECT_EQ(A::None, k.OnTick());  // tick 0: already acked
    EXPECT_EQ(A::None, k.OnTick());
    EXPECT_EQ(A::None, k.OnTick());
    EXPECT_EQ(A::None, k.OnTick());  // tick 3 clears
    EXPECT_EQ(A::None, k.OnTick());  // tick 4
    EXPECT_EQ(A::SendKeepAlive, k.OnTick());
}

TEST(KeepAlive, NotConnectedDoesNothing) {
    KeepAliveCycle k;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(A::None, k.OnTick(false));
    EXPECT_EQ(0, k.keepAliveTick);
    EXPECT_FALSE(k.timeAcked);
}

TEST(KeepAlive, TickBeyondFourResets) {
    KeepAliveCycle k;
    k.keepAliveTick = 9;
    EXPECT_EQ(A::None, k.OnTick());
    EXPECT_EQ(0, k.keepAliveTick);
}
