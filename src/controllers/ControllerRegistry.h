// src/controllers: registered controllers, joystick configuration, calibration, the control panel driver.
#pragma once

#include <string>
#include <string_view>

#include "store/SettingsStore.h"
#include "texts/TextVariables.h"

namespace pw {

// Shows the announcement of a controller switch: as an information box with OK when the user
// started the game from the library, else in the self-closing countdown window, since the game
// has the screen. The windows themselves belong to the desktop program; headless runs log instead.
class Announcer {
public:
    virtual ~Announcer() = default;
    virtual void inform(std::string_view message) = 0;
    virtual void timedInfo(std::string_view caption, std::string_view message) = 0;
};

// The registered controllers (copies of the joystick configuration, kept by type and name under
// the program key) and the switch that copies one back as the configuration in use.
class ControllerRegistry {
public:
    ControllerRegistry(SettingsStore& store, const TextVariables& texts, Announcer& announcer);

    // The four type keys "joystick", "gamepad", "gameboard", "steering wheel", where missing.
    void ensureDefaultTypes();

    // The "JDriver" value, or empty.
    std::string readDriverKey();
    // Searches the joystick configuration for the driver key (the fixed layout first, then the
    // numbered one), records it as "JDriver"; true when found and recorded.
    bool findDriverKey(std::string& description);
    std::string driverDescription(std::string_view driverKey);
    // Empties the joystick settings key(s).
    void resetJoystickSettings();

    // Reads the display name of the controller in use into currentController and returns it.
    std::string akt_controller();

    // Copies the settings in use to controller\type\name, unless the name exists under the type or
    // there are no settings. Refuses an empty type or name (nothing is written). False when
    // nothing was copied.
    bool saveCurrent(std::string_view typeKey, std::string_view name);
    // Whether the settings in use name a device as joystick 1: without one (no controller was
    // attached while installing) there is nothing worth registering.
    bool currentConfigured();
    // Whether the registered controller `reference` (type\name) holds the very settings in use,
    // so that switching to it would change nothing.
    bool holdsSettingsInUse(std::string_view reference);
    // Deletes controller\type\name. Refuses an empty type or name: that would delete a whole type
    // or every controller. False when nothing was deleted.
    bool deleteController(std::string_view typeKey, std::string_view name);

    // The controller switch: announces and copies the registered controller `reference`
    // (type\name) over the settings in use. Callers then run input_erneuern.
    void activate(std::string_view reference, bool announceByMessageBox, std::string_view windowCaption);

    // The type key a caption of the type list stands for ("Lenkrad" or its translation:
    // "Steering wheel"), and the caption of a type index.
    std::string typeKeyForCaption(std::string_view caption) const;
    std::string captionForTypeIndex(int index) const;

    const std::string& currentController() const { return currentController_; }
    const std::string& lastActivatedController() const { return lastActivatedController_; }
    void setLastActivatedController(std::string reference) {
        lastActivatedController_ = std::move(reference);
    }

private:
    SettingsStore& store_;
    const TextVariables& texts_;
    Announcer& announcer_;
    std::string currentController_;
    std::string lastActivatedController_;
};

// The name part of a controller reference (after the first "\", else the whole text) and its
// type part (before the first "\", else empty).
std::string_view controllerName(std::string_view reference);
std::string_view controllerType(std::string_view reference);

}  // namespace pw
