#include "controllers/ControllerRegistry.h"
#include "controllers/JoystickConfiguration.h"
#include "store/RegistryAccess.h"
#include "support/RecordingAnnouncer.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

using Names = std::vector<std::string>;

const std::string kProgram(kProgramKeyPath);
const std::string kControllers = kProgram + "\\controller";
const std::string kFixedSettings = joystickSettingsPath(kFixedDriverKey);
const std::string kOem(kJoystickOemPath);

std::string numberedSettings(std::string_view number) {
    return joystickSettingsPath("msjstick.drv<" + std::string(number) + ">");
}

RegistryValue dword(std::uint32_t v) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return {static_cast<std::uint32_t>(ValueType::DWord), bytes};
}

class Controllers : public test::StoreTest {
protected:
    void write(const std::string& path, std::string_view name, const RegistryValue& value) {
        store().createKey(path);
        store().writeValue(path, name, value);
    }
    void write(const std::string& path, std::string_view name, std::string text) {
        write(path, name, RegistryValue::string(std::move(text)));
    }
    std::optional<RegistryValue> read(const std::string& path, std::string_view name) {
        return store().readValue(path, name);
    }
    std::string jdriver() {
        const auto v = read(kProgram, "JDriver");
        return v ? v->data : "(none)";
    }

    // The configuration in use: joystick 1 is a device whose OEM key has the display name.
    void useDevice(const std::string& oemKey, const std::string& displayName) {
        write(kFixedSettings, "Joystick1OEMName", oemKey);
        write(kOem + "\\" + oemKey, "OEMName", displayName);
    }

    TextVariables texts;
    test::RecordingAnnouncer announcer;
    ControllerRegistry registry{store(), texts, announcer};
};

TEST_F(Controllers, DefaultTypesAreCreatedInOrderOnlyWhereMissing) {
    store().createKey(kControllers + "\\Gamepad");
    write(kControllers + "\\Gamepad\\Pad", "x", "kept");
    registry.ensureDefaultTypes();
    EXPECT_EQ(store().subkeys(kControllers), (Names{"Gamepad", "joystick", "gameboard", "steering wheel"}))
        << "an existing type of another spelling is the same type";
    EXPECT_EQ(read(kControllers + "\\Gamepad\\Pad", "x")->data, "kept");
    store().deleteKey(kControllers + "\\joystick");
    registry.ensureDefaultTypes();
    EXPECT_EQ(store().subkeys(kControllers), (Names{"Gamepad", "gameboard", "steering wheel", "joystick"}));
}

TEST_F(Controllers, TheFixedLayoutIsFoundFirstAndDescribedByTheDeviceName) {
    write(numberedSettings("0000"), "Joystick1Configuration", "x");
    write(kFixedSettings, "Joystick1Name", "Logitech Dual Action");
    std::string description = "stale";
    EXPECT_FALSE(registry.findDriverKey(description)) << "found, but there is no program key to record it in";
    EXPECT_EQ(description, "Logitech Dual Action");
    EXPECT_FALSE(store().keyExists(kProgram)) << "the search creates nothing";
    store().createKey(kProgram);
    EXPECT_TRUE(registry.findDriverKey(description));
    EXPECT_EQ(jdriver(), "<FixedKey>");
    EXPECT_EQ(description, "Logitech Dual Action");
    EXPECT_EQ(registry.readDriverKey(), "<FixedKey>");
}

TEST_F(Controllers, TheFirstNumberedSettingsKeyDecides) {
    store().createKey(kProgram);
    const std::string media = "System\\CurrentControlSet\\Services\\Class\\Media\\";
    write(media + "0003\\Drivers\\Joystick\\msjstick.drv", "Description", "Microsoft PC-Joystick-Treiber");
    // Written by Windows, the configuration is binary: only its presence counts.
    write(numberedSettings("0003"), "Joystick1Configuration", dword(7));
    write(numberedSettings("0007"), "Joystick1Configuration", "later");
    std::string description;
    EXPECT_TRUE(registry.findDriverKey(description));
    EXPECT_EQ(jdriver(), "msjstick.drv<0003>");
    EXPECT_EQ(description, "Microsoft PC-Joystick-Treiber");

    // An earlier key without joystick 1 ends the search with nothing found.
    store().createKey(numberedSettings("0001"));
    store().deleteValue(kProgram, "JDriver");
    description = "stale";
    EXPECT_FALSE(registry.findDriverKey(description));
    EXPECT_EQ(description, "");
    EXPECT_EQ(jdriver(), "(none)");
}

TEST_F(Controllers, DriverDescriptionsNeedANumberAndText) {
    const std::string media = "System\\CurrentControlSet\\Services\\Class\\Media\\";
    write(media + "0002\\Drivers\\Joystick\\msjstick.drv", "Description", dword(1));
    write(media + "0004\\Drivers\\Joystick\\msjstick.drv", "Description", "Treiber 4");
    EXPECT_EQ(registry.driverDescription("msjstick.drv<0004>"), "Treiber 4");
    EXPECT_EQ(registry.driverDescription("MSJSTICK.DRV<0004>x"), "Treiber 4");
    EXPECT_EQ(registry.driverDescription("msjstick.drv<0002>"), "") << "no text";
    EXPECT_EQ(registry.driverDescription("msjstick.drv<0004"), "");
    EXPECT_EQ(registry.driverDescription("msjstick.drv<0004\\Drivers>"), "")
        << "stays within the media class";
    EXPECT_EQ(registry.driverDescription(""), "");
    write(kFixedSettings, "Joystick1Name", "Wheel");
    EXPECT_EQ(registry.driverDescription("<fixedkey>"), "Wheel");
}

TEST_F(Controllers, ResettingEmptiesTheFixedSettingsOrElseEveryNumberedOne) {
    write(numberedSettings("0000"), "Joystick1Configuration", "a");
    write(numberedSettings("0999"), "Joystick1Configuration", "b");
    store().createKey(numberedSettings("0999") + "\\Sub");
    registry.resetJoystickSettings();
    for (const char* number : {"0000", "0999"}) {
        SCOPED_TRACE(number);
        EXPECT_TRUE(store().keyExists(numberedSettings(number)));
        EXPECT_TRUE(store().valueNames(numberedSettings(number)).empty());
        EXPECT_TRUE(store().subkeys(numberedSettings(number)).empty());
    }
    EXPECT_FALSE(store().keyExists(numberedSettings("0001"))) << "no key is made up";
    EXPECT_FALSE(store().keyExists(kFixedSettings));

    write(numberedSettings("0000"), "Joystick1Configuration", "a");
    write(kFixedSettings, "Joystick1Configuration", "guid");
    registry.resetJoystickSettings();
    EXPECT_TRUE(store().keyExists(kFixedSettings));
    EXPECT_TRUE(store().valueNames(kFixedSettings).empty());
    EXPECT_EQ(read(numberedSettings("0000"), "Joystick1Configuration")->data, "a") << "the fixed layout only";
}

TEST_F(Controllers, TheControllerInUseIsNamedByItsOemKey) {
    openProgramKey(store()).writeString("JDriver", "<FixedKey>");
    useDevice("VID_046D&PID_C216", "Logitech Dual Action");
    EXPECT_EQ(registry.akt_controller(), "Logitech Dual Action");
    EXPECT_EQ(registry.currentController(), "Logitech Dual Action");
}

TEST_F(Controllers, WithoutAUsableOemKeyTheDriverDescriptionNamesTheController) {
    openProgramKey(store()).writeString("JDriver", "<FixedKey>");
    write(kFixedSettings, "Joystick1Name", "SDL Pad");
    // A value on the OEM key itself belongs to no device; an empty or missing OEM name must not
    // read it.
    write(kOem, "OEMName", "Wrong");
    EXPECT_EQ(registry.akt_controller(), "SDL Pad");
    write(kFixedSettings, "Joystick1OEMName", "Missing");
    EXPECT_EQ(registry.akt_controller(), "SDL Pad");
    write(kFixedSettings, "Joystick1OEMName", "Dev\\Deeper");
    write(kOem + "\\Dev\\Deeper", "OEMName", "Wrong too");
    EXPECT_EQ(registry.akt_controller(), "SDL Pad") << "an OEM name is one key name";
    write(kFixedSettings, "Joystick1OEMName", "Dev");
    write(kOem + "\\Dev", "OEMName", "");
    EXPECT_EQ(registry.akt_controller(), "SDL Pad");
    write(kOem + "\\Dev", "OEMName", dword(3));
    EXPECT_EQ(registry.akt_controller(), "SDL Pad") << "a value of another type";
    write(kFixedSettings, "Joystick1OEMName", dword(3));
    EXPECT_EQ(registry.akt_controller(), "SDL Pad");
    EXPECT_EQ(registry.currentController(), "SDL Pad");
}

TEST_F(Controllers, WithoutADriverKeyOurOwnLayoutIsRead) {
    // Nothing has searched for the driver yet: the configuration in use is the fixed layout, and
    // nothing is created under a key of no driver.
    useDevice("Dev", "Pad");
    EXPECT_EQ(registry.akt_controller(), "Pad");
    EXPECT_FALSE(store().keyExists(joystickSettingsPath("")));
}

TEST_F(Controllers, SavingCopiesTheSettingsWithTypesAndSubkeys) {
    openProgramKey(store()).writeString("JDriver", "msjstick.drv<0001>");
    const std::string settings = numberedSettings("0001");
    write(settings, "Joystick1OEMName", "Dev");
    write(settings, "Joystick1Configuration", dword(0x1234));
    write(settings + "\\Axes\\0", "Range", dword(1000));
    ASSERT_TRUE(registry.saveCurrent("gamepad", "Mein Pad"));
    const std::string saved = kControllers + "\\gamepad\\Mein Pad";
    EXPECT_EQ(read(saved, "Joystick1OEMName")->data, "Dev");
    EXPECT_EQ(read(saved, "Joystick1Configuration"), dword(0x1234));
    EXPECT_EQ(read(saved + "\\Axes\\0", "Range"), dword(1000));

    write(settings, "Joystick1OEMName", "Other");
    EXPECT_FALSE(registry.saveCurrent("GAMEPAD", "mein pad")) << "an existing name is kept";
    EXPECT_EQ(read(saved, "Joystick1OEMName")->data, "Dev");
    store().deleteKey(settings);
    EXPECT_FALSE(registry.saveCurrent("gamepad", "New"));
    EXPECT_FALSE(store().keyExists(kControllers + "\\gamepad\\New"));
}

TEST_F(Controllers, NamesThatAreNoSingleKeyAreRefused) {
    write(kFixedSettings, "Joystick1OEMName", "Dev");
    registry.ensureDefaultTypes();
    ASSERT_TRUE(registry.saveCurrent("gamepad", "Pad"));
    const Names before = store().subkeys(kControllers);
    EXPECT_FALSE(registry.saveCurrent("", "Pad"));
    EXPECT_FALSE(registry.saveCurrent("gamepad", ""));
    EXPECT_FALSE(registry.saveCurrent("gamepad", "Pad\\Inner"));
    EXPECT_FALSE(registry.saveCurrent("gamepad\\Pad", "Inner"));
    EXPECT_FALSE(store().keyExists(kControllers + "\\gamepad\\Pad\\Inner"));
    EXPECT_FALSE(store().keyExists(kControllers + "\\Pad"));

    EXPECT_FALSE(registry.deleteController("gamepad", ""));
    EXPECT_FALSE(registry.deleteController("", "gamepad"));
    EXPECT_FALSE(registry.deleteController("", ""));
    EXPECT_FALSE(registry.deleteController("gamepad\\Pad", "Axes"));
    EXPECT_EQ(store().subkeys(kControllers), before);
    EXPECT_TRUE(store().keyExists(kControllers + "\\gamepad\\Pad"));

    EXPECT_TRUE(registry.deleteController("GamePad", "PAD"));
    EXPECT_FALSE(store().keyExists(kControllers + "\\gamepad\\Pad"));
    EXPECT_TRUE(store().keyExists(kControllers + "\\gamepad"));
    EXPECT_FALSE(registry.deleteController("gamepad", "Pad"));
}

class Switch : public Controllers {
protected:
    Switch() {
        openProgramKey(store()).writeString("JDriver", "<FixedKey>");
        useDevice("Stick", "Flightstick");
        write(kFixedSettings, "Axis0", "0,-32768,0,32767");
        write(kControllers + "\\Gamepad\\Pad", "Joystick1OEMName", "PadKey");
        write(kControllers + "\\Gamepad\\Pad", "Joystick1Configuration", dword(42));
        store().createKey(kControllers + "\\Gamepad\\Pad\\Buttons");
    }
};

TEST_F(Switch, ReplacesTheSettingsInUseAndAnnounces) {
    registry.activate("Gamepad\\Pad", false, "PadWarden");
    EXPECT_EQ(announcer.shown, Names{"timed: PadWarden: Controller wechseln (Pad)"});
    EXPECT_EQ(store().valueNames(kFixedSettings), (Names{"Joystick1OEMName", "Joystick1Configuration"}))
        << "nothing of the old settings is left";
    EXPECT_EQ(read(kFixedSettings, "Joystick1Configuration"), dword(42));
    EXPECT_EQ(store().subkeys(kFixedSettings), Names{"Buttons"});
    EXPECT_EQ(registry.currentController(), "Gamepad\\Pad");
    EXPECT_EQ(registry.lastActivatedController(), "Gamepad\\Pad");
    EXPECT_TRUE(store().keyExists(kControllers + "\\Gamepad\\Pad")) << "the registered copy stays";

    // Once switched, the same controller again does nothing.
    write(kFixedSettings, "Joystick1OEMName", "Changed");
    registry.activate("Gamepad\\Pad", true, "PadWarden");
    EXPECT_EQ(announcer.shown.size(), 1u);
    EXPECT_EQ(read(kFixedSettings, "Joystick1OEMName")->data, "Changed");
}

TEST_F(Switch, AStartFromTheLibraryAnnouncesInABox) {
    texts.replace(TextGroup::Interface, "Controller wechseln", "Switching controller");
    registry.activate("Gamepad\\Pad", true, "PadWarden");
    EXPECT_EQ(announcer.shown, Names{"inform: Switching controller (Pad)"});
}

TEST_F(Switch, TheControllerReadByNameIsSwitchedAgainWhenItWasNotTheLastSwitchedTo) {
    registry.setLastActivatedController("Gamepad\\Other");
    registry.activate("Gamepad\\Pad", false, "PadWarden");
    registry.setLastActivatedController("Gamepad\\Other");
    registry.activate("Gamepad\\Pad", false, "PadWarden");
    EXPECT_EQ(announcer.shown.size(), 2u);
}

TEST_F(Switch, NoSelectionSwitchesNothing) {
    texts.replace(TextGroup::Interface, "Ohne Auswahl", "No selection");
    for (const char* reference : {"Gamepad\\No selection", "No selection", "Gamepad\\", ""}) {
        SCOPED_TRACE(reference);
        registry.setLastActivatedController("x");
        registry.activate(reference, false, "PadWarden");
        EXPECT_EQ(registry.currentController(), "No selection");
        EXPECT_EQ(registry.lastActivatedController(), reference);
    }
    EXPECT_TRUE(announcer.shown.empty());
    EXPECT_EQ(read(kFixedSettings, "Joystick1OEMName")->data, "Stick");
}

TEST_F(Switch, AControllerThatIsNotRegisteredIsNeitherAnnouncedNorSwitched) {
    registry.akt_controller();
    // Deleted meanwhile, a reference without its type (a whole type key) and one reaching below
    // a registered controller.
    for (const char* reference : {"Gamepad\\Gone", "Gamepad", "Gamepad\\Pad\\Buttons"}) {
        SCOPED_TRACE(reference);
        registry.activate(reference, false, "PadWarden");
        EXPECT_EQ(registry.lastActivatedController(), reference);
        EXPECT_EQ(registry.currentController(), "Flightstick");
    }
    EXPECT_TRUE(announcer.shown.empty());
    EXPECT_EQ(read(kFixedSettings, "Joystick1OEMName")->data, "Stick");
    EXPECT_EQ(read(kFixedSettings, "Axis0")->data, "0,-32768,0,32767");
}

TEST_F(Switch, TheSwitchGoesToTheRecordedDriversSettings) {
    openProgramKey(store()).writeString("JDriver", "msjstick.drv<0002>");
    write(numberedSettings("0002"), "Joystick1OEMName", "Old");
    registry.activate("gamepad\\pad", false, "PadWarden");
    EXPECT_EQ(read(numberedSettings("0002"), "Joystick1OEMName")->data, "PadKey");
    EXPECT_EQ(read(kFixedSettings, "Joystick1OEMName")->data, "Stick");
    EXPECT_EQ(announcer.shown, Names{"timed: PadWarden: Controller wechseln (pad)"});
}

TEST_F(Controllers, TypeCaptionsFollowTheWheelText) {
    EXPECT_EQ(registry.captionForTypeIndex(0), "Joystick");
    EXPECT_EQ(registry.captionForTypeIndex(1), "Gamepad");
    EXPECT_EQ(registry.captionForTypeIndex(2), "Gameboard");
    EXPECT_EQ(registry.captionForTypeIndex(3), "Lenkrad");
    EXPECT_EQ(registry.captionForTypeIndex(4), "Joystick");
    EXPECT_EQ(registry.typeKeyForCaption("Lenkrad"), "Steering wheel");
    EXPECT_EQ(registry.typeKeyForCaption("Gamepad"), "Gamepad");
    texts.replace(TextGroup::Interface, "Lenkrad", "Wheel");
    EXPECT_EQ(registry.captionForTypeIndex(3), "Wheel");
    EXPECT_EQ(registry.typeKeyForCaption("Wheel"), "Steering wheel");
    EXPECT_EQ(registry.typeKeyForCaption("Lenkrad"), "Lenkrad");
}

TEST(ControllerReference, SplitsAtTheFirstSeparator) {
    EXPECT_EQ(controllerType("Gamepad\\Mein Pad"), "Gamepad");
    EXPECT_EQ(controllerName("Gamepad\\Mein Pad"), "Mein Pad");
    EXPECT_EQ(controllerName("a\\b\\c"), "b\\c");
    EXPECT_EQ(controllerName("Ohne Auswahl"), "Ohne Auswahl");
    EXPECT_EQ(controllerType("Ohne Auswahl"), "");
    EXPECT_EQ(controllerName("Gamepad\\"), "");
}

}  // namespace
}  // namespace pw
