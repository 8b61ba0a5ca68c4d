// What the whole-program benchmarks share: their library, one game Action\Bench whose first
// button types A, and how they start programs.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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

// Forks a child that runs the program, its standard output and error into the files if given; it
// dies with the benchmark even if the benchmark is killed.
inline pid_t startProgram(const std::vector<std::string>& argv, const std::filesystem::path& out = {},
                          const std::filesystem::path& err = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (!out.empty()) {
            std::freopen(out.c_str(), "w", stdout);
        }
        if (!err.empty()) {
            std::freopen(err.c_str(), "w", stderr);
        }
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace pw::bench
