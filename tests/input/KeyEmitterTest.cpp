#include <gtest/gtest.h>

#include "input/KeyEmitter.h"
#include "support/RecordingKeyOutput.h"

namespace pw {
namespace {

using Events = std::vector<std::string>;

class Emitter : public ::testing::Test {
protected:
    ActionSlot slotWith(std::string keys) {
        ActionSlot s;
        s.keys = KeySequence(std::move(keys));
        return s;
    }
    // Runs one tick of one action and returns what it sent.
    Events tick(ActionSlot& slot, bool on) {
        emitter.taste_weitergeben(slot, on);
        return log.take();
    }

    test::EventLog log;
    test::RecordingKeyOutput out{log};
    test::RecordingPauser pauser{log};
    KeyEmitter emitter{out, pauser};
};

TEST_F(Emitter, PlainKeyOnForOneTickIsATap) {
    ActionSlot a = slotWith("65");
    EXPECT_EQ(tick(a, true), (Events{"down 65 30", "up 65 30"}));
    EXPECT_FALSE(a.held);
    EXPECT_EQ(a.counter, 0);
    EXPECT_EQ(tick(a, false), Events{});
    EXPECT_EQ(a.counter, 0) << "nothing was held, so the counter is not reloaded";
}

TEST_F(Emitter, PlainKeyHeldTapsThenRepeatsThenSlowsDownAndReleasesOnce) {
    ActionSlot a = slotWith("65");
    for (int t = 1; t <= 20; ++t) {
        const Events sent = tick(a, true);
        if (t == 1) {
            EXPECT_EQ(sent, (Events{"down 65 30", "up 65 30"}));
        } else if (t == 2) {
            EXPECT_EQ(sent, Events{});
        } else if (t < 12) {
            EXPECT_EQ(sent, Events{"down 65 30"}) << "tick " << t;
        } else {
            EXPECT_EQ(sent, (Events{"down 65 30", "pause 10"})) << "tick " << t;
        }
    }
    EXPECT_TRUE(a.held);
    EXPECT_EQ(tick(a, false), Events{"up 65 30"});
    EXPECT_FALSE(a.held);
    EXPECT_EQ(a.counter, 1) << "reloaded from the tap mark";
    EXPECT_EQ(tick(a, false), Events{});
}

TEST_F(Emitter, AShortPressLeavesTheNextPressWithoutATap) {
    ActionSlot a = slotWith("65");
    tick(a, true);
    tick(a, false);
    EXPECT_EQ(tick(a, true), Events{}) << "counter 0 is neither the tap mark nor negative";
    EXPECT_EQ(tick(a, true), Events{"down 65 30"});
}

TEST_F(Emitter, KeyPairHoldsTheModifierAroundTheKey) {
    ActionSlot a = slotWith("17_123");
    EXPECT_EQ(tick(a, true), (Events{"down 17 29", "down 123 88", "up 123 88", "up 17 29"}));
    tick(a, true);
    EXPECT_EQ(tick(a, true), (Events{"down 17 29", "down 123 88"}));
    EXPECT_EQ(tick(a, false), (Events{"up 123 88", "up 17 29"}));
}

TEST_F(Emitter, ModifierCodeZeroPlaysTheKeyAlone) {
    ActionSlot a = slotWith("0_65");
    EXPECT_EQ(tick(a, true), (Events{"down 65 30", "up 65 30"}));
}

TEST_F(Emitter, TimedSequencePlaysEveryStepWithItsPauseOnEveryTick) {
    ActionSlot a = slotWith("(0)65(120)66");
    const Events once{"beep 2000", "down 65 30", "up 65 30", "pause 120", "down 66 48",
                      "up 66 48",  "beep 2000",  "pause 10", "beep 2000"};
    EXPECT_EQ(tick(a, true), once);
    EXPECT_TRUE(a.held) << "the last pass holds the empty step";
    EXPECT_EQ(a.counter, -3) << "four passes: two steps, the terminating group, the last pass";
    EXPECT_EQ(emitter.tapMark(), -1);
    EXPECT_EQ(tick(a, true), once);
    EXPECT_EQ(a.counter, -7);
    // From now on the counter is below -10 after the first pass of a tick.
    const Events slow{"beep 2000",  "down 65 30", "up 65 30", "pause 10", "pause 120",
                      "down 66 48", "up 66 48",   "pause 10", "pause 10", "pause 10",
                      "beep 2000",  "pause 10",   "beep 2000"};
    tick(a, true);
    EXPECT_EQ(tick(a, true), slow);
    EXPECT_EQ(tick(a, false), Events{}) << "releasing a sequence sends nothing";
    EXPECT_FALSE(a.held);
    EXPECT_EQ(a.counter, emitter.tapMark());
}

TEST_F(Emitter, SecondStepOfASequenceHasNoSecondKeyLeftFromTheFirst) {
    ActionSlot a = slotWith("(0)16_65(50)66");
    EXPECT_EQ(tick(a, true),
              (Events{"beep 2000", "down 16 42", "down 65 30", "up 65 30", "up 16 42", "pause 50",
                      "down 66 48", "up 66 48", "beep 2000", "pause 10", "beep 2000"}));
}

TEST_F(Emitter, TextBeforeTheFirstGroupIsIgnored) {
    ActionSlot a = slotWith("65(100)66");
    EXPECT_EQ(tick(a, true),
              (Events{"beep 2000", "down 66 48", "up 66 48", "beep 2000", "pause 10", "beep 2000"}));
}

TEST_F(Emitter, RecordedSequenceWithTrailingOpenGroupPlaysTheSame) {
    ActionSlot a = slotWith("(0)65(250)66(");
    ActionSlot b = slotWith("(0)65(250)66");
    EXPECT_EQ(tick(a, true), tick(b, true));
}

TEST_F(Emitter, GroupsWithoutDigitsPlayWithoutPauses) {
    ActionSlot a = slotWith("(x)65()66(7");
    EXPECT_EQ(tick(a, true), (Events{"beep 2000", "down 65 30", "up 65 30", "down 66 48", "up 66 48",
                                     "beep 2000", "pause 10", "beep 2000"}));
}

TEST_F(Emitter, NothingAssignedSendsNothingButCounts) {
    for (const char* keys : {"", "-1", "abc", "65x"}) {
        ActionSlot a = slotWith(keys);
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(tick(a, true), Events{}) << keys;
        }
        EXPECT_TRUE(a.held) << keys;
        EXPECT_EQ(a.counter, -2) << keys;
        EXPECT_EQ(tick(a, false), Events{}) << keys;
        EXPECT_FALSE(a.held);
    }
}

TEST_F(Emitter, KeyCodesAreSentAsTheirLowEightBits) {
    ActionSlot a = slotWith("321");  // 321 = 256 + 65
    EXPECT_EQ(tick(a, true), (Events{"down 65 0", "up 65 0"}));
}

TEST_F(Emitter, SecondKeyWithoutScanCodeIsNotPressedButStillReleased) {
    ActionSlot a = slotWith("17_255");  // 255 has no scan code
    EXPECT_EQ(tick(a, true), (Events{"down 17 29", "up 255 0", "up 17 29"}));
}

TEST_F(Emitter, TheTapMarkIsSharedByAllSlots) {
    ActionSlot seq = slotWith("(0)65");
    ActionSlot fresh = slotWith("66");  // counter 1, never used
    tick(seq, true);                    // leaves the tap mark at 0, the counter at the terminating group
    ASSERT_EQ(emitter.tapMark(), 0);
    EXPECT_EQ(tick(fresh, true), Events{}) << "counter 1 differs from the tap mark: no tap";
    EXPECT_EQ(tick(fresh, true), (Events{"down 66 48", "up 66 48"})) << "counter 0 happens to equal the mark";
    EXPECT_EQ(tick(fresh, true), Events{"down 66 48"});
    EXPECT_EQ(tick(fresh, false), Events{"up 66 48"});
    EXPECT_EQ(fresh.counter, 0) << "reloaded from the mark";
    EXPECT_EQ(tick(fresh, true), (Events{"down 66 48", "up 66 48"}));
}

TEST_F(Emitter, KeyUpGoesToTheKeyThatWentDownWhenTheSequenceChanges) {
    ActionSlot a = slotWith("65");
    tick(a, true);
    tick(a, true);
    ASSERT_EQ(tick(a, true), Events{"down 65 30"});
    a.keys = KeySequence("66");  // a new game's assignments arrive while the button is down
    EXPECT_EQ(tick(a, true), (Events{"up 65 30", "down 66 48"}));
    a.keys = KeySequence("67");
    EXPECT_EQ(tick(a, false), Events{"up 66 48"});
}

TEST_F(Emitter, ReleaseLetsGoOfHeldKeysOnce) {
    ActionSlot a = slotWith("17_65");
    tick(a, true);
    tick(a, true);
    tick(a, true);
    emitter.release(a);
    EXPECT_EQ(log.take(), (Events{"up 65 30", "up 17 29"}));
    EXPECT_FALSE(a.held);
    EXPECT_EQ(a.counter, emitter.tapMark());
    emitter.release(a);
    EXPECT_EQ(log.take(), Events{});
}

TEST(PauseOnAClock, WaitsNTimesTheUnitAndNothingForZero) {
    test::ManualClock clock;
    ClockPauser pauser(clock);
    const auto start = clock.now();
    pauser.pause(10);
    EXPECT_EQ(clock.now() - start, std::chrono::microseconds(8640));
    pauser.pause(0);
    pauser.pause(-5);
    EXPECT_EQ(clock.now() - start, std::chrono::microseconds(8640));
}

}  // namespace
}  // namespace pw
