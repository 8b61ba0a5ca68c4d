#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "texts/LanguageTables.h"

namespace pw {
namespace {

using G = TextGroup;

class Tables : public ::testing::Test {
protected:
    std::string_view afterLoading(std::string_view file, std::string_view content, G group,
                                  std::string_view def) {
        dir.write(file, content);
        zuweisen(texts, dir.path());
        return texts.text(group, def);
    }

    test::TempDir dir;
    TextVariables texts;
};

TEST_F(Tables, FirstLetterOfALineIsComparedInUpperCase) {
    EXPECT_EQ(afterLoading("language.gam", "schließen:=Close\n", G::Interface, "Schließen"), "Close");
}

TEST_F(Tables, TheDefaultMustBeFollowedAtOnceByTheMark) {
    EXPECT_EQ(afterLoading("language.gam", "Schließen :=Close\n", G::Interface, "Schließen"), "Schließen");
    EXPECT_EQ(afterLoading("language.gam", "Schließen:= Close\n", G::Interface, "Schließen"), " Close");
}

TEST_F(Tables, EverythingAfterTheFirstEqualsSignIsTheText) {
    EXPECT_EQ(afterLoading("language.gam", "Info:=a=b:=c\r\n", G::Interface, "Info"), "a=b:=c");
}

TEST_F(Tables, TheFirstMatchingLineWins) {
    EXPECT_EQ(afterLoading("joycon.gam", "Vor:=Forward\nVor:=Ahead\n", G::ControllerActionName, "Vor"),
              "Forward");
}

TEST_F(Tables, EachTableReplacesOnlyItsOwnGroup) {
    dir.write("joycon.gam", "Links:=Stick left\n");
    dir.write("keycon.gam", "Links:=Left arrow\n");
    dir.write("language.gam", "Links:=Nonsense\nKnopf 1:=Nonsense\n");
    zuweisen(texts, dir.path());
    EXPECT_EQ(texts.text(G::ControllerActionName, "Links"), "Stick left");
    EXPECT_EQ(texts.text(G::KeyName, "Links"), "Left arrow");
    EXPECT_EQ(texts.text(G::ControllerActionName, "Knopf 1"), "Knopf 1");
}

TEST_F(Tables, TwoVariablesWithOneDefaultGetTheSameText) {
    afterLoading("language.gam", "Datei existiert nicht:=File missing\n", G::Interface, "Info");
    int replaced = 0;
    for (const TextVariable& v : texts.variables()) {
        if (v.germanDefault == "Datei existiert nicht") {
            EXPECT_EQ(v.text, "File missing");
            ++replaced;
        }
    }
    EXPECT_EQ(replaced, 2);
}

TEST_F(Tables, FixedKeyNamesAreNeverReplaced) {
    EXPECT_EQ(afterLoading("keycon.gam", "F1:=Help\nEsc:=Escape\n", G::FixedKeyName, "F1"), "F1");
    EXPECT_EQ(texts.text(G::FixedKeyName, "Esc"), "Esc");
}

TEST_F(Tables, Windows1252FilesLoadUnchanged) {
    EXPECT_EQ(afterLoading("language.gam",
                           "Schlie\xDF"
                           "en:=Schlie\xDF"
                           "en \x80\n",
                           G::Interface, "Schließen"),
              "Schließen €");
}

TEST_F(Tables, LinesEndAtCrLfLfOrALoneCr) {
    const auto table = loadLanguageTable(dir.write("language.gam", "a:=1\r\nb:=2\rc:=3\nd:=4\r"));
    EXPECT_EQ(table.lines, (std::vector<std::string>{"a:=1", "b:=2", "c:=3", "d:=4"}));
    EXPECT_EQ(afterLoading("language.gam", "Info:=About\rSchließen:=Close\r", G::Interface, "Schließen"),
              "Close");
}

TEST_F(Tables, OneStrayByteCostsOneLineNotTheFile) {
    const auto table = loadLanguageTable(dir.write("language.gam",
                                                   "Schließen:=Schließen\n"
                                                   "Info:=\xDC"
                                                   "ber\n"
                                                   "Hilfe:=Grüße\n"));
    EXPECT_EQ(table.lines, (std::vector<std::string>{"Schließen:=Schließen", "Info:=Über", "Hilfe:=Grüße"}));
}

TEST_F(Tables, Utf16InEitherByteOrderIsRead) {
    using namespace std::string_literals;
    EXPECT_EQ(afterLoading("language.gam", "\xFF\xFEI\0n\0f\0o\0:\0=\0\xDC\0\n\0"s, G::Interface, "Info"),
              "Ü");
    EXPECT_EQ(afterLoading("language.gam", "\xFE\xFF\0I\0n\0f\0o\0:\0=\x20\xAC"s, G::Interface, "Info"), "€");
}

TEST_F(Tables, ALongerTextIsCutAfter1023CharactersWithANote) {
    const auto table =
        loadLanguageTable(dir.write("language.gam", "Info:=x\nHilfe:=" + std::string(5'000'000, 'y') + "\n"));
    ASSERT_EQ(table.lines.size(), 2u);
    EXPECT_EQ(table.lines[1], "Hilfe:=" + std::string(1023, 'y'));
    EXPECT_EQ(table.notes,
              (std::vector<std::string>{dir.file("language.gam").string() +
                                        ":2: der Text ist länger als 1023 Zeichen; er wurde dort gekürzt"}));
    std::string umlauts;
    for (int i = 0; i < 1023; ++i) {
        umlauts += "ä";
    }
    const auto exact = loadLanguageTable(dir.write("language.gam", "Hilfe:=" + umlauts));
    EXPECT_EQ(exact.lines[0], "Hilfe:=" + umlauts) << "characters are counted, not bytes";
    EXPECT_TRUE(exact.notes.empty());
}

TEST_F(Tables, TheListingShowsControlCharactersEscaped) {
    dir.write("language.gam", "Info:=a\x1B[2Jb\x07\n");
    zuweisen(texts, dir.path());
    EXPECT_NE(textsAsTables(texts).find("\nInfo:=a\\x1B[2Jb\\x07\n"), std::string::npos);
}

TEST_F(Tables, MissingEmptyOrBinaryTablesLeaveTheDefaults) {
    zuweisen(texts, dir.path() / "nowhere");
    EXPECT_EQ(texts.text(G::Interface, "Schließen"), "Schließen");
    using namespace std::string_literals;
    EXPECT_EQ(afterLoading("language.gam", "", G::Interface, "Schließen"), "Schließen");
    EXPECT_EQ(afterLoading("language.gam", "Schließen:=Close\0\x01\x02"s, G::Interface, "Schließen"),
              "Schließen");
    std::filesystem::create_directory(dir.file("keycon.gam"));  // a folder where a file should be
    zuweisen(texts, dir.path());
    EXPECT_EQ(texts.text(G::KeyName, "Strg"), "Strg");
}

TEST_F(Tables, ReloadingStartsFromTheDefaults) {
    afterLoading("language.gam", "Info:=About\n", G::Interface, "Info");
    EXPECT_EQ(afterLoading("language.gam", "Hilfe:=Help\n", G::Interface, "Info"), "Info");
}

TEST_F(Tables, ProgressReportsTheSplashValuesInOrder) {
    std::vector<int> values;
    zuweisen(texts, dir.path(), [&](int v) { values.push_back(v); });
    EXPECT_EQ(values, (std::vector<int>{20, 30, 35, 39, 50, 60, 70, 80}));
}

TEST_F(Tables, LinesThatNameNoVariableAreFoundWithTheirNumbers) {
    const auto table = loadLanguageTable(
        dir.write("language.gam", "Schließen:=Close\n\nSchliesen:=Close\nKnopf 1:=B\nno mark\n"));
    const auto unknown = unknownLines(table, G::Interface);
    ASSERT_EQ(unknown.size(), 3u);
    EXPECT_EQ(unknown[0].number, 3);
    EXPECT_EQ(unknown[0].text, "Schliesen:=Close");
    EXPECT_EQ(unknown[1].number, 4) << "an action name is not an interface text";
    EXPECT_EQ(unknown[2].number, 5);
    EXPECT_EQ(unknown[0].file, dir.file("language.gam"));
}

TEST_F(Tables, TheTextListingIsATableOfEveryReplaceableVariable) {
    dir.write("keycon.gam", "Strg:=Ctrl\n");
    zuweisen(texts, dir.path());
    const std::string listing = textsAsTables(texts);
    EXPECT_TRUE(listing.starts_with("keycon.gam\nDruck:=Druck\n"));
    EXPECT_NE(listing.find("\nStrg:=Ctrl\n"), std::string::npos);
    EXPECT_NE(listing.find("\njoycon.gam\nKnopf 1:=Knopf 1\n"), std::string::npos);
    EXPECT_NE(listing.find("\nlanguage.gam\nSchließen:=Schließen\n"), std::string::npos);
    EXPECT_EQ(listing.find("F12:="), std::string::npos) << "fixed names are not listed";
    // Loaded back, the listing changes nothing: every line names its variable.
    const std::size_t lines = static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n'));
    EXPECT_EQ(lines, 3 + TextVariables::defaults(G::KeyName).size() +
                         TextVariables::defaults(G::ControllerActionName).size() +
                         TextVariables::defaults(G::Interface).size());
}

}  // namespace
}  // namespace pw
