#include <gtest/gtest.h>

#include "input/KeyCapture.h"

namespace pw {
namespace {

class StoppedClock final : public TimeOfDaySource {
public:
    TimeOfDay now() const override { return time; }
    TimeOfDay time{100, 10'000};
};

ModifierState with(bool shift, bool alt, bool ctrl) {
    ModifierState m;
    m.shift = shift;
    m.alt = alt;
    m.ctrl = ctrl;
    return m;
}
const ModifierState kNone{};
const ModifierState kShift = with(true, false, false);
const ModifierState kAlt = with(false, true, false);
const ModifierState kCtrl = with(false, false, true);

class Capture : public ::testing::Test {
protected:
    TextVariables texts;
    StoppedClock clock;
    KeyCapture capture{texts, clock};
};

TEST(ModifierCodes, ExactlyOneMemberNamesTheModifier) {
    EXPECT_EQ(modifierCode(kNone), std::nullopt);
    EXPECT_EQ(modifierCode(kShift), 16);
    EXPECT_EQ(modifierCode(kAlt), 18);
    EXPECT_EQ(modifierCode(kCtrl), 17);
    ModifierState m;
    m.leftButton = true;
    EXPECT_EQ(modifierCode(m), 37);
    m = {};
    m.rightButton = true;
    EXPECT_EQ(modifierCode(m), 39);
    m = {};
    m.middleButton = true;
    EXPECT_EQ(modifierCode(m), 12);
    m = {};
    m.doubleClick = true;
    EXPECT_EQ(modifierCode(m), 12);
    EXPECT_EQ(modifierCode(with(true, false, true)), 0);
    m.shift = true;
    EXPECT_EQ(modifierCode(m), 0) << "a double-click with Shift is two members";
}

TEST_F(Capture, APlainKeyReplacesBothTexts) {
    capture.keyDown(116, kNone);
    EXPECT_EQ(capture.displayText(), "F5");
    EXPECT_EQ(capture.keySequenceText(), "116");
    capture.keyDown(65, kNone);
    EXPECT_EQ(capture.displayText(), "A");
    EXPECT_EQ(capture.keySequenceText(), "65");
}

TEST_F(Capture, AModifierAloneIsAPlainKeyThenItPairsWithTheNextKey) {
    capture.keyDown(17, kCtrl);
    EXPECT_EQ(capture.displayText(), "Strg");
    EXPECT_EQ(capture.keySequenceText(), "17");
    capture.keyDown(123, kCtrl);
    EXPECT_EQ(capture.displayText(), "Strg_F12");
    EXPECT_EQ(capture.keySequenceText(), "17_123");
}

TEST_F(Capture, AltF12StandsForTab) {
    capture.keyDown(123, kAlt);
    EXPECT_EQ(capture.displayText(), "Tab");
    EXPECT_EQ(capture.keySequenceText(), "9");
}

TEST_F(Capture, TwoModifiersGiveModifierCodeZero) {
    capture.keyDown(65, with(true, false, true));
    EXPECT_EQ(capture.keySequenceText(), "0_65");
}

TEST_F(Capture, ARecordingCollectsKeysWithTheirGaps) {
    capture.rec();
    EXPECT_TRUE(capture.recording());
    capture.keyDown(65, kNone);
    clock.time.millisecondsSinceMidnight += 250;
    capture.keyDown(66, kNone);
    capture.stop();
    EXPECT_FALSE(capture.recording());
    EXPECT_EQ(capture.displayText(), "(0)A(250)B(");
    EXPECT_EQ(capture.keySequenceText(), "(0)65(250)66");
}

TEST_F(Capture, ARecordingKeepsModifiersRepeatsAndTheEarlierKeys) {
    capture.keyDown(88, kNone);  // captured before the recording
    capture.rec();
    EXPECT_EQ(capture.displayText(), "");
    capture.keyDown(16, kShift);
    clock.time.millisecondsSinceMidnight += 40;
    capture.keyDown(65, kShift);
    clock.time.millisecondsSinceMidnight += 30;
    capture.keyDown(65, kShift);  // the key repeats
    clock.time.millisecondsSinceMidnight += 5;
    capture.keyDown(123, kAlt);  // no Tab replacement while recording
    EXPECT_EQ(capture.displayText(), "(0)Hoch(40)Hoch_A(30)Hoch_A(5)Alt_F12");
    EXPECT_EQ(capture.keySequenceText(), "88(0)16(40)16_65(30)16_65(5)18_123");
}

TEST_F(Capture, ARecordingAcrossMidnightKeepsItsRealGap) {
    clock.time = {100, 86'399'900};
    capture.rec();
    capture.keyDown(65, kNone);
    clock.time = {101, 150};
    capture.keyDown(66, kNone);
    EXPECT_EQ(capture.keySequenceText(), "(0)65(250)66");
}

TEST_F(Capture, StopStartsTheNextRecordingWithGapZero) {
    capture.rec();
    capture.keyDown(65, kNone);
    capture.stop();
    clock.time.millisecondsSinceMidnight += 9000;
    capture.rec();
    capture.keyDown(66, kNone);
    EXPECT_EQ(capture.keySequenceText(), "(0)65(0)66");
}

TEST_F(Capture, NamesFollowTheLanguage) {
    texts.replace(TextGroup::KeyName, "Strg", "Ctrl");
    capture.keyDown(46, kCtrl);
    EXPECT_EQ(capture.displayText(), "Ctrl_Entf");
    capture.setTexts("Saved", "17_65");
    EXPECT_EQ(capture.displayText(), "Saved");
    EXPECT_EQ(capture.keySequenceText(), "17_65");
    capture.clear();
    EXPECT_EQ(capture.keySequenceText(), "");
}

}  // namespace
}  // namespace pw
