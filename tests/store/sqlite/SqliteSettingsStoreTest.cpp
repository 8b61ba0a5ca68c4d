#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"
#include "texts/LanguageTables.h"

namespace pw {
namespace {

using Names = std::vector<std::string>;

RegistryValue typed(ValueType type, std::string data) {
    return {static_cast<std::uint32_t>(type), std::move(data)};
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole tree below `path` as one text: each key with its values in order, then its subkeys.
std::string dump(SettingsStore& store, const std::string& path, const std::string& indent = "") {
    std::string out;
    for (const std::string& name : store.valueNames(path)) {
        const std::optional<RegistryValue> v = store.readValue(path, name);
        out += indent + name + "(" + std::to_string(v->type) + ")=" + v->data + "\n";
    }
    for (const std::string& key : store.subkeys(path)) {
        out += indent + key + "\\\n" + dump(store, path.empty() ? key : path + "\\" + key, indent + "  ");
    }
    return out;
}

class Store : public ::testing::Test {
protected:
    std::unique_ptr<SqliteSettingsStore> reopen() {
        store.reset();
        return SqliteSettingsStore::open(file);
    }
    // Rows of a table as SQLite itself counts them, to see what an operation left behind.
    std::int64_t rows(const char* table) {
        SQLite::Database db(file.string(), SQLite::OPEN_READONLY);
        return db.execAndGet(std::string("SELECT count(*) FROM ") + table).getInt64();
    }

    test::TempDir dir;
    std::filesystem::path file = dir.file("registry.sqlite");
    std::unique_ptr<SqliteSettingsStore> store = SqliteSettingsStore::open(file);
};

TEST_F(Store, NamesCompareWithoutCaseAndKeepTheSpellingTheyWereMadeWith) {
    store->createKey(R"(Software\Äpfel)");
    store->createKey(R"(SOFTWARE\ÄPFEL\Birnen)");
    EXPECT_TRUE(store->keyExists(R"(software\äpfel\BIRNEN)"));
    EXPECT_EQ(store->subkeys(""), Names{"Software"});
    EXPECT_EQ(store->subkeys("software"), Names{"Äpfel"});

    store->writeValue(R"(software\äpfel)", "Größe", RegistryValue::string("1"));
    store->writeValue(R"(SOFTWARE\ÄPFEL)", "GRÖSSE", RegistryValue::string("2"));
    store->writeValue(R"(SOFTWARE\ÄPFEL)", "GRÖßE", RegistryValue::string("3"));
    // ß does not fold to "ss": "GRÖSSE" is a value of its own, "GRÖßE" replaces "Größe".
    EXPECT_EQ(store->valueNames(R"(Software\Äpfel)"), (Names{"Größe", "GRÖSSE"}));
    EXPECT_EQ(store->readValue(R"(Software\Äpfel)", "größe"), RegistryValue::string("3"));
    EXPECT_EQ(store->readValue(R"(Software\Äpfel)", "grösse"), RegistryValue::string("2"));

    store->createKey("STRASSE");
    store->createKey("straße");
    store->createKey("ΑΘΗΝΑ");
    store->createKey("αθηνα");
    store->createKey("москва");
    store->createKey("МОСКВА");
    EXPECT_EQ(store->subkeys(""), (Names{"Software", "STRASSE", "straße", "ΑΘΗΝΑ", "москва"}));
}

TEST_F(Store, SubkeysAndValuesAreListedInCreationOrderAfterDeletesAndRecreates) {
    for (const char* name : {"c", "a", "b"}) {
        store->createKey(std::string("games\\") + name);
        store->writeValue("games", name, RegistryValue::string(name));
    }
    ASSERT_TRUE(store->deleteKey(R"(games\c)"));
    ASSERT_TRUE(store->deleteValue("games", "C"));
    store->createKey(R"(games\C)");
    store->createKey(R"(games\A)");  // exists: keeps place and spelling
    store->writeValue("games", "C", RegistryValue::string("again"));
    store->writeValue("games", "A", RegistryValue::string("new"));  // replaced in place
    EXPECT_EQ(store->subkeys("games"), (Names{"a", "b", "C"}));
    EXPECT_EQ(store->valueNames("games"), (Names{"a", "b", "C"}));
    EXPECT_EQ(store->readValue("games", "a"), RegistryValue::string("new"));

    store = reopen();
    EXPECT_EQ(store->subkeys("games"), (Names{"a", "b", "C"}));
    EXPECT_EQ(store->valueNames("games"), (Names{"a", "b", "C"}));
}

TEST_F(Store, ValuesKeepTypeAndEveryByte) {
    const std::vector<std::pair<std::string, RegistryValue>> values = {
        {"text", RegistryValue::string("Spiel für Jörg — «ok»")},
        {"binary", typed(ValueType::Binary, std::string("\0\x01\0\xFF\0", 5))},
        {"dword", typed(ValueType::DWord, std::string("\x78\x56\x34\x12", 4))},
        {"qword", typed(ValueType::QWord, std::string("\0\0\0\0\0\0\0\x80", 8))},
        {"multi", typed(ValueType::MultiString, std::string("a\0\0\0\0\0", 6))},
        {"empty", typed(ValueType::Binary, "")},
        {"emptyText", RegistryValue::string("")},
        {"unknownType", RegistryValue{0xFFFFFFFFu, "x"}},
        {"", RegistryValue::string("default value")},
        {R"(back\slash)", RegistryValue::string("value names may hold a backslash")},
    };
    store->createKey("k");
    for (const auto& [name, value] : values) {
        store->writeValue("k", name, value);
    }
    for (int round = 0; round < 2; ++round) {
        for (const auto& [name, value] : values) {
            EXPECT_EQ(store->readValue("k", name), value) << name << " round " << round;
        }
        store = reopen();
    }
}

TEST_F(Store, MissingKeysAndValuesAreReportedNotMade) {
    store->createKey("a");
    EXPECT_EQ(store->readValue("a", "nothing"), std::nullopt);
    EXPECT_EQ(store->readValue(R"(a\b)", "nothing"), std::nullopt);
    EXPECT_TRUE(store->subkeys(R"(a\b)").empty());
    EXPECT_TRUE(store->valueNames(R"(a\b)").empty());
    EXPECT_FALSE(store->deleteValue("a", "nothing"));
    EXPECT_FALSE(store->deleteValue(R"(a\b)", "nothing"));
    EXPECT_FALSE(store->deleteKey(R"(a\b)"));

    try {
        store->writeValue(R"(a\b)", "v", RegistryValue::string("x"));
        FAIL() << "writing into a missing key must fail";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(R"(a\b)"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(store->keyExists(R"(a\b)"));
    EXPECT_TRUE(store->keyExists(""));  // the hive
}

TEST_F(Store, DeletingAKeyTakesEverythingBelowIt) {
    store->createKey(R"(a\b\c\d)");
    store->createKey(R"(a\keep)");
    store->writeValue(R"(a\b)", "v", RegistryValue::string("1"));
    store->writeValue(R"(a\b\c\d)", "w", RegistryValue::string("2"));
    store->writeValue(R"(a\keep)", "x", RegistryValue::string("3"));

    EXPECT_FALSE(store->deleteKey(""));
    EXPECT_TRUE(store->deleteKey(R"(A\B)"));
    EXPECT_FALSE(store->deleteKey(R"(a\b)"));
    EXPECT_EQ(store->subkeys("a"), Names{"keep"});
    store->createKey(R"(a\b\c\d)");
    EXPECT_TRUE(store->valueNames(R"(a\b\c\d)").empty());
    EXPECT_TRUE(store->subkeys(R"(a\b\c\d)").empty());
    store->deleteKey(R"(a\b)");
    // Nothing is left over in the file: the hive, a and keep, with keep's one value.
    EXPECT_EQ(rows("keys"), 3);
    EXPECT_EQ(rows("vals"), 1);
}

TEST_F(Store, ADeepTreeIsDeletedWhole) {
    std::string path = "deep";
    for (int i = 0; i < 1500; ++i) {
        path += "\\" + std::to_string(i);
    }
    store->createKey(path);
    store->writeValue(path, "bottom", RegistryValue::string("x"));
    EXPECT_TRUE(store->deleteKey("deep"));
    EXPECT_EQ(rows("keys"), 1);
    EXPECT_EQ(rows("vals"), 0);
}

class Copy : public Store {
protected:
    void SetUp() override {
        store->createKey(R"(src\one\deep\deeper)");
        store->createKey(R"(src\two)");
        store->writeValue("src", "top", RegistryValue::string("t"));
        store->writeValue(R"(src\one)", "name", RegistryValue::string("Eins"));
        store->writeValue(R"(src\one\deep\deeper)", "bin", typed(ValueType::Binary, std::string("\0\1", 2)));
        store->writeValue(R"(src\two)", "b", RegistryValue::string("2"));
        store->writeValue(R"(src\two)", "a", RegistryValue::string("1"));
        source = dump(*store, "src");
    }
    std::string source;
};

TEST_F(Copy, CopiesTheWholeSubtreeInOrderAndLeavesTheSource) {
    ASSERT_TRUE(store->copyKey("SRC", R"(new\place)"));
    EXPECT_EQ(dump(*store, R"(new\place)"), source);
    EXPECT_EQ(dump(*store, "src"), source);
    // A copy is separate from its source.
    store->writeValue(R"(new\place\two)", "a", RegistryValue::string("changed"));
    EXPECT_EQ(store->readValue(R"(src\two)", "a"), RegistryValue::string("1"));
}

TEST_F(Copy, MergesIntoAnExistingTarget) {
    store->createKey(R"(dst\TWO\own)");
    store->writeValue("dst", "TOP", RegistryValue::string("old"));
    store->writeValue("dst", "mine", RegistryValue::string("kept"));
    ASSERT_TRUE(store->copyKey("src", "dst"));
    EXPECT_EQ(store->valueNames("dst"), (Names{"TOP", "mine"}));
    EXPECT_EQ(store->readValue("dst", "top"), RegistryValue::string("t"));
    EXPECT_EQ(store->subkeys("dst"), (Names{"TWO", "one"}));
    EXPECT_EQ(store->subkeys(R"(dst\two)"), Names{"own"});
    EXPECT_EQ(store->valueNames(R"(dst\two)"), (Names{"b", "a"}));
}

// Copying "holder\src" into "holder" writes holder\src\z (a part of the source) from
// holder\src\src\z before holder\src\z itself is copied to holder\z: the copy must take what the source
// held before it began.
TEST_F(Store, CopyIntoAKeyAboveTheSourceCopiesTheSourceAsItWas) {
    store->createKey(R"(holder\src\src\z)");
    store->writeValue(R"(holder\src\src\z)", "v", RegistryValue::string("A"));
    store->createKey(R"(holder\src\z)");
    store->writeValue(R"(holder\src\z)", "v", RegistryValue::string("B"));
    ASSERT_TRUE(store->copyKey(R"(holder\src)", "holder"));
    EXPECT_EQ(store->readValue(R"(holder\z)", "v"), RegistryValue::string("B"));
    EXPECT_EQ(store->readValue(R"(holder\src\z)", "v"), RegistryValue::string("A"));
    EXPECT_EQ(store->subkeys("holder"), (Names{"src", "z"}));
}

TEST_F(Copy, RefusesAMissingSourceAndATargetInsideTheSource) {
    const std::string before = dump(*store, "");
    EXPECT_FALSE(store->copyKey("missing", "dst"));
    EXPECT_FALSE(store->copyKey("src", R"(SRC\one\copy)"));
    EXPECT_FALSE(store->copyKey("src", "Src"));
    EXPECT_FALSE(store->copyKey("", "dst"));
    EXPECT_EQ(dump(*store, ""), before);
}

TEST_F(Copy, MoveTakesTheSubtreeAlongWithTheNewSpelling) {
    store->createKey(R"(games\first)");
    ASSERT_TRUE(store->moveKey(R"(src\one)", R"(GAMES\Moved)"));
    EXPECT_FALSE(store->keyExists(R"(src\one)"));
    EXPECT_EQ(store->subkeys("src"), Names{"two"});
    EXPECT_EQ(store->subkeys("games"), (Names{"first", "Moved"}));
    EXPECT_EQ(store->readValue(R"(games\moved)", "name"), RegistryValue::string("Eins"));
    EXPECT_EQ(store->readValue(R"(games\moved\deep\deeper)", "bin"),
              typed(ValueType::Binary, std::string("\0\1", 2)));

    // Missing parents of the target are made; the moved key comes after siblings made before it.
    store->createKey(R"(a\b)");
    ASSERT_TRUE(store->moveKey(R"(src\two)", R"(x\y\z)"));
    EXPECT_EQ(store->subkeys(""), (Names{"src", "games", "a", "x"}));
    store = reopen();
    EXPECT_EQ(store->valueNames(R"(x\y\z)"), (Names{"b", "a"}));
}

TEST_F(Copy, MoveRefusesAndChangesNothing) {
    store->createKey("Target");
    const std::string before = dump(*store, "");
    EXPECT_FALSE(store->moveKey("missing", "elsewhere"));
    EXPECT_FALSE(store->moveKey("src", "TARGET"));
    EXPECT_FALSE(store->moveKey("src", "SRC"));  // the same key in other case
    EXPECT_FALSE(store->moveKey("src", R"(src\one\inside)"));
    EXPECT_FALSE(store->moveKey("", "hive"));
    EXPECT_FALSE(store->moveKey("target", ""));
    EXPECT_EQ(dump(*store, ""), before);
    EXPECT_FALSE(store->keyExists("elsewhere"));
}

TEST_F(Store, ABatchIsUndoneWholeWhenItsWorkThrows) {
    store->createKey("k");
    store->writeValue("k", "v", RegistryValue::string("before"));
    EXPECT_THROW(store->batch([&] {
        store->writeValue("k", "v", RegistryValue::string("during"));
        store->createKey(R"(k\new)");
        store->batch([&] { store->writeValue("k", "inner", RegistryValue::string("x")); });
        throw std::logic_error("stop");
    }),
                 std::logic_error);
    EXPECT_EQ(store->readValue("k", "v"), RegistryValue::string("before"));
    EXPECT_FALSE(store->keyExists(R"(k\new)"));
    EXPECT_EQ(store->readValue("k", "inner"), std::nullopt);

    // A failed inner batch or operation that the work catches takes only its own changes back.
    store->batch([&] {
        store->writeValue("k", "outer", RegistryValue::string("1"));
        try {
            store->batch([&] {
                store->writeValue("k", "inner", RegistryValue::string("2"));
                throw std::runtime_error("inner fails");
            });
        } catch (const std::runtime_error&) {
        }
        EXPECT_THROW(store->writeValue("missing", "v", RegistryValue::string("3")), StoreError);
    });
    store = reopen();
    EXPECT_EQ(store->valueNames("k"), (Names{"v", "outer"}));
}

TEST_F(Store, ABatchIsSeenByOthersOnlyWhenItEnds) {
    store->createKey("k");
    auto other = SqliteSettingsStore::open(file);
    store->batch([&] {
        store->writeValue("k", "a", RegistryValue::string("1"));
        store->writeValue("k", "b", RegistryValue::string("2"));
        EXPECT_TRUE(other->valueNames("k").empty());
    });
    EXPECT_EQ(other->valueNames("k"), (Names{"a", "b"}));
}

// The store remembers where it found keys; what another connection deletes, moves or makes anew
// must count at once all the same.
TEST_F(Store, KeysChangedByAnotherConnectionAreSeenAtOnce) {
    store->createKey(R"(games\a)");
    store->createKey(R"(games\b)");
    store->writeValue(R"(games\a)", "v", RegistryValue::string("old a"));
    store->writeValue(R"(games\b)", "v", RegistryValue::string("old b"));
    ASSERT_EQ(store->readValue(R"(games\a)", "v"), RegistryValue::string("old a"));
    ASSERT_EQ(store->readValue(R"(games\b)", "v"), RegistryValue::string("old b"));

    auto other = SqliteSettingsStore::open(file);
    ASSERT_TRUE(other->deleteKey(R"(games\a)"));
    other->createKey(R"(games\a)");
    other->writeValue(R"(games\a)", "v", RegistryValue::string("new a"));
    ASSERT_TRUE(other->moveKey(R"(games\b)", R"(games\c)"));

    EXPECT_EQ(store->readValue(R"(games\a)", "v"), RegistryValue::string("new a"));
    EXPECT_FALSE(store->keyExists(R"(games\b)"));
    EXPECT_EQ(store->readValue(R"(games\b)", "v"), std::nullopt);
    EXPECT_EQ(store->readValue(R"(games\c)", "v"), RegistryValue::string("old b"));
    EXPECT_THROW(store->writeValue(R"(games\b)", "v", RegistryValue::string("lost")), StoreError);
}

TEST_F(Store, OpenMakesTheMissingFolder) {
    const std::filesystem::path nested = dir.file("x") / "y" / "registry.sqlite";
    auto fresh = SqliteSettingsStore::open(nested);
    fresh->createKey("k");
    EXPECT_TRUE(std::filesystem::is_regular_file(nested));
}

TEST_F(Store, ChangesLastAndReachOtherConnectionsAndProcesses) {
    store->createKey(R"(Software\PadWarden)");
    store->writeValue(R"(Software\PadWarden)", "from", RegistryValue::string("parent"));

    auto second = SqliteSettingsStore::open(file);
    EXPECT_EQ(second->readValue(R"(software\padwarden)", "FROM"), RegistryValue::string("parent"));
    second->writeValue(R"(Software\PadWarden)", "second", RegistryValue::string("2"));
    EXPECT_EQ(store->readValue(R"(Software\PadWarden)", "second"), RegistryValue::string("2"));

    // A child process with a connection of its own, as the control panel has. A connection must not
    // cross a fork, so the parent closes its own first and opens a new one while the child works.
    second.reset();
    store.reset();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 1;
        try {
            auto own = SqliteSettingsStore::open(file);
            if (own->readValue(R"(Software\PadWarden)", "second") == RegistryValue::string("2")) {
                own->createKey(R"(Software\PadWarden\child)");
                own->writeValue(R"(Software\PadWarden\child)", "by", RegistryValue::string("child"));
                status = 0;
            }
        } catch (...) {
            status = 2;
        }
        _exit(status);
    }
    store = SqliteSettingsStore::open(file);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the child did not see the parent's write, or failed";
    EXPECT_EQ(store->readValue(R"(Software\PadWarden\child)", "by"), RegistryValue::string("child"));
    EXPECT_EQ(store->subkeys(R"(Software\PadWarden)"), Names{"child"});
    EXPECT_EQ(store->valueNames(R"(Software\PadWarden)"), (Names{"from", "second"}));
}

// A file the store cannot use is reported in one line naming it, and stays byte for byte as it
// was: it may be the user's only copy of the settings.
class Unusable : public ::testing::Test {
protected:
    void expectRefused(const std::filesystem::path& path, const std::string& reason) {
        const std::string before = std::filesystem::is_regular_file(path) ? readFile(path) : "";
        try {
            SqliteSettingsStore::open(path);
            FAIL() << "opened " << path;
        } catch (const StoreError& e) {
            // German by default, English with the English tables; both name the file.
            const std::string german = e.what();
            EXPECT_TRUE(german.starts_with("Die Einstellungsdatei " + path.string())) << german;
            EXPECT_EQ(german.find('\n'), std::string::npos) << german;
            TextVariables english;
            zuweisen(english, std::filesystem::path(PADWARDEN_SOURCE_DIR) / "translations" / "en");
            const std::string message = storeMessage(e, english);
            EXPECT_TRUE(message.starts_with("The settings store " + path.string())) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        }
        if (std::filesystem::is_regular_file(path)) {
            EXPECT_EQ(readFile(path), before) << "the file was changed";
        }
    }

    // A real store with enough in it to span many pages.
    std::string makeStore(const std::filesystem::path& path) {
        auto s = SqliteSettingsStore::open(path);
        for (int i = 0; i < 200; ++i) {
            const std::string key = "games\\group\\game" + std::to_string(i);
            s->createKey(key);
            s->writeValue(key, "exe", RegistryValue::string(std::string(200, 'x')));
        }
        s.reset();
        return readFile(path);
    }

    test::TempDir dir;
};

TEST_F(Unusable, AFileThatIsNoDatabase) {
    const auto path = dir.write("registry.sqlite", std::string(5000, 'G') + "garbage\n");
    expectRefused(path, "move it away");
}

TEST_F(Unusable, ATruncatedDatabase) {
    const auto path = dir.file("registry.sqlite");
    const std::string whole = makeStore(path);
    ASSERT_GT(whole.size(), 40000u);
    dir.write("registry.sqlite", whole.substr(0, whole.size() / 2));
    expectRefused(path, "cannot be read");

    dir.write("registry.sqlite", whole.substr(0, 60));  // not even the header is whole
    expectRefused(path, "cannot be read");
}

TEST_F(Unusable, ADamagedPageInTheMiddle) {
    const auto path = dir.file("registry.sqlite");
    std::string bytes = makeStore(path);
    for (std::size_t i = 4096 * 3; i < 4096 * 3 + 200; ++i) {
        bytes[i] = '\x5A';
    }
    dir.write("registry.sqlite", bytes);
    expectRefused(path, "cannot be read");
}

TEST_F(Unusable, AFolderInPlaceOfTheFile) {
    const auto path = dir.file("registry.sqlite");
    std::filesystem::create_directory(path);
    expectRefused(path, "folder");
    EXPECT_TRUE(std::filesystem::is_empty(path));
}

TEST_F(Unusable, TheDatabaseOfAnotherProgram) {
    const auto path = dir.file("registry.sqlite");
    {
        SQLite::Database db(path.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('Anna')");
    }
    expectRefused(path, "another program");
}

TEST_F(Unusable, AStoreOfANewerPadWarden) {
    const auto path = dir.file("registry.sqlite");
    makeStore(path);
    {
        SQLite::Database db(path.string(), SQLite::OPEN_READWRITE);
        db.exec("PRAGMA user_version = 7");
    }
    expectRefused(path, "newer PadWarden");
}

}  // namespace
}  // namespace pw
