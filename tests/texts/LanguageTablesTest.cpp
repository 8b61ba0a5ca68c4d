#include <gtest/gtest.h>

#include <map>
#include <optional>

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

std::vector<std::string> linesOf(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    readTableLines(file, [&](int, std::string_view text, bool) { lines.emplace_back(text); });
    return lines;
}

std::vector<UnknownLine> unknownLinesOf(const std::filesystem::path& file, G group) {
    std::vector<UnknownLine> unknown;
    forEachUnknownLine(file, group, [&](const UnknownLine& line) { unknown.push_back(line); });
    return unknown;
}

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
    EXPECT_EQ(linesOf(dir.write("language.gam", "a:=1\r\nb:=2\rc:=3\nd:=4\r")),
              (std::vector<std::string>{"a:=1", "b:=2", "c:=3", "d:=4"}));
    EXPECT_EQ(linesOf(dir.write("language.gam", "\n\r\r\nx")), (std::vector<std::string>{"", "", "", "x"}));
    EXPECT_EQ(afterLoading("language.gam", "Info:=About\rSchließen:=Close\r", G::Interface, "Schließen"),
              "Close");
}

TEST_F(Tables, OneStrayByteCostsOneLineNotTheFile) {
    EXPECT_EQ(linesOf(dir.write("language.gam",
                                "Schließen:=Schließen\n"
                                "Info:=\xDC"
                                "ber\n"
                                "Hilfe:=Grüße\n")),
              (std::vector<std::string>{"Schließen:=Schließen", "Info:=Über", "Hilfe:=Grüße"}));
}

TEST_F(Tables, Utf16InEitherByteOrderIsRead) {
    using namespace std::string_literals;
    EXPECT_EQ(afterLoading("language.gam", "\xFF\xFEI\0n\0f\0o\0:\0=\0\xDC\0\n\0"s, G::Interface, "Info"),
              "Ü");
    EXPECT_EQ(afterLoading("language.gam", "\xFE\xFF\0I\0n\0f\0o\0:\0=\x20\xAC"s, G::Interface, "Info"), "€");
}

TEST_F(Tables, ALongerTextIsCutAfter1023CharactersWithANote) {
    const auto file = dir.write("language.gam", "Info:=x\nHilfe:=" + std::string(5'000'000, 'y') + "\n");
    const auto lines = linesOf(file);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Hilfe:=" + std::string(1023, 'y'));
    const auto table = loadLanguageTable(file, G::Interface);
    EXPECT_EQ(table.texts.at("Hilfe"), std::string(1023, 'y'));
    EXPECT_EQ(table.notes,
              (std::vector<std::string>{dir.file("language.gam").string() +
                                        ":2: der Text ist länger als 1023 Zeichen; er wurde dort gekürzt"}));
    std::string umlauts;
    for (int i = 0; i < 1023; ++i) {
        umlauts += "ä";
    }
    const auto exact = loadLanguageTable(dir.write("language.gam", "Hilfe:=" + umlauts), G::Interface);
    EXPECT_EQ(exact.texts.at("Hilfe"), umlauts) << "characters are counted, not bytes";
    EXPECT_TRUE(exact.notes.empty());
}

// The file is read in pieces of 64 KiB: nothing may depend on where a piece ends.
TEST_F(Tables, LinesAndCharactersReadAcrossTheReadingPieces) {
    using namespace std::string_literals;
    constexpr std::size_t kPiece = 1u << 16;
    const std::string filler = "x:=" + std::string(kPiece - 4, 'y');  // CR is the last byte of the piece
    EXPECT_EQ(linesOf(dir.write("language.gam", filler + "\r\nInfo:=About\r")),
              (std::vector<std::string>{filler.substr(0, 3 + kTableTextLimit), "Info:=About"}))
        << "a CR LF split between two pieces is one line end";
    // UTF-16: "Info:=" and a character outside the basic plane whose two halves lie in two pieces.
    std::string utf16 = "\xFF\xFE"s;
    for (char c : std::string(kPiece / 2 - 8, 'z') + "\n" + "Info:=") {
        utf16 += c;
        utf16 += '\0';
    }
    ASSERT_EQ(utf16.size(), kPiece);
    utf16 += "\x3D\xD8\x00\xDE\n\0"s;  // U+1F600
    EXPECT_EQ(afterLoading("language.gam", utf16, G::Interface, "Info"), "\xF0\x9F\x98\x80");
    // A NUL far behind the first piece still makes the file binary: no line of it counts.
    EXPECT_EQ(afterLoading("language.gam", "Info:=About\n" + std::string(3 * kPiece, 'a') + "\0"s,
                           G::Interface, "Info"),
              "Info");
    EXPECT_TRUE(linesOf(dir.file("language.gam")).empty());
    // So does a lone surrogate at the end of a UTF-16 file.
    EXPECT_EQ(
        afterLoading("language.gam", "\xFF\xFEI\0n\0f\0o\0:\0=\0x\0\n\0\x3D\xD8"s, G::Interface, "Info"),
        "Info");
}

TEST_F(Tables, ATableKeepsOnlyTheTextsItWasAskedFor) {
    std::string content = "Info:=About\ninfo:=Second\n";
    for (int i = 0; i < 1000; ++i) {
        content += "Kein Text " + std::to_string(i) + ":=nothing\n";
    }
    content += "Hilfe:=Help\nA:=b:=c\n";
    const auto file = dir.write("language.gam", content);
    const auto table = loadLanguageTable(file, G::Interface);
    EXPECT_EQ(table.lineCount, 1004u);
    EXPECT_EQ(table.texts,
              (std::map<std::string, std::string, std::less<>>{{"Info", "About"}, {"Hilfe", "Help"}}));
    EXPECT_EQ(tableText(table, "Kein Text 1"), std::nullopt) << "a line that names no text is not kept";
    // Texts that hold ":=" themselves are found as well; the text still starts after the first "=".
    const std::string_view odd[] = {"A:=b", "A", "Kein Text 7"};
    const auto panel = loadLanguageTable(file, odd);
    EXPECT_EQ(tableText(panel, "A:=b"), "b:=c");
    EXPECT_EQ(tableText(panel, "A"), "b:=c");
    EXPECT_EQ(tableText(panel, "Kein Text 7"), "nothing");
    EXPECT_EQ(panel.texts.size(), 3u);
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
    const auto unknown = unknownLinesOf(
        dir.write("language.gam", "Schließen:=Close\n\nSchliesen:=Close\nKnopf 1:=B\nno mark\n"),
        G::Interface);
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
