// A registry file may come from anywhere: an export of the Windows registry editor, one edited by
// hand, one saved in the wrong encoding, a half-copied one. This feeds arbitrary bytes to the
// import as a registry file and checks that what was read survives the way back: our export of
// it is read again line for line, without a warning, and gives the same export. The sanitizers
// stop the run at the first bad memory access or undefined behaviour.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/RegistryFile.h"
#include "store/SettingsStore.h"

namespace pw {
namespace {

void check(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "registry file fuzzer: broken: %s\n", rule);
        __builtin_trap();
    }
}

// The store's rules in memory: names compare folded and keep their first spelling, subkeys and
// values keep their order of creation, a batch is all or nothing.
class MemoryStore final : public SettingsStore {
public:
    MemoryStore() { keys_[""] = Key{}; }

    bool keyExists(std::string_view path) override { return keys_.count(folded(path)) != 0; }

    void createKey(std::string_view path) override {
        std::string at;
        for (std::string_view name : splitKeyPath(path)) {
            const std::string parent = at;
            at += (at.empty() ? "" : "\\") + foldKeyName(name);
            if (keys_.count(at) == 0) {
                keys_[at] = Key{std::string(name), {}, {}};
                keys_[parent].children.push_back(at);
            }
        }
    }

    std::vector<std::string> subkeys(std::string_view path) override {
        std::vector<std::string> names;
        if (const auto key = keys_.find(folded(path)); key != keys_.end()) {
            for (const std::string& child : key->second.children) {
                names.push_back(keys_.at(child).name);
            }
        }
        return names;
    }

    std::vector<std::string> valueNames(std::string_view path) override {
        std::vector<std::string> names;
        if (const auto key = keys_.find(folded(path)); key != keys_.end()) {
            for (const auto& [name, value] : key->second.values) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::optional<RegistryValue> readValue(std::string_view path, std::string_view name) override {
        const auto key = keys_.find(folded(path));
        if (key == keys_.end()) {
            return std::nullopt;
        }
        for (const auto& [n, value] : key->second.values) {
            if (foldKeyName(n) == foldKeyName(name)) {
                return value;
            }
        }
        return std::nullopt;
    }

    void writeValue(std::string_view path, std::string_view name, const RegistryValue& value) override {
        const auto key = keys_.find(folded(path));
        if (key == keys_.end()) {
            throw StoreError("no such key");
        }
        for (auto& [n, v] : key->second.values) {
            if (foldKeyName(n) == foldKeyName(name)) {
                v = value;
                return;
            }
        }
        key->second.values.emplace_back(std::string(name), value);
    }

    bool deleteValue(std::string_view path, std::string_view name) override {
        const auto key = keys_.find(folded(path));
        if (key == keys_.end()) {
            return false;
        }
        auto& values = key->second.values;
        for (auto v = values.begin(); v != values.end(); ++v) {
            if (foldKeyName(v->first) == foldKeyName(name)) {
                values.erase(v);
                return true;
            }
        }
        return false;
    }

    bool deleteKey(std::string_view path) override {
        const std::string at = folded(path);
        if (at.empty() || keys_.count(at) == 0) {
            return false;
        }
        const std::size_t slash = at.rfind('\\');
        auto& siblings = keys_[slash == std::string::npos ? std::string() : at.substr(0, slash)].children;
        std::erase(siblings, at);
        drop(at);
        return true;
    }

    // The import neither copies nor moves keys.
    bool copyKey(std::string_view, std::string_view) override {
        check(false, "the import copies no key");
        return false;
    }
    bool moveKey(std::string_view, std::string_view) override {
        check(false, "the import moves no key");
        return false;
    }

    void batch(const std::function<void()>& work) override {
        const auto before = keys_;
        try {
            work();
        } catch (...) {
            keys_ = before;
            throw;
        }
    }

private:
    struct Key {
        std::string name;
        std::vector<std::string> children;  // folded paths
        std::vector<std::pair<std::string, RegistryValue>> values;
    };

    static std::string folded(std::string_view path) {
        std::string at;
        for (std::string_view name : splitKeyPath(path)) {
            at += (at.empty() ? "" : "\\") + foldKeyName(name);
        }
        return at;
    }

    void drop(const std::string& at) {
        for (const std::string& child : keys_.at(at).children) {
            drop(child);
        }
        keys_.erase(at);
    }

    std::map<std::string, Key> keys_;
};

}  // namespace
}  // namespace pw

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pw;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemoryStore first;
    RegistryImportReport read;
    try {
        read = importRegistryFile(first, bytes);
    } catch (const StoreError&) {
        return 0;  // refused whole: the store was left as it was
    }
    check(read.registryFile || (read.keys == 0 && read.values == 0), "a file that is none imports nothing");
    if (!read.registryFile) {
        check(!read.notRegistryFile.empty(), "a refused file is told why");
        return 0;
    }
    for (const RegistryFileIssue& issue : read.skipped) {
        check(issue.line >= 1 && !issue.reason.empty(), "a skipped line has its number and its reason");
    }
    for (const RegistryFileIssue& warning : read.warnings) {
        check(warning.line >= 1 && !warning.reason.empty(), "a warning has its line number and its reason");
    }

    const RegistryExport exported = exportRegistry(first);
    MemoryStore second;
    const RegistryImportReport again = importRegistryFile(second, exported.bytes);
    check(again.complete(), "every line of our own export is read");
    check(again.warnings.empty(), "our own export reads without a warning");
    check(again.values == exported.values, "every value of our export is read back");
    check(exportRegistry(second).bytes == exported.bytes,
          "what our export holds reads back to the same export");
    return 0;
}
