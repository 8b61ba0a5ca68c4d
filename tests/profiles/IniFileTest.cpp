#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "profiles/IniFile.h"
#include "support/TempDir.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Entries = std::vector<std::pair<std::string, std::string>>;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string s;
    for (std::size_t i = 0; i < times; ++i) {
        s += piece;
    }
    return s;
}

// A Profile as the Windows program writes it: Windows-1252, CR LF, umlauts in group names.
constexpr std::string_view kWindowsProfile =
    "[Fahrwerk]\r\n"
    "Ausfahren=G;71\r\n"
    "Bremse=Strg_F12;17_123\r\n"
    "[Gesch\xFC"
    "tze]\r\n"
    "Feuer=Leertaste;32\r\n"
    "Nachladen=\xC4;222\r\n"
    "[Waffen]\r\n"
    "[Stra\xDF"
    "e \xF6"
    "ffnen]\r\n"
    "T\xFC"
    "r=T;84\r\n";

class Ini : public ::testing::Test {
protected:
    fs::path profile(std::string_view content) { return dir.write("Flug.ini", content); }
    fs::path file() const { return dir.file("Flug.ini"); }
    std::string bytes() const { return bytesOf(file()); }

    test::TempDir dir;
};

TEST_F(Ini, AMissingFileReadsAsEmptyAndIsNotCreatedByDeleting) {
    EXPECT_EQ(iniReadSections(file()), Names{});
    EXPECT_EQ(iniReadKeys(file(), "Fahrwerk"), Names{});
    EXPECT_EQ(iniReadSection(file(), "Fahrwerk"), Entries{});
    EXPECT_EQ(iniReadString(file(), "Fahrwerk", "Ausfahren", "fehlt"), "fehlt");

    iniDeleteKey(file(), "Fahrwerk", "Ausfahren");
    iniEraseSection(file(), "Fahrwerk");
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(Ini, NamesCompareWithoutCaseUmlautsIncluded) {
    profile(
        "[Stra\xC3\x9F"
        "e \xC3\x84RGER]\r\n"        // "Straße ÄRGER" in UTF-8
        "\xC3\x96L=1\r\n"            // "ÖL"
        "\xC5\x92UVRE=2\r\n"         // "ŒUVRE"
        "[Ma\xC3\x9F \xC3\x97]\r\n"  // "Maß ×"
        "x=3\r\n");
    EXPECT_EQ(iniReadString(file(), "STRASSE ärger", "öl", "-"), "-") << "ß is no SS";
    EXPECT_EQ(iniReadString(file(), "straße ärger", "öl", "-"), "1");
    EXPECT_EQ(iniReadString(file(), "STRAßE Ärger", "œuvre", "-"), "2");
    EXPECT_EQ(iniReadString(file(), "maß ×", "X", "-"), "3");
    EXPECT_EQ(iniReadString(file(), "maß ÷", "x", "-"), "-") << "× has no small form; ÷ is another sign";
    EXPECT_EQ(iniReadKeys(file(), "STRASSE ÄRGER"), Names{});
    EXPECT_EQ(iniReadKeys(file(), "straße ärger"), (Names{"ÖL", "ŒUVRE"}));

    iniWriteString(file(), "STRAßE ärger", "öl", "9");
    iniWriteString(file(), "maß ×", "Ÿ", "4");
    iniWriteString(file(), "maß ×", "ÿ", "5");
    EXPECT_EQ(iniReadSection(file(), "Maß ×"), (Entries{{"x", "3"}, {"Ÿ", "5"}}));
    EXPECT_EQ(iniReadSections(file()), (Names{"Straße ÄRGER", "Maß ×"}));
    EXPECT_EQ(iniReadSection(file(), "Straße ÄRGER"), (Entries{{"ÖL", "9"}, {"ŒUVRE", "2"}}))
        << "a replaced key keeps the spelling it had";
}

TEST_F(Ini, BlanksAroundNamesAndValuesAreDropped) {
    profile(
        "  [ Waffen\t]  \r\n"
        " \tFeuer \t=  Leertaste;32 \t\r\n"
        "Leer =\r\n");
    EXPECT_EQ(iniReadSections(file()), Names{"Waffen"});
    EXPECT_EQ(iniReadSection(file(), "waffen"), (Entries{{"Feuer", "Leertaste;32"}, {"Leer", ""}}));
    EXPECT_EQ(iniReadKeys(file(), " waffen "), Names{}) << "a list takes the section's name as it is";
    EXPECT_EQ(iniReadString(file(), "Waffen", "\tfeuer ", "-"), "Leertaste;32");
    const std::string before = bytes();
    iniWriteString(file(), "Waffen", "Feuer", "Leertaste;32");
    EXPECT_EQ(bytes(), before) << "the same value again, so the blanks around it stay";

    iniWriteString(file(), " Waffen ", " Laden ", "  L;76  ");
    EXPECT_EQ(iniReadString(file(), "Waffen", "Laden", "-"), "L;76");
    EXPECT_NE(bytes().find("\r\nLaden=L;76\r\n"), std::string::npos) << "written without its blanks";
}

TEST_F(Ini, AWrittenKeyKeepsItsLineAndOtherLinesKeepTheirBytes) {
    profile(
        "; Flugsteuerung\r\n"
        "[Fahrwerk]\r\n"
        "Ausfahren=G;71\r\n"
        "  Bremse = Strg_F12;17_123   \r\n"
        "Klappen=F;70\n"
        "[Waffen]\r\n"
        "Bremse=X;88\r\n");
    iniWriteString(file(), "fahrwerk", "BREMSE", "B;66");
    EXPECT_EQ(bytes(),
              "; Flugsteuerung\r\n"
              "[Fahrwerk]\r\n"
              "Ausfahren=G;71\r\n"
              "  Bremse = B;66\r\n"
              "Klappen=F;70\n"
              "[Waffen]\r\n"
              "Bremse=X;88\r\n");
}

TEST_F(Ini, ANewKeyGoesBelowTheLastLineOfItsSectionThatIsNotBlank) {
    profile(
        "[Fahrwerk]\r\n"
        "Ausfahren=G;71\r\n"
        "; Bremsen folgen\r\n"
        "Bremse=B;66\r\n"
        "\r\n"
        "; Waffen\r\n"
        "[Waffen]\r\n"
        "\r\n"
        "[Motor]\r\n"
        "Start=S;83");
    iniWriteString(file(), "Fahrwerk", "Klappen", "F;70");
    iniWriteString(file(), "Waffen", "Feuer", "Leertaste;32");
    iniWriteString(file(), "Motor", "Stopp", "P;80");
    EXPECT_EQ(bytes(),
              "[Fahrwerk]\r\n"
              "Ausfahren=G;71\r\n"
              "; Bremsen folgen\r\n"
              "Bremse=B;66\r\n"
              "\r\n"
              "; Waffen\r\n"
              "Klappen=F;70\r\n"
              "[Waffen]\r\n"
              "Feuer=Leertaste;32\r\n"
              "\r\n"
              "[Motor]\r\n"
              "Start=S;83\r\n"
              "Stopp=P;80\r\n");
}

TEST_F(Ini, ANewSectionGoesAtTheEndOfTheFile) {
    iniWriteString(file(), "Fahrwerk", "Ausfahren", "G;71");
    EXPECT_EQ(bytes(), "[Fahrwerk]\r\nAusfahren=G;71\r\n") << "a missing file is created";

    profile("[Fahrwerk]\nAusfahren=G;71");
    iniWriteString(file(), "Waffen", "Feuer", "Leertaste;32");
    EXPECT_EQ(bytes(), "[Fahrwerk]\nAusfahren=G;71\r\n[Waffen]\r\nFeuer=Leertaste;32\r\n");
}

TEST_F(Ini, EveryKindOfLineEndEndsALine) {
    profile("[A]\ra=1\rb=2\n[B]\r\nc=3\r");
    EXPECT_EQ(iniReadSection(file(), "A"), (Entries{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(iniReadSection(file(), "B"), (Entries{{"c", "3"}}));
    iniWriteString(file(), "A", "d", "4");
    EXPECT_EQ(bytes(), "[A]\ra=1\rb=2\nd=4\r\n[B]\r\nc=3\r");
}

TEST_F(Ini, CommentsLinesWithoutEqualsSignAndLinesAboveTheFirstHeader) {
    profile(
        "vorher=1\r\n"
        "[Fahrwerk]\r\n"
        "; Kommentar\r\n"
        "Ausfahren\r\n"
        "Ausfahren=A;65\r\n"
        "Bremse=B;66\r\n"
        "=leer\r\n"
        "Danach=D;68\r\n"
        "[kaputt=1\r\n"
        "[a]b]\r\n"
        "k=\"x\"\r\n");
    EXPECT_EQ(iniReadKeys(file(), "Fahrwerk"), (Names{"Ausfahren", "Bremse"}))
        << "comments and lines without \"=\" are not listed; \"=leer\" ends the list";
    EXPECT_EQ(iniReadSectionLines(file(), "Fahrwerk"),
              (Names{"Ausfahren", "Ausfahren=A;65", "Bremse=B;66", "=leer", "Danach=D;68", "[kaputt=1"}));
    EXPECT_EQ(iniReadString(file(), "Fahrwerk", "Ausfahren", "-"), "-")
        << "the line without \"=\" hides the next";
    EXPECT_EQ(iniReadString(file(), "Fahrwerk", "; Kommentar", "-"), "-")
        << "a comment is a key without value";
    EXPECT_EQ(iniReadString(file(), "Fahrwerk", "Danach", "-"), "D;68") << "not listed, but read";
    EXPECT_EQ(iniReadString(file(), "", "vorher", "-"), "1") << "the lines above the first header are \"\"";
    EXPECT_EQ(iniReadSections(file()), (Names{"Fahrwerk", "a]b"})) << "the name runs to the last \"]\"";
    EXPECT_EQ(iniReadString(file(), "a]b", "k", "-"), "x") << "the quotes are dropped";

    iniWriteString(file(), "Fahrwerk", "Ausfahren", "G;71");
    EXPECT_EQ(iniReadString(file(), "Fahrwerk", "Ausfahren", "-"), "G;71");
    EXPECT_NE(bytes().find("\r\nAusfahren=G;71\r\nAusfahren=A;65\r\n"), std::string::npos)
        << "the line without \"=\" is filled in";
}

TEST_F(Ini, ASectionOrKeyNamedTwiceIsListedTwiceButOnlyItsFirstPartCounts) {
    profile(
        "[Waffen]\r\n"
        "Feuer=1\r\n"
        "Laden=2\r\n"
        "FEUER=3\r\n"
        "[Motor]\r\n"
        "Start=3\r\n"
        "[WAFFEN]\r\n"
        "feuer=4\r\n"
        "Zielen=5\r\n");
    EXPECT_EQ(iniReadSections(file()), (Names{"Waffen", "Motor", "WAFFEN"}));
    EXPECT_EQ(iniReadKeys(file(), "waffen"), (Names{"Feuer", "Laden", "FEUER"}));
    EXPECT_EQ(iniReadString(file(), "Waffen", "Zielen", "-"), "-") << "the second part is never read";

    iniDeleteKey(file(), "Waffen", "Feuer");
    EXPECT_EQ(iniReadString(file(), "Waffen", "Feuer", "-"), "3") << "only the first line goes";
    iniWriteString(file(), "Waffen", "Deckung", "6");
    EXPECT_EQ(iniReadKeys(file(), "Waffen"), (Names{"Laden", "FEUER", "Deckung"})) << "into the first part";

    iniEraseSection(file(), "waffen");
    EXPECT_EQ(bytes(), "[Motor]\r\nStart=3\r\n[WAFFEN]\r\nfeuer=4\r\nZielen=5\r\n");
}

TEST_F(Ini, DeletingAKeyOrErasingASectionLeavesTheRest) {
    profile(
        "[Fahrwerk]\r\n"
        "Ausfahren=G;71\r\n"
        "Bremse=B;66\r\n"
        "[Waffen]\r\n"
        "Feuer=F;70\r\n"
        "\r\n"
        "[Motor]\r\n"
        "Start=S;83\r\n");
    iniDeleteKey(file(), "FAHRWERK", "ausfahren");
    iniDeleteKey(file(), "Fahrwerk", "Bremse");
    EXPECT_EQ(iniReadSections(file()), (Names{"Fahrwerk", "Waffen", "Motor"})) << "the bare header stays";
    iniEraseSection(file(), "waffen");
    EXPECT_EQ(bytes(), "[Fahrwerk]\r\n[Motor]\r\nStart=S;83\r\n");

    const std::string before = bytes();
    iniDeleteKey(file(), "Motor", "Stopp");
    iniDeleteKey(file(), "Nirgends", "Start");
    iniEraseSection(file(), "Nirgends");
    EXPECT_EQ(bytes(), before);
}

TEST_F(Ini, ListsStopWhereTheWindowsBufferIsFull) {
    // 81 names of 99 characters fill 8100 of the 8190 places for names; a name of 90 characters
    // fills the rest exactly, one of 91 would be cut and is left out.
    const auto sectionsWithLast = [&](std::size_t lastLength) {
        std::string content;
        for (int i = 0; i < 81; ++i) {
            content += "[" + std::to_string(100 + i) + repeated("ä", 96) + "]\r\n";
        }
        content += "[" + repeated("x", lastLength) + "]\r\n[kurz]\r\n";
        profile(content);
        return iniReadSections(file());
    };
    Names sections = sectionsWithLast(90);
    ASSERT_EQ(sections.size(), 82u);
    EXPECT_EQ(sections[80], "180" + repeated("ä", 96)) << "characters are counted, not bytes";
    EXPECT_EQ(sections[81], repeated("x", 90));
    EXPECT_EQ(sectionsWithLast(91).size(), 81u);

    std::string keys = "[Befehle]\r\n";
    for (int i = 0; i < 81; ++i) {
        keys += std::to_string(100 + i) + repeated("ö", 96) + "=" + std::to_string(i) + "\r\n";
    }
    keys += repeated("y", 90) + "=letzter\r\n" + "danach=nie\r\n";
    profile(keys);
    const Names listed = iniReadKeys(file(), "Befehle");
    ASSERT_EQ(listed.size(), 82u);
    EXPECT_EQ(listed.back(), repeated("y", 90));
    const Entries entries = iniReadSection(file(), "Befehle");
    ASSERT_EQ(entries.size(), 82u);
    EXPECT_EQ(entries.back(), (std::pair<std::string, std::string>{repeated("y", 90), "letzter"}));
    EXPECT_EQ(iniReadString(file(), "Befehle", "danach", "-"), "nie") << "a key beyond the list still reads";
}

TEST_F(Ini, AValueReadsCutAfter1023Characters) {
    profile("[A]\r\nlang=" + repeated("ü", 1500) + "\r\ngenau=" + repeated("e", 1023) + "\r\n");
    EXPECT_EQ(iniReadString(file(), "A", "lang", ""), repeated("ü", 1023));
    EXPECT_EQ(iniReadString(file(), "A", "genau", ""), repeated("e", 1023));
    EXPECT_EQ(iniReadSection(file(), "A")[0].second, repeated("ü", 1023));
}

TEST_F(Ini, AWindowsProfileReadsUnchangedAndAnEqualWriteKeepsItsBytes) {
    profile(kWindowsProfile);
    EXPECT_EQ(iniReadSections(file()), (Names{"Fahrwerk", "Geschütze", "Waffen", "Straße öffnen"}));
    EXPECT_EQ(iniReadSection(file(), "Fahrwerk"),
              (Entries{{"Ausfahren", "G;71"}, {"Bremse", "Strg_F12;17_123"}}));
    EXPECT_EQ(iniReadSection(file(), "GESCHÜTZE"),
              (Entries{{"Feuer", "Leertaste;32"}, {"Nachladen", "Ä;222"}}));
    EXPECT_EQ(iniReadKeys(file(), "Waffen"), Names{});
    EXPECT_EQ(iniReadString(file(), "straße Öffnen", "TÜR", "-"), "T;84");

    const fs::file_time_type written = fs::last_write_time(file());
    struct stat before {};
    ASSERT_EQ(::stat(file().c_str(), &before), 0);
    iniWriteString(file(), "Fahrwerk", "Bremse", "Strg_F12;17_123");
    iniWriteString(file(), "geschütze", "nachladen", " Ä;222 ");
    struct stat after {};
    ASSERT_EQ(::stat(file().c_str(), &after), 0);
    EXPECT_EQ(bytes(), kWindowsProfile);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was not rewritten";
    EXPECT_EQ(fs::last_write_time(file()), written);
}

TEST_F(Ini, AChangeToAWindowsProfileKeepsItsEncodingAndOtherLines) {
    profile(kWindowsProfile);
    iniWriteString(file(), "Fahrwerk", "Bremse", "Pos1;36");
    iniWriteString(file(), "Waffen", "Zielen", "\xC3\x9C;186");  // Ü
    std::string expected(kWindowsProfile);
    expected.replace(expected.find("Strg_F12;17_123"), 15, "Pos1;36");
    expected.insert(expected.find("[Stra"), "Zielen=\xDC;186\r\n");
    EXPECT_EQ(bytes(), expected);
}

TEST_F(Ini, WritesWindows1252WhenEverythingFitsElseUtf8) {
    iniWriteString(file(), "Geschütze", "Feuer", "€;32");
    EXPECT_EQ(bytes(),
              "[Gesch\xFC"
              "tze]\r\nFeuer=\x80;32\r\n");

    iniWriteString(file(), "Geschütze", "Ziel", "Łódź;76");
    EXPECT_EQ(bytes(), "[Geschütze]\r\nFeuer=€;32\r\nZiel=Łódź;76\r\n") << "the whole file turns UTF-8";

    iniDeleteKey(file(), "Geschütze", "Ziel");
    EXPECT_EQ(bytes(), "[Geschütze]\r\nFeuer=€;32\r\n") << "and keeps UTF-8, as any UTF-8 file does";
}

TEST_F(Ini, Windows1252BytesThatWouldReadAsUtf8AreWrittenAsUtf8) {
    // "Ã¤" fits Windows-1252 as C3 A4, which is how UTF-8 writes "ä".
    iniWriteString(file(), "A", "k", "Ã¤");
    EXPECT_EQ(iniReadString(file(), "A", "k", ""), "Ã¤");
    EXPECT_EQ(bytes(), "[A]\r\nk=Ã¤\r\n");

    // A UTF-8 file with its mark keeps the mark.
    profile("\xEF\xBB\xBF[A]\r\nk=Ł\r\n");
    iniWriteString(file(), "A", "m", "1");
    EXPECT_EQ(bytes(), "\xEF\xBB\xBF[A]\r\nk=Ł\r\nm=1\r\n");

    // A first line whose bytes would read as a byte-order mark: "ÿþ" in Windows-1252 is FF FE,
    // the UTF-16 one; U+FEFF first in a UTF-8 file is the UTF-8 one.
    for (const char* top : {"ÿþk", "þÿk", "ï»¿k"}) {
        profile("[A]\r\nk=1\r\n");
        iniWriteString(file(), "", top, "2");
        EXPECT_EQ(iniReadString(file(), "", top, "-"), "2") << top;
        EXPECT_EQ(iniReadString(file(), "A", "k", "-"), "1") << top;
    }
    profile("[A]\r\nk=Ł\r\n");
    iniWriteString(file(), "", "\uFEFFk", "2");
    EXPECT_EQ(iniReadString(file(), "", "\uFEFFk", "-"), "2");
    EXPECT_EQ(iniReadString(file(), "A", "k", "-"), "Ł");
}

TEST_F(Ini, NamesAndValuesThatWouldReadBackDifferentlyAreRefused) {
    profile(kWindowsProfile);
    const auto refused = [&](std::string_view section, std::string_view key, std::string_view value,
                             std::string_view reason) {
        try {
            iniWriteString(file(), section, key, value);
            ADD_FAILURE() << "written: [" << section << "] " << key << "=" << value;
        } catch (const ProfileWriteError& e) {
            EXPECT_EQ(e.what(),
                      "nach " + file().string() + " kann nicht geschrieben werden: " + std::string(reason));
        }
    };
    refused("Waffen", "Feuer=frei", "F;70", "ein Befehlsname darf kein „=“ enthalten");
    refused("Waffen", "", "F;70", "ein Befehl braucht einen Namen");
    refused("Waffen", "Feuer", "F;70\r\nSchuss=X;88",
            "ein Name oder Wert enthält einen Zeilenumbruch oder ein NUL-Zeichen");
    refused("Waffen", std::string_view("Feu\0er", 6), "F;70",
            "ein Name oder Wert enthält einen Zeilenumbruch oder ein NUL-Zeichen");
    refused("Waffen", "Feuer", "\xE4;70", "ein Name oder Wert ist kein gültiger UTF-8-Text");
    refused("Waffen", "[Feuer", "F]", "die Zeile „[Feuer=F]“ würde als Gruppe gelesen");
    EXPECT_EQ(bytes(), kWindowsProfile);

    iniWriteString(file(), "Waffen]", "[Feuer", repeated("ä", 1024));
    EXPECT_EQ(iniReadString(file(), "Waffen]", "[feuer", ""), repeated("ä", 1023))
        << "a longer value is written whole and read cut, as Windows does";
}

TEST_F(Ini, NulBytesEndNamesAndValuesAndKeepTheirPlace) {
    profile(std::string("[A]\r\nk=1\0x\r\nj\0y=2\r\n", 19));
    EXPECT_EQ(iniReadSections(file()), Names{"A"});
    EXPECT_EQ(iniReadSectionLines(file(), "A"), (Names{"k=1", "j=2"}));
    iniWriteString(file(), "A", "m", "3");
    EXPECT_EQ(bytes(), std::string("[A]\r\nk=1\0x\r\nj\0y=2\r\nm=3\r\n", 24))
        << "the other lines keep their bytes";
}

TEST_F(Ini, ALineStartingWithEqualsBelowAnEmptyNameIsNotThereAndGoesWithIt) {
    // "=b" and "=b2" below "=a" are not there; "\0x=1" has a name that a NUL ends, so it is kept
    // and hides "=c" in its turn; "=d" below a named key is there again.
    profile(std::string("[A]\r\n=a\r\n\r\n=b\r\n=b2\r\n\0x=1\r\n=c\r\nk=2\r\n=d\r\n", 39));
    EXPECT_EQ(iniReadSectionLines(file(), "A"), (Names{"=a", "=1", "k=2", "=d"}));
    EXPECT_EQ(iniReadString(file(), "A", "", "-"), "a");

    iniDeleteKey(file(), "A", "");
    EXPECT_EQ(iniReadString(file(), "A", "", "-"), "1") << "the next empty name, not one \"=a\" hid";
    EXPECT_EQ(bytes(), std::string("[A]\r\n\r\n\0x=1\r\n=c\r\nk=2\r\n=d\r\n", 26))
        << "the hidden lines went with it, the blank line and the rest stayed";

    iniDeleteKey(file(), "A", "");
    EXPECT_EQ(iniReadString(file(), "A", "", "-"), "d");
    EXPECT_EQ(iniReadSectionLines(file(), "A"), (Names{"k=2", "=d"}));
}

TEST_F(Ini, UtfSixteenInEitherByteOrderKeepsItsMark) {
    profile(std::string("\xFE\xFF\0[\0A\0]\0\n\0k\0=\0\xE4", 16));
    EXPECT_EQ(iniReadString(file(), "A", "k", "-"), "ä");
    iniWriteString(file(), "A", "j", "€");
    EXPECT_EQ(bytes(), std::string("\xFE\xFF\0[\0A\0]\0\n\0k\0=\0\xE4\0\r\0\n\0j\0=\x20\xAC\0\r\0\n", 30));
}

TEST_F(Ini, AFileThatCannotBeReadIsNeverWrittenOver) {
    const std::string broken("\xFF\xFE[\0A\0]\0\n\0\x00\xD8", 12);  // a surrogate without its partner
    profile(broken);
    EXPECT_EQ(iniReadSections(file()), Names{"A"});
    EXPECT_THROW(iniWriteString(file(), "A", "k", "2"), ProfileWriteError);
    EXPECT_THROW(iniAddSection(file(), "B"), ProfileWriteError);
    EXPECT_THROW(iniEraseSection(file(), "A"), ProfileWriteError);
    EXPECT_EQ(bytes(), broken);

    fs::create_directory(dir.file("Ordner.ini"));
    EXPECT_THROW(iniWriteString(dir.file("Ordner.ini"), "A", "k", "1"), ProfileWriteError);
    EXPECT_TRUE(fs::is_directory(dir.file("Ordner.ini")));
}

TEST_F(Ini, AFailedWriteThrowsTheUsersMessageAndLeavesTheOldFile) {
    // A folder the process may not write into. Root may write anywhere, so a root run does the
    // write as the unprivileged user "nobody" in a child process.
    const fs::path folder = dir.file("schreibgeschuetzt");
    fs::create_directory(folder);
    const fs::path target = folder / "Flug.ini";
    std::ofstream(target, std::ios::binary) << kWindowsProfile;
    fs::permissions(target, fs::perms(0644));
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(folder, fs::perms(0555));
    const std::string expected = "nach " + target.string() + " kann nicht geschrieben werden";

    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && ::setuid(65534) != 0) {
                std::exit(3);
            }
            try {
                iniWriteString(target, "Fahrwerk", "Bremse", "B;66");
            } catch (const ProfileWriteError& e) {
                std::exit(e.what() == expected ? 0 : 1);
            }
            std::exit(2);
        },
        ::testing::ExitedWithCode(0), "")
        << "exit 1: another message, 2: written, 3: could not leave root";
    EXPECT_EQ(bytesOf(target), kWindowsProfile);
    EXPECT_EQ(filesIn(folder), Names{"Flug.ini"}) << "no temporary file is left";

    const fs::path nowhere = dir.file("fehlt") / "Flug.ini";
    try {
        iniWriteString(nowhere, "A", "k", "1");
        ADD_FAILURE() << "written into a missing folder";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(e.what(), "nach " + nowhere.string() + " kann nicht geschrieben werden");
    }
    fs::permissions(folder, fs::perms(0755));
}

}  // namespace
}  // namespace pw
