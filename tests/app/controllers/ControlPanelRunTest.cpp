#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

#include "app/controllers/ControllerPageSupport.h"
#include "controllers/ControlPanelKeys.h"
#include "controllers/qt/ControlPanel.h"
#include "store/sqlite/SqliteSettingsStore.h"

namespace pw::test {
namespace {

// A stand-in for the control panel program: it notes each start with its arguments in
// panel.log and, while panel.fifo exists, stays open until someone writes to that pipe and closes
// it, as the real panel stays open until the user closes it.
constexpr const char* kPanelScript = R"(#!/bin/sh
here=$(dirname "$0")
echo "start:$*" >> "$here/panel.log"
if [ -p "$here/panel.fifo" ]; then
    timeout 30 cat "$here/panel.fifo" > /dev/null
fi
exit 0
)";

class ControlPanelRunTest : public ControllerPageTest {
protected:
    void SetUp() override {
        ControllerPageTest::SetUp();
        const auto script = fx.dir.write("panel.sh", kPanelScript);
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        page.setControlPanelCommand(QStringLiteral("\"%1\"").arg(QString::fromStdString(script.string())));
    }

    std::string fifoPath() { return fx.dir.file("panel.fifo").string(); }
    void makeFifo() { ASSERT_EQ(::mkfifo(fifoPath().c_str(), 0600), 0); }

    std::vector<std::string> panelStarts() {
        std::vector<std::string> lines;
        std::ifstream log(fx.dir.file("panel.log"));
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

// Plays the user in the control panel during installation: once the panel is open, a second
// connection to the store (the panel is another program) notes what configuration it found and
// installs a device, then the panel is closed.
class PanelUser {
public:
    PanelUser(const std::filesystem::path& storeFile, std::string fifo, JoystickConfiguration device)
        : fifo_(std::move(fifo)), thread_([this, storeFile, device] {
              const int pipe = ::open(fifo_.c_str(), O_WRONLY);  // returns once the panel listens
              {
                  auto store = SqliteSettingsStore::open(storeFile);
                  foundConfigured = readJoystickConfiguration(*store).configured();
                  installed = writeJoystickConfiguration(*store, device);
              }
              if (pipe >= 0) {
                  ::close(pipe);
              }
          }) {}
    ~PanelUser() { finish(); }
    PanelUser(const PanelUser&) = delete;
    PanelUser& operator=(const PanelUser&) = delete;

    // Waits for the user's part. Should the panel never have started, the held-open reading end
    // lets the waiting side go on.
    void finish() {
        if (!thread_.joinable()) {
            return;
        }
        const int reader = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);
        thread_.join();
        if (reader >= 0) {
            ::close(reader);
        }
    }

    std::atomic<bool> foundConfigured{true};
    std::atomic<bool> installed{false};

private:
    std::string fifo_;
    std::thread thread_;
};

// --- installing ---

TEST_F(ControlPanelRunTest, InstallingStartsThePanelOnAFreshConfigurationAndRegistersTheNewDevice) {
    ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('0', "Old", "Old Stick")));
    page.enterPage();
    clickItem(child<QListWidget>("ListView4"), 0);
    makeFifo();
    PanelUser user(fx.dir.file("registry.sqlite"), fifoPath(),
                   deviceConfiguration('7', "Flight", "Flightstick Pro"));
    fx.dialogs.confirmAnswers = {true};

    child<QPushButton>("SpeedButton12")->click();
    user.finish();

    EXPECT_EQ(panelStarts(), std::vector<std::string>{"start:"});
    EXPECT_FALSE(user.foundConfigured) << "the panel must start on an emptied configuration";
    EXPECT_TRUE(user.installed);
    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Controller eingetragen?"});
    // Registered at once under the name the device gives itself.
    EXPECT_EQ(storedGuid(fx.store(), registeredPath("Joystick", "Flightstick Pro")), std::string(32, '7'));
    EXPECT_EQ(sideNames(), QStringList{"Flightstick Pro"});
    EXPECT_EQ(textOf("StaticText2"), "Flightstick Pro");
    EXPECT_EQ(fx.controllers.currentController(), "Flightstick Pro");
    EXPECT_EQ(fx.controllers.readDriverKey(), "<FixedKey>");
    // The new configuration is taken up and the controller samples in every window again.
    EXPECT_EQ(fx.inputRenewals, 1);
    EXPECT_FALSE(fx.joystick.activeOnly());
    EXPECT_TRUE(child<QLineEdit>("Edit1")->isHidden());
}

TEST_F(ControlPanelRunTest, InstallingAnsweredNoRegistersNothingButTakesUpTheNewConfiguration) {
    page.enterPage();
    clickItem(child<QListWidget>("ListView4"), 1);
    makeFifo();
    PanelUser user(fx.dir.file("registry.sqlite"), fifoPath(), deviceConfiguration('7', "Pad", "Pad"));
    fx.dialogs.confirmAnswers = {false};

    page.speedButton12Click();
    user.finish();

    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Controller eingetragen?"});
    EXPECT_TRUE(sideNames().isEmpty());
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '7'));
    EXPECT_EQ(fx.inputRenewals, 1);
}

TEST_F(ControlPanelRunTest, AGameportJoystickIsRegisteredUnderANameOfTheUsersOwn) {
    page.enterPage();
    clickItem(child<QListWidget>("ListView4"), 3);
    makeFifo();
    PanelUser user(fx.dir.file("registry.sqlite"), fifoPath(),
                   deviceConfiguration('5', "Gameport", "Gameport-Joystick"));
    fx.dialogs.confirmAnswers = {true};

    page.speedButton12Click();
    user.finish();

    EXPECT_EQ(fx.dialogs.take(),
              (QStringList{"confirm: Controller eingetragen?", "inform: Eigene Bezeichnung eingeben"}));
    EXPECT_TRUE(sideNames().isEmpty());
    auto* edit = child<QLineEdit>("Edit1");
    EXPECT_FALSE(edit->isHidden());
    EXPECT_EQ(edit->text(), "Gameport-Joystick");
    EXPECT_EQ(edit->selectedText(), "Gameport-Joystick");

    edit->setText("Mein Rennlenkrad");
    child<QPushButton>("SpeedButton9")->click();
    EXPECT_EQ(storedGuid(fx.store(), registeredPath("Steering wheel", "Mein Rennlenkrad")),
              std::string(32, '5'));
    EXPECT_EQ(sideNames(), QStringList{"Mein Rennlenkrad"});
}

TEST_F(ControlPanelRunTest, InstallingNeedsAChosenType) {
    page.enterPage();
    page.speedButton12Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wählen"});
    EXPECT_TRUE(panelStarts().empty());
    EXPECT_FALSE(fx.joystick.activeOnly());
}

// --- calibrating ---

class PanelCalibration : public ControlPanelRunTest {
protected:
    void SetUp() override {
        ControlPanelRunTest::SetUp();
        registerController("Joystick", "Stick", deviceConfiguration('1', "Stick", "Stick"));
        registerController("Gamepad", "Pad", deviceConfiguration('2', "Pad", "Pad"));
        // The stick is in use again.
        ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('1', "Stick", "Stick")));
        calibrating.resize(558, 400);
        calibrating.show();
        calibrating.setControlPanelCommand(page.controlPanelCommandLine());
        calibrating.aktualisiere_kontroller_listview();
    }

    void choose(const QString& name) {
        auto* side = calibrating.findChild<QListWidget*>("ListView3");
        const auto found = side->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        clickItem(side, side->row(found.front()));
    }

    EventLog panelKeys;
    RecordingKeyOutput panelOutput{panelKeys};
    int renewals = 0;
    AppContext context{fx.store(),  fx.texts,       fx.dialogs,    fx.dir.path(),
                       fx.state,    fx.controllers, fx.activation, fx.autoActivation,
                       fx.joystick, panelOutput,    fx.pauser,     fx.loop,
                       fx.timer,    fx.lists,       [] {},         [this] { ++renewals; }};
    ControllerPage calibrating{context};
};

TEST_F(PanelCalibration, CalibratingAnotherControllerSwitchesToItAndOpensItsCalibration) {
    choose("Pad");
    calibrating.speedButton31Click();

    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wechseln (Pad)"});
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '2'));
    EXPECT_EQ(fx.controllers.currentController(), "gamepad\\Pad");
    EXPECT_EQ(panelStarts(), std::vector<std::string>{"start:Kali"}) << "told on its command line";
    EXPECT_TRUE(panelKeys.events().empty()) << "no key goes to whatever has the focus";
    EXPECT_EQ(renewals, 1);
    // The controller stays quiet outside the program until its window is active again.
    EXPECT_TRUE(fx.joystick.activeOnly());
}

TEST_F(PanelCalibration, CalibratingTheControllerInUseStartsThePanelWithoutAnnouncement) {
    choose("Stick");
    calibrating.speedButton31Click();

    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '1'));
    EXPECT_EQ(panelStarts(), std::vector<std::string>{"start:Kali"}) << "told on its command line";
    EXPECT_TRUE(panelKeys.events().empty()) << "no key goes to whatever has the focus";
    EXPECT_EQ(renewals, 1);
}

// The registered copy of the settings in use is the controller in use, whatever name it was
// registered under: calibrating it announces no switch to itself.
TEST_F(PanelCalibration, CalibratingTheControllerInUseUnderItsOwnNameAnnouncesNoSwitch) {
    registerController("Gamepad", "Mein Stick", deviceConfiguration('3', "Stick3", "Stick 3"));
    calibrating.aktualisiere_kontroller_listview();
    choose("Mein Stick");
    calibrating.speedButton31Click();

    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '3'));
    EXPECT_EQ(panelStarts(), std::vector<std::string>{"start:Kali"});
}

// With nothing configured, the controller chosen on the page is switched to and calibrated.
TEST_F(PanelCalibration, CalibratingAChosenControllerWithNothingConfiguredSwitchesToIt) {
    fx.controllers.resetJoystickSettings();
    calibrating.aktualisiere_kontroller_listview();
    choose("Pad");
    calibrating.speedButton31Click();

    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wechseln (Pad)"});
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '2'));
    EXPECT_EQ(panelStarts(), std::vector<std::string>{"start:Kali"});
    EXPECT_EQ(renewals, 1);
}

TEST_F(ControlPanelRunTest, CalibratingWithoutAControllerInUseAsksForOne) {
    page.enterPage();  // nothing is configured: no name
    clickItem(child<QListWidget>("ListView4"), 0);
    page.speedButton31Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wählen"});
    EXPECT_TRUE(panelStarts().empty());
    EXPECT_EQ(fx.inputRenewals, 0);
}

// --- a missing control panel ---

TEST_F(ControlPanelRunTest, AMissingPanelIsNamedAndLeavesTheConfigurationAlone) {
    registerController("Joystick", "Stick", deviceConfiguration('1', "Stick", "Stick"));
    registerController("Gamepad", "Pad", deviceConfiguration('2', "Pad", "Pad"));
    ASSERT_TRUE(writeJoystickConfiguration(fx.store(), deviceConfiguration('1', "Stick", "Stick")));
    page.enterPage();

    const QString missing = QString::fromStdString(fx.dir.file("no-such-panel").string());
    page.setControlPanelCommand(missing);
    clickItem(child<QListWidget>("ListView4"), 0);
    page.speedButton12Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Programm nicht gefunden: " + missing});
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '1'));
    EXPECT_FALSE(fx.joystick.activeOnly());

    // Looked up on PATH by its name alone.
    page.setControlPanelCommand(QStringLiteral("padwarden-no-such-panel --calibrate"));
    clickItem(child<QListWidget>("ListView3"), sideRow("Pad"));
    page.speedButton31Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Programm nicht gefunden: padwarden-no-such-panel"});
    EXPECT_EQ(storedGuid(fx.store(), settingsInUse(fx.store())), std::string(32, '1'));
    EXPECT_EQ(fx.inputRenewals, 0);
    EXPECT_TRUE(panelStarts().empty());
}

}  // namespace
}  // namespace pw::test
