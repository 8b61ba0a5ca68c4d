#include "controllers/RegisteredControllers.h"

#include "store/RegistryAccess.h"

namespace pw {
namespace {

std::string controllersPath() {
    return joinKeyPath(kProgramKeyPath, "controller");
}

}  // namespace

ControllerCatalog readControllerCatalog(SettingsStore& store, ControllerRegistry& registry) {
    registry.ensureDefaultTypes();
    ControllerCatalog catalog;
    RegistryKey key(store);
    key.openKey(controllersPath(), true);
    catalog.typeKeys = key.subkeys();
    closeRegistryKey(key);
    for (std::size_t i = 0; i < catalog.typeKeys.size(); ++i) {
        const int typeIndex = static_cast<int>(i);
        const std::string caption = registry.captionForTypeIndex(typeIndex);
        for (std::string& name : store.subkeys(joinKeyPath(controllersPath(), catalog.typeKeys[i]))) {
            catalog.controllers.push_back({std::move(name), typeIndex, caption});
        }
    }
    return catalog;
}

bool isRegisteredController(SettingsStore& store, std::string_view typeKey, std::string_view name) {
    if (typeKey.empty() || name.empty()) {
        return false;
    }
    return store.keyExists(joinKeyPath(joinKeyPath(controllersPath(), typeKey), name));
}

ControllerNameProblem checkNewControllerName(SettingsStore& store, std::string_view typeKey,
                                             std::string_view name) {
    if (name.empty()) {
        return ControllerNameProblem::Empty;
    }
    // A "\" would register the controller below another name, or under a type of its own.
    if (name.find('\\') != std::string_view::npos) {
        return ControllerNameProblem::HasSeparator;
    }
    if (isRegisteredController(store, typeKey, name)) {
        return ControllerNameProblem::Exists;
    }
    return ControllerNameProblem::None;
}

}  // namespace pw
