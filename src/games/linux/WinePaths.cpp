#include "games/linux/WinePaths.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>

#include "games/CommandLine.h"
#include "texts/Blanks.h"

namespace pw {
namespace {

std::string realFile(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return {};
    }
    struct stat info {};
    if (::stat(resolved, &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    return resolved;
}

// `folder` + "/" + `name`, or the entry of `folder` that is `name` but for case.
std::string entryOf(const std::string& folder, std::string_view name) {
    std::string exact = folder + "/" + std::string(name);
    struct stat info {};
    if (::lstat(exact.c_str(), &info) == 0) {
        return exact;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return exact;
    }
    std::string found = exact;
    while (const dirent* entry = ::readdir(dir)) {
        if (equalsAsciiNoCase(entry->d_name, name)) {
            found = folder + "/" + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string winePrefixOf(std::string_view environment) {
    std::string_view home;
    while (!environment.empty()) {
        const std::size_t end = std::min(environment.find('\0'), environment.size());
        const std::string_view entry = environment.substr(0, end);
        environment.remove_prefix(std::min(end + 1, environment.size()));
        if (entry.starts_with("WINEPREFIX=") && entry.size() > 11) {
            return std::string(entry.substr(11));
        }
        if (entry.starts_with("HOME=")) {
            home = entry.substr(5);
        }
    }
    return home.empty() ? std::string() : std::string(home) + "/.wine";
}

std::string defaultWinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
        return prefix;
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.wine" : std::string();
}

std::string windowsToLinux(std::string_view path, const std::string& prefix) {
    if (!isWindowsPath(path)) {
        return {};
    }
    const char drive = asciiLower(path[0]);
    std::string folder;
    const std::string link = prefix + "/dosdevices/" + drive + ":";
    char resolved[PATH_MAX];
    if (!prefix.empty() && ::realpath(link.c_str(), resolved) != nullptr) {
        folder = resolved;
    } else if (drive == 'z') {
        folder.clear();  // the root folder
    } else {
        return {};
    }
    if (folder == "/") {
        folder.clear();
    }
    std::string_view rest = path.substr(3);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find_first_of("\\/"), rest.size());
        const std::string_view name = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            folder = folder.substr(0, folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/'));
            continue;
        }
        folder = entryOf(folder.empty() ? std::string() : folder, name);
    }
    return realFile(folder.empty() ? std::string("/") : folder);
}

std::string resolveProgramFile(const std::string& file) {
    if (isWindowsPath(file)) {
        return windowsToLinux(file, defaultWinePrefix());
    }
    return file.empty() ? std::string() : realFile(file);
}

}  // namespace pw
