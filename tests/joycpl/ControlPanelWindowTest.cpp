#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <memory>

#include "controllers/ControlPanelKeys.h"
#include "controllers/JoystickConfiguration.h"
#include "input/Joystick.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "joycpl/ControlPanelWindow.h"
#include "joycpl/ModelPad.h"
#include "store/RegistryAccess.h"
#include "support/StoreFixture.h"
#include "support/gui/WidgetsApp.h"
#include "texts/StoreTexts.h"

namespace pw {
namespace {

constexpr int kLanguageFrench = 1036;
constexpr int kLanguageItalian = 1040;

class PanelWindow : public test::StoreTest {
protected:
    static void SetUpTestSuite() { test::ensureWidgetsApp(); }

    std::unique_ptr<ControlPanelWindow> makeWindow(int languageId = kLanguageGerman) {
        return std::make_unique<ControlPanelWindow>(store(), languageId, false);
    }

    // The list row of a device, by its name; nullptr when it is not listed.
    static QTreeWidgetItem* row(ControlPanelWindow& window, const char* name) {
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("controllerList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(0) == QLatin1String(name)) {
                return list->topLevelItem(i);
            }
        }
        return nullptr;
    }

    // Whether the window comes to the front and takes the keys, as a new window does on a desktop.
    static bool becomesActive(QWidget* window) {
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
    }

    static QString status(ControlPanelWindow& window) {
        return window.findChild<QLabel*>(QStringLiteral("statusLabel"))->text();
    }

    // Shows the window and makes it the active one, as the driver finds it on the screen.
    static void showActive(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST_F(PanelWindow, ListsAttachedPadsWithTheirCountsAndFollowsPlugging) {
    test::ModelPad first("Joycpl List Pad", 0x7001, 3, 7, 1);
    ASSERT_TRUE(first.ok()) << SDL_GetError();
    const auto window = makeWindow();
    QTreeWidgetItem* item = row(*window, "Joycpl List Pad");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(2), "3");
    EXPECT_EQ(item->text(3), "7");
    EXPECT_EQ(item->text(4), "1");
    EXPECT_EQ(item->text(5).toStdString(), first.guid());
    if (window->controllers().front().instanceId == first.instanceId()) {
        EXPECT_EQ(item->text(1), "Joystick 1 (nicht eingerichtet)") << "the first device, read uncalibrated";
    }
    EXPECT_EQ(row(*window, "Joycpl Second Pad"), nullptr);

    {
        test::ModelPad second("Joycpl Second Pad", 0x7002, 2, 4, 0);
        ASSERT_TRUE(second.ok()) << SDL_GetError();
        ASSERT_TRUE(window->choose(first.instanceId()));
        window->pollDevices();
        QTreeWidgetItem* added = row(*window, "Joycpl Second Pad");
        ASSERT_NE(added, nullptr) << "a pad plugged in shows up at the next look";
        EXPECT_EQ(window->chosen(), first.instanceId()) << "the choice survives the rebuild";
        EXPECT_EQ(added->text(2), "2");
        EXPECT_EQ(added->text(4), "0");
    }
    window->pollDevices();
    EXPECT_EQ(row(*window, "Joycpl Second Pad"), nullptr) << "an unplugged pad goes from the list";
    EXPECT_NE(row(*window, "Joycpl List Pad"), nullptr);

    first.detach();
    window->pollDevices();
    EXPECT_EQ(row(*window, "Joycpl List Pad"), nullptr);
    if (window->controllers().empty()) {
        EXPECT_NE(row(*window, "Kein Controller angeschlossen"), nullptr);
        EXPECT_FALSE(window->findChild<QPushButton*>(QStringLiteral("propertiesButton"))->isEnabled());
        EXPECT_FALSE(window->findChild<QPushButton*>(QStringLiteral("installButton"))->isEnabled());
    }
}

TEST_F(PanelWindow, InstallMakesTheChosenPadJoystickOneForTheRealReadPath) {
    test::ModelPad first("Joycpl Plain Pad", 0x7011);
    test::ModelPad chosen("Joycpl Chosen Pad", 0x7012, 4, 10, 1);
    ASSERT_TRUE(first.ok() && chosen.ok()) << SDL_GetError();
    const auto window = makeWindow();
    EXPECT_EQ(row(*window, "Joycpl Chosen Pad")->text(1), "") << "not joystick 1 before";

    ASSERT_TRUE(window->choose(chosen.instanceId()));
    window->installChosen();
    EXPECT_EQ(status(*window), "Joycpl Chosen Pad ist jetzt Joystick 1.");
    EXPECT_EQ(row(*window, "Joycpl Chosen Pad")->text(1), "Joystick 1");

    const JoystickConfiguration config = readJoystickConfiguration(store());
    EXPECT_EQ(config.guid, chosen.guid());
    EXPECT_EQ(config.deviceName, "Joycpl Chosen Pad");
    EXPECT_EQ(config.oemName, "Joycpl Chosen Pad");
    EXPECT_EQ(config.axes, fullTravelAxes());
    const auto oemName = store().readValue(joinKeyPath(kJoystickOemPath, "Joycpl Chosen Pad"), "OEMName");
    ASSERT_TRUE(oemName);
    EXPECT_EQ(oemName->data, "Joycpl Chosen Pad");

    // The joystick as the mapper opens it, asking the store at the open.
    SdlJoystickDevice device;
    device.setConfigurationSource([this] { return readJoystickConfiguration(store()); });
    Joystick joystick(device);
    joystick.openJoystick();
    ASSERT_TRUE(joystick.isOpen());
    EXPECT_EQ(device.name(), "Joycpl Chosen Pad");
    EXPECT_TRUE(device.calibrated());
    EXPECT_EQ(joystick.facts().buttonCount, 10);
    chosen.setAxis(0, 32767);
    chosen.setButton(9, true);
    joystick.sample();
    EXPECT_EQ(joystick.state().x, 1000);
    EXPECT_TRUE(joystick.state().pressed(9));
}

TEST_F(PanelWindow, WithoutAChoiceInstallAsksForOneAndWritesNothing) {
    test::ModelPad pad("Joycpl Unchosen Pad", 0x7021);
    ASSERT_TRUE(pad.ok()) << SDL_GetError();
    const auto window = makeWindow();
    window->findChild<QTreeWidget*>(QStringLiteral("controllerList"))->clearSelection();
    window->installChosen();
    EXPECT_EQ(status(*window), "Controller wählen");
    EXPECT_FALSE(readJoystickConfiguration(store()).configured());
}

TEST_F(PanelWindow, AltEOpensThePropertiesOfJoystickOneAndAltKItsCalibrationInGerman) {
    test::ModelPad other("Joycpl Other Pad", 0x7031);
    test::ModelPad configured("Joycpl Configured Pad", 0x7032);
    ASSERT_TRUE(other.ok() && configured.ok()) << SDL_GetError();
    ASSERT_TRUE(writeJoystickConfiguration(
        store(), joystick1Configuration(configured.guid(), "Joycpl Configured Pad")));
    const auto window = makeWindow();
    showActive(*window);

    QTest::keyClick(window.get(), Qt::Key_E, Qt::AltModifier);
    ControllerPropertiesDialog* properties = window->properties();
    ASSERT_NE(properties, nullptr);
    EXPECT_TRUE(properties->isVisible());
    EXPECT_EQ(properties->device().name, "Joycpl Configured Pad") << "joystick 1 is chosen at the start";
    EXPECT_EQ(properties->currentPage(), ControllerPropertiesDialog::Page::Test);

    // The driver types the second key into whatever window has come up.
    ASSERT_TRUE(becomesActive(properties));
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(properties->currentPage(), ControllerPropertiesDialog::Page::Calibration);
    properties->close();
}

TEST_F(PanelWindow, AltPAndAltCDriveTheEnglishPanel) {
    test::ModelPad pad("Joycpl English Pad", 0x7041);
    ASSERT_TRUE(pad.ok()) << SDL_GetError();
    const auto window = makeWindow(kLanguageEnglishUs);
    ASSERT_TRUE(window->choose(pad.instanceId()));
    EXPECT_EQ(window->windowTitle(), "Game Controllers");
    showActive(*window);

    QTest::keyClick(window.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(window->properties(), nullptr) << "E is no shortcut in English";

    QTest::keyClick(window.get(), Qt::Key_P, Qt::AltModifier);
    ControllerPropertiesDialog* properties = window->properties();
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->device().name, "Joycpl English Pad");
    ASSERT_TRUE(becomesActive(properties));
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(properties->currentPage(), ControllerPropertiesDialog::Page::Calibration);
    properties->close();

    // The second letter on the main window goes straight to the calibration.
    QTest::keyClick(window.get(), Qt::Key_C, Qt::AltModifier);
    ASSERT_NE(window->properties(), nullptr);
    EXPECT_EQ(window->properties()->currentPage(), ControllerPropertiesDialog::Page::Calibration);
    window->properties()->close();
}

TEST_F(PanelWindow, EnterClosesTheWindowWhereverTheFocusIs) {
    test::ModelPad pad("Joycpl Enter Pad", 0x7051);
    ASSERT_TRUE(pad.ok()) << SDL_GetError();
    const auto window = makeWindow();
    showActive(*window);
    window->findChild<QPushButton*>(QStringLiteral("installButton"))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(readJoystickConfiguration(store()).configured()) << "Enter is no install";
}

TEST_F(PanelWindow, TheAccessLettersAreThoseTheDriverTypesInEveryLanguage) {
    for (const int language :
         {kLanguageGerman, kLanguageEnglishUs, 2057, kLanguageItalian, kLanguageFrench, 3084, 1043}) {
        SCOPED_TRACE(language);
        const auto window = makeWindow(language);
        const ControlPanelLetters letters = controlPanelLetters(language);
        const auto mnemonic = [&](const char* button) {
            return QKeySequence::mnemonic(
                window->findChild<QPushButton*>(QString::fromLatin1(button))->text());
        };
        EXPECT_EQ(mnemonic("propertiesButton"), QKeySequence(Qt::ALT | Qt::Key(letters.first)));
        EXPECT_EQ(mnemonic("calibrateButton"), QKeySequence(Qt::ALT | Qt::Key(letters.second)));
    }
}

TEST_F(PanelWindow, ThePanelSpeaksThePanelTableOfTheProgramDirectoryNotTheSystemLanguage) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const std::filesystem::path programDirectory = directory.path().toStdString();
    const auto button = [](ControlPanelWindow& window, const char* name) {
        return window.findChild<QPushButton*>(QString::fromLatin1(name))->text();
    };

    // No table: German, whatever the system's language.
    ControlPanelWindow german(store(), PanelTexts::fromTables(programDirectory), false);
    EXPECT_EQ(german.windowTitle(), "Gamecontroller");
    EXPECT_EQ(button(german, "calibrateButton"), "&Kalibrieren");

    // The English table that ships: every text the English panel knows, the access letters too.
    std::filesystem::copy_file(std::filesystem::path(PADWARDEN_SOURCE_DIR) / "translations/en/joycpl.gam",
                               programDirectory / "joycpl.gam");
    const PanelTexts english = PanelTexts::fromTables(programDirectory);
    const PanelTexts builtIn(PanelLanguage::English);
    for (const char* text : {"Gamecontroller", "Als Joystick 1 verwenden", "&Eigenschaften", "&Kalibrieren",
                             "Schließen", "Kalibrierung gespeichert.", "Coolie links hoch", "Achse R",
                             "Die Einstellungen konnten nicht gespeichert werden: %1",
                             "Bewegen Sie jede Achse bis zu beiden Enden und lassen Sie sie dann los."}) {
        EXPECT_EQ(english.text(text), builtIn.text(text)) << text;
        EXPECT_NE(english.text(text), QString::fromUtf8(text)) << text;
    }
    ControlPanelWindow window(store(), english, false);
    EXPECT_EQ(window.windowTitle(), "Game Controllers");
    EXPECT_EQ(button(window, "installButton"), "Use as joystick 1");
    EXPECT_EQ(QKeySequence::mnemonic(button(window, "calibrateButton")), QKeySequence(Qt::ALT | Qt::Key_C));

    // The store's messages come from the program's interface table, as the program shows them.
    const StoreError refused(storetext::kWriteProtected, {"/home/ana/registry.sqlite"});
    EXPECT_EQ(english.storeMessage(refused), QString::fromUtf8(refused.what())) << "no language.gam yet";
    std::filesystem::copy_file(std::filesystem::path(PADWARDEN_SOURCE_DIR) / "translations/en/language.gam",
                               programDirectory / "language.gam");
    EXPECT_EQ(
        PanelTexts::fromTables(programDirectory).storeMessage(refused),
        "The settings store /home/ana/registry.sqlite is write-protected; nothing can be saved — make it "
        "writable for you");
    EXPECT_EQ(PanelTexts::fromTables(programDirectory).storeMessage(StoreError("disk on fire")),
              "disk on fire");

    // A translator's own line wins; the first character compares without case, as in the
    // program's tables; a text the table does not name stays German.
    {
        std::ofstream table(programDirectory / "joycpl.gam", std::ios::binary | std::ios::trunc);
        table << "gamecontroller:=Manettes\r\nKnöpfe:=Boutons\r\n";
    }
    const PanelTexts french = PanelTexts::fromTables(programDirectory);
    EXPECT_EQ(french.text("Gamecontroller"), "Manettes");
    EXPECT_EQ(french.text("Knöpfe"), "Boutons");
    EXPECT_EQ(french.text("Achse Z"), "Achse Z");
}

}  // namespace
}  // namespace pw
