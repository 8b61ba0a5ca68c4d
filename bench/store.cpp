// What the settings store costs where the program waits for it: loading a game's 28 action values
// when the game starts, and listing the whole game library with each game's name and program.
// The store is a real SQLite file in a temporary folder, filled as a large library would be.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "input/ControllerAction.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"

using namespace pw;
using SteadyTime = std::chrono::steady_clock;

namespace {

constexpr const char* kGames = R"(Software\Orvalis\PadWarden\games)";
constexpr int kGroups = 25;
constexpr int kGamesPerGroup = 20;

std::string gamePath(int group, int game) {
    return std::string(kGames) + "\\Gruppe " + std::to_string(group) + "\\Spiel " + std::to_string(game);
}

void fill(SettingsStore& store) {
    store.batch([&] {
        for (int group = 0; group < kGroups; ++group) {
            for (int game = 0; game < kGamesPerGroup; ++game) {
                const std::string path = gamePath(group, game);
                store.createKey(path);
                store.writeValue(path, "name", RegistryValue::string("Spiel " + std::to_string(game)));
                store.writeValue(
                    path, "exe",
                    RegistryValue::string("/home/spieler/Spiele/spiel" + std::to_string(game) + ".exe"));
                int code = 65;
                for (ControllerAction a : kAllActions) {
                    store.writeValue(path, std::string(token(a)),
                                     RegistryValue::string(std::to_string(code++)));
                }
            }
        }
    });
}

// The median of `rounds` runs of `work`, in microseconds.
template <class Work>
double medianMicroseconds(int rounds, Work&& work) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = SteadyTime::now();
        work(i);
        times.push_back(std::chrono::duration<double, std::micro>(SteadyTime::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// What the program does when a game starts: read its 28 action values. Answers how many it found.
std::size_t loadGame(SettingsStore& store, const std::string& path) {
    std::size_t found = 0;
    for (ControllerAction a : kAllActions) {
        found += store.readValue(path, token(a)).has_value() ? 1 : 0;
    }
    return found;
}

// What the game library page shows: every game of every group with its name and program.
std::size_t listGames(SettingsStore& store) {
    std::size_t found = 0;
    for (const std::string& group : store.subkeys(kGames)) {
        const std::string groupPath = std::string(kGames) + "\\" + group;
        for (const std::string& game : store.subkeys(groupPath)) {
            const std::string path = groupPath + "\\" + game;
            found += store.readValue(path, "name").has_value() ? 1 : 0;
            found += store.readValue(path, "exe").has_value() ? 1 : 0;
        }
    }
    return found;
}

struct Costs {
    double loadUs;
    double listUs;
};

// Each read its own transaction, or all reads of one task inside one batch().
Costs measure(SettingsStore& store, bool batched, std::size_t& found) {
    const auto run = [&](auto&& work) {
        if (batched) {
            store.batch(work);
        } else {
            work();
        }
    };
    Costs costs{};
    costs.loadUs = medianMicroseconds(2000, [&](int i) {
        run([&] { found += loadGame(store, gamePath(i % kGroups, i % kGamesPerGroup)); });
    });
    costs.listUs = medianMicroseconds(50, [&](int) { run([&] { found += listGames(store); }); });
    return costs;
}

}  // namespace

int main() {
    test::TempDir dir;
    auto store = SqliteSettingsStore::open(dir.file("registry.sqlite"));
    fill(*store);

    std::size_t found = 0;
    const Costs single = measure(*store, false, found);
    const Costs batched = measure(*store, true, found);
    const double write = medianMicroseconds(200, [&](int i) {
        store->writeValue(gamePath(0, 0), "[isup]", RegistryValue::string(std::to_string(i)));
    });
    const std::size_t expected = 2 * (2000 * kActionCount + 50 * 2 * kGroups * kGamesPerGroup);
    if (found != expected) {
        std::fprintf(stderr, "bench_store: found %zu values, expected %zu\n", found, expected);
        return 1;
    }

    std::printf("settings store, %d groups of %d games with 30 values each (medians)\n", kGroups,
                kGamesPerGroup);
    std::printf("%-40s %14s %16s %10s\n", "", "one call each", "in one batch()", "target");
    std::printf("%-40s %11.0f us %13.0f us %10s\n", "load one game's 28 action values", single.loadUs,
                batched.loadUs, "<= 1 ms");
    std::printf("%-40s %11.2f ms %13.2f ms %10s\n", "list 500 games with name and exe", single.listUs / 1000,
                batched.listUs / 1000, "<= 20 ms");
    std::printf("%-40s %11.2f ms   (one synced transaction)\n", "write one value", write / 1000);
    return 0;
}
