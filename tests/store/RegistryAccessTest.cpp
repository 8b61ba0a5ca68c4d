#include "store/RegistryAccess.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

class Registry : public test::StoreTest {};

const std::string kGames = std::string(kProgramKeyPath) + "\\games";

TEST_F(Registry, FirstStartCreatesTheTreeWithTheFiveDefaultGroups) {
    ensureDefaultGroups(store(), "/opt/padwarden/");
    EXPECT_EQ(store().subkeys(kGames),
              (std::vector<std::string>{"Action", "Sport", "Adventure", "Strategie", "Simulation"}));
    RegistryKey root = openProgramKey(store());
    EXPECT_EQ(root.readString("exepath"), "/opt/padwarden/");
    EXPECT_TRUE(closeRegistryKey(root));
}

TEST_F(Registry, ALaterStartRewritesOnlyTheProgramFolderAndBringsBackDeletedDefaultGroups) {
    ensureDefaultGroups(store(), "/old/");
    store().createKey(kGames + "\\Sport\\Fifa");
    store().createKey(kGames + "\\Rennen");
    store().deleteKey(kGames + "\\Adventure");
    ensureDefaultGroups(store(), "/new/");
    EXPECT_EQ(store().subkeys(kGames), (std::vector<std::string>{"Action", "Sport", "Strategie", "Simulation",
                                                                 "Rennen", "Adventure"}));
    EXPECT_EQ(store().subkeys(kGames + "\\Sport"), std::vector<std::string>{"Fifa"});
    EXPECT_TRUE(store().subkeys(kGames + "\\Adventure").empty()) << "it comes back empty";
    EXPECT_EQ(openProgramKey(store()).readString("exepath"), "/new/");
}

TEST_F(Registry, OpeningCreatesMissingKeysOnlyWhenAsked) {
    RegistryKey key = openProgramKey(store());
    EXPECT_TRUE(store().keyExists(kProgramKeyPath));
    EXPECT_FALSE(key.openKey("games\\Action\\Doom", false));
    EXPECT_EQ(key.path(), kProgramKeyPath) << "a failed open leaves the accessor where it was";
    EXPECT_EQ(key.readString("name"), "") << "so it reads the values of the key it stands on";
    EXPECT_TRUE(key.openKey("games\\Action\\Doom", true));
    EXPECT_EQ(key.path(), kGames + "\\Action\\Doom");
    EXPECT_TRUE(key.openKey("\\Software", false)) << "a leading separator starts at the hive";
    EXPECT_EQ(key.path(), "Software");
}

TEST_F(Registry, MissingValuesReadEmptyAndOtherTypesRaise) {
    RegistryKey game = openRegistryKey(store(), kGames + "\\Action\\Doom");
    EXPECT_EQ(game.readString("controller"), "");
    game.writeString("exe", "/games/doom/doom.exe");
    EXPECT_EQ(game.readString("EXE"), "/games/doom/doom.exe") << "value names ignore case";
    store().writeValue(
        game.path(), "[isup]",
        RegistryValue{static_cast<std::uint32_t>(ValueType::DWord), std::string("\x01\0\0\0", 4)});
    EXPECT_THROW(game.readString("[isup]"), RegistryTypeError);
}

TEST_F(Registry, MovingAGameOntoAnExistingNameChangesNothing) {
    RegistryKey group = openRegistryKey(store(), kGames + "\\Action");
    group.createKey("Doom");
    group.createKey("Quake");
    RegistryKey doom = openRegistryKey(store(), kGames + "\\Action\\Doom");
    doom.writeString("name", "Doom");
    EXPECT_FALSE(group.moveKey("Doom", "QUAKE"));
    EXPECT_EQ(group.subkeys(), (std::vector<std::string>{"Doom", "Quake"}));
    EXPECT_EQ(doom.readString("name"), "Doom");
    EXPECT_FALSE(group.moveKey("Hexen", "Heretic")) << "a missing source moves nothing";
    EXPECT_TRUE(group.moveKey("Doom", "Doom II"));
    EXPECT_EQ(openRegistryKey(store(), kGames + "\\Action\\Doom II").readString("name"), "Doom");
}

TEST_F(Registry, DeletingAGroupRemovesItsGamesWithTheirValues) {
    RegistryKey game = openRegistryKey(store(), kGames + "\\Sport\\Fifa");
    game.writeString("exe", "fifa.exe");
    RegistryKey games = openRegistryKey(store(), kGames);
    EXPECT_TRUE(games.deleteKey("sport"));
    EXPECT_FALSE(store().keyExists(kGames + "\\Sport\\Fifa"));
    EXPECT_FALSE(store().readValue(kGames + "\\Sport\\Fifa", "exe"));
    RegistryKey hive(store());
    EXPECT_FALSE(hive.deleteKey("")) << "the hive itself cannot be deleted";
}

}  // namespace
}  // namespace pw
