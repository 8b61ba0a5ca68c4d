#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "controllers/ControllerRegistry.h"
#include "store/SettingsStore.h"

namespace pw {

// One registered controller as the lists show it: its name below its type key, the position of
// that type key (which also picks the type's picture) and the type's caption.
struct RegisteredController {
    std::string name;
    int typeIndex = 0;
    std::string typeCaption;
};

// The type keys under the controller key, in the order they were created, and every registered
// controller, type by type.
struct ControllerCatalog {
    std::vector<std::string> typeKeys;
    std::vector<RegisteredController> controllers;
};

// Creates the default types where missing, then reads the catalog. StoreError when the store fails.
ControllerCatalog readControllerCatalog(SettingsStore& store, ControllerRegistry& registry);

// Whether controller\type\name is registered already.
bool isRegisteredController(SettingsStore& store, std::string_view typeKey, std::string_view name);

// Why a name typed for a new controller cannot be used, if it cannot.
enum class ControllerNameProblem { None, Empty, HasSeparator, Exists };
ControllerNameProblem checkNewControllerName(SettingsStore& store, std::string_view typeKey,
                                             std::string_view name);

}  // namespace pw
