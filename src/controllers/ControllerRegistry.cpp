#include "controllers/ControllerRegistry.h"

#include <array>
#include <cstdio>

#include "controllers/JoystickConfiguration.h"
#include "store/RegistryAccess.h"

namespace pw {
namespace {

constexpr std::string_view kDriverValue = "JDriver";
constexpr std::string_view kMediaClassPath = "System\\CurrentControlSet\\Services\\Class\\Media";
constexpr int kNumberedDriverCount = 1000;

std::string controllersPath() {
    return joinKeyPath(kProgramKeyPath, "controller");
}

// "msjstick.drv<0042>".
std::string numberedDriverKey(int index) {
    std::array<char, 8> digits{};
    std::snprintf(digits.data(), digits.size(), "%04d", index);
    return "msjstick.drv<" + std::string(digits.data()) + ">";
}

bool isFixedDriverKey(std::string_view driverKey) {
    return foldKeyName(driverKey) == foldKeyName(kFixedDriverKey);
}

// One key name: not empty and without "\", so it cannot name a whole subtree or reach below it.
bool isKeyName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

std::string readTextOrEmpty(SettingsStore& store, std::string_view path, std::string_view name) {
    const auto value = store.readValue(path, name);
    return value && value->isString() ? value->data : std::string();
}

}  // namespace

std::string_view controllerName(std::string_view reference) {
    const std::size_t separator = reference.find('\\');
    return separator == std::string_view::npos ? reference : reference.substr(separator + 1);
}

std::string_view controllerType(std::string_view reference) {
    const std::size_t separator = reference.find('\\');
    return separator == std::string_view::npos ? std::string_view() : reference.substr(0, separator);
}

ControllerRegistry::ControllerRegistry(SettingsStore& store, const TextVariables& texts, Announcer& announcer)
    : store_(store), texts_(texts), announcer_(announcer) {}

void ControllerRegistry::ensureDefaultTypes() {
    static constexpr std::array<std::string_view, 4> kDefaultTypes = {"joystick", "gamepad", "gameboard",
                                                                      "steering wheel"};
    for (std::string_view type : kDefaultTypes) {
        const std::string path = joinKeyPath(controllersPath(), type);
        if (!store_.keyExists(path)) {
            store_.createKey(path);
        }
    }
}

std::string ControllerRegistry::readDriverKey() {
    return readTextOrEmpty(store_, kProgramKeyPath, kDriverValue);
}

bool ControllerRegistry::findDriverKey(std::string& description) {
    std::string found;
    if (store_.keyExists(joystickSettingsPath(kFixedDriverKey))) {
        found = std::string(kFixedDriverKey);
    } else {
        // The numbered layout: the first settings key that exists decides; it counts only when
        // joystick 1 is configured in it.
        for (int i = 0; i < kNumberedDriverCount; ++i) {
            const std::string driver = numberedDriverKey(i);
            const std::string path = joystickSettingsPath(driver);
            if (store_.keyExists(path)) {
                if (store_.readValue(path, "Joystick1Configuration").has_value()) {
                    found = driver;
                }
                break;
            }
        }
    }
    description = found.empty() ? std::string() : driverDescription(found);
    if (found.empty() || !store_.keyExists(kProgramKeyPath)) {
        return false;
    }
    store_.writeValue(kProgramKeyPath, kDriverValue, RegistryValue::string(found));
    return true;
}

// The numbered layout names its driver's description under the media class, numbered as the text
// between "<" and ">". Our own "<FixedKey>" layout has no such key on Linux: there the description
// is the name SDL gives the configured device, as the control panel program stores it.
std::string ControllerRegistry::driverDescription(std::string_view driverKey) {
    if (isFixedDriverKey(driverKey)) {
        return readTextOrEmpty(store_, joystickSettingsPath(driverKey), "Joystick1Name");
    }
    const std::size_t open = driverKey.find('<');
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t close = driverKey.find('>', open + 1);
    if (close == std::string_view::npos) {
        return {};
    }
    const std::string_view number = driverKey.substr(open + 1, close - open - 1);
    if (!isKeyName(number)) {
        return {};
    }
    const std::string path =
        joinKeyPath(joinKeyPath(kMediaClassPath, number), "Drivers\\Joystick\\msjstick.drv");
    return readTextOrEmpty(store_, path, "Description");
}

void ControllerRegistry::resetJoystickSettings() {
    store_.batch([this] {
        const std::string fixed = joystickSettingsPath(kFixedDriverKey);
        if (store_.keyExists(fixed)) {
            store_.deleteKey(fixed);
            store_.createKey(fixed);
            return;
        }
        for (int i = 0; i < kNumberedDriverCount; ++i) {
            const std::string path = joystickSettingsPath(numberedDriverKey(i));
            if (store_.keyExists(path)) {
                store_.deleteKey(path);
                store_.createKey(path);
            }
        }
    });
}

// Like every operation on the configuration in use, this goes through driverKeyInUse: while
// "JDriver" is unset that is our own "<FixedKey>" layout, so nothing is read from or written to a
// settings key that no device uses.
std::string ControllerRegistry::akt_controller() {
    const std::string driver = driverKeyInUse(store_);
    std::string result;
    try {
        // Both keys are created when missing, as the configuration in use always has them.
        RegistryKey settings(store_);
        const std::string oemName = settings.openKey(joystickSettingsPath(driver), true)
                                        ? settings.readString("Joystick1OEMName")
                                        : "";
        closeRegistryKey(settings);
        // An empty OEM name, or a failed open, would leave the accessor on the OEM key itself and
        // read a value that belongs to no device: only the device's own key counts.
        RegistryKey oem(store_);
        if (oem.openKey(kJoystickOemPath, true) && isKeyName(oemName) && oem.openKey(oemName, false)) {
            result = oem.readString("OEMName");
        }
        closeRegistryKey(oem);
    } catch (const RegistryTypeError&) {
        result = driverDescription(driver);
    }
    if (result.empty()) {
        result = driverDescription(driver);
    }
    currentController_ = result;
    return result;
}

bool ControllerRegistry::saveCurrent(std::string_view typeKey, std::string_view name) {
    if (!isKeyName(typeKey) || !isKeyName(name)) {
        return false;
    }
    const std::string source = joystickSettingsPath(driverKeyInUse(store_));
    const std::string target = joinKeyPath(joinKeyPath(controllersPath(), typeKey), name);
    if (!store_.keyExists(source) || store_.keyExists(target)) {
        return false;
    }
    return store_.copyKey(source, target);
}

bool ControllerRegistry::currentConfigured() {
    return readJoystickConfiguration(store_).configured();
}

bool ControllerRegistry::holdsSettingsInUse(std::string_view reference) {
    const std::string_view type = controllerType(reference);
    const std::string_view name = controllerName(reference);
    if (!isKeyName(type) || !isKeyName(name)) {
        return false;
    }
    const std::string registered = joinKeyPath(joinKeyPath(controllersPath(), type), name);
    const std::string inUse = joystickSettingsPath(driverKeyInUse(store_));
    if (!store_.keyExists(registered) || !store_.keyExists(inUse)) {
        return false;
    }
    const std::vector<std::string> names = store_.valueNames(registered);
    if (names.empty() || names.size() != store_.valueNames(inUse).size()) {
        return false;
    }
    for (const std::string& value : names) {
        const std::optional<RegistryValue> mine = store_.readValue(registered, value);
        const std::optional<RegistryValue> used = store_.readValue(inUse, value);
        if (!mine || !used || *mine != *used) {
            return false;
        }
    }
    return true;
}

bool ControllerRegistry::deleteController(std::string_view typeKey, std::string_view name) {
    if (!isKeyName(typeKey) || !isKeyName(name)) {
        return false;
    }
    return store_.deleteKey(joinKeyPath(joinKeyPath(controllersPath(), typeKey), name));
}

void ControllerRegistry::activate(std::string_view reference, bool announceByMessageBox,
                                  std::string_view windowCaption) {
    if (reference == currentController_ && reference == lastActivatedController_) {
        return;
    }
    lastActivatedController_ = std::string(reference);
    const std::string_view name = controllerName(reference);
    const std::string_view none = texts_.text(TextGroup::Interface, "Ohne Auswahl");
    if (name.empty() || name == none) {
        currentController_ = std::string(none);
        return;
    }
    // Only a registered controller (type\name, both one key name) is switched to, and only then is
    // the switch announced: a reference to a deleted controller must not claim a switch, and one
    // without a type would copy a whole type key over the settings.
    const std::string registered = joinKeyPath(controllersPath(), reference);
    if (!isKeyName(controllerType(reference)) || !isKeyName(name) || !store_.keyExists(registered)) {
        return;
    }
    const std::string message = std::string(texts_.text(TextGroup::Interface, "Controller wechseln")) + " (" +
                                std::string(name) + ")";
    if (announceByMessageBox) {
        announcer_.inform(message);
    } else {
        announcer_.timedInfo(windowCaption, message);
    }
    const std::string settings = joystickSettingsPath(driverKeyInUse(store_));
    store_.batch([&] {
        store_.deleteKey(settings);
        store_.copyKey(registered, settings);
    });
    currentController_ = std::string(reference);
}

std::string ControllerRegistry::typeKeyForCaption(std::string_view caption) const {
    if (caption == texts_.text(TextGroup::Interface, "Lenkrad")) {
        return "Steering wheel";
    }
    return std::string(caption);
}

std::string ControllerRegistry::captionForTypeIndex(int index) const {
    switch (index) {
        case 1:
            return "Gamepad";
        case 2:
            return "Gameboard";
        case 3:
            return std::string(texts_.text(TextGroup::Interface, "Lenkrad"));
        default:
            return "Joystick";
    }
}

}  // namespace pw
