// padwarden --export and --import run as a separate process, as a user runs them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"

namespace pw {
namespace {

const std::string kRoot = "Software\\Orvalis\\PadWarden";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs padwarden with its program directory in `home`.
ProgramRun runProgram(const std::filesystem::path& home, const std::vector<std::string>& args) {
    test::TempDir outputs;
    const std::filesystem::path out = outputs.file("out"), err = outputs.file("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("PADWARDEN_HOME", home.c_str(), 1);
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) {
            ::_exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(PADWARDEN_PROGRAM)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(PADWARDEN_PROGRAM, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class RegistryCli : public ::testing::Test {
protected:
    std::unique_ptr<SqliteSettingsStore> openStore() {
        return SqliteSettingsStore::open(home.file("registry.sqlite"));
    }

    test::TempDir home;
    test::TempDir files;
};

const char* const kLibrary = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\Action\Doom]
"exe"="C:\\Spiele\\doom.exe"
"[isbutton1]"="17_123"
"keys"=dword:00000002
)";

TEST_F(RegistryCli, ImportThenExportMovesTheLibraryIntoABackupThatAnotherHomeReadsBack) {
    const auto library = files.write("library.reg", kLibrary);
    const ProgramRun imported = runProgram(home.path(), {"--import", library.string()});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported 1 key and 3 values from " + library.string() + "\n");
    EXPECT_EQ(imported.err, "");

    const auto backup = files.write("backup.reg", std::string(100000, 'x'));  // an older backup
    const ProgramRun exported = runProgram(home.path(), {"--export", backup.string()});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "wrote 4 keys and 3 values to " + backup.string() + "\n");
    const std::string bytes = readFile(backup);
    ASSERT_TRUE(
        bytes.starts_with("\xFF\xFE"
                          "W\0i\0n\0"))
        << "UTF-16LE with its mark";
    EXPECT_EQ(std::count_if(std::filesystem::directory_iterator(files.path()), {},
                            [](const auto&) { return true; }),
              2)
        << "no temporary file is left beside the backup";

    test::TempDir otherHome;
    const ProgramRun restored = runProgram(otherHome.path(), {"--import", backup.string()});
    EXPECT_EQ(restored.status, 0) << restored.err;
    const auto again = files.file("again.reg");
    EXPECT_EQ(runProgram(otherHome.path(), {"--export", again.string()}).status, 0);
    EXPECT_EQ(readFile(again), bytes);

    const auto store = SqliteSettingsStore::open(otherHome.file("registry.sqlite"));
    EXPECT_EQ(store->readValue(kRoot + "\\games\\Action\\Doom", "exe"),
              RegistryValue::string("C:\\Spiele\\doom.exe"));
}

TEST_F(RegistryCli, UnusableLinesAreNamedByFileAndLineAndTheRestIsImported) {
    const auto file = files.write("mixed.reg", std::string(kLibrary) + R"(
[HKEY_CURRENT_USER\Software\Other]
"x"="y"

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\Sport]
"bad"=hex:zz
"good"="kept"
)");
    const ProgramRun run = runProgram(home.path(), {"--import", file.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, file.string() +
                           ":8: key outside PadWarden's tree: HKEY_CURRENT_USER\\Software\\Other (1 value "
                           "line skipped)\n" +
                           file.string() + ":12: hex data 'zz' is not understood\n");
    EXPECT_EQ(run.out, "imported 2 keys and 4 values from " + file.string() + "; 3 lines skipped\n");
    EXPECT_EQ(openStore()->readValue(kRoot + "\\games\\Sport", "good"), RegistryValue::string("kept"));
}

TEST_F(RegistryCli, DeletionsAreCountedInTheSummary) {
    {
        const auto store = openStore();
        store->createKey(kRoot + "\\games\\Old");
        store->writeValue(kRoot + "\\games", "stale", RegistryValue::string("x"));
    }
    const auto file = files.write("clean.reg",
                                  "Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[-HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\games\\Old]\r\n\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\games]\r\n"
                                  "\"stale\"=-\r\n");
    const ProgramRun run = runProgram(home.path(), {"--import", file.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "imported 1 key and 0 values from " + file.string() + ", deleted 1 key and 1 value\n");
    const auto store = openStore();
    EXPECT_FALSE(store->keyExists(kRoot + "\\games\\Old"));
    EXPECT_TRUE(store->valueNames(kRoot + "\\games").empty());
}

TEST_F(RegistryCli, AFileThatIsNoRegistryFileOrCannotBeReadImportsNothing) {
    const auto ini =
        files.write("settings.ini", "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\x]\n\"a\"=\"b\"\n");
    const ProgramRun notRegistry = runProgram(home.path(), {"--import", ini.string()});
    EXPECT_EQ(notRegistry.status, 2);
    EXPECT_EQ(notRegistry.out, "");
    EXPECT_NE(notRegistry.err.find(ini.string() + ": not a registry file"), std::string::npos)
        << notRegistry.err;
    EXPECT_NE(notRegistry.err.find("nothing was imported"), std::string::npos) << notRegistry.err;
    EXPECT_EQ(lineCount(notRegistry.err), 1u);

    const ProgramRun missing = runProgram(home.path(), {"--import", files.file("missing.reg").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read " + files.file("missing.reg").string()), std::string::npos)
        << missing.err;

    const ProgramRun folder = runProgram(home.path(), {"--import", files.path().string()});
    EXPECT_EQ(folder.status, 2);
    EXPECT_EQ(lineCount(folder.err), 1u) << folder.err;

    EXPECT_TRUE(openStore()->subkeys("").empty());
}

TEST_F(RegistryCli, AStoreThatCannotBeOpenedIsReportedInOneLine) {
    const std::string damaged(4096, '\x5a');
    home.write("registry.sqlite", damaged);
    const auto library = files.write("library.reg", kLibrary);
    const auto backup = files.file("backup.reg");
    for (const ProgramRun& run : {runProgram(home.path(), {"--import", library.string()}),
                                  runProgram(home.path(), {"--export", backup.string()})}) {
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("registry.sqlite"), std::string::npos) << run.err;
        EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(backup));
    EXPECT_EQ(readFile(home.file("registry.sqlite")), damaged);
}

TEST_F(RegistryCli, TheOptionsNeedOneFileAndAreListedInTheUsage) {
    const ProgramRun help = runProgram(home.path(), {"--help"});
    EXPECT_NE(help.out.find("--export FILE"), std::string::npos);
    EXPECT_NE(help.out.find("--import FILE"), std::string::npos);
    for (const char* option : {"--export", "--import"}) {
        const ProgramRun run = runProgram(home.path(), {option});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage: padwarden"), std::string::npos) << run.err;
    }
    const ProgramRun unwritable =
        runProgram(home.path(), {"--export", files.file("no/such/folder/backup.reg").string()});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;
}

}  // namespace
}  // namespace pw
