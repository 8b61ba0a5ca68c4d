#include <gtest/gtest.h>

#include "profiles/AssignmentEditor.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/RecordingKeyOutput.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

using A = ControllerAction;
using Events = std::vector<std::string>;

// Remembers what the editor asked the page to show.
class SeenView final : public AssignmentView {
public:
    void inform(Missing what) override { messages.emplace_back(missingMessage(what)); }
    void showIcons(StatusIcons icons) override { shown.push_back(icons); }

    std::vector<std::string> messages;
    std::vector<StatusIcons> shown;
};

// A game "Flugsim" in group "Simulation" with the Profile Flug.ini, where "Feuer" (display text
// "Leerzeichen") already sends 32 on button 1.
class Editor : public test::StoreTest {
protected:
    Editor() {
        profile = dir.write("Flug.ini",
                            "[Waffen]\r\nFeuer=Leerzeichen;32\r\nRakete=R;82\r\n"
                            "[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n"
                            "[Leer]\r\n");
        store().createKey(game);
        write("exe", "/games/flugsim");
        write("Leerzeichen", "Knopf 1");
        write("[isbutton1]", "32");
        editor.setGroup("Simulation");
        editor.setGame("Flugsim");
        editor.openProfile(profile);
    }

    void write(std::string_view name, std::string value) {
        store().writeValue(game, name, RegistryValue::string(std::move(value)));
    }
    std::optional<std::string> value(std::string_view name) {
        const auto v = store().readValue(game, name);
        return v ? std::optional<std::string>(v->data) : std::nullopt;
    }
    // The lower grid's row of a command, 0 when it is not listed.
    std::size_t rowOf(std::string_view command) const {
        const int row = findRow(editor.lower(), 0, command);
        return row > 0 ? static_cast<std::size_t>(row) : 0;
    }
    // The user selects the row, presses the action and then selects another row.
    void assign(std::string_view command, A action, std::size_t nextRow) {
        const std::size_t row = rowOf(command);
        ASSERT_GT(row, 0u) << command;
        editor.stringgrid_speichern(row);
        editor.capture(row, action);
        editor.stringgrid_speichern(nextRow);
    }

    const std::string game = gameKeyPath("Simulation", "Flugsim");
    std::filesystem::path profile;
    TextVariables texts;
    test::EventLog events;
    test::RecordingKeyOutput keys{events};
    test::RecordingPauser pauser{events};
    SeenView view;
    AssignmentEditor editor{store(), texts, keys, pauser, view};
};

TEST_F(Editor, GroupListHasTheProfilesGroupsAndAllSortedAndAllListsEveryCommandInBothGrids) {
    EXPECT_EQ(editor.commandGroups(), (std::vector<std::string>{"Alle", "Fahrwerk", "Leer", "Waffen"}));
    editor.chooseCommandGroup("Alle");
    ASSERT_EQ(editor.lower().rowCount(), 5u);
    ASSERT_EQ(editor.upper().rowCount(), 5u);
    for (std::size_t row = 1; row < 5; ++row) {
        for (std::size_t column = 0; column < CommandGrid::kColumns; ++column) {
            EXPECT_EQ(editor.lower().cell(row, column), editor.upper().cell(row, column))
                << row << "/" << column;
        }
    }
    EXPECT_EQ(editor.lower().cell(1, 0), "Ausfahren");
    EXPECT_EQ(editor.lower().cell(3, 3), "Knopf 1");
    EXPECT_EQ(editor.lower().cell(3, 4), "[isbutton1]");
}

TEST_F(Editor, PressedActionIsSavedWithTheCommandsKeysWhenTheRowIsLeft) {
    editor.chooseCommandGroup("Waffen");
    const std::size_t rakete = rowOf("Rakete");
    editor.stringgrid_speichern(rakete);
    EXPECT_TRUE(editor.capture(rakete, A::Button3));
    EXPECT_EQ(editor.lower().cell(rakete, 3), "Knopf 3");
    EXPECT_EQ(editor.lower().cell(rakete, 4), "[isbutton3]");
    EXPECT_EQ(editor.icons(), (StatusIcons{true, false}));
    EXPECT_FALSE(value("[isbutton3]")) << "nothing is written before the row is left";

    editor.stringgrid_speichern(kNoRow);
    EXPECT_EQ(value("[isbutton3]"), "82");
    EXPECT_EQ(value("R"), "Knopf 3");
    EXPECT_EQ(editor.upper().cell(static_cast<std::size_t>(findRow(editor.upper(), 0, "Rakete")), 3),
              "Knopf 3")
        << "the saved commands are shown at once";
    EXPECT_TRUE(events.events().empty());
}

TEST_F(Editor, ActionHeldByAnotherCommandIsRefusedWithThreeBeepsAndNothingChanges) {
    write("R", "Knopf 2");
    write("[isbutton2]", "82");
    editor.chooseCommandGroup("Waffen");
    const std::size_t rakete = rowOf("Rakete");
    editor.stringgrid_speichern(rakete);
    editor.capture(rakete, A::Button1);
    EXPECT_EQ(editor.icons(), (StatusIcons{false, true}));
    EXPECT_EQ(editor.upper().cell(editor.upperSelection(), 0), "Feuer") << "the holder is shown";

    editor.stringgrid_speichern(rowOf("Feuer"));
    EXPECT_EQ(events.take(), (Events{"beep 4000", "beep 3000", "beep 1000", "pause 200"}));
    EXPECT_EQ(value("[isbutton1]"), "32");
    EXPECT_EQ(value("Leerzeichen"), "Knopf 1");
    // The change from button 2 was refused, so the command keeps its old action.
    EXPECT_EQ(value("R"), "Knopf 2");
    EXPECT_EQ(value("[isbutton2]"), "82");
    EXPECT_EQ(editor.lower().cell(rakete, 3), "Knopf 2");
    EXPECT_FALSE(editor.icons().conflict);
    ASSERT_FALSE(view.shown.empty());
    EXPECT_TRUE(std::any_of(view.shown.begin(), view.shown.end(), [](StatusIcons i) { return i.conflict; }))
        << "the conflict marks were drawn while the beeps sounded";
}

TEST_F(Editor, RefillingSuppressesTheBeepsButStillRefuses) {
    editor.chooseCommandGroup("Waffen");
    const std::size_t rakete = rowOf("Rakete");
    editor.stringgrid_speichern(rakete);
    editor.capture(rakete, A::Button1);
    editor.setRefilling(true);
    EXPECT_FALSE(editor.row_abspeichern(rakete));
    EXPECT_TRUE(events.events().empty());
    EXPECT_FALSE(value("R"));
    EXPECT_EQ(value("[isbutton1]"), "32");
}

TEST_F(Editor, PressingTheCommandsOwnActionIsNoConflictAndRewritesTheSameValues) {
    editor.chooseCommandGroup("Waffen");
    const std::size_t feuer = rowOf("Feuer");
    editor.stringgrid_speichern(feuer);
    editor.capture(feuer, A::Button1);
    EXPECT_EQ(editor.icons(), (StatusIcons{true, false}));
    editor.stringgrid_speichern(kNoRow);
    EXPECT_TRUE(events.events().empty());
    EXPECT_EQ(value("[isbutton1]"), "32");
    EXPECT_EQ(value("Leerzeichen"), "Knopf 1");
}

TEST_F(Editor, ReassigningMovesTheKeysAndRemovesTheOldAction) {
    editor.chooseCommandGroup("Waffen");
    assign("Feuer", A::CoolUpLeft, kNoRow);
    EXPECT_EQ(value("[iscoolupleft]"), "32");
    EXPECT_FALSE(value("[isbutton1]"));
    EXPECT_EQ(value("Leerzeichen"), "Coolie links hoch");
    EXPECT_EQ(editor.lower().cell(rowOf("Feuer"), 3), "Coolie links hoch");
}

TEST_F(Editor, FirstRowAfterStartIsSavedAndReplacedLikeAnyOther) {
    editor.chooseCommandGroup("Waffen");
    ASSERT_EQ(editor.lastRow(), 0u);
    const std::size_t feuer = rowOf("Feuer");
    ASSERT_EQ(feuer, 1u);
    editor.stringgrid_speichern(feuer);
    editor.capture(feuer, A::Button5);
    editor.stringgrid_speichern(rowOf("Rakete"));
    EXPECT_EQ(value("[isbutton5]"), "32");
    EXPECT_FALSE(value("[isbutton1]"));
}

TEST_F(Editor, KommandoNichtBelegenRemovesMarkerAndKeysAndFreesTheAction) {
    editor.chooseCommandGroup("Waffen");
    const std::size_t feuer = rowOf("Feuer");
    editor.stringgrid_speichern(feuer);
    EXPECT_TRUE(editor.kommandoNichtBelegen(feuer));
    EXPECT_FALSE(value("[isbutton1]"));
    EXPECT_FALSE(value("Leerzeichen"));
    EXPECT_EQ(editor.lower().cell(feuer, 3), "");
    EXPECT_EQ(value("exe"), "/games/flugsim") << "the game's own values stay";

    // Button 1 is free now: another command may take it at once.
    assign("Rakete", A::Button1, feuer);
    EXPECT_TRUE(events.events().empty());
    EXPECT_EQ(value("[isbutton1]"), "82");
    EXPECT_EQ(value("R"), "Knopf 1");
}

TEST_F(Editor, CommandWithoutKeysLosesItsMarkerToo) {
    dir.write("Flug.ini", "[Waffen]\r\nFeuer=Leerzeichen;32\r\nStumm=Pos;\r\n");
    editor.openProfile(profile);
    editor.chooseCommandGroup("Waffen");
    assign("Stumm", A::Button7, kNoRow);
    EXPECT_EQ(value("Pos"), "Knopf 7");
    EXPECT_FALSE(value("[isbutton7]")) << "a command without keys sends nothing";
    EXPECT_TRUE(editor.kommandoNichtBelegen(rowOf("Stumm")));
    EXPECT_FALSE(value("Pos"));
}

TEST_F(Editor, BlankRowOfAnEmptyGroupKeepsNothingOfTheGroupBefore) {
    editor.chooseCommandGroup("Waffen");
    ASSERT_EQ(editor.lower().cell(1, 3), "Knopf 1");
    editor.chooseCommandGroup("Leer");
    ASSERT_EQ(editor.lower().rowCount(), 2u);
    for (std::size_t column = 0; column < CommandGrid::kColumns; ++column) {
        EXPECT_EQ(editor.lower().cell(1, column), "") << column;
    }
    // Passing through the blank row, and pressing a button there, changes nothing.
    editor.stringgrid_speichern(1);
    EXPECT_FALSE(editor.capture(1, A::Button1));
    editor.stringgrid_speichern(kNoRow);
    EXPECT_EQ(value("[isbutton1]"), "32");
    EXPECT_EQ(value("Leerzeichen"), "Knopf 1");
    EXPECT_TRUE(events.events().empty());
}

TEST_F(Editor, UpperGridOfAnEmptyProfileShowsNoConflict) {
    editor.chooseCommandGroup("Waffen");
    dir.write("Leer.ini", "[Nichts]\r\n");
    editor.openProfile(dir.file("Leer.ini"));
    editor.chooseCommandGroup("Nichts");
    EXPECT_EQ(findRow(editor.upper(), 3, "Knopf 1"), -1);
}

TEST_F(Editor, DisplayTextThatNamesAGameValueNeverOverwritesIt) {
    dir.write("Flug.ini", "[Waffen]\r\nStart=exe;13\r\n");
    editor.openProfile(profile);
    editor.chooseCommandGroup("Waffen");
    assign("Start", A::Button2, kNoRow);
    EXPECT_EQ(value("exe"), "/games/flugsim");
    EXPECT_EQ(value("[isbutton2]"), "13") << "the keys are still assigned";
}

TEST_F(Editor, SavingWithoutGroupOrGameAsksForItAndWritesNothing) {
    editor.chooseCommandGroup("Waffen");
    const std::size_t rakete = rowOf("Rakete");
    editor.stringgrid_speichern(rakete);
    editor.capture(rakete, A::Button4);
    editor.setGame("");
    EXPECT_FALSE(editor.row_abspeichern(rakete));
    editor.setGroup("");
    EXPECT_FALSE(editor.row_abspeichern(rakete));
    EXPECT_EQ(view.messages, (std::vector<std::string>{"Spiel wählen", "Gruppe wählen"}));
    EXPECT_FALSE(value("[isbutton4]"));
}

TEST_F(Editor, ChoicesAreWrittenOnlyIntoAnExistingGameKey) {
    EXPECT_TRUE(editor.writeController("Steering wheel", "Rad"));
    EXPECT_TRUE(editor.writeProfil("Flug.ini"));
    EXPECT_EQ(value("controller"), "Steering wheel\\Rad");
    EXPECT_EQ(editor.storedControllerName(), "Rad");
    EXPECT_EQ(editor.storedProfil(), "Flug.ini");

    editor.setGame("Gelöscht");
    EXPECT_FALSE(editor.writeController("Gamepad", "Pad"));
    EXPECT_FALSE(editor.writeProfil("Flug.ini"));
    const std::string group = joinKeyPath(joinKeyPath(kProgramKeyPath, "games"), "Simulation");
    EXPECT_FALSE(store().readValue(group, "controller"));
    EXPECT_FALSE(store().readValue(group, "profil"));
    EXPECT_FALSE(store().keyExists(gameKeyPath("Simulation", "Gelöscht")));
}

TEST_F(Editor, StoredValueOfAnotherTypeReadsAsUnreadable) {
    store().writeValue(
        game, "profil",
        RegistryValue{static_cast<std::uint32_t>(ValueType::DWord), std::string("\x01\0\0\0", 4)});
    EXPECT_EQ(editor.storedProfil(), std::nullopt);
    EXPECT_EQ(editor.storedControllerName(), "") << "a missing value reads as empty";
}

TEST_F(Editor, CaptureTakesNothingForTheHeaderOrARowBeyondTheGrid) {
    editor.chooseCommandGroup("Waffen");
    EXPECT_FALSE(editor.capture(0, A::Button2));
    EXPECT_FALSE(editor.capture(99, A::Button2));
    EXPECT_EQ(editor.lower().cell(rowOf("Rakete"), 3), "");
}

}  // namespace
}  // namespace pw
