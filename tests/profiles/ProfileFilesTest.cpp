#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "profiles/IniFile.h"
#include "profiles/ProfileFiles.h"
#include "support/TempDir.h"
#include "texts/AtomicFile.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Names filesIn(const fs::path& folder) {
    Names names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Profiles : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(Profiles, ListsTheIniFilesSortedWithoutCase) {
    dir.write("zug.ini", "");
    dir.write("Auto.INI", "");
    dir.write("\xC3\x84rger.ini", "");  // Ärger
    dir.write("b\xC3\xA4r.Ini", "");    // bär
    dir.write("auto.ini", "");
    dir.write("notizen.txt", "");
    dir.write("alt.ini.bak", "");
    dir.write("ini", "");
    dir.write(".versteckt.ini", "");
    fs::create_directory(dir.file("ordner.ini"));
    fs::create_symlink(dir.file("zug.ini"), dir.file("Bahn.ini"));
    fs::create_symlink(dir.file("fehlt"), dir.file("kaputt.ini"));

    EXPECT_EQ(listProfiles(dir.path()),
              (Names{"Ärger.ini", "Auto.INI", "auto.ini", "Bahn.ini", "bär.Ini", "zug.ini"}))
        << "case only decides between equal names; Ä sorts as A";
    EXPECT_EQ(listProfiles(dir.file("fehlt")), Names{});
}

TEST_F(Profiles, TheShownNameEndsAtTheFirstDot) {
    EXPECT_EQ(profileDisplayName("a.b.ini"), "a");
    EXPECT_EQ(profileDisplayName("Flugsimulator.ini"), "Flugsimulator");
    EXPECT_EQ(profileDisplayName("Stra\xC3\x9F"
                                 "e.INI"),
              "Straße");
    EXPECT_EQ(profileDisplayName("ohne"), "ohne");
}

TEST_F(Profiles, CreateGroupLeavesABareHeaderAndKeepsAnExistingGroup) {
    const fs::path file = dir.write("Flug.ini", "[Fahrwerk]\r\n=ohne Namen\r\nAusfahren=G;71\r\n");
    createGroup(file, "Waffen");
    createGroup(file, "Straße");
    EXPECT_EQ(bytesOf(file),
              "[Fahrwerk]\r\n=ohne Namen\r\nAusfahren=G;71\r\n[Waffen]\r\n[Stra\xDF"
              "e]\r\n");

    const std::string before = bytesOf(file);
    createGroup(file, "FAHRWERK");
    createGroup(file, " STRASSE ");
    EXPECT_NE(bytesOf(file), before) << "ß is not SS: a new group";
    createGroup(file, "STRAßE");
    createGroup(file, "fahrwerk");
    EXPECT_EQ(iniReadString(file, "Fahrwerk", "", "-"), "ohne Namen");
    EXPECT_EQ(iniReadSections(file), (Names{"Fahrwerk", "Waffen", "Straße", "STRASSE"}));

    const fs::path fresh = dir.file("Neu.ini");
    createGroup(fresh, "Waffen");
    EXPECT_EQ(bytesOf(fresh), "[Waffen]\r\n");
    createGroup(fresh, "a]b");
    EXPECT_EQ(iniReadSections(fresh), (Names{"Waffen", "a]b"})) << "a name runs to the last \"]\"";
    EXPECT_THROW(createGroup(fresh, "Zeile\nUmbruch"), ProfileWriteError);
}

TEST_F(Profiles, CreateProfileMakesAnEmptyFileOrEmptiesOne) {
    const fs::path fresh = dir.file("Neu.ini");
    createProfile(fresh);
    ASSERT_TRUE(fs::is_regular_file(fresh));
    EXPECT_EQ(fs::file_size(fresh), 0u);

    const fs::path old = dir.write("Alt.ini", "[Fahrwerk]\r\nAusfahren=G;71\r\n");
    createProfile(old);
    EXPECT_EQ(fs::file_size(old), 0u);
    EXPECT_EQ(iniReadSections(old), Names{});

    const fs::path nowhere = dir.file("fehlt") / "Neu.ini";
    try {
        createProfile(nowhere);
        ADD_FAILURE() << "created in a missing folder";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(e.what(), "nach " + nowhere.string() + " kann nicht geschrieben werden");
    }
    fs::create_directory(dir.file("Ordner.ini"));
    EXPECT_THROW(createProfile(dir.file("Ordner.ini")), ProfileWriteError)
        << "a file cannot replace a folder";
    EXPECT_EQ(filesIn(dir.path()), (Names{"Alt.ini", "Neu.ini", "Ordner.ini"}))
        << "no temporary file is left";
    EXPECT_EQ(filesIn(dir.file("Ordner.ini")), Names{});
}

TEST_F(Profiles, CopyProfileCopiesBytesOverTheTargetOrDoesNothing) {
    const std::string windows =
        "[Gesch\xFC"
        "tze]\r\nFeuer=Leertaste;32\r\n";
    const fs::path from = dir.write("Quelle.ini", windows);
    const fs::path to = dir.write("Ziel.ini", "[Alt]\r\nx=1\r\n");

    copyProfile(dir.file("fehlt.ini"), to);
    EXPECT_EQ(bytesOf(to), "[Alt]\r\nx=1\r\n") << "a missing source changes nothing";
    EXPECT_FALSE(fs::exists(dir.file("neu.ini")));
    copyProfile(dir.file("fehlt.ini"), dir.file("neu.ini"));
    EXPECT_FALSE(fs::exists(dir.file("neu.ini")));

    copyProfile(from, to);
    EXPECT_EQ(bytesOf(to), windows);
    copyProfile(from, dir.file("neu.ini"));
    EXPECT_EQ(bytesOf(dir.file("neu.ini")), windows);
    copyProfile(from, from);
    EXPECT_EQ(bytesOf(from), windows);
    EXPECT_EQ(filesIn(dir.path()), (Names{"Quelle.ini", "Ziel.ini", "neu.ini"}));

    fs::create_directory(dir.file("Ordner.ini"));
    EXPECT_THROW(copyProfile(dir.file("Ordner.ini"), to), ProfileWriteError) << "an unreadable source";
    EXPECT_EQ(bytesOf(to), windows);
}

TEST_F(Profiles, DeleteProfileRemovesTheFileOnly) {
    const fs::path file = dir.write("Flug.ini", "[A]\r\n");
    deleteProfile(file);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_NO_THROW(deleteProfile(file)) << "a missing Profile is no error";

    fs::create_directory(dir.file("Ordner.ini"));
    EXPECT_THROW(deleteProfile(dir.file("Ordner.ini")), ProfileWriteError);
    EXPECT_TRUE(fs::is_directory(dir.file("Ordner.ini")));
}

TEST_F(Profiles, NamesThatLeaveTheFolderOrCannotBeShownAreRefused) {
    for (const char* fine : {"Flugsimulator", "Mäuse & Co", "Rennen (2)", "Ł-Profil", "a b", "v1.2"}) {
        EXPECT_EQ(profileNameProblem(fine), std::nullopt) << fine;
    }
    using namespace std::string_view_literals;
    const std::pair<std::string_view, const char*> refused[] = {
        {""sv, "Der Name ist leer."},
        {"  \t"sv, "Der Name ist leer."},
        {"../Flug"sv, "Der Name darf weder „/“ noch „\\“ enthalten."},
        {"a/b"sv, "Der Name darf weder „/“ noch „\\“ enthalten."},
        {"a\\b"sv, "Der Name darf weder „/“ noch „\\“ enthalten."},
        {".."sv, "Der Name darf weder mit einem Punkt beginnen noch „..“ enthalten."},
        {"a..b"sv, "Der Name darf weder mit einem Punkt beginnen noch „..“ enthalten."},
        {".versteckt"sv, "Der Name darf weder mit einem Punkt beginnen noch „..“ enthalten."},
        {"Flug\0.ini"sv, "Der Name enthält ein Steuerzeichen."},
        {"Flug\nSim"sv, "Der Name enthält ein Steuerzeichen."},
        {"C:Flug"sv, "Der Name darf keines der Zeichen : * ? \" < > | enthalten."},
        {"Was?"sv, "Der Name darf keines der Zeichen : * ? \" < > | enthalten."},
        {"\xE4rger"sv, "Der Name ist kein gültiger Text."},
    };
    for (const auto& [name, reason] : refused) {
        EXPECT_EQ(profileNameProblem(name), std::optional<std::string>(reason)) << name;
    }
    EXPECT_EQ(profileNameProblem(std::string(251, 'a')), std::nullopt);
    EXPECT_EQ(profileNameProblem(std::string(252, 'a')), "Der Name ist zu lang.");
}

TEST_F(Profiles, AnAtomicReplaceKeepsPermissionsAndLinksAndLeavesNoTemporaryFile) {
    const fs::path real = dir.write("echt.ini", "alt");
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink("echt.ini", dir.file("Link.ini"));

    replaceFileAtomically(dir.file("Link.ini"), "neu");
    EXPECT_TRUE(fs::is_symlink(dir.file("Link.ini")));
    EXPECT_EQ(bytesOf(real), "neu");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(filesIn(dir.path()), (Names{"Link.ini", "echt.ini"}));

    std::error_code error;
    EXPECT_EQ(readWholeFile(dir.file("fehlt"), error), std::nullopt);
    EXPECT_FALSE(error);
    EXPECT_EQ(readWholeFile(dir.path(), error), std::nullopt);
    EXPECT_TRUE(error) << "a folder is no missing file";
    ASSERT_EQ(::mkfifo(dir.file("Rohr.ini").c_str(), 0644), 0);
    EXPECT_EQ(readWholeFile(dir.file("Rohr.ini"), error), std::nullopt);
    EXPECT_TRUE(error) << "a pipe is not read: it would wait for a writer";
}

}  // namespace
}  // namespace pw
