// A writer process is killed (SIGKILL) at random moments, again and again; after every kill the
// files it wrote must be whole and hold every write it had confirmed. Each kind of file the program
// keeps has a writer that runs in the child and a check that runs in the parent.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "profiles/IniFile.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"
#include "texts/AtomicFile.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr int kDefaultRounds = 200;

int roundCount() {
    const char* text = std::getenv("PADWARDEN_CRASH_ROUNDS");
    if (text == nullptr || *text == '\0') {
        return kDefaultRounds;
    }
    char* end = nullptr;
    const long rounds = std::strtol(text, &end, 10);
    return *end == '\0' && rounds > 0 && rounds <= 100000 ? static_cast<int>(rounds) : kDefaultRounds;
}

// Runs in the child until it is killed: one write after another, each reported on `reportFd` as
// the 8 bytes of its number once it is done for good.
using Writer = std::function<void(const fs::path& dir, int reportFd)>;
// Runs in the parent after each kill with every number the child reported.
using Check = std::function<void(const fs::path& dir, const std::vector<std::int64_t>& confirmed)>;

struct Figures {
    int rounds = 0;
    std::int64_t confirmed = 0;
    std::int64_t maxN = 0;
    int killedBeforeFirstWrite = 0;
};

void report(int fd, std::int64_t n) {
    // Eight bytes reach a pipe in one piece (less than PIPE_BUF).
    if (::write(fd, &n, sizeof n) != static_cast<ssize_t>(sizeof n)) {
        _exit(4);
    }
}

std::vector<std::int64_t> readReports(int fd) {
    std::vector<std::int64_t> numbers;
    std::int64_t n = 0;
    while (::read(fd, &n, sizeof n) == static_cast<ssize_t>(sizeof n)) {
        numbers.push_back(n);
    }
    return numbers;
}

Figures killRepeatedly(const fs::path& dir, const Writer& writer, const Check& check, int rounds) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(1, 30);
    Figures figures;
    for (int round = 0; round < rounds; ++round) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            return figures;
        }
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child < 0) {
            ADD_FAILURE() << "fork: " << std::strerror(errno);
            return figures;
        }
        if (child == 0) {
            ::close(pipeFds[0]);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a parent that failed
            try {
                writer(dir, pipeFds[1]);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "crash test writer: %s\n", e.what());
            }
            _exit(3);
        }
        ::close(pipeFds[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::vector<std::int64_t> confirmed = readReports(pipeFds[0]);
        ::close(pipeFds[0]);
        if (!WIFSIGNALED(status)) {
            ADD_FAILURE() << "round " << round << ": the writer stopped on its own (exit status "
                          << WEXITSTATUS(status) << ")";
            return figures;
        }

        check(dir, confirmed);
        ++figures.rounds;
        figures.confirmed += static_cast<std::int64_t>(confirmed.size());
        figures.killedBeforeFirstWrite += confirmed.empty() ? 1 : 0;
        for (std::int64_t n : confirmed) {
            figures.maxN = std::max(figures.maxN, n);
        }
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "stopped after round " << round;
            return figures;
        }
    }
    return figures;
}

// --- The settings store ---

constexpr const char* kCounterKey = "crash";

RegistryValue qword(std::int64_t n) {
    std::string bytes(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<char>((static_cast<std::uint64_t>(n) >> (8 * i)) & 0xFF);
    }
    return {static_cast<std::uint32_t>(ValueType::QWord), bytes};
}

std::int64_t fromQword(const std::optional<RegistryValue>& value) {
    std::uint64_t n = 0;
    if (value && value->data.size() == 8) {
        for (std::size_t i = 0; i < 8; ++i) {
            n |= static_cast<std::uint64_t>(static_cast<unsigned char>(value->data[i])) << (8 * i);
        }
    }
    return static_cast<std::int64_t>(n);
}

std::string numberedKey(std::int64_t n) {
    return std::string(kCounterKey) + "\\k" + std::to_string(n);
}

// Each write is one transaction: the counter goes to N and the key kN is made.
void writeStore(const fs::path& dir, int reportFd) {
    auto store = SqliteSettingsStore::open(dir / "registry.sqlite");
    store->createKey(kCounterKey);
    for (std::int64_t n = fromQword(store->readValue(kCounterKey, "counter")) + 1;; ++n) {
        store->batch([&] {
            store->writeValue(kCounterKey, "counter", qword(n));
            store->createKey(numberedKey(n));
        });
        report(reportFd, n);
    }
}

void checkStore(const fs::path& dir, const std::vector<std::int64_t>& confirmed) {
    const fs::path file = dir / "registry.sqlite";
    std::unique_ptr<SqliteSettingsStore> store;
    try {
        store = SqliteSettingsStore::open(file);
    } catch (const StoreError& e) {
        ADD_FAILURE() << e.what();
        return;
    }
    {
        SQLite::Database db(file.string(), SQLite::OPEN_READONLY);
        EXPECT_EQ(db.execAndGet("PRAGMA integrity_check").getString(), "ok");
    }
    for (std::int64_t n : confirmed) {
        EXPECT_TRUE(store->keyExists(numberedKey(n))) << "confirmed write " << n << " is lost";
    }
    // The counter and the keys were written together: counter N means exactly k1 ... kN.
    const std::int64_t counter = fromQword(store->readValue(kCounterKey, "counter"));
    if (!confirmed.empty()) {
        EXPECT_GE(counter, confirmed.back());
    }
    EXPECT_EQ(static_cast<std::int64_t>(store->subkeys(kCounterKey).size()), counter);
    if (counter > 0) {
        EXPECT_TRUE(store->keyExists(numberedKey(counter)));
    }
    EXPECT_FALSE(store->keyExists(numberedKey(counter + 1)));
}

TEST(StoreCrash, EveryConfirmedWriteSurvivesAKillAtAnyMoment) {
    test::TempDir dir;
    const int rounds = roundCount();
    const Figures figures = killRepeatedly(dir.path(), writeStore, checkStore, rounds);
    std::printf(
        "settings store: %d rounds, %lld writes confirmed, max N %lld, %d rounds killed before the "
        "first write\n",
        figures.rounds, static_cast<long long>(figures.confirmed), static_cast<long long>(figures.maxN),
        figures.killedBeforeFirstWrite);
    EXPECT_EQ(figures.rounds, rounds);
    // Without a single confirmed write the test would have shown nothing.
    EXPECT_GT(figures.confirmed, 0);
}

// --- A Profile ---

const std::string kPadding(1000, 'x');  // a larger file takes longer to write: more chances to be cut

// The whole Profile after the writes 1 ... n.
std::string profileAfter(std::int64_t n) {
    std::string text = "[Gruppe]\r\nPolster=" + kPadding + "\r\n";
    for (std::int64_t i = 1; i <= n; ++i) {
        text += "k" + std::to_string(i) + "=K;" + std::to_string(i) + "\r\n";
    }
    return text;
}

// How many commands k1 ... kN the Profile holds: its lines less the header and the padding. (The
// key list of a section is cut at 8192 characters, too short for a long run.)
std::int64_t commandsIn(const fs::path& file) {
    std::error_code error;
    const std::string bytes = readWholeFile(file, error).value_or("");
    std::int64_t lines = 0;
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines - 2;
}

// Each write adds one command, and so replaces the whole file.
void writeProfile(const fs::path& dir, int reportFd) {
    const fs::path file = dir / "Crash.ini";
    if (!fs::exists(file)) {
        iniWriteString(file, "Gruppe", "Polster", kPadding);
    }
    for (std::int64_t n = commandsIn(file) + 1;; ++n) {
        iniWriteString(file, "Gruppe", "k" + std::to_string(n), "K;" + std::to_string(n));
        report(reportFd, n);
    }
}

void checkProfile(const fs::path& dir, const std::vector<std::int64_t>& confirmed) {
    const fs::path file = dir / "Crash.ini";
    if (!fs::exists(file)) {
        EXPECT_TRUE(confirmed.empty());
        return;
    }
    std::error_code error;
    const std::string bytes = readWholeFile(file, error).value_or("");
    // A whole old or new file: exactly the file after some number of writes, never a cut one.
    const std::int64_t n = commandsIn(file);
    EXPECT_EQ(bytes, profileAfter(n)) << "the Profile is not a whole file after " << n << " writes";
    if (!confirmed.empty()) {
        EXPECT_GE(n, confirmed.back()) << "a confirmed write is lost";
    }
}

TEST(StoreCrash, AProfileIsAlwaysAWholeOldOrNewFile) {
    test::TempDir dir;
    const int rounds = roundCount();
    const Figures figures = killRepeatedly(dir.path(), writeProfile, checkProfile, rounds);
    std::printf(
        "profile: %d rounds, %lld writes confirmed, max N %lld, %d rounds killed before the first write\n",
        figures.rounds, static_cast<long long>(figures.confirmed), static_cast<long long>(figures.maxN),
        figures.killedBeforeFirstWrite);
    EXPECT_EQ(figures.rounds, rounds);
    EXPECT_GT(figures.confirmed, 0);
}

}  // namespace
}  // namespace pw
