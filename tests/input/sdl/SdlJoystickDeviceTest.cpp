#include <gtest/gtest.h>

#include "input/sdl/SdlJoystickDevice.h"
#include "support/FakeJoystickDevice.h"
#include "support/VirtualPad.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

using A = ControllerAction;

std::vector<A> actionsOn(const Joystick& j) {
    std::vector<A> on;
    for (A a : kAllActions) {
        if (j.actionIsOn(a))
            on.push_back(a);
    }
    return on;
}

// SDL's raw value at a fraction of the travel from the middle.
std::int16_t rawAt(double fraction) {
    return static_cast<std::int16_t>(fraction * 32767.0);
}

TEST(SdlJoystick, OpensTheIdThDeviceAndTakesItsCounts) {
    test::VirtualPad p(4, 10, 1);
    ASSERT_TRUE(p.pad.ok()) << p.pad.error();
    ASSERT_TRUE(p.joystick.isOpen());
    EXPECT_EQ(p.joystick.facts().buttonCount, 10);
    EXPECT_EQ(p.joystick.facts().hatCount, 1);
    EXPECT_EQ(p.joystick.facts().axisCount, 4);
    p.joystick.setId(p.pad.deviceIndex() + 1);  // beyond the attached devices
    EXPECT_FALSE(p.joystick.isOpen());
    EXPECT_EQ(p.joystick.facts().buttonCount, 0);
}

TEST(SdlJoystick, AtRestNothingIsOn) {
    test::VirtualPad p;
    p.joystick.sample();
    EXPECT_TRUE(actionsOn(p.joystick).empty());
    EXPECT_EQ(p.joystick.state().hat[0], kHatCentred);
}

TEST(SdlJoystick, StickMustPassHalfItsWayBeforeItCounts) {
    test::VirtualPad p;
    p.pad.setAxis(1, rawAt(-0.4));
    p.joystick.sample();
    EXPECT_EQ(p.joystick.state().y, 0);
    EXPECT_FALSE(p.joystick.actionIsOn(A::Up));
    p.pad.setAxis(1, rawAt(-0.75));
    p.joystick.sample();
    EXPECT_LT(p.joystick.state().y, 0);
    EXPECT_EQ(actionsOn(p.joystick), std::vector<A>{A::Up});
    p.push(1, -1);
    p.joystick.sample();
    EXPECT_EQ(p.joystick.state().y, -1000);
    p.push(1, 1);
    p.push(0, -1);
    p.joystick.sample();
    EXPECT_EQ(p.joystick.state().y, 1000);
    EXPECT_EQ(actionsOn(p.joystick), (std::vector<A>{A::Down, A::Left}));
}

TEST(SdlJoystick, AxesMapXYZAndR) {
    test::VirtualPad p;
    p.push(2, 1);
    p.push(3, -1);
    p.joystick.sample();
    EXPECT_EQ(p.joystick.state().z, 1000);
    EXPECT_EQ(p.joystick.state().rz, -1000);
    EXPECT_EQ(actionsOn(p.joystick), (std::vector<A>{A::ZUp, A::RDown}));
    p.push(2, -1);
    p.push(3, 1);
    p.joystick.sample();
    EXPECT_EQ(actionsOn(p.joystick), (std::vector<A>{A::ZDown, A::RUp}));
}

TEST(SdlJoystick, TwoAxisStickNeverTurnsZOrROn) {
    test::VirtualPad p(2, 4, 0);
    ASSERT_EQ(p.joystick.facts().axisCount, 2);
    p.push(0, 1);
    p.push(1, 1);
    p.joystick.sample();
    EXPECT_EQ(actionsOn(p.joystick), (std::vector<A>{A::Down, A::Right}));
}

TEST(SdlJoystick, WithThreeAxesZWorksAndRReadsCentred) {
    // The R actions are gated like Z (three axes), though R is the fourth axis; SDL reports no
    // fourth axis here, so R reads centred and stays off.
    test::VirtualPad p(3, 4, 0);
    p.push(2, 1);
    p.joystick.sample();
    EXPECT_EQ(actionsOn(p.joystick), std::vector<A>{A::ZUp});
}

TEST(SdlJoystick, EachHatDirectionTurnsOnExactlyItsAction) {
    test::VirtualPad p;
    const std::pair<HatDirection, A> cases[] = {
        {HatDirection::Up, A::CoolUp},       {HatDirection::UpRight, A::CoolUpRight},
        {HatDirection::Right, A::CoolRight}, {HatDirection::DownRight, A::CoolDownRight},
        {HatDirection::Down, A::CoolDown},   {HatDirection::DownLeft, A::CoolDownLeft},
        {HatDirection::Left, A::CoolLeft},   {HatDirection::UpLeft, A::CoolUpLeft},
    };
    std::uint32_t angle = 0;
    for (const auto& [direction, action] : cases) {
        p.pad.setHat(direction);
        p.joystick.sample();
        EXPECT_EQ(p.joystick.state().hat[0], angle);
        EXPECT_EQ(actionsOn(p.joystick), std::vector<A>{action});
        angle += 4500;
    }
    p.pad.setHat(HatDirection::Centered);
    p.joystick.sample();
    EXPECT_EQ(p.joystick.state().hat[0], kHatCentred);
    EXPECT_TRUE(actionsOn(p.joystick).empty());
}

TEST(SdlJoystick, ADeviceWithoutHatNeverTurnsAHatActionOn) {
    test::VirtualPad p(4, 12, 0);
    p.joystick.sample();
    EXPECT_EQ(p.joystick.facts().hatCount, 0);
    EXPECT_TRUE(actionsOn(p.joystick).empty());
}

TEST(SdlJoystick, ButtonsTurnOnTheirActions) {
    test::VirtualPad p;
    p.pad.setButton(0, true);
    p.pad.setButton(11, true);
    p.joystick.sample();
    EXPECT_EQ(actionsOn(p.joystick), (std::vector<A>{A::Button1, A::Button12}));
    EXPECT_TRUE(p.joystick.inputStates().test(buttonBit(12)));
}

TEST(SdlJoystick, ButtonsBeyondTwelveAreSampledButTurnNoActionOn) {
    test::VirtualPad p(4, 16, 1);
    p.pad.setButton(14, true);
    p.joystick.sample();
    EXPECT_TRUE(p.joystick.state().pressed(14));
    EXPECT_TRUE(p.joystick.inputStates().test(buttonBit(15)));
    EXPECT_TRUE(actionsOn(p.joystick).empty());
}

TEST(SdlJoystick, DetectActionFollowsItsOrderAndNamesTheWinner) {
    test::VirtualPad p;
    TextVariables texts;
    EXPECT_FALSE(p.joystick.detectAction());
    p.push(0, -1);
    p.pad.setButton(0, true);
    p.pad.setHat(HatDirection::Up);
    p.push(2, 1);
    auto found = p.joystick.detectAction();
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, A::Button1);
    EXPECT_EQ(displayName(*found, texts), "Knopf 1");
    EXPECT_EQ(token(*found), "[isbutton1]");
    p.pad.setButton(0, false);
    EXPECT_EQ(p.joystick.detectAction(), A::Left) << "the stick beats the hat";
    p.push(0, 0);
    EXPECT_EQ(p.joystick.detectAction(), A::CoolUp) << "the hat beats Z";
    p.pad.setHat(HatDirection::Centered);
    EXPECT_EQ(p.joystick.detectAction(), A::ZUp);
    texts.replace(TextGroup::ControllerActionName, "Achse Z hoch", "Z axis up");
    EXPECT_EQ(displayName(*p.joystick.detectAction(), texts), "Z axis up");
}

TEST(SdlJoystick, UnpluggedReadsNeutralAndReplugIsFoundByTheNextOpen) {
    auto first = std::make_unique<test::VirtualPad>();
    first->pad.setButton(0, true);
    first->joystick.sample();
    ASSERT_TRUE(first->joystick.actionIsOn(A::Button1));
    first->pad.detach();
    first->joystick.sample();
    EXPECT_TRUE(actionsOn(first->joystick).empty());

    SdlVirtualJoystick again(4, 12, 1);  // plugged in again
    again.setButton(1, true);
    first->joystick.setId(again.deviceIndex());
    first->joystick.openJoystick();
    first->joystick.sample();
    EXPECT_EQ(actionsOn(first->joystick), std::vector<A>{A::Button2});
}

TEST(SdlJoystick, APadPluggedInAgainIsReadWithoutReopening) {
    SdlJoystickDevice device;
    Joystick joystick{device};
    auto first = std::make_unique<SdlVirtualJoystick>(4, 12, 1);
    ASSERT_TRUE(first->ok()) << first->error();
    joystick.setId(first->deviceIndex());
    joystick.openJoystick();
    first->setButton(0, true);
    joystick.sample();
    ASSERT_EQ(actionsOn(joystick), std::vector<A>{A::Button1});
    first.reset();  // unplugged
    joystick.sample();
    EXPECT_TRUE(actionsOn(joystick).empty());
    EXPECT_FALSE(joystick.isOpen());

    SdlVirtualJoystick again(4, 12, 1);  // plugged in again
    again.setButton(2, true);
    for (int i = 0; i < kReopenSamples && !joystick.isOpen(); ++i) {
        joystick.sample();
    }
    ASSERT_TRUE(joystick.isOpen());
    EXPECT_EQ(actionsOn(joystick), std::vector<A>{A::Button3});
}

TEST(SdlJoystick, SdlsVirtualPadsKeepTheirRawAxes) {
    test::VirtualPad p(6, 15, 1);
    EXPECT_FALSE(p.device.gamePad());
    EXPECT_EQ(p.joystick.facts().axisCount, 6);
    EXPECT_EQ(p.joystick.facts().buttonCount, 15);
}

// A pad as SDL's game controller layer reads it, seen through the joystick's rules.
struct GamePad {
    GamePad() {
        device.caps =
            JoystickCaps{kGamePadButtons, 1, kGamePadAxes, {0, 0, 0, 0}, {65535, 65535, 65535, 65535}};
    }
    std::vector<A> actionsOn(const GamePadReading& reading) {
        device.raw = gamePadSample(reading);
        joystick.sample();
        return pw::actionsOn(joystick);
    }
    test::FakeJoystickDevice device;
    Joystick joystick{device};
};

TEST(SdlGamePad, AtRestTurnsNoActionOnAndTheTriggersShareZ) {
    GamePad pad;
    pad.joystick.openJoystick();
    GamePadReading rest;
    EXPECT_TRUE(pad.actionsOn(rest).empty());
    EXPECT_EQ(pad.joystick.state().z, 0);
    GamePadReading left = rest;
    left.leftTrigger = 32767;
    EXPECT_EQ(pad.actionsOn(left), std::vector<A>{A::ZUp});
    GamePadReading right = rest;
    right.rightTrigger = 32767;
    EXPECT_EQ(pad.actionsOn(right), std::vector<A>{A::ZDown});
    GamePadReading both = left;
    both.rightTrigger = 32767;
    EXPECT_TRUE(pad.actionsOn(both).empty()) << "both pulled alike cancel";
    GamePadReading sticks = rest;
    sticks.leftX = -32768;
    sticks.rightY = 32767;
    sticks.rightX = 32767;  // U: not read
    EXPECT_EQ(pad.actionsOn(sticks), (std::vector<A>{A::Left, A::RUp}));
}

TEST(SdlGamePad, ButtonsComeInTheOrderGamesKnowAndTheDpadIsTheHat) {
    GamePad pad;
    pad.joystick.openJoystick();
    bool GamePadReading::*const order[] = {&GamePadReading::a,
                                           &GamePadReading::b,
                                           &GamePadReading::x,
                                           &GamePadReading::y,
                                           &GamePadReading::leftShoulder,
                                           &GamePadReading::rightShoulder,
                                           &GamePadReading::back,
                                           &GamePadReading::start,
                                           &GamePadReading::leftStick,
                                           &GamePadReading::rightStick};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        GamePadReading r;
        r.*order[i] = true;
        EXPECT_EQ(pad.actionsOn(r), std::vector<A>{buttonAction(static_cast<int>(i) + 1)}) << i;
    }
    GamePadReading d;
    d.dpadUp = d.dpadRight = true;
    EXPECT_EQ(pad.actionsOn(d), std::vector<A>{A::CoolUpRight});
    d.dpadUp = false;
    d.dpadDown = true;
    EXPECT_EQ(pad.actionsOn(d), std::vector<A>{A::CoolDownRight});
}

TEST(SdlJoystick, HatBitsBecomeHundredthsOfADegree) {
    EXPECT_EQ(hatAngleFromSdl(0), kHatCentred);
    EXPECT_EQ(hatAngleFromSdl(0x01 | 0x02), 4500u);  // up and right
    EXPECT_EQ(hatAngleFromSdl(0x01 | 0x04), kHatCentred) << "up and down at once is no direction";
}

}  // namespace
}  // namespace pw
