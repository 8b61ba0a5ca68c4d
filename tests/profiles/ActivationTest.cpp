#include "profiles/Activation.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/RecordingAnnouncer.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

const std::string kSettings =
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\<FixedKey>\\CurrentJoystickSettings";
const std::string kOem =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";

class Activation : public test::StoreTest {
protected:
    Activation() {
        openProgramKey(store()).writeString("JDriver", "<FixedKey>");
        useController("Stick", "Flightstick");
    }

    // The controller in use: its OEM key and display name.
    void useController(const std::string& oemKey, const std::string& displayName) {
        RegistryKey settings = openRegistryKey(store(), kSettings);
        settings.writeString("Joystick1OEMName", oemKey);
        openRegistryKey(store(), kOem + oemKey).writeString("OEMName", displayName);
    }

    // A registered controller: a copy of some settings under its type and name.
    void registerController(const std::string& reference, const std::string& oemKey) {
        RegistryKey c = openRegistryKey(store(), std::string(kProgramKeyPath) + "\\controller\\" + reference);
        c.writeString("Joystick1OEMName", oemKey);
    }

    RegistryKey game(const std::string& name, const std::string& controller, const std::string& profil) {
        RegistryKey key = openRegistryKey(store(), gameKeyPath("Action", name));
        key.writeString("controller", controller);
        key.writeString("profil", profil);
        return key;
    }

    TextVariables texts;
    test::RecordingAnnouncer announcer;
    ControllerRegistry controllers{store(), texts, announcer};
    MappingState state;
    int renewed = 0;
    GameActivation activation{store(), texts, controllers, state, [this] { ++renewed; }, "PadWarden"};
};

TEST_F(Activation, LoadsTheSequencesAndLetsKeysThrough) {
    registerController("Joystick\\Flightstick", "Stick");
    RegistryKey doom = game("Doom", "Joystick\\Flightstick", "Doom.ini");
    doom.writeString("[isbutton1]", "32");
    state.noMapping = true;
    state.slots.assign(ControllerAction::Up, "87");
    state.slots[ControllerAction::Button1].held = true;
    activation.commandos_wechsel("ACTION", "doom", true);
    EXPECT_EQ(state.slots[ControllerAction::Button1].keys.text(), "32");
    EXPECT_TRUE(state.slots[ControllerAction::Button1].held) << "activation leaves held alone";
    EXPECT_EQ(state.slots[ControllerAction::Up].keys.text(), "") << "not the previous game's";
    EXPECT_FALSE(state.noMapping);
}

TEST_F(Activation, NoProfileOrNoControllerMeansNoKeysAndNoSwitch) {
    game("Doom", "Joystick\\Flightstick", "Ohne Auswahl").writeString("[isup]", "87");
    activation.commandos_wechsel("Action", "Doom", true);
    EXPECT_TRUE(state.noMapping);
    EXPECT_EQ(state.slots[ControllerAction::Up].keys.text(), "87") << "sequences are loaded all the same";

    game("Quake", "Ohne Auswahl\\Ohne Auswahl", "Quake.ini");
    announcer.shown.clear();
    renewed = 0;
    activation.commandos_wechsel("Action", "Quake", true);
    EXPECT_TRUE(state.noMapping);
    EXPECT_TRUE(announcer.shown.empty());
    EXPECT_EQ(renewed, 0);
}

TEST_F(Activation, SwitchesOnceToAControllerWhoseNameMatchesTheOneInUse) {
    registerController("Gamepad\\Pad", "PadKey");
    game("Fifa", "Gamepad\\Pad", "Fifa.ini");
    activation.commandos_wechsel("Action", "Fifa", false);
    EXPECT_EQ(announcer.shown, std::vector<std::string>{"timed: PadWarden: Controller wechseln (Pad)"});
    EXPECT_EQ(renewed, 1);
    EXPECT_EQ(openRegistryKey(store(), kSettings).readString("Joystick1OEMName"), "PadKey");

    // The switched-in settings name a controller the system calls "Pad": nothing more to do.
    useController("PadKey", "Pad");
    activation.commandos_wechsel("Action", "Fifa", false);
    EXPECT_EQ(renewed, 1);
    EXPECT_EQ(announcer.shown.size(), 1u);
}

TEST_F(Activation, SwitchesEveryTimeWhenTheRegisteredNameDiffersFromTheSystemsName) {
    registerController("Gamepad\\Mein Pad", "PadKey");
    useController("PadKey", "Generic USB Pad");
    game("Fifa", "Gamepad\\Mein Pad", "Fifa.ini");
    activation.commandos_wechsel("Action", "Fifa", true);
    activation.commandos_wechsel("Action", "Fifa", true);
    EXPECT_EQ(renewed, 2);
    EXPECT_EQ(announcer.shown.front(), "inform: Controller wechseln (Mein Pad)");
}

TEST_F(Activation, AGameThatIsNotInTheLibraryOnlyClearsTheActiveGame) {
    state.activeGame = "/games/gone";
    state.slots.assign(ControllerAction::Up, "87");
    state.noMapping = true;
    activation.commandos_wechsel("Action", "Gone", false);
    EXPECT_EQ(state.activeGame, "");
    EXPECT_EQ(state.slots[ControllerAction::Up].keys.text(), "87");
    EXPECT_TRUE(state.noMapping);
    EXPECT_EQ(renewed, 0);
}

TEST_F(Activation, AValueOfAnotherTypeLeavesNoMappingAsItWas) {
    game("Doom", "Joystick\\Flightstick", "Doom.ini");
    store().writeValue(gameKeyPath("Action", "Doom"), "profil",
                       RegistryValue{static_cast<std::uint32_t>(ValueType::DWord), std::string(4, '\0')});
    state.noMapping = true;
    activation.commandos_wechsel("Action", "Doom", false);
    EXPECT_TRUE(state.noMapping);
}

}  // namespace
}  // namespace pw
