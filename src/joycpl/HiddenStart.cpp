#include "joycpl/HiddenStart.h"

#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "controllers/Calibration.h"
#include "controllers/JoystickConfiguration.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "joycpl/SdlControllers.h"
#include "store/sqlite/SqliteSettingsStore.h"

namespace pw {

int applyConfigurationHidden(const std::filesystem::path& storeFile, std::ostream& err) {
    std::error_code ignored;
    if (!std::filesystem::exists(storeFile, ignored)) {
        return 0;  // no settings yet, so no joystick 1 either; the file is not made for this
    }
    JoystickConfiguration config;
    try {
        const std::unique_ptr<SqliteSettingsStore> store = SqliteSettingsStore::open(storeFile);
        config = readJoystickConfiguration(*store);
    } catch (const std::exception& e) {
        err << "padwarden-joycpl: cannot read the settings " << storeFile << ": " << e.what() << "\n";
        return 2;
    }
    if (!config.configured()) {
        return 0;
    }
    const SdlJoystickSubsystem sdl;
    if (!sdl.ok()) {
        err << "padwarden-joycpl: no controllers can be read: " << sdl.error() << "\n";
        return 0;
    }
    std::vector<std::string> guids;
    for (const AttachedController& c : attachedControllers()) {
        guids.push_back(c.guid);
    }
    const auto joystick1 = joystick1Among(config, guids);
    if (!joystick1 || !joystick1->configured) {
        err << "padwarden-joycpl: joystick 1 \"" << config.deviceName << "\" (" << config.guid
            << ") is not attached; the first attached controller is used, without its calibration\n";
    }
    return 0;
}

}  // namespace pw
