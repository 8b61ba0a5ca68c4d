#pragma once

#include <filesystem>
#include <ostream>

namespace pw {

// The hidden start of the control panel (the program that uses the panel sets
// PADWARDEN_CONTROL_PANEL_HIDDEN=1 to have a rewritten configuration taken up): re-reads the
// joystick configuration from the store and checks that the configured device is attached. The
// joystick reads the configuration anew at every open, so there is nothing to hand on and nothing
// is written. Returns the exit status: 0, also when the device is missing (told on `err`); 2 with
// one line on `err` when the store cannot be opened or read.
int applyConfigurationHidden(const std::filesystem::path& storeFile, std::ostream& err);

}  // namespace pw
