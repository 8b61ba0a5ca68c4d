#include "store/sqlite/SqliteSettingsStore.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <system_error>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "texts/ProgramDirectory.h"
#include "texts/StoreTexts.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

// The layout of the database. Raise it with every change of the tables below and teach open() to
// bring an older file up to date; a file of a higher version is refused, never downgraded.
constexpr int kSchemaVersion = 1;
// "PWd1": marks the file as ours, so that open() never writes its tables into another program's
// database.
constexpr std::int32_t kApplicationId = 0x50576431;
// The control panel may hold the write lock for a moment; a writer waits this long for it.
constexpr int kBusyTimeoutMs = 5000;
// The hive, the key of the empty path; it always exists.
constexpr std::int64_t kHive = 1;
// More known key ids than a large game library needs; beyond it the list starts over.
constexpr std::size_t kKnownKeysLimit = 20000;

// Names keep their spelling in `name` and are found through `folded` (foldKeyName). Creation order
// is the order of ids: a new row takes the highest id plus one. The foreign keys only cascade
// updates (a moved key takes a new id); a subtree is deleted with a recursive query instead of
// cascading deletes, which SQLite nests one level per key and caps at 1000 levels.
constexpr const char* kSchema = R"sql(
CREATE TABLE keys (
    id INTEGER PRIMARY KEY,
    parent INTEGER REFERENCES keys(id) ON UPDATE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE (parent, folded)
);
CREATE INDEX keys_in_order ON keys(parent, id);
CREATE TABLE vals (
    id INTEGER PRIMARY KEY,
    key INTEGER NOT NULL REFERENCES keys(id) ON UPDATE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE (key, folded)
);
CREATE INDEX vals_in_order ON vals(key, id);
INSERT INTO keys (id, parent, name, folded) VALUES (1, NULL, '', '');
)sql";

#define PW_SUBTREE \
    "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) "

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

bool isSameOrInside(const std::vector<std::string_view>& inner, const std::vector<std::string_view>& outer) {
    if (inner.size() < outer.size()) {
        return false;
    }
    for (std::size_t i = 0; i < outer.size(); ++i) {
        if (foldKeyName(inner[i]) != foldKeyName(outer[i])) {
            return false;
        }
    }
    return true;
}

std::string bytesOf(const SQLite::Column& column) {
    const auto* data = static_cast<const char*>(column.getBlob());
    const int size = column.getBytes();
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

// Resets a cached statement after use, also when the use ends in an exception, so that no
// statement stays active across the end of a transaction.
class Use {
public:
    explicit Use(SQLite::Statement& statement) : statement_(statement) {}
    ~Use() { statement_.tryReset(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    SQLite::Statement* operator->() { return &statement_; }

private:
    SQLite::Statement& statement_;
};

}  // namespace

enum class SqliteSettingsStore::Sql : std::uint8_t {
    Begin,
    BeginRead,
    Commit,
    Rollback,
    Savepoint,
    Release,
    RollbackTo,
    DataVersion,
    FindChild,
    InsertKey,
    Subkeys,
    ValueNames,
    ReadValue,
    UpsertValue,
    DeleteValue,
    DeleteSubtreeValues,
    DeleteSubtreeKeys,
    SubtreeKeys,
    SubtreeValues,
    MoveKey,
    Count,
};

namespace {

// Indexed by SqliteSettingsStore::Sql.
constexpr const char* kStatements[] = {
    // A writer takes the write lock at the start, so that it waits for the other program there
    // (busy_timeout) instead of failing when it first writes.
    "BEGIN IMMEDIATE",
    "BEGIN",
    "COMMIT",
    "ROLLBACK",
    "SAVEPOINT nested",
    "RELEASE nested",
    "ROLLBACK TO nested",
    "PRAGMA data_version",
    "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2",
    "INSERT INTO keys (parent, name, folded) VALUES (?1, ?2, ?3)",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY id",
    "SELECT name FROM vals WHERE key = ?1 ORDER BY id",
    "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2",
    "INSERT INTO vals (key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND folded = ?2",
    PW_SUBTREE "DELETE FROM vals WHERE key IN sub",
    PW_SUBTREE "DELETE FROM keys WHERE id IN sub",
    PW_SUBTREE "SELECT parent, id, name, folded FROM keys WHERE id IN sub AND id <> ?1 ORDER BY id",
    PW_SUBTREE "SELECT key, name, folded, type, data FROM vals WHERE key IN sub ORDER BY id",
    "UPDATE keys SET id = (SELECT max(id) + 1 FROM keys), parent = ?2, name = ?3, folded = ?4 WHERE id = ?1",
};
#undef PW_SUBTREE

}  // namespace

enum class SqliteSettingsStore::Access : std::uint8_t { Read, Write };

struct SqliteSettingsStore::Subtree {
    struct Key {
        std::int64_t id;
        std::string name;
        std::string folded;
    };
    struct Value {
        std::string name;
        std::string folded;
        std::uint32_t type;
        std::string data;
    };
    // Both in creation order.
    std::unordered_map<std::int64_t, std::vector<Key>> children;
    std::unordered_map<std::int64_t, std::vector<Value>> values;
};

// One transaction, or a savepoint inside the one already open. It is rolled back unless
// commit() is reached, so a failure or an exception of the caller's work leaves nothing behind.
class SqliteSettingsStore::Scope {
public:
    Scope(SqliteSettingsStore& store, Access access) : store_(store), outermost_(store.depth_ == 0) {
        if (store_.abandoned_) {
            throw StoreError(storetext::kBatchAbandoned, {store_.file_.string()});
        }
        if (outermost_) {
            store_.run(access == Access::Write ? Sql::Begin : Sql::BeginRead);
            try {
                store_.noticeOtherWriters();
            } catch (...) {
                tryRun(Sql::Rollback);
                throw;
            }
        } else if (access == Access::Write) {
            store_.run(Sql::Savepoint);
            savepoint_ = true;
        }
        ++store_.depth_;
    }

    ~Scope() {
        if (finished_) {
            return;
        }
        --store_.depth_;
        store_.keyIds_.clear();  // they may name keys that were made in what is undone now
        sqlite3* handle = store_.db_->getHandle();
        // After some failures (a full disk, an I/O error) SQLite has already rolled back the whole
        // transaction; the outer scopes must learn that their work is gone.
        const bool transactionGone = sqlite3_get_autocommit(handle) != 0;
        if (outermost_) {
            if (!transactionGone) {
                tryRun(Sql::Rollback);
            }
            store_.abandoned_ = false;
        } else if (transactionGone) {
            store_.abandoned_ = true;
        } else if (savepoint_) {
            tryRun(Sql::RollbackTo);
            tryRun(Sql::Release);
        }
    }

    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    void commit() {
        if (outermost_ && store_.abandoned_) {
            // The caller's work went on after a failure that undid everything: report it, never
            // let the batch look done.
            throw StoreError(storetext::kBatchUndone, {store_.file_.string()});
        }
        if (outermost_) {
            store_.run(Sql::Commit);
        } else if (savepoint_) {
            store_.run(Sql::Release);
        }
        finished_ = true;
        --store_.depth_;
    }

private:
    void tryRun(Sql sql) noexcept {
        try {
            store_.run(sql);
        } catch (...) {
            // Nothing more can be done here; the caller already reports the first failure.
        }
    }

    SqliteSettingsStore& store_;
    bool outermost_;
    bool savepoint_ = false;
    bool finished_ = false;
};

template <class Work>
auto SqliteSettingsStore::guarded(Access access, Work&& work) {
    try {
        Scope scope(*this, access);
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            scope.commit();
        } else {
            auto result = work();
            scope.commit();
            return result;
        }
    } catch (const SQLite::Exception& e) {
        throw describe(e, access);
    }
}

fs::path SqliteSettingsStore::defaultFile() {
    return programDirectory() / "registry.sqlite";
}

std::unique_ptr<SqliteSettingsStore> SqliteSettingsStore::open(const fs::path& file) {
    const std::string name = file.string();
    std::error_code error;
    if (file.has_parent_path() && !fs::is_directory(file.parent_path(), error)) {
        fs::create_directories(file.parent_path(), error);
        if (error) {
            throw StoreError(storetext::kNoFolder, {name, error.message(), file.parent_path().string()});
        }
    }
    if (fs::is_directory(file, error)) {
        throw StoreError(storetext::kIsFolder, {name});
    }

    std::unique_ptr<SQLite::Database> db;
    try {
        db = std::make_unique<SQLite::Database>(file.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE,
                                                kBusyTimeoutMs);
        if (sqlite3_db_readonly(db->getHandle(), "main") == 1) {
            throw StoreError(storetext::kWriteProtected, {name});
        }
        db->exec("PRAGMA foreign_keys = ON");

        // Everything is read and checked before anything is written, so that a damaged file or
        // one of another program stays exactly as it is.
        {
            SQLite::Statement check(*db, "PRAGMA quick_check");
            if (check.executeStep()) {
                const std::string verdict = check.getColumn(0).getString();
                if (verdict != "ok") {
                    throw StoreError(storetext::kDamaged, {name, oneLine(verdict)});
                }
            }
        }
        const auto readInt = [&](const char* sql) { return db->execAndGet(sql).getInt64(); };
        const std::int64_t applicationId = readInt("PRAGMA application_id");
        const std::int64_t version = readInt("PRAGMA user_version");
        const std::int64_t tables = readInt("SELECT count(*) FROM sqlite_master");
        const bool empty = applicationId == 0 && version == 0 && tables == 0;
        if (!empty && applicationId != kApplicationId) {
            throw StoreError(storetext::kForeign, {name});
        }
        if (!empty && version > kSchemaVersion) {
            throw StoreError(storetext::kNewer,
                             {name, std::to_string(version), std::to_string(kSchemaVersion)});
        }
        if (!empty && version < 1) {
            throw StoreError(storetext::kNoVersion, {name});
        }

        const std::string journal = db->execAndGet("PRAGMA journal_mode = WAL").getString();
        if (journal != "wal") {
            throw StoreError(storetext::kNoSharing, {name, journal});
        }
        db->exec("PRAGMA synchronous = FULL");

        if (empty) {
            db->exec("BEGIN IMMEDIATE");
            try {
                // The other program may have made the tables while this one waited for the lock.
                if (readInt("SELECT count(*) FROM sqlite_master") == 0) {
                    db->exec(kSchema);
                    db->exec("PRAGMA application_id = " + std::to_string(kApplicationId));
                    db->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
                }
                db->exec("COMMIT");
            } catch (...) {
                if (sqlite3_get_autocommit(db->getHandle()) == 0) {
                    db->exec("ROLLBACK");
                }
                throw;
            }
        }
    } catch (const SQLite::Exception& e) {
        const int code = e.getErrorCode() & 0xFF;
        const std::string reason = oneLine(e.what());
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
            throw StoreError(storetext::kUnreadable, {name, reason});
        }
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            throw StoreError(storetext::kLockedAtStart, {name, std::to_string(kBusyTimeoutMs / 1000)});
        }
        if (code == SQLITE_CANTOPEN || code == SQLITE_PERM || code == SQLITE_READONLY ||
            code == SQLITE_AUTH) {
            throw StoreError(storetext::kNoAccess, {name, reason});
        }
        throw StoreError(storetext::kNotOpened, {name, reason});
    }

    std::unique_ptr<SqliteSettingsStore> store(new SqliteSettingsStore(file, std::move(db)));
    try {
        store->prepareStatements();
    } catch (const SQLite::Exception& e) {
        throw StoreError(storetext::kDamaged, {name, oneLine(e.what())});
    }
    return store;
}

SqliteSettingsStore::SqliteSettingsStore(fs::path file, std::unique_ptr<SQLite::Database> db)
    : file_(std::move(file)), db_(std::move(db)) {}

SqliteSettingsStore::~SqliteSettingsStore() {
    statements_.clear();  // before the connection they belong to
}

void SqliteSettingsStore::prepareStatements() {
    static_assert(std::size(kStatements) == static_cast<std::size_t>(Sql::Count));
    statements_.reserve(std::size(kStatements));
    for (const char* sql : kStatements) {
        statements_.push_back(std::make_unique<SQLite::Statement>(*db_, sql));
    }
}

SQLite::Statement& SqliteSettingsStore::statement(Sql sql) {
    return *statements_[static_cast<std::size_t>(sql)];
}

void SqliteSettingsStore::run(Sql sql) {
    Use use(statement(sql));
    use->exec();
}

StoreError SqliteSettingsStore::describe(const SQLite::Exception& error, Access access) const {
    const int code = error.getErrorCode() & 0xFF;
    const bool write = access == Access::Write;
    std::vector<std::string> arguments{file_.string(), oneLine(error.what())};
    switch (code) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return {write ? storetext::kDamagedOnWrite : storetext::kDamagedOnRead, std::move(arguments)};
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {write ? storetext::kLockedOnWrite : storetext::kLockedOnRead, std::move(arguments)};
        case SQLITE_FULL:
            return {write ? storetext::kFullOnWrite : storetext::kFullOnRead, std::move(arguments)};
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
            return {write ? storetext::kReadOnlyOnWrite : storetext::kReadOnlyOnRead, std::move(arguments)};
        default:
            return {write ? storetext::kWriteFailed : storetext::kReadFailed, std::move(arguments)};
    }
}

std::optional<std::int64_t> SqliteSettingsStore::findChild(std::int64_t parent, std::string_view folded) {
    Use use(statement(Sql::FindChild));
    use->bind(1, parent);
    use->bind(2, std::string(folded));
    if (!use->executeStep()) {
        return std::nullopt;
    }
    return use->getColumn(0).getInt64();
}

void SqliteSettingsStore::noticeOtherWriters() {
    Use use(statement(Sql::DataVersion));
    use->executeStep();
    const std::int64_t version = use->getColumn(0).getInt64();
    if (version != dataVersion_) {
        keyIds_.clear();
        dataVersion_ = version;
    }
}

std::optional<std::int64_t> SqliteSettingsStore::findKey(const std::vector<std::string_view>& names) {
    if (names.empty()) {
        return kHive;
    }
    // The whole path folded at once; its names end at the backslashes (names hold none).
    std::string path;
    for (std::string_view name : names) {
        path += name;
        path += '\\';
    }
    path = foldKeyName(path);
    path.pop_back();
    if (const auto known = keyIds_.find(path); known != keyIds_.end()) {
        return known->second;
    }
    // Walk down from the longest known part.
    std::int64_t id = kHive;
    std::size_t end = 0;
    std::string prefix;
    while (end < path.size()) {
        const std::size_t start = end == 0 ? 0 : end + 1;
        end = std::min(path.find('\\', start), path.size());
        prefix.assign(path, 0, end);
        if (const auto known = keyIds_.find(prefix); known != keyIds_.end()) {
            id = known->second;
            continue;
        }
        const std::optional<std::int64_t> child =
            findChild(id, std::string_view(path).substr(start, end - start));
        if (!child) {
            return std::nullopt;
        }
        id = *child;
        remember(prefix, id);
    }
    return id;
}

void SqliteSettingsStore::remember(const std::string& foldedPath, std::int64_t id) {
    if (keyIds_.size() >= kKnownKeysLimit) {
        keyIds_.clear();
    }
    keyIds_.emplace(foldedPath, id);
}

std::int64_t SqliteSettingsStore::ensureChild(std::int64_t parent, std::string_view name,
                                              const std::string& folded) {
    if (const std::optional<std::int64_t> child = findChild(parent, folded)) {
        return *child;
    }
    Use use(statement(Sql::InsertKey));
    use->bind(1, parent);
    use->bind(2, std::string(name));
    use->bind(3, folded);
    use->exec();
    return db_->getLastInsertRowid();
}

std::int64_t SqliteSettingsStore::ensureKey(const std::vector<std::string_view>& names) {
    std::int64_t id = kHive;
    std::string path;  // folded, as in findKey
    for (std::string_view name : names) {
        if (!path.empty()) {
            path += '\\';
        }
        const std::size_t start = path.size();
        path += foldKeyName(name);
        if (const auto known = keyIds_.find(path); known != keyIds_.end()) {
            id = known->second;
            continue;
        }
        id = ensureChild(id, name, path.substr(start));
        remember(path, id);
    }
    return id;
}

std::vector<std::string> SqliteSettingsStore::namesBelow(Sql sql, std::int64_t id) {
    std::vector<std::string> names;
    Use use(statement(sql));
    use->bind(1, id);
    while (use->executeStep()) {
        names.push_back(bytesOf(use->getColumn(0)));
    }
    return names;
}

void SqliteSettingsStore::upsertValue(std::int64_t key, std::string_view name, const std::string& folded,
                                      std::uint32_t type, std::string_view data) {
    Use use(statement(Sql::UpsertValue));
    use->bind(1, key);
    use->bind(2, std::string(name));
    use->bind(3, folded);
    use->bind(4, static_cast<std::int64_t>(type));
    use->bind(5, data.data(), static_cast<int>(data.size()));
    use->exec();
}

bool SqliteSettingsStore::keyExists(std::string_view path) {
    return guarded(Access::Read, [&] { return findKey(splitKeyPath(path)).has_value(); });
}

void SqliteSettingsStore::createKey(std::string_view path) {
    guarded(Access::Write, [&] { ensureKey(splitKeyPath(path)); });
}

std::vector<std::string> SqliteSettingsStore::subkeys(std::string_view path) {
    return guarded(Access::Read, [&] {
        const std::optional<std::int64_t> id = findKey(splitKeyPath(path));
        return id ? namesBelow(Sql::Subkeys, *id) : std::vector<std::string>();
    });
}

std::vector<std::string> SqliteSettingsStore::valueNames(std::string_view path) {
    return guarded(Access::Read, [&] {
        const std::optional<std::int64_t> id = findKey(splitKeyPath(path));
        return id ? namesBelow(Sql::ValueNames, *id) : std::vector<std::string>();
    });
}

std::optional<RegistryValue> SqliteSettingsStore::readValue(std::string_view path, std::string_view name) {
    return guarded(Access::Read, [&]() -> std::optional<RegistryValue> {
        const std::optional<std::int64_t> id = findKey(splitKeyPath(path));
        if (!id) {
            return std::nullopt;
        }
        Use use(statement(Sql::ReadValue));
        use->bind(1, *id);
        use->bind(2, foldKeyName(name));
        if (!use->executeStep()) {
            return std::nullopt;
        }
        return RegistryValue{static_cast<std::uint32_t>(use->getColumn(0).getInt64()),
                             bytesOf(use->getColumn(1))};
    });
}

void SqliteSettingsStore::writeValue(std::string_view path, std::string_view name,
                                     const RegistryValue& value) {
    // The data is bound as given; a size beyond what SQLite can take is refused here, not cut short.
    if (value.data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw StoreError(storetext::kValueTooLarge, {file_.string(), quoted(name)});
    }
    guarded(Access::Write, [&] {
        const std::optional<std::int64_t> id = findKey(splitKeyPath(path));
        if (!id) {
            throw StoreError(storetext::kNoKey, {file_.string(), quoted(name), quoted(path)});
        }
        upsertValue(*id, name, foldKeyName(name), value.type, value.data);
    });
}

bool SqliteSettingsStore::deleteValue(std::string_view path, std::string_view name) {
    return guarded(Access::Write, [&] {
        const std::optional<std::int64_t> id = findKey(splitKeyPath(path));
        if (!id) {
            return false;
        }
        Use use(statement(Sql::DeleteValue));
        use->bind(1, *id);
        use->bind(2, foldKeyName(name));
        return use->exec() > 0;
    });
}

bool SqliteSettingsStore::deleteKey(std::string_view path) {
    const std::vector<std::string_view> names = splitKeyPath(path);
    if (names.empty()) {
        return false;  // the hive stays
    }
    return guarded(Access::Write, [&] {
        const std::optional<std::int64_t> id = findKey(names);
        if (!id) {
            return false;
        }
        // Values first: the keys they belong to must outlive them.
        for (Sql sql : {Sql::DeleteSubtreeValues, Sql::DeleteSubtreeKeys}) {
            Use use(statement(sql));
            use->bind(1, *id);
            use->exec();
        }
        keyIds_.clear();
        return true;
    });
}

SqliteSettingsStore::Subtree SqliteSettingsStore::loadSubtree(std::int64_t root) {
    Subtree tree;
    {
        Use use(statement(Sql::SubtreeKeys));
        use->bind(1, root);
        while (use->executeStep()) {
            tree.children[use->getColumn(0).getInt64()].push_back(
                {use->getColumn(1).getInt64(), bytesOf(use->getColumn(2)), bytesOf(use->getColumn(3))});
        }
    }
    Use use(statement(Sql::SubtreeValues));
    use->bind(1, root);
    while (use->executeStep()) {
        tree.values[use->getColumn(0).getInt64()].push_back(
            {bytesOf(use->getColumn(1)), bytesOf(use->getColumn(2)),
             static_cast<std::uint32_t>(use->getColumn(3).getInt64()), bytesOf(use->getColumn(4))});
    }
    return tree;
}

// Works from a copy of the source read beforehand, so that a target above the source (copying
// "a\b" into "a") cannot feed the copy with what it has just written.
void SqliteSettingsStore::copyInto(const Subtree& source, std::int64_t from, std::int64_t to) {
    std::vector<std::pair<std::int64_t, std::int64_t>> pending{{from, to}};
    while (!pending.empty()) {
        const auto [sourceKey, targetKey] = pending.back();
        pending.pop_back();
        if (const auto values = source.values.find(sourceKey); values != source.values.end()) {
            for (const Subtree::Value& v : values->second) {
                upsertValue(targetKey, v.name, v.folded, v.type, v.data);
            }
        }
        if (const auto children = source.children.find(sourceKey); children != source.children.end()) {
            // Siblings are made in their order before any of them is filled, so the copy lists them
            // as the source does.
            for (const Subtree::Key& child : children->second) {
                pending.emplace_back(child.id, ensureChild(targetKey, child.name, child.folded));
            }
        }
    }
}

bool SqliteSettingsStore::copyKey(std::string_view from, std::string_view to) {
    const std::vector<std::string_view> fromNames = splitKeyPath(from);
    const std::vector<std::string_view> toNames = splitKeyPath(to);
    if (isSameOrInside(toNames, fromNames)) {
        return false;  // `to` is `from` or lies inside it (every key lies inside the hive)
    }
    return guarded(Access::Write, [&] {
        const std::optional<std::int64_t> source = findKey(fromNames);
        if (!source) {
            return false;
        }
        const Subtree tree = loadSubtree(*source);
        copyInto(tree, *source, ensureKey(toNames));
        return true;
    });
}

bool SqliteSettingsStore::moveKey(std::string_view from, std::string_view to) {
    const std::vector<std::string_view> fromNames = splitKeyPath(from);
    std::vector<std::string_view> toNames = splitKeyPath(to);
    if (fromNames.empty() || toNames.empty() || isSameOrInside(toNames, fromNames)) {
        return false;
    }
    return guarded(Access::Write, [&] {
        const std::optional<std::int64_t> source = findKey(fromNames);
        if (!source || findKey(toNames)) {
            return false;
        }
        const std::string_view name = toNames.back();
        toNames.pop_back();
        const std::int64_t parent = ensureKey(toNames);
        Use use(statement(Sql::MoveKey));
        use->bind(1, *source);
        use->bind(2, parent);
        use->bind(3, std::string(name));
        use->bind(4, foldKeyName(name));
        use->exec();
        keyIds_.clear();
        return true;
    });
}

void SqliteSettingsStore::batch(const std::function<void()>& work) {
    guarded(Access::Write, [&] { work(); });
}

}  // namespace pw
