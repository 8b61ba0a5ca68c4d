#include "texts/ProgramDirectory.h"

#include <cstdlib>

namespace pw {
namespace {

const char* nonEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::filesystem::path programDirectory() {
    if (const char* home = nonEmpty("PADWARDEN_HOME")) {
        return home;
    }
    if (const char* data = nonEmpty("XDG_DATA_HOME")) {
        return std::filesystem::path(data) / "padwarden";
    }
    if (const char* home = nonEmpty("HOME")) {
        return std::filesystem::path(home) / ".local" / "share" / "padwarden";
    }
    return std::filesystem::current_path();
}

}  // namespace pw
