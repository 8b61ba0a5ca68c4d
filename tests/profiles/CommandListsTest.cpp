#include "profiles/CommandLists.h"
#include "profiles/GameAssignments.h"
#include "profiles/IniFile.h"
#include "store/RegistryAccess.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

std::vector<std::string> column(const CommandGrid& grid, std::size_t c) {
    std::vector<std::string> cells;
    for (std::size_t row = 1; row < grid.rowCount(); ++row)
        cells.push_back(grid.cell(row, c));
    return cells;
}

class Lists : public test::StoreTest {
protected:
    Lists() {
        profile = dir.write("Flug.ini",
                            "[Waffen]\r\nFeuer=Leerzeichen;32\r\nSprung=A;65\r\n"
                            "[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\nsprung=B;66\r\n"
                            "[Leer]\r\n");
    }
    std::filesystem::path profile;
    TextVariables texts;
};

TEST_F(Lists, WorkingListKeepsOneEntryPerNameWithoutCase) {
    WorkingList list;
    list.set("Sprung", "A;65");
    list.set("Feuer", "B;66");
    list.set("SPRUNG", "C;67");
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"Sprung=C;67", "Feuer=B;66"}));
    list.set("sprung", "");
    EXPECT_EQ(list.lines(), std::vector<std::string>{"Feuer=B;66"});
    EXPECT_EQ(list.value("FEUER"), "B;66");
    EXPECT_FALSE(list.value("Sprung"));
}

TEST_F(Lists, GridFromListSplitsNameDisplayAndKeys) {
    WorkingList list;
    readEntries(profile, "fahrwerk", list);
    CommandGrid grid;
    gridFromList(grid, list);
    EXPECT_EQ(grid.rowCount(), 4u);
    EXPECT_EQ(column(grid, 0), (std::vector<std::string>{"Ausfahren", "Bremse", "sprung"}));
    EXPECT_EQ(column(grid, 1), (std::vector<std::string>{"G", "Strg_F12", "B"}));
    EXPECT_EQ(column(grid, 2), (std::vector<std::string>{"71", "17_123", "66"}));
}

TEST_F(Lists, AnEmptyGroupGivesOneEmptyRow) {
    WorkingList list;
    readEntries(profile, "Leer", list);
    CommandGrid grid;
    grid.setRowCount(5);
    grid.setCell(1, 0, "old");
    gridFromList(grid, list);
    EXPECT_EQ(grid.rowCount(), 2u);
    EXPECT_EQ(grid.cell(1, 0), "");
}

TEST_F(Lists, AValueWithoutSemicolonHasNoDisplayTextAndTheWholeLineAsKeys) {
    WorkingList list;
    list.set("Hand", "65");
    CommandGrid grid;
    gridFromList(grid, list);
    EXPECT_EQ(grid.cell(1, 1), "");
    EXPECT_EQ(grid.cell(1, 2), "Hand=65");
}

TEST_F(Lists, AllGroupsShowACommandOnceWithTheLaterGroupsKeys) {
    WorkingList list;
    const auto groups = groupList(profile, &texts);
    EXPECT_EQ(groups, (std::vector<std::string>{"Alle", "Fahrwerk", "Leer", "Waffen"}));
    mergeAllGroups(list, profile, groups, "Alle");
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"Ausfahren=G;71", "Bremse=Strg_F12;17_123",
                                                      "sprung=A;65", "Feuer=Leerzeichen;32"}));
}

// A group with an umlaut stands with its plain letter, as the Windows lists sort it, not after Z;
// the order decides which group's keys a command shows under "Alle".
TEST_F(Lists, GroupsWithUmlautsSortBesideTheirPlainLetter) {
    const auto file = dir.write("Auto.ini",
                                "[Zubehör]\r\nHupe=Z;90\r\n[Äußeres]\r\nHupe=H;72\r\n"
                                "[Bremsen]\r\nStop=S;83\r\n[ärger]\r\nHupe=A;65\r\n");
    const auto groups = groupList(file, &texts);
    EXPECT_EQ(groups, (std::vector<std::string>{"Alle", "ärger", "Äußeres", "Bremsen", "Zubehör"}));
    WorkingList list;
    mergeAllGroups(list, file, groups, "Alle");
    EXPECT_EQ(list.value("Hupe"), "Z;90") << "Zubehör comes last and gives its keys";
}

TEST_F(Lists, ListToFileWritesEveryRowAndRemovesNothing) {
    CommandGrid grid;
    grid.setRowCount(3);
    grid.setCell(1, 0, "Feuer");
    grid.setCell(1, 1, "F");
    grid.setCell(1, 2, "70");
    grid.setCell(2, 0, "Neu");
    grid.setCell(2, 1, "N");
    grid.setCell(2, 2, "78");
    listToFile(grid, profile, "WAFFEN");
    EXPECT_EQ(iniReadString(profile, "Waffen", "Feuer", "?"), "F;70");
    EXPECT_EQ(iniReadString(profile, "Waffen", "Neu", "?"), "N;78");
    EXPECT_EQ(iniReadString(profile, "Waffen", "Sprung", "?"), "A;65") << "rows are only written";
}

TEST_F(Lists, FindRowNeverMatchesAnEmptyText) {
    CommandGrid grid;
    EXPECT_EQ(findRow(grid, 0, ""), -1) << "not even the empty row 1";
    grid.setCell(1, 1, "Strg_F12");
    EXPECT_EQ(findRow(grid, 1, "Strg_F12"), 1);
    EXPECT_EQ(findRow(grid, 1, "strg_f12"), -1) << "compared with case";
    grid.setRowCount(4);
    grid.setCell(3, 1, "x");
    clearGrid(grid);
    EXPECT_EQ(grid.rowCount(), 2u);
    EXPECT_EQ(findRow(grid, 1, "Strg_F12"), -1);
}

TEST(Selection, ByTextFoldsOnlyAToZ) {
    SelectionList list{{"äpfel", "aktion", "Birnen"}, -1};
    EXPECT_TRUE(selectByText(list, "AKTION"));
    EXPECT_EQ(list.selected, 1);
    EXPECT_FALSE(selectByText(list, "ÄPFEL"));
    EXPECT_EQ(list.selected, 1) << "a failed search keeps the selection";
    EXPECT_FALSE(selectExact(list, "birnen"));
    EXPECT_TRUE(selectExact(list, "Birnen"));
    EXPECT_EQ(*list.selectedText(), "Birnen");
}

TEST_F(Lists, AssignmentGridsShowTheMarkersOfTheGame) {
    const std::string game = gameKeyPath("Action", "Flight");
    RegistryKey key = openRegistryKey(store(), game);
    key.writeString("Strg_F12", "Knopf 2");
    key.writeString("A", "Unbekannt");
    store().writeValue(game, "G",
                       RegistryValue{static_cast<std::uint32_t>(ValueType::DWord), std::string(4, '\0')});

    WorkingList working;
    readEntries(profile, "Fahrwerk", working);
    CommandGrid lower;
    gridFromList(lower, working);
    lower.setCell(1, 3, "stale");  // the row whose marker is no text keeps its cells
    CommandGrid upper;
    oberes_stringgrid_updaten(lower, upper, working, store(), game, profile, groupList(profile, &texts),
                              texts);

    EXPECT_EQ(column(lower, 3), (std::vector<std::string>{"stale", "Knopf 2", ""}));
    EXPECT_EQ(column(lower, 4), (std::vector<std::string>{"", "[isbutton2]", ""}));
    EXPECT_EQ(column(upper, 0), (std::vector<std::string>{"Ausfahren", "Bremse", "sprung", "Feuer"}));
    EXPECT_EQ(column(upper, 3), (std::vector<std::string>{"", "Knopf 2", "Unbekannt", ""}));
    EXPECT_EQ(column(upper, 4), (std::vector<std::string>{"", "[isbutton2]", "", ""}));
}

}  // namespace
}  // namespace pw
