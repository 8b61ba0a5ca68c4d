#pragma once

#include <filesystem>

namespace pw {

// The one folder that holds the Profiles, the language tables and the settings store:
// $PADWARDEN_HOME when set, else $XDG_DATA_HOME/padwarden, else ~/.local/share/padwarden.
std::filesystem::path programDirectory();

}  // namespace pw
