// The library of the whole-program benchmarks: one game, Action\Bench, whose first button types A.
#pragma once

#include <filesystem>
#include <string>

#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "store/sqlite/SqliteSettingsStore.h"

namespace pw::bench {

inline void writeBenchLibrary(const std::filesystem::path& home, const std::string& program) {
    auto store = SqliteSettingsStore::open(home / "registry.sqlite");
    RegistryKey key = openRegistryKey(*store, gameKeyPath("Action", "Bench"));
    key.writeString("name", "Bench");
    key.writeString("exe", program);
    key.writeString("controller", "");
    key.writeString("profil", "Bench.ini");
    key.writeString("[isbutton1]", "65");
}

}  // namespace pw::bench
