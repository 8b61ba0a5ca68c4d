#include <gtest/gtest.h>

#include <set>

#include "games/CommandLine.h"

namespace pw {
namespace {

using Parts = CommandLineParts;

TEST(SplitCommandLine, TheFileEndsAtTheExtensionAndTheParametersKeepTheirBlank) {
    EXPECT_EQ(splitCommandLine("C:\\Spiele\\Doom\\doom.exe -nosound"),
              (Parts{"C:\\Spiele\\Doom\\doom.exe", " -nosound"}));
    EXPECT_EQ(splitCommandLine("C:\\Spiele\\Doom\\DOOM.Exe"), (Parts{"C:\\Spiele\\Doom\\DOOM.Exe", ""}));
    EXPECT_EQ(splitCommandLine("/games/run.sh -x"), (Parts{"/games/run.sh -x", ""}))
        << "no extension: all is file";
    EXPECT_EQ(splitCommandLine(""), (Parts{"", ""}));
}

TEST(SplitCommandLine, LaterExtensionsOverrideEarlierOnes) {
    // A folder named like a .com program wins over the real .exe, as the .COM test comes last.
    EXPECT_EQ(splitCommandLine("C:\\web.com\\game.exe -w"), (Parts{"C:\\web.com", "\\game.exe -w"}));
    EXPECT_EQ(splitCommandLine("C:\\a.bat.dir\\start.exe /q"), (Parts{"C:\\a.bat", ".dir\\start.exe /q"}));
    EXPECT_EQ(splitCommandLine("C:\\x\\run.bat game.exe"), (Parts{"C:\\x\\run.bat", " game.exe"}));
    // Each extension takes its first occurrence.
    EXPECT_EQ(splitCommandLine("a.exe b.exe"), (Parts{"a.exe", " b.exe"}));
    // Only a to z are folded; the text itself keeps its case.
    EXPECT_EQ(splitCommandLine("Spiel.ExE -Ä"), (Parts{"Spiel.ExE", " -Ä"}));
}

TEST(ResolveCommandLine, FallsBackToTheWholeTextAndThenToTheFirstShellWord) {
    const std::set<std::string> files = {"/g/web.com/game.exe", "/g/My Game/run", "/g/run.sh",
                                         "/g/two words/x"};
    const auto exists = [&](const std::string& f) { return files.count(f) > 0; };
    EXPECT_EQ(resolveCommandLine("/g/run.sh -window 'two words'", exists),
              (Parts{"/g/run.sh", " -window 'two words'"}));
    EXPECT_EQ(resolveCommandLine("/g/My Game/run", exists), (Parts{"/g/My Game/run", ""}));
    EXPECT_EQ(resolveCommandLine("'/g/two words/x' -a", exists), (Parts{"/g/two words/x", " -a"}));
    EXPECT_EQ(resolveCommandLine("/g/two\\ words/x", exists), (Parts{"/g/two words/x", ""}));
    // The library's rule names a missing file; the first word exists and takes over.
    EXPECT_EQ(resolveCommandLine("/g/web.com/game.exe -x", exists), (Parts{"/g/web.com/game.exe", " -x"}));
    // Nothing exists: the rule's answer stands, so the caller reports the file it names.
    EXPECT_EQ(resolveCommandLine("C:\\none.exe -x", exists), (Parts{"C:\\none.exe", " -x"}));
    EXPECT_EQ(resolveCommandLine("", exists), (Parts{"", ""}));
}

TEST(SplitArguments, SplitsAsAPosixShellWithoutExpanding) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(splitArguments(" -window 'two words'"), (Args{"-window", "two words"}));
    EXPECT_EQ(splitArguments("  a\t b  "), (Args{"a", "b"}));
    EXPECT_EQ(splitArguments("\"a \\\"b\\\" \\x $HOME\""), (Args{"a \"b\" \\x $HOME"}));
    EXPECT_EQ(splitArguments("'it''s' \"\" ''"), (Args{"its", "", ""}));
    EXPECT_EQ(splitArguments("a\\ b c\\'d"), (Args{"a b", "c'd"}));
    EXPECT_EQ(splitArguments("'a\\b' *.txt ~"), (Args{"a\\b", "*.txt", "~"}));
    EXPECT_EQ(splitArguments("x'y'\"z\""), (Args{"xyz"}));
    EXPECT_EQ(splitArguments("'open to the end"), (Args{"open to the end"}));
    EXPECT_EQ(splitArguments("trailing\\"), (Args{"trailing"}));
    EXPECT_TRUE(splitArguments("   ").empty());
}

TEST(CommandLineTexts, FolderCutAndProposedName) {
    EXPECT_EQ(folderOf("C:\\Spiele\\doom.exe -nosound"), "C:\\Spiele\\");
    EXPECT_EQ(folderOf("C:doom.exe"), "C:");
    EXPECT_EQ(folderOf("/home/me/games/run.sh"), "/home/me/games/");
    EXPECT_EQ(folderOf("run.sh"), "");

    const std::string long200(200, 'x');
    EXPECT_EQ(cutToCharacters(long200), std::string(199, 'x'));
    EXPECT_EQ(cutToCharacters(std::string(199, 'y')), std::string(199, 'y'));
    // 200 characters of two bytes each are cut to 199 characters, not 199 bytes.
    std::string umlauts;
    for (int i = 0; i < 200; ++i) {
        umlauts += "ä";
    }
    EXPECT_EQ(cutToCharacters(umlauts).size(), 398u);
    EXPECT_EQ(cutToCharacters("aäb", 2), "aä");

    EXPECT_EQ(proposedGameName("/home/me/games/my.game.exe"), "my");
    EXPECT_EQ(proposedGameName("C:\\Spiele\\Doom.exe"), "Doom");
    EXPECT_EQ(proposedGameName("/opt/run"), "run");
}

TEST(CommandLineTexts, NamesThatWouldEscapeTheirKeyAreRefused) {
    EXPECT_TRUE(acceptableKeyName("Doom II"));
    EXPECT_TRUE(acceptableKeyName("Rennen/Rallye"));
    EXPECT_FALSE(acceptableKeyName("Sport\\Fifa"));
    EXPECT_FALSE(acceptableKeyName("\\"));
    EXPECT_FALSE(acceptableKeyName("zwei\nZeilen"));
    EXPECT_FALSE(acceptableKeyName("a\rb"));
    EXPECT_FALSE(acceptableKeyName(std::string_view("a\0b", 3)));
}

TEST(CommandLineTexts, WindowsProgramsAndGroupPictures) {
    EXPECT_TRUE(isWindowsProgramName("/g/Game.EXE"));
    EXPECT_TRUE(isWindowsProgramName("setup.bat"));
    EXPECT_TRUE(isWindowsProgramName("a.Com"));
    EXPECT_FALSE(isWindowsProgramName("/g/run.sh"));
    EXPECT_FALSE(isWindowsProgramName("/g/exe"));
    EXPECT_FALSE(isWindowsProgramName("/g/game.exe.sh"));

    EXPECT_EQ(groupPictureIndex("Action"), 0);
    EXPECT_EQ(groupPictureIndex("Adventure"), 1);
    EXPECT_EQ(groupPictureIndex("Simulation"), 2);
    EXPECT_EQ(groupPictureIndex("Sport"), 3);
    EXPECT_EQ(groupPictureIndex("Strategie"), 4);
    EXPECT_EQ(groupPictureIndex("SPORT"), 5) << "the names are compared exactly";
    EXPECT_EQ(groupPictureIndex("Rennen"), 5);
}

}  // namespace
}  // namespace pw
