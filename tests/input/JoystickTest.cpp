// Rules that a real SDL device cannot show: hat readings SDL never produces, buttons beyond the
// device's count, failing reads and raw ranges other than SDL's.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <vector>

#include "input/Joystick.h"
#include "support/FakeJoystickDevice.h"

namespace pw {
namespace {

using A = ControllerAction;

class JoystickRules : public ::testing::Test {
protected:
    JoystickRules() { joystick.openJoystick(); }

    std::vector<A> actionsOn() const {
        std::vector<A> on;
        for (A a : kAllActions) {
            if (joystick.actionIsOn(a))
                on.push_back(a);
        }
        return on;
    }

    test::FakeJoystickDevice device;
    Joystick joystick{device};
};

TEST_F(JoystickRules, HatBetweenDirectionsOrCentredTurnsNoHatActionOn) {
    for (std::uint32_t hat : {65535u, 0xFFFFFFFFu, 4499u, 9001u, 36000u}) {
        device.raw.hat = hat;
        joystick.sample();
        EXPECT_TRUE(actionsOn().empty()) << "hat " << hat;
    }
    device.raw.hat = 4500;
    joystick.sample();
    EXPECT_EQ(actionsOn(), std::vector<A>{A::CoolUpRight});
}

TEST_F(JoystickRules, ButtonBeyondTheDeviceCountTurnsNothingOn) {
    device.caps.buttonCount = 8;
    joystick.openJoystick();
    device.raw.buttons = 1u << 9;  // button 10
    joystick.sample();
    EXPECT_TRUE(actionsOn().empty());
    device.raw.buttons = 1u << 7;  // button 8
    joystick.sample();
    EXPECT_EQ(actionsOn(), std::vector<A>{A::Button8});
}

TEST_F(JoystickRules, ZAndRReadingExactly65535StayOff) {
    joystick.setRange(Axis::Z, 65535);
    joystick.setRange(Axis::Rx, 65535);
    device.raw.position = {32767, 32767, 65534, 65534};  // 65535 * 16384 / 16384
    joystick.sample();
    EXPECT_EQ(joystick.state().z, 65535);
    EXPECT_EQ(joystick.state().rz, 65535);
    EXPECT_FALSE(joystick.actionIsOn(A::ZUp));
    EXPECT_FALSE(joystick.actionIsOn(A::RUp));
    joystick.setRange(Axis::Z, 1000);
    joystick.sample();
    EXPECT_TRUE(joystick.actionIsOn(A::ZUp));
}

TEST_F(JoystickRules, RudderTakesTheDeadZoneAndRangeOfRx) {
    joystick.setRange(Axis::Rz, 5);
    joystick.setRange(Axis::Rx, 200);
    device.raw.position = {32767, 32767, 32767, 0};
    joystick.sample();
    EXPECT_EQ(joystick.state().rz, -200);
    EXPECT_EQ(joystick.state().rx, 0);
}

TEST_F(JoystickRules, AFailedReadIsNeutralEvenForADeviceWithAHat) {
    device.raw.buttons = 1;
    device.raw.position = {0, 0, 0, 0};
    joystick.sample();
    EXPECT_FALSE(actionsOn().empty());
    device.readSucceeds = false;
    joystick.sample();
    EXPECT_TRUE(actionsOn().empty());
    EXPECT_EQ(joystick.state().hat[0], kHatCentred);
}

TEST_F(JoystickRules, AControllerThatGoesAwayReadsNeutralAndIsReadAgainWhenItComesBack) {
    device.raw.buttons = 1;
    joystick.sample();
    ASSERT_EQ(actionsOn(), std::vector<A>{A::Button1});
    device.readSucceeds = false;  // unplugged, or a wireless pad asleep
    device.present = false;
    joystick.sample();
    EXPECT_TRUE(actionsOn().empty());
    EXPECT_FALSE(joystick.isOpen());
    EXPECT_FALSE(device.isOpen) << "the detached handle is given up";
    for (int i = 0; i < 3 * kReopenSamples; ++i) {
        joystick.sample();
    }
    EXPECT_TRUE(actionsOn().empty());
    const int looks = device.opens;
    EXPECT_GE(looks, 3) << "it is looked for while it is away";
    EXPECT_LE(looks, 5) << "but only every kReopenSamples";

    device.present = true;  // back
    device.readSucceeds = true;
    for (int i = 0; i < kReopenSamples && !joystick.isOpen(); ++i) {
        joystick.sample();
    }
    EXPECT_TRUE(joystick.isOpen());
    EXPECT_EQ(actionsOn(), std::vector<A>{A::Button1});
    EXPECT_EQ(joystick.facts().buttonCount, 12);
}

TEST_F(JoystickRules, AControllerAttachedAfterTheStartIsOpenedByTheSamples) {
    device.present = false;
    joystick.openJoystick();
    ASSERT_FALSE(joystick.isOpen());
    device.present = true;
    device.raw.hat = 9000;
    int samples = 0;
    while (!joystick.isOpen() && samples < 2 * kReopenSamples) {
        joystick.sample();
        ++samples;
    }
    EXPECT_EQ(samples, kReopenSamples);
    EXPECT_EQ(actionsOn(), std::vector<A>{A::CoolRight});
}

TEST_F(JoystickRules, AClosedJoystickIsNotLookedFor) {
    joystick.closeJoystick();
    const int opens = device.opens;
    for (int i = 0; i < 2 * kReopenSamples; ++i) {
        joystick.sample();
    }
    EXPECT_EQ(device.opens, opens);
    joystick.setEnabled(false);
    for (int i = 0; i < 2 * kReopenSamples; ++i) {
        joystick.sample();
    }
    EXPECT_EQ(device.opens, opens);
    EXPECT_FALSE(joystick.isOpen());
}

TEST_F(JoystickRules, ActiveOnlyReadsNeutralWhileAnotherWindowIsInFront) {
    bool foreground = false;
    joystick.setForegroundProbe([&] { return foreground; });
    device.raw.buttons = 1;
    device.raw.hat = 0;
    joystick.setActiveOnly(true);
    joystick.sample();
    EXPECT_TRUE(actionsOn().empty());
    foreground = true;
    joystick.sample();
    EXPECT_EQ(actionsOn(), (std::vector<A>{A::CoolUp, A::Button1}));
    foreground = false;
    joystick.setActiveOnly(false);
    joystick.sample();
    EXPECT_EQ(actionsOn().size(), 2u);
}

TEST_F(JoystickRules, NoDeviceMeansZeroCountsAndNothingOn) {
    device.present = false;
    joystick.openJoystick();
    EXPECT_FALSE(joystick.isOpen());
    EXPECT_EQ(joystick.facts().buttonCount, 0);
    EXPECT_EQ(joystick.facts().hatCount, 0);
    EXPECT_EQ(joystick.facts().axisCount, 0);
    device.raw.buttons = 1;
    device.raw.hat = 0;
    joystick.sample();
    EXPECT_TRUE(actionsOn().empty());
}

TEST_F(JoystickRules, ADisabledJoystickOrANegativeIdOpensNothing) {
    joystick.setEnabled(false);
    EXPECT_FALSE(joystick.isOpen());
    joystick.setEnabled(true);
    EXPECT_TRUE(joystick.isOpen());
    const int opensBefore = device.opens;
    joystick.setId(-1);
    EXPECT_FALSE(joystick.isOpen());
    EXPECT_EQ(device.opens, opensBefore);
}

TEST_F(JoystickRules, SettingsAreClamped) {
    joystick.setDeadZone(Axis::X, 150);
    joystick.setDeadZone(Axis::Y, -3);
    joystick.setRange(Axis::Z, -10);
    EXPECT_EQ(joystick.deadZone(Axis::X), 100);
    EXPECT_EQ(joystick.deadZone(Axis::Y), 0);
    EXPECT_EQ(joystick.range(Axis::Z), 0);
}

TEST_F(JoystickRules, DxErneuernRestoresTheStandardSettingsAndTheFirstJoystick) {
    joystick.setDeadZone(Axis::X, 10);
    joystick.setRange(Axis::Rz, 7);
    joystick.setAutoCenter(false);
    joystick.setId(3);
    EXPECT_FALSE(joystick.isOpen());  // the fake has only joystick 0
    joystick.dx_erneuern();
    EXPECT_TRUE(joystick.isOpen());
    EXPECT_EQ(device.lastOpenedId, 0);
    EXPECT_EQ(joystick.id(), 0);
    EXPECT_TRUE(joystick.autoCenter());
    for (Axis a : {Axis::X, Axis::Y, Axis::Z, Axis::Rx, Axis::Ry, Axis::Rz}) {
        EXPECT_EQ(joystick.deadZone(a), 50);
        EXPECT_EQ(joystick.range(a), 1000);
    }
}

TEST(JoystickStateLayout, MatchesTheExtendedStateRecord) {
    EXPECT_EQ(offsetof(JoystickState, x), 0u);
    EXPECT_EQ(offsetof(JoystickState, rz), 20u);
    EXPECT_EQ(offsetof(JoystickState, hat), 32u);
    EXPECT_EQ(offsetof(JoystickState, button), 48u);
    EXPECT_EQ(sizeof(JoystickState), 272u);
}

TEST(ActionTables, TokensNamesAndOrdersAreComplete) {
    std::set<A> tick(kTickOrder.begin(), kTickOrder.end());
    std::set<A> detect(kDetectOrder.begin(), kDetectOrder.end());
    EXPECT_EQ(tick.size(), kActionCount);
    EXPECT_EQ(detect.size(), kActionCount);
    for (A a : kAllActions) {
        EXPECT_EQ(actionFromToken(token(a)), a);
    }
    EXPECT_EQ(token(A::CoolDownLeft), "[iscooldownleft]");
    EXPECT_EQ(defaultDisplayName(A::CoolDownLeft), "Coolie links runter");
    EXPECT_EQ(defaultDisplayName(A::Down), "Zurück");
    EXPECT_EQ(token(buttonAction(12)), "[isbutton12]");
    EXPECT_FALSE(actionFromToken("isup"));
    EXPECT_FALSE(actionFromToken("[ISUP]"));
}

}  // namespace
}  // namespace pw
