#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/SettingsStore.h"

namespace pw {

// The key below the hive that holds everything of the program.
inline constexpr std::string_view kProgramKeyPath = "Software\\Orvalis\\PadWarden";

// A value that exists but is no string, read where a string is expected.
class RegistryTypeError : public StoreError {
public:
    using StoreError::StoreError;
};

// One accessor of the store: it stands on one key and walks from there. Every operation of the
// program opens its own accessor and closes it before it returns.
class RegistryKey {
public:
    // On the hive itself.
    explicit RegistryKey(SettingsStore& store) : store_(&store) {}

    // Opens a key relative to the current one ("\" at the start: from the hive). With create,
    // missing keys on the way are created. False, and the accessor stays where it was, when the
    // key does not exist and create is false.
    bool openKey(std::string_view path, bool create);
    const std::string& path() const { return path_; }

    bool keyExists(std::string_view relative) const;
    void createKey(std::string_view relative);
    std::vector<std::string> subkeys() const;
    bool deleteKey(std::string_view relative);
    // Moves a subkey of the current key to a new name; does nothing when the old key is missing or
    // the new one exists.
    bool moveKey(std::string_view oldName, std::string_view newName);

    // A missing value reads as the empty string; a value of another type throws RegistryTypeError.
    std::string readString(std::string_view name) const;
    bool valueExists(std::string_view name) const;
    void writeString(std::string_view name, std::string_view value);
    bool deleteValue(std::string_view name);

    SettingsStore& store() const { return *store_; }

private:
    std::string resolve(std::string_view relative) const;

    SettingsStore* store_;
    std::string path_;
};

// An accessor on `path` below the hive, creating every missing key on the way; whether the open
// worked is not reported (a failed create leaves the accessor on the hive).
RegistryKey openRegistryKey(SettingsStore& store, std::string_view path);
// openRegistryKey on the program's key.
RegistryKey openProgramKey(SettingsStore& store);
// Ends an accessor's use. Always true.
bool closeRegistryKey(RegistryKey& key);

// Writes "exepath" (the program's folder with its trailing separator) and creates each of the
// default groups "Action", "Sport", "Adventure", "Strategie" and "Simulation" that is missing.
// Runs at every start, so a deleted default group comes back, empty.
void ensureDefaultGroups(SettingsStore& store, std::string_view programFolder);

// Joins key path parts with "\".
std::string joinKeyPath(std::string_view a, std::string_view b);

}  // namespace pw
