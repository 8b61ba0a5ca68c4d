#include <gtest/gtest.h>

#include <vector>

#include "controllers/Calibration.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

using Raw = std::vector<std::int16_t>;

// Records the samples in order, as the properties window does at every reading.
CalibrationRecorder recorded(const std::vector<Raw>& samples) {
    CalibrationRecorder recorder;
    for (const Raw& sample : samples) {
        recorder.record(sample);
    }
    return recorder;
}

TEST(CalibrationRecorder, KeepsTheEndsAndTheLastRestingValueOfEveryAxis) {
    const CalibrationRecorder recorder =
        recorded({{5, 0}, {-31000, 200}, {30500, -32768}, {120, 32767}, {-40, 17}});
    ASSERT_EQ(recorder.axisCount(), 2u);
    EXPECT_EQ(recorder.travel(0), (AxisTravel{-31000, -40, 30500}));
    EXPECT_EQ(recorder.travel(1), (AxisTravel{-32768, 17, 32767}));
    EXPECT_FALSE(recorder.travel(2));
    EXPECT_FALSE(recorder.travel(-1));
}

TEST(CalibrationRecorder, AnAxisThatAppearsLaterStartsAtItsFirstValueAndRestartForgetsAll) {
    CalibrationRecorder recorder = recorded({{-100}, {100, 7000}});
    EXPECT_EQ(recorder.travel(0), (AxisTravel{-100, 100, 100}));
    EXPECT_EQ(recorder.travel(1), (AxisTravel{7000, 7000, 7000})) << "not from a made-up zero";

    recorder.restart();
    EXPECT_EQ(recorder.axisCount(), 0u);
    recorder.record(Raw{3});
    EXPECT_EQ(recorder.travel(0), (AxisTravel{3, 3, 3}));
}

TEST(CalibrationOutcome, AxesMovedToBothEndsAndLetGoAreAcceptedThroughTheMapping) {
    const CalibrationRecorder recorder =
        recorded({{0, 0, 0}, {-30000, 32767, -20000}, {29000, -32000, 25000}, {100, -300, 50}});
    const CalibrationOutcome outcome = calibrationFrom(recorder, {1, 0, -1, 2});
    EXPECT_TRUE(outcome.accepted());
    EXPECT_EQ(outcome.axes[0], (AxisCalibration{1, -32000, -300, 32767})) << "X fed by SDL axis 1";
    EXPECT_EQ(outcome.axes[1], (AxisCalibration{0, -30000, 100, 29000}));
    EXPECT_EQ(outcome.axes[2], (AxisCalibration{-1, -32768, 0, 32767})) << "Z fed by nothing rests";
    EXPECT_EQ(outcome.axes[3], (AxisCalibration{2, -20000, 50, 25000}));
    EXPECT_EQ(outcome.verdicts,
              (std::array{AxisVerdict::Valid, AxisVerdict::Valid, AxisVerdict::Unused, AxisVerdict::Valid}));
}

TEST(CalibrationOutcome, AxesWithoutMinimumBelowCentreBelowMaximumAreRefused) {
    // Axis 0 never moved, axis 1 still held at its upper end, axis 2 only pushed one way, axis 3
    // as it should be.
    const CalibrationRecorder recorder =
        recorded({{0, 0, 0, 0}, {0, -32768, 0, -32768}, {0, 32767, 32767, 32767}, {0, 32767, 0, 10}});
    const CalibrationOutcome outcome = calibrationFrom(recorder, defaultAxisMapping());
    EXPECT_FALSE(outcome.accepted());
    EXPECT_EQ(outcome.verdicts, (std::array{AxisVerdict::NotMoved, AxisVerdict::NotMoved,
                                            AxisVerdict::NotMoved, AxisVerdict::Valid}));

    const CalibrationOutcome missing = calibrationFrom(recorded({{-5, 0}, {5, 0}, {0, 0}}), {0, 4, -1, -1});
    EXPECT_FALSE(missing.accepted());
    EXPECT_EQ(missing.verdicts[1], AxisVerdict::NotRecorded) << "the device has no SDL axis 4";

    EXPECT_FALSE(calibrationFrom(CalibrationRecorder{}, defaultAxisMapping()).accepted())
        << "nothing recorded at all";
}

class CalibrationInStore : public test::StoreTest {};

TEST_F(CalibrationInStore, AnAcceptedOutcomeIsAValidConfigurationAndReadsBackUnchanged) {
    const CalibrationRecorder recorder = recorded({{0, 0}, {-32768, -32768}, {32767, 32767}, {1, -1}});
    const CalibrationOutcome outcome = calibrationFrom(recorder, {1, 0, -1, -1});
    ASSERT_TRUE(outcome.accepted());
    const JoystickConfiguration config = calibratedConfiguration({}, "03000000abcd", "Pad", outcome.axes);
    ASSERT_TRUE(writeJoystickConfiguration(store(), config));
    EXPECT_EQ(readJoystickConfiguration(store()), config);
}

TEST(Joystick1Configuration, NamesTheOemKeyAfterTheDeviceAndCoversTheFullTravel) {
    const JoystickConfiguration config = joystick1Configuration("03000000DEADBEEF", "Acme Pad");
    EXPECT_EQ(config.guid, "03000000DEADBEEF");
    EXPECT_EQ(config.deviceName, "Acme Pad");
    EXPECT_EQ(config.oemName, "Acme Pad");
    EXPECT_EQ(config.axes, fullTravelAxes());
    EXPECT_EQ(axisMappingOf(config), defaultAxisMapping());

    EXPECT_EQ(joystick1Configuration("0300", "USB\\Pad 2").oemName, "USB/Pad 2") << "one key, not two";
    EXPECT_EQ(joystick1Configuration("0300beef", "").oemName, "0300beef");
}

TEST(Joystick1Configuration, CalibratingKeepsTheNamesOfJoystickOneAndInstallsAnyOtherDevice) {
    JoystickConfiguration current = joystick1Configuration("0300abcd", "Old Pad");
    current.oemName = "My own name";
    const std::array<AxisCalibration, 4> axes = {AxisCalibration{0, -10, 0, 10}, AxisCalibration{-1},
                                                 AxisCalibration{1, -9, 1, 9}, AxisCalibration{3}};

    const JoystickConfiguration same = calibratedConfiguration(current, "0300ABCD", "Old Pad", axes);
    EXPECT_EQ(same.oemName, "My own name") << "GUIDs compare without case";
    EXPECT_EQ(same.guid, "0300abcd");
    EXPECT_EQ(same.axes, axes);

    const JoystickConfiguration other = calibratedConfiguration(current, "0300ffff", "New Pad", axes);
    EXPECT_EQ(other.guid, "0300ffff");
    EXPECT_EQ(other.deviceName, "New Pad");
    EXPECT_EQ(other.oemName, "New Pad");
    EXPECT_EQ(other.axes, axes);

    current.oemName = "Imported\\Name";
    EXPECT_EQ(calibratedConfiguration(current, "0300abcd", "Old Pad", axes).oemName, "Imported/Name");
}

TEST(Joystick1Choice, IsTheFirstConfiguredDeviceElseTheFirstAttachedOne) {
    JoystickConfiguration config = joystick1Configuration("0300BBBB", "B");
    EXPECT_EQ(joystick1Among(config, {"0300aaaa", "0300bbbb", "0300bbbb"}), (Joystick1Choice{1, true}));
    EXPECT_EQ(joystick1Among(config, {"0300aaaa", "0300cccc"}), (Joystick1Choice{0, false}))
        << "the configured device is not attached";
    EXPECT_EQ(joystick1Among(JoystickConfiguration{}, {"0300bbbb"}), (Joystick1Choice{0, false}));
    EXPECT_FALSE(joystick1Among(config, {}));
}

}  // namespace
}  // namespace pw
