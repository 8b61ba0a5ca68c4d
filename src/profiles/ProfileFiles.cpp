#include "profiles/ProfileFiles.h"

#include <algorithm>
#include <system_error>
#include <tuple>

#include "profiles/IniFile.h"
#include "texts/AtomicFile.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".ini";
// The longest file name Linux file systems take, in bytes.
constexpr std::size_t kMaxFileName = 255;

bool hasProfileExtension(std::string_view name) {
    if (name.size() < kExtension.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a) == b; });
}

// The order a German reader expects: without case, and a letter with a mark beside its plain
// letter ("Ärger" between "Anflug" and "Auto"; ß as ss).
std::string sortKey(std::string_view name) {
    // The plain letters of the small Latin-1 letters U+00DF ... U+00FF.
    static constexpr std::string_view kPlain[] = {"ss", "a", "a", "a", "a", "a", "a", "ae", "c", "e",  "e",
                                                  "e",  "e", "i", "i", "i", "i", "d", "n",  "o", "o",  "o",
                                                  "o",  "o", "",  "o", "u", "u", "u", "u",  "y", "th", "y"};
    const std::string folded = iniFoldName(name);
    std::string key;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto next = i + 1 < folded.size() ? static_cast<unsigned char>(folded[i + 1]) : 0u;
        if (folded[i] == '\xC3' && next >= 0x9F && next <= 0xBF && next != 0xB7) {
            key += kPlain[next - 0x9F];
            ++i;
        } else {
            key += folded[i];
        }
    }
    return key;
}

}  // namespace

std::vector<std::string> listProfiles(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        std::string name = it->path().filename().string();
        if (!name.starts_with('.') && hasProfileExtension(name) && it->is_regular_file(ignored)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return alphabeticLess(a, b); });
    return names;
}

bool alphabeticLess(std::string_view a, std::string_view b) {
    return std::tuple(sortKey(a), iniFoldName(a), a) < std::tuple(sortKey(b), iniFoldName(b), b);
}

std::string profileDisplayName(std::string_view fileName) {
    return std::string(fileName.substr(0, fileName.find('.')));
}

void createGroup(const fs::path& file, std::string_view group) {
    iniAddSection(file, group);
}

void createProfile(const fs::path& file) {
    try {
        replaceFileAtomically(file, {});
    } catch (const fs::filesystem_error&) {
        throw ProfileWriteError(file);
    }
}

void copyProfile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    const std::optional<std::string> bytes = readWholeFile(from, error);
    if (error) {
        throw ProfileWriteError(to, from.string() + " kann nicht gelesen werden");
    }
    if (!bytes) {
        return;
    }
    // Copying a Profile onto itself, or onto an equal copy, leaves the file alone.
    if (readWholeFile(to, error) == bytes) {
        return;
    }
    try {
        replaceFileAtomically(to, *bytes);
    } catch (const fs::filesystem_error&) {
        throw ProfileWriteError(to);
    }
}

void deleteProfile(const fs::path& file) {
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(file, error))) {
        throw ProfileWriteError(file, "sie ist ein Ordner");
    }
    fs::remove(file, error);
    if (error) {
        throw ProfileWriteError(file);
    }
}

std::optional<std::string> profileNameProblem(std::string_view name) {
    if (name.find_first_not_of(" \t") == std::string_view::npos) {
        return "Der Name ist leer.";
    }
    if (std::any_of(name.begin(), name.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte < 0x20 || byte == 0x7F;
        })) {
        return "Der Name enthält ein Steuerzeichen.";
    }
    if (name.find_first_of("/\\") != std::string_view::npos) {
        return "Der Name darf weder „/“ noch „\\“ enthalten.";
    }
    // One dot is allowed: "a.b" becomes the file a.b.ini, shown as Profile "a". ".." and a leading
    // dot are not: the one could leave the folder on some systems, the other hides the file.
    if (name.find("..") != std::string_view::npos || name.front() == '.') {
        return "Der Name darf weder mit einem Punkt beginnen noch „..“ enthalten.";
    }
    // Profiles travel to Windows, which has no file names with these.
    if (name.find_first_of(":*?\"<>|") != std::string_view::npos) {
        return "Der Name darf keines der Zeichen : * ? \" < > | enthalten.";
    }
    if (!isValidUtf8(name)) {
        return "Der Name ist kein gültiger Text.";
    }
    if (name.size() + kExtension.size() > kMaxFileName) {
        return "Der Name ist zu lang.";
    }
    return std::nullopt;
}

}  // namespace pw
