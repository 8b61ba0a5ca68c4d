#include "store/RegistryAccess.h"

#include <array>

namespace pw {

std::string joinKeyPath(std::string_view a, std::string_view b) {
    std::string joined;
    for (std::string_view part : splitKeyPath(a)) {
        if (!joined.empty())
            joined += '\\';
        joined += part;
    }
    for (std::string_view part : splitKeyPath(b)) {
        if (!joined.empty())
            joined += '\\';
        joined += part;
    }
    return joined;
}

std::string RegistryKey::resolve(std::string_view relative) const {
    if (relative.starts_with('\\')) {
        return joinKeyPath({}, relative);
    }
    return joinKeyPath(path_, relative);
}

bool RegistryKey::openKey(std::string_view path, bool create) {
    const std::string target = resolve(path);
    if (create) {
        try {
            store_->createKey(target);
        } catch (const StoreError&) {
            return false;
        }
    } else if (!store_->keyExists(target)) {
        return false;
    }
    path_ = target;
    return true;
}

bool RegistryKey::keyExists(std::string_view relative) const {
    return store_->keyExists(resolve(relative));
}

void RegistryKey::createKey(std::string_view relative) {
    store_->createKey(resolve(relative));
}

std::vector<std::string> RegistryKey::subkeys() const {
    return store_->subkeys(path_);
}

bool RegistryKey::deleteKey(std::string_view relative) {
    const std::string target = resolve(relative);
    return !splitKeyPath(target).empty() && store_->deleteKey(target);
}

bool RegistryKey::moveKey(std::string_view oldName, std::string_view newName) {
    return store_->moveKey(resolve(oldName), resolve(newName));
}

std::string RegistryKey::readString(std::string_view name) const {
    const auto value = store_->readValue(path_, name);
    if (!value) {
        return {};
    }
    if (!value->isString()) {
        throw RegistryTypeError("the value \"" + std::string(name) + "\" of " + path_ + " is no text");
    }
    return value->data;
}

bool RegistryKey::valueExists(std::string_view name) const {
    return store_->readValue(path_, name).has_value();
}

void RegistryKey::writeString(std::string_view name, std::string_view value) {
    store_->writeValue(path_, name, RegistryValue::string(std::string(value)));
}

bool RegistryKey::deleteValue(std::string_view name) {
    return store_->deleteValue(path_, name);
}

RegistryKey openRegistryKey(SettingsStore& store, std::string_view path) {
    RegistryKey key(store);
    key.openKey(path, true);
    return key;
}

RegistryKey openProgramKey(SettingsStore& store) {
    return openRegistryKey(store, kProgramKeyPath);
}

bool closeRegistryKey(RegistryKey& key) {
    key = RegistryKey(key.store());
    return true;
}

void ensureDefaultGroups(SettingsStore& store, std::string_view programFolder) {
    RegistryKey root = openRegistryKey(store, std::string(kProgramKeyPath) + "\\");
    root.writeString("exepath", programFolder);
    closeRegistryKey(root);
    static constexpr std::array<std::string_view, 5> kDefaultGroups = {"Action", "Sport", "Adventure",
                                                                       "Strategie", "Simulation"};
    for (std::string_view group : kDefaultGroups) {
        RegistryKey hive = openRegistryKey(store, "");
        const std::string path = std::string(kProgramKeyPath) + "\\games\\" + std::string(group);
        if (!hive.keyExists(path)) {
            hive.createKey(path);  // a failure here reaches the caller
        }
        closeRegistryKey(hive);
    }
}

}  // namespace pw
