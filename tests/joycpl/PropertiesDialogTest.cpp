#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <memory>

#include "controllers/JoystickConfiguration.h"
#include "joycpl/ControllerPropertiesDialog.h"
#include "joycpl/ModelPad.h"
#include "joycpl/SdlControllers.h"
#include "support/StoreFixture.h"
#include "support/gui/WidgetsApp.h"

namespace pw {
namespace {

// The properties of a virtual pad read through SDL, sampled only when the test says so.
class Properties : public test::StoreTest {
protected:
    static void SetUpTestSuite() { test::ensureWidgetsApp(); }

    void SetUp() override { ASSERT_TRUE(pad.ok()) << SDL_GetError(); }

    AttachedController attached() {
        for (const AttachedController& c : attachedControllers()) {
            if (c.instanceId == pad.instanceId()) {
                return c;
            }
        }
        ADD_FAILURE() << "the pad is not listed";
        return {};
    }

    std::unique_ptr<ControllerPropertiesDialog> open() {
        auto dialog = std::make_unique<ControllerPropertiesDialog>(store(), texts, attached(),
                                                                   sdlReadingSource(pad.instanceId()), false);
        dialog->showPage(ControllerPropertiesDialog::Page::Calibration);
        return dialog;
    }

    // Sets every SDL axis of the pad, then takes one reading.
    static void sampleAt(ControllerPropertiesDialog& dialog, test::ModelPad& pad,
                         std::array<std::int16_t, 4> axes) {
        for (int i = 0; i < 4; ++i) {
            pad.setAxis(i, axes[static_cast<std::size_t>(i)]);
        }
        dialog.sample();
    }

    // Both ends of every axis, then let go.
    void calibrateAllAxes(ControllerPropertiesDialog& dialog) {
        sampleAt(dialog, pad, {-30000, -32768, -20000, -32000});
        sampleAt(dialog, pad, {31000, 32767, 25000, 30000});
        sampleAt(dialog, pad, {120, -80, 0, 5});
    }

    template <class W>
    static W* child(QWidget& dialog, const QString& name) {
        W* widget = dialog.findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    static QString label(QWidget& dialog, const QString& name) { return child<QLabel>(dialog, name)->text(); }

    PanelTexts texts;
    test::ModelPad pad{"Joycpl Calibrated Pad", 0x7101, 4, 8, 1};
};

TEST_F(Properties, CalibrationShowsAndWritesTheTravelOfEveryAxis) {
    const auto dialog = open();
    calibrateAllAxes(*dialog);
    EXPECT_EQ(label(*dialog, "axisMinimum0"), "-30000");
    EXPECT_EQ(label(*dialog, "axisCentre0"), "120");
    EXPECT_EQ(label(*dialog, "axisMaximum0"), "31000");
    EXPECT_EQ(label(*dialog, "axisCentre1"), "-80");

    dialog->apply();
    EXPECT_EQ(label(*dialog, "calibrationMessage"), "Kalibrierung gespeichert.");
    const JoystickConfiguration config = readJoystickConfiguration(store());
    EXPECT_EQ(config.guid, pad.guid()) << "a calibrated pad becomes joystick 1";
    EXPECT_EQ(config.deviceName, "Joycpl Calibrated Pad");
    EXPECT_EQ(config.axes,
              (std::array{AxisCalibration{0, -30000, 120, 31000}, AxisCalibration{1, -32768, -80, 32767},
                          AxisCalibration{2, -20000, 0, 25000}, AxisCalibration{3, -32000, 5, 30000}}));
}

TEST_F(Properties, AnAxisThatWasNotMovedToBothEndsIsRefusedUntilItIsOrLeftUnused) {
    ASSERT_TRUE(
        writeJoystickConfiguration(store(), joystick1Configuration(pad.guid(), "Joycpl Calibrated Pad")));
    const auto dialog = open();
    sampleAt(*dialog, pad, {-30000, -32768, 0, -32000});
    sampleAt(*dialog, pad, {31000, 32767, 0, 30000});
    sampleAt(*dialog, pad, {120, -80, 0, 30000});  // Z never moved, R still held at its end

    dialog->apply();
    EXPECT_EQ(
        label(*dialog, "calibrationMessage"),
        "Nicht übernommen: Achse Z braucht Minimum < Mitte < Maximum. Bewegen Sie die Achse bis zu beiden "
        "Enden und lassen Sie sie los.");
    EXPECT_EQ(label(*dialog, "axisVerdict2"), "nicht bis zu beiden Enden bewegt");
    EXPECT_EQ(label(*dialog, "axisVerdict3"), "nicht bis zu beiden Enden bewegt");
    EXPECT_EQ(label(*dialog, "axisVerdict0"), "in Ordnung");
    EXPECT_EQ(readJoystickConfiguration(store()).axes, fullTravelAxes()) << "nothing written";

    // Z fed by nothing, R let go: now it is fine.
    child<QComboBox>(*dialog, "axisSource2")->setCurrentIndex(0);
    sampleAt(*dialog, pad, {120, -80, 0, 5});
    dialog->apply();
    EXPECT_EQ(label(*dialog, "calibrationMessage"), "Kalibrierung gespeichert.");
    const JoystickConfiguration config = readJoystickConfiguration(store());
    EXPECT_EQ(config.axes[2], (AxisCalibration{-1, -32768, 0, 32767}));
    EXPECT_EQ(config.axes[3], (AxisCalibration{3, -32000, 5, 30000}));

    dialog->restartCalibration();
    dialog->apply();
    EXPECT_EQ(label(*dialog, "axisVerdict0"), "noch keine Werte") << "start over forgets what was seen";
    EXPECT_EQ(readJoystickConfiguration(store()), config);
}

TEST_F(Properties, TheAxisMappingIsWrittenKeptAndReadThrough) {
    JoystickConfiguration installed = joystick1Configuration(pad.guid(), "Joycpl Calibrated Pad");
    installed.oemName = "Mein Pad";
    ASSERT_TRUE(writeJoystickConfiguration(store(), installed));
    {
        const auto dialog = open();
        EXPECT_EQ(child<QComboBox>(*dialog, "axisSource0")->currentData().toInt(), 0);
        child<QComboBox>(*dialog, "axisSource0")->setCurrentIndex(2);  // SDL axis 1
        child<QComboBox>(*dialog, "axisSource1")->setCurrentIndex(1);  // SDL axis 0
        calibrateAllAxes(*dialog);
        EXPECT_EQ(label(*dialog, "axisMinimum0"), "-32768") << "the row shows the axis that feeds it";
        dialog->apply();
        const JoystickConfiguration config = readJoystickConfiguration(store());
        EXPECT_EQ(config.axes[0], (AxisCalibration{1, -32768, -80, 32767}));
        EXPECT_EQ(config.axes[1], (AxisCalibration{0, -30000, 120, 31000}));
        EXPECT_EQ(config.oemName, "Mein Pad") << "joystick 1 keeps its names";

        // The test view reads through what was applied: SDL axis 1 now moves the cross sideways.
        sampleAt(*dialog, pad, {120, 32767, 0, 5});
        const QPointF at = child<CrosshairView>(*dialog, "xyView")->position();
        EXPECT_DOUBLE_EQ(at.x(), 1.0);
        EXPECT_NEAR(at.y(), 0.0, 0.001);
    }
    const auto reopened = open();
    EXPECT_EQ(child<QComboBox>(*reopened, "axisSource0")->currentData().toInt(), 1);
    EXPECT_EQ(child<QComboBox>(*reopened, "axisSource1")->currentData().toInt(), 0);
    EXPECT_EQ(child<QComboBox>(*reopened, "axisSource2")->currentData().toInt(), 2);
}

TEST_F(Properties, TheTestViewFollowsButtonsHatAndAxes) {
    const auto dialog = open();
    dialog->showPage(ControllerPropertiesDialog::Page::Test);
    const auto lit = [&](int button) {
        return child<QLabel>(*dialog, QStringLiteral("buttonLamp%1").arg(button))->property("lit").toBool();
    };
    ASSERT_NE(dialog->findChild<QLabel*>(QStringLiteral("buttonLamp8")), nullptr);
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("buttonLamp9")), nullptr) << "one lamp per button";

    pad.setButton(4, true);
    pad.setHat(SDL_HAT_RIGHT);
    pad.setAxis(2, 32767);
    pad.setAxis(3, -32768);
    dialog->sample();
    EXPECT_TRUE(lit(5));
    EXPECT_FALSE(lit(4));
    EXPECT_FALSE(lit(6));
    EXPECT_EQ(label(*dialog, "hatLabel"), "Coolie rechts");
    EXPECT_EQ(child<QProgressBar>(*dialog, "zBar")->value(), 65535);
    EXPECT_EQ(child<QProgressBar>(*dialog, "rBar")->value(), 0);

    pad.setButton(4, false);
    pad.setHat(SDL_HAT_LEFTUP);
    dialog->sample();
    EXPECT_FALSE(lit(5));
    EXPECT_EQ(label(*dialog, "hatLabel"), "Coolie links hoch");
    pad.setHat(SDL_HAT_CENTERED);
    dialog->sample();
    EXPECT_EQ(label(*dialog, "hatLabel"), "Mitte");
}

TEST_F(Properties, AnUnpluggedPadIsReportedAndKeepsItsLastReading) {
    const auto dialog = open();
    pad.setButton(0, true);
    dialog->sample();
    pad.detach();
    dialog->sample();
    EXPECT_EQ(label(*dialog, "deviceMessage"), "Der Controller ist nicht mehr angeschlossen.");
    EXPECT_TRUE(child<QLabel>(*dialog, "buttonLamp1")->property("lit").toBool());
}

TEST_F(Properties, EnglishTextsOnAnEnglishSystem) {
    texts = PanelTexts(PanelLanguage::English);
    const auto dialog = open();
    dialog->apply();
    EXPECT_EQ(
        label(*dialog, "calibrationMessage"),
        "Not applied: X axis needs minimum < centre < maximum. Move the axis to both ends and let it go.");
    EXPECT_EQ(label(*dialog, "axisVerdict0"), "no values yet");
}

}  // namespace
}  // namespace pw
