// The whole engine driven as a user drives it with --simulate: an SDL virtual controller, the
// real polling loop and emitter, and the printed events.
#include <gtest/gtest.h>

#include <sstream>

#include "mapper/Simulation.h"

namespace pw {
namespace {

std::string simulate(const std::string& script) {
    const auto parsed = parseSimulationScript(script);
    EXPECT_TRUE(parsed.script) << parsed.error.message;
    std::ostringstream out;
    std::string error;
    EXPECT_TRUE(runSimulation(*parsed.script, out, error)) << error;
    return out.str();
}

TEST(Simulation, PrintsEachEventWithItsTick) {
    EXPECT_EQ(simulate("assign [isbutton1] 65\npress 1\ntick\nrelease 1\ntick 3\n"),
              "1 down 65 30\n1 up 65 30\n");
}

TEST(Simulation, StateChangesTakeEffectAtTheNextTick) {
    EXPECT_EQ(simulate("assign [isbutton3] 66\ntick 2\npress 3\ntick\n"), "3 down 66 48\n3 up 66 48\n");
}

TEST(Simulation, KeysStillHeldAtTheEndAreReleasedWithTheLastTickNumber) {
    EXPECT_EQ(simulate("assign [isleft] 37\naxis x -32768\ntick 4\n"),
              "1 down 37 75\n1 up 37 75\n3 down 37 75\n4 down 37 75\n4 up 37 75\n");
}

TEST(Simulation, ButtonAndHatInTheSameTickKeepTheTickOrder) {
    EXPECT_EQ(simulate("assign [iscoolupright] 66\nassign [isbutton1] 65\nhat upright\npress 1\ntick\n"),
              "1 down 65 30\n1 up 65 30\n1 down 66 48\n1 up 66 48\n");
}

TEST(Simulation, PausesAndBeepsArePrintedNotWaited) {
    EXPECT_EQ(simulate("assign [isbutton2] (0)65(50000)66\npress 2\ntick\nrelease 2\ntick\n"),
              "1 beep 2000\n1 down 65 30\n1 up 65 30\n1 pause 50000\n1 down 66 48\n1 up 66 48\n"
              "1 beep 2000\n1 pause 10\n1 beep 2000\n");
}

TEST(Simulation, ATwoAxisDeviceWithoutHatDrivesTheStick) {
    EXPECT_EQ(simulate("device 2 4 0\nassign [iszup] 65\nassign [isdown] 83\naxis y 32767\ntick\n"),
              "1 down 83 31\n1 up 83 31\n");
}

TEST(Simulation, ReassigningWhileHeldLetsTheOldKeyGo) {
    EXPECT_EQ(simulate("assign [isbutton1] 65\npress 1\ntick 3\nassign [isbutton1] 66\ntick\n"),
              "1 down 65 30\n1 up 65 30\n3 down 65 30\n4 up 65 30\n4 down 66 48\n4 up 66 48\n");
}

TEST(Simulation, NoTicksNoOutput) {
    EXPECT_EQ(simulate("assign [isbutton1] 65\npress 1\n"), "");
}

}  // namespace
}  // namespace pw
