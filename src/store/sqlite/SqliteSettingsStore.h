#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/SettingsStore.h"

namespace SQLite {
class Database;
class Exception;
class Statement;
}  // namespace SQLite

namespace pw {

// The settings store in one SQLite database file. Another process (the controller control panel)
// may read and write the same file at the same time: every operation is one transaction, a writer
// waits up to five seconds for the other to finish, and every commit reaches the disk before the
// call returns. One object serves one thread at a time.
//
// Each call outside a batch is a transaction of its own, and starting one costs some microseconds
// of file locking; many reads in a row (the game list, a game's 28 actions) are several times
// faster inside one batch(), which also shows them all from one state of the file.
class SqliteSettingsStore final : public SettingsStore {
public:
    // The file the program keeps its settings in: registry.sqlite in the program directory.
    static std::filesystem::path defaultFile();

    // Opens the store, creating the file (and its folder) when missing. A file that is damaged, is
    // no database, belongs to another program or was written by a newer PadWarden is reported as a
    // StoreError and left exactly as it was.
    static std::unique_ptr<SqliteSettingsStore> open(const std::filesystem::path& file);

    ~SqliteSettingsStore() override;
    SqliteSettingsStore(const SqliteSettingsStore&) = delete;
    SqliteSettingsStore& operator=(const SqliteSettingsStore&) = delete;

    bool keyExists(std::string_view path) override;
    void createKey(std::string_view path) override;
    std::vector<std::string> subkeys(std::string_view path) override;
    std::vector<std::string> valueNames(std::string_view path) override;
    std::optional<RegistryValue> readValue(std::string_view path, std::string_view name) override;
    void writeValue(std::string_view path, std::string_view name, const RegistryValue& value) override;
    bool deleteValue(std::string_view path, std::string_view name) override;
    bool deleteKey(std::string_view path) override;
    bool copyKey(std::string_view from, std::string_view to) override;
    // The moved key is listed after its new siblings, as a key created there would be.
    bool moveKey(std::string_view from, std::string_view to) override;
    void batch(const std::function<void()>& work) override;

    const std::filesystem::path& file() const { return file_; }

private:
    enum class Sql : std::uint8_t;  // the statements the store runs, each prepared once
    enum class Access : std::uint8_t;
    class Scope;
    struct Subtree;

    template <class Work>
    auto guarded(Access access, Work&& work);

    SqliteSettingsStore(std::filesystem::path file, std::unique_ptr<SQLite::Database> db);
    void prepareStatements();
    SQLite::Statement& statement(Sql sql);
    void run(Sql sql);
    void noticeOtherWriters();
    StoreError describe(const SQLite::Exception& error, Access access) const;

    std::optional<std::int64_t> findChild(std::int64_t parent, std::string_view folded);
    std::optional<std::int64_t> findKey(const std::vector<std::string_view>& names);
    void remember(const std::string& foldedPath, std::int64_t id);
    std::int64_t ensureKey(const std::vector<std::string_view>& names);
    std::int64_t ensureChild(std::int64_t parent, std::string_view name, const std::string& folded);
    std::vector<std::string> namesBelow(Sql sql, std::int64_t id);
    void upsertValue(std::int64_t key, std::string_view name, const std::string& folded, std::uint32_t type,
                     std::string_view data);
    Subtree loadSubtree(std::int64_t root);
    void copyInto(const Subtree& source, std::int64_t from, std::int64_t to);

    std::filesystem::path file_;
    std::unique_ptr<SQLite::Database> db_;
    std::vector<std::unique_ptr<SQLite::Statement>> statements_;
    // The ids of keys found before, by folded path, so that a read need not walk the path each
    // time. Emptied when another connection has written (data_version), when this one deletes or
    // moves a key, and when a transaction is rolled back.
    std::unordered_map<std::string, std::int64_t> keyIds_;
    std::int64_t dataVersion_ = -1;
    int depth_ = 0;           // open transaction scopes; the outermost one is a real transaction
    bool abandoned_ = false;  // SQLite rolled the outer transaction back on its own after a failure
};

}  // namespace pw
