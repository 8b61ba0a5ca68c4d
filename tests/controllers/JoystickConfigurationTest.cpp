#include "controllers/JoystickConfiguration.h"
#include "input/AxisScaling.h"
#include "store/RegistryAccess.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

const std::string kFixedSettings =
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\<FixedKey>\\CurrentJoystickSettings";

TEST(AxisCalibrationText, ReadsWhatItWrites) {
    const AxisCalibration axis{3, -20000, 150, 18000};
    EXPECT_EQ(formatAxisCalibration(axis), "3,-20000,150,18000");
    EXPECT_EQ(parseAxisCalibration("3,-20000,150,18000"), axis);
    EXPECT_EQ(parseAxisCalibration(" 3, -20000 ,150,18000 "), axis);
    EXPECT_EQ(parseAxisCalibration("-1,-32768,0,32767"), (AxisCalibration{-1, -32768, 0, 32767}));
}

TEST(AxisCalibrationText, RefusesWhatCannotBeACalibration) {
    for (const char* text : {"", "1,2,3", "0,-10,0,10,5", "0,-10,,10", "0,-10,0,10,", "x,-10,0,10",
                             "0,-10,0,1e3", "0,-10,0,99999999999", "0,0,0,10", "0,-10,10,10", "0,10,0,-10",
                             "0,-32769,0,10", "0,-10,0,32768", "-2,-10,0,10", "256,-10,0,10"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseAxisCalibration(text), std::nullopt);
    }
}

// What the domain makes of a position: -1000 ... 1000 at the standard dead zone and range.
std::int32_t scaled(std::uint32_t position) {
    return scaleAxis(position, 0, 65535, 50, 1000);
}

TEST(AxisCalibrationPosition, MapsEachSideOfTheCentreOntoItsHalf) {
    const AxisCalibration full{};
    EXPECT_EQ(calibratedPosition(full, -32768), 0u);
    EXPECT_EQ(calibratedPosition(full, 0), 32767u);
    EXPECT_EQ(calibratedPosition(full, 32767), 65535u);
    EXPECT_EQ(scaled(calibratedPosition(full, 0)), 0);
    EXPECT_EQ(scaled(calibratedPosition(full, 32767)), 1000);
    EXPECT_EQ(scaled(calibratedPosition(full, -32768)), -1000);

    // A stick that rests off the middle and travels less to one side.
    const AxisCalibration offCentre{0, -10000, 2000, 30000};
    EXPECT_EQ(calibratedPosition(offCentre, 2000), 32767u);
    EXPECT_EQ(calibratedPosition(offCentre, -4000), 16384u);
    EXPECT_EQ(calibratedPosition(offCentre, 16000), 49151u);
    EXPECT_EQ(scaled(calibratedPosition(offCentre, -10000)), -1000);
    EXPECT_EQ(scaled(calibratedPosition(offCentre, 30000)), 1000);
    EXPECT_EQ(calibratedPosition(offCentre, -32768), 0u) << "beyond the calibrated end, held at the end";
    EXPECT_EQ(calibratedPosition(offCentre, 32767), 65535u);
}

class Configuration : public test::StoreTest {};

TEST_F(Configuration, WhatIsWrittenIsReadBack) {
    JoystickConfiguration config;
    config.guid = "030000006d0400001dc2000014400000";
    config.oemName = "VID_046D&PID_C21D";
    config.deviceName = "Logitech F310";
    config.axes[0] = {1, -30000, 0, 30000};
    config.axes[1] = {0, -32768, -100, 32767};
    config.axes[3] = {-1, -32768, 0, 32767};
    ASSERT_TRUE(writeJoystickConfiguration(store(), config));
    EXPECT_EQ(readJoystickConfiguration(store()), config);

    RegistryKey settings = openRegistryKey(store(), kFixedSettings);
    EXPECT_EQ(settings.readString("Joystick1Configuration"), config.guid);
    EXPECT_EQ(settings.readString("Joystick1Name"), "Logitech F310");
    EXPECT_EQ(settings.readString("Axis0"), "1,-30000,0,30000");
    EXPECT_EQ(settings.readString("Axis2"), "2,-32768,0,32767");
    RegistryKey oem = openRegistryKey(store(), std::string(kJoystickOemPath) + "\\VID_046D&PID_C21D");
    EXPECT_EQ(oem.readString("OEMName"), "Logitech F310") << "the name the program shows for it";
}

TEST_F(Configuration, WithoutOneNothingIsConfigured) {
    EXPECT_FALSE(readJoystickConfiguration(store()).configured());
    EXPECT_EQ(readJoystickConfiguration(store()), JoystickConfiguration{});
    EXPECT_TRUE(store().subkeys("").empty()) << "reading creates nothing";
}

TEST_F(Configuration, FollowsTheRecordedDriverKey) {
    openProgramKey(store()).writeString("JDriver", "msjstick.drv<0001>");
    JoystickConfiguration config;
    config.guid = "abc";
    ASSERT_TRUE(writeJoystickConfiguration(store(), config));
    EXPECT_TRUE(store().keyExists(joystickSettingsPath("msjstick.drv<0001>")));
    EXPECT_FALSE(store().keyExists(kFixedSettings));
    EXPECT_EQ(readJoystickConfiguration(store()).guid, "abc");

    // A driver key that would reach elsewhere is no driver key.
    openProgramKey(store()).writeString("JDriver", "..\\..\\Other");
    EXPECT_EQ(driverKeyInUse(store()), "<FixedKey>");
    openProgramKey(store()).writeString("JDriver", "");
    EXPECT_EQ(driverKeyInUse(store()), "<FixedKey>");
}

TEST_F(Configuration, WindowsValuesAndBrokenCalibrationsAreIgnored) {
    store().createKey(kFixedSettings);
    store().writeValue(kFixedSettings, "Joystick1Configuration",
                       RegistryValue{static_cast<std::uint32_t>(ValueType::Binary), std::string(8, '\x01')});
    RegistryKey settings = openRegistryKey(store(), kFixedSettings);
    settings.writeString("Joystick1OEMName", "Dev");
    settings.writeString("Axis0", "nonsense");
    settings.writeString("AXIS1", "0,-1000,0,1000");
    const JoystickConfiguration config = readJoystickConfiguration(store());
    EXPECT_FALSE(config.configured());
    EXPECT_EQ(config.oemName, "Dev");
    EXPECT_EQ(config.axes[0], (AxisCalibration{0, -32768, 0, 32767}));
    EXPECT_EQ(config.axes[1], (AxisCalibration{0, -1000, 0, 1000}));
}

TEST_F(Configuration, AnUnsafeOemNameOrABadCalibrationWritesNothing) {
    JoystickConfiguration config;
    config.guid = "abc";
    config.oemName = "..\\..\\..\\Software";
    EXPECT_FALSE(writeJoystickConfiguration(store(), config));
    config.oemName = "Dev";
    config.axes[2] = {2, 10, 0, -10};
    EXPECT_FALSE(writeJoystickConfiguration(store(), config));
    EXPECT_TRUE(store().subkeys("").empty());
}

}  // namespace
}  // namespace pw
