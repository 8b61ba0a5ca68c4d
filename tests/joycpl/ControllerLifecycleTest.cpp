// A controller's whole life as the user goes through it: installed in the control panel program
// with a controller plugged in, registered on the controller page, switched in when a game that
// is played with it starts, and deleted again.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>

#include "app/controllers/ControllerPageSupport.h"
#include "controllers/ControlPanelKeys.h"
#include "controllers/JoystickConfiguration.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "joycpl/ControlPanelWindow.h"
#include "joycpl/ModelPad.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

class ControllerLifecycle : public ::testing::Test {
protected:
    ControllerLifecycle() {
        device.setConfigurationSource([this] { return readJoystickConfiguration(fx.store()); });
    }

    // Installs a plugged-in pad as joystick 1 the way the user does it in the control panel.
    void installInControlPanel(const test::ModelPad& pad) {
        ControlPanelWindow panel(fx.store(), kLanguageGerman, false);
        panel.refreshList();
        ASSERT_TRUE(panel.choose(pad.instanceId()));
        panel.installChosen();
    }

    SdlJoystickDevice device;
    test::AppFixture fx{&device};
};

TEST_F(ControllerLifecycle, InstalledRegisteredSwitchedInByAGameAndDeleted) {
    test::ModelPad wheel("Lifecycle Wheel", 0x7a01);
    test::ModelPad pad("Lifecycle Pad", 0x7a02);
    ASSERT_TRUE(wheel.ok() && pad.ok());

    // Installed: the wheel is joystick 1, and the mapper opens it.
    installInControlPanel(wheel);
    fx.joystick.openJoystick();
    ASSERT_TRUE(fx.joystick.isOpen());
    EXPECT_EQ(device.name(), "Lifecycle Wheel");

    // Registered as a steering wheel under the name the page proposes.
    ControllerPage page(fx.context);
    page.resize(558, 400);
    page.show();
    page.enterPage();
    ASSERT_EQ(page.findChild<QLineEdit*>("Edit1")->text(), "Lifecycle Wheel");
    test::clickItem(page.findChild<QListWidget*>("ListView4"), 3);
    page.speedButton9Click();
    const std::string registered = test::registeredPath("Steering wheel", "Lifecycle Wheel");
    EXPECT_EQ(test::storedGuid(fx.store(), registered), wheel.guid());
    EXPECT_EQ(fx.lists.controllers().front().name, "Lifecycle Wheel");

    // The user plays something else with the pad meanwhile.
    installInControlPanel(pad);
    fx.joystick.openJoystick();
    EXPECT_EQ(device.name(), "Lifecycle Pad");

    // A racing game played with the wheel starts: its activation switches the wheel in,
    // announced in the countdown window, and the mapper reads the wheel again.
    const std::string game = joinKeyPath(kProgramKeyPath, "games\\Simulation\\Rally");
    fx.store().createKey(game);
    fx.store().writeValue(game, "controller", RegistryValue::string("Steering wheel\\Lifecycle Wheel"));
    fx.store().writeValue(game, "profil", RegistryValue::string("Racing.ini"));
    fx.controllers.akt_controller();
    fx.dialogs.take();
    const int renewals = fx.inputRenewals;
    fx.activation.commandos_wechsel("Simulation", "Rally", false);
    EXPECT_EQ(readJoystickConfiguration(fx.store()).guid, wheel.guid());
    EXPECT_EQ(fx.inputRenewals, renewals + 1);
    const QStringList shown = fx.dialogs.take();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.front().startsWith("timed: ")) << shown.front().toStdString();
    EXPECT_TRUE(shown.front().contains("Lifecycle Wheel")) << shown.front().toStdString();
    fx.joystick.openJoystick();
    EXPECT_EQ(device.name(), "Lifecycle Wheel");

    // Deleted on the page, after the question.
    page.enterPage();
    auto* registeredList = page.findChild<QListWidget*>("ListView3");
    const auto items = registeredList->findItems("Lifecycle Wheel", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    test::clickItem(registeredList, registeredList->row(items.front()));
    fx.dialogs.confirmAnswers.push_back(true);
    page.speedButton10Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Eintrag löschen ?"});
    EXPECT_FALSE(fx.store().keyExists(registered));
    EXPECT_TRUE(registeredList->findItems("Lifecycle Wheel", Qt::MatchExactly).isEmpty());
}

}  // namespace
}  // namespace pw
