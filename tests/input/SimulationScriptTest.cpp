#include <gtest/gtest.h>

#include "input/SimulationScript.h"

namespace pw {
namespace {

using K = SimStatement::Kind;

TEST(SimulationScript, ReadsEveryStatement) {
    const auto r = parseSimulationScript(
        "# a comment\n"
        "device 3 8 1\n"
        "\n"
        "assign [isbutton1] 17_123   # Ctrl+F12\r\n"
        "assign [iscoolright] (0)65(120)66\n"
        "press 8\n"
        "release 8\n"
        "axis z -32768\n"
        "hat upleft\n"
        "tick\n"
        "tick 40\n");
    ASSERT_TRUE(r.script) << r.error.line << ": " << r.error.message;
    const SimScript& s = *r.script;
    EXPECT_EQ(s.axes, 3);
    EXPECT_EQ(s.buttons, 8);
    EXPECT_EQ(s.hats, 1);
    ASSERT_EQ(s.statements.size(), 8u);
    EXPECT_EQ(s.statements[0].kind, K::Assign);
    EXPECT_EQ(s.statements[0].action, ControllerAction::Button1);
    EXPECT_EQ(s.statements[0].keySequence, "17_123");
    EXPECT_EQ(s.statements[0].line, 4);
    EXPECT_EQ(s.statements[1].keySequence, "(0)65(120)66");
    EXPECT_EQ(s.statements[2].kind, K::Press);
    EXPECT_EQ(s.statements[2].number, 8);
    EXPECT_EQ(s.statements[3].kind, K::Release);
    EXPECT_EQ(s.statements[4].kind, K::Axis);
    EXPECT_EQ(s.statements[4].number, 2);
    EXPECT_EQ(s.statements[4].value, -32768);
    EXPECT_EQ(s.statements[5].kind, K::Hat);
    EXPECT_EQ(kHatDirectionNames[static_cast<std::size_t>(s.statements[5].value)], "upleft");
    EXPECT_EQ(s.statements[6].number, 1);
    EXPECT_EQ(s.statements[7].number, 40);
}

TEST(SimulationScript, DefaultsToFourAxesTwelveButtonsOneHat) {
    const auto r = parseSimulationScript("tick\n");
    ASSERT_TRUE(r.script);
    EXPECT_EQ(r.script->axes, 4);
    EXPECT_EQ(r.script->buttons, 12);
    EXPECT_EQ(r.script->hats, 1);
}

TEST(SimulationScript, AnEmptyAssignmentClearsTheAction) {
    const auto r = parseSimulationScript("assign [isup]\n");
    ASSERT_TRUE(r.script);
    EXPECT_EQ(r.script->statements[0].keySequence, "");
}

struct BadLine {
    const char* script;
    int line;
    const char* messagePart;
};

class SimulationScriptErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(SimulationScriptErrors, NameTheLineAndWhatIsWrong) {
    const auto r = parseSimulationScript(GetParam().script);
    ASSERT_FALSE(r.script);
    EXPECT_EQ(r.error.line, GetParam().line);
    EXPECT_NE(r.error.message.find(GetParam().messagePart), std::string::npos) << r.error.message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimulationScriptErrors,
    ::testing::Values(BadLine{"tick\njump 3\n", 2, "unknown statement 'jump'"},
                      BadLine{"assign [isfire] 65\n", 1, "unknown action '[isfire]'"},
                      BadLine{"press 0\n", 1, "button number must be a whole number from 1"},
                      BadLine{"press two\n", 1, "not 'two'"},
                      BadLine{"press 13\n", 1, "button 13 does not exist: the device has 12 buttons"},
                      BadLine{"press 5\ndevice 4 4 1\n", 1, "the device has 4 buttons"},
                      BadLine{"tick\ndevice 4 12 1\n", 2, "device must come before the first tick"},
                      BadLine{"device 4 12\n", 1, "HATS must be"},
                      BadLine{"device 4 12 1 9\n", 1, "unexpected '9'"},
                      BadLine{"axis w 5\n", 1, "unknown axis 'w'"},
                      BadLine{"axis x 40000\n", 1, "from -32768 to 32767"},
                      BadLine{"device 2 12 1\naxis z 5\n", 2, "axis z does not exist: the device has 2 axes"},
                      BadLine{"hat north\n", 1, "unknown hat direction 'north'"},
                      BadLine{"device 4 12 0\nhat up\n", 2, "no hat"}, BadLine{"tick 0\n", 1, "tick count"},
                      BadLine{"tick 3 4\n", 1, "unexpected '4'"}, BadLine{"release\n", 1, "not ''"}));

}  // namespace
}  // namespace pw
