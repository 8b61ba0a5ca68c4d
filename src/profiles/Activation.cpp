#include "profiles/Activation.h"

#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"

namespace pw {

void loadLiveTable(SettingsStore& store, std::string_view group, std::string_view game, LiveTable& table) {
    for (auto& [action, sequence] : readActionSequences(store, group, game)) {
        table.assign(action, std::move(sequence));
    }
}

GameActivation::GameActivation(SettingsStore& store, const TextVariables& texts,
                               ControllerRegistry& controllers, MappingState& state,
                               std::function<void()> inputErneuern, std::string windowCaption)
    : store_(store),
      texts_(texts),
      controllers_(controllers),
      state_(state),
      inputErneuern_(std::move(inputErneuern)),
      windowCaption_(std::move(windowCaption)) {}

bool GameActivation::noMappingFor(std::string_view controller, std::string_view profil) const {
    const std::string_view none = texts_.text(TextGroup::Interface, "Ohne Auswahl");
    return controllerType(controller) == none || profil == none;
}

void GameActivation::commandos_wechsel(std::string_view group, std::string_view game, bool announce) {
    const std::string path = gameKeyPath(group, game);
    if (!store_.keyExists(path)) {
        state_.activeGame.clear();
        return;
    }
    loadLiveTable(store_, group, game, state_.slots);

    std::string wanted;
    try {
        RegistryKey key(store_);
        key.openKey("\\" + path, false);
        wanted = key.readString("controller");
        const std::string profil = key.readString("profil");
        state_.noMapping = noMappingFor(wanted, profil);
    } catch (const RegistryTypeError&) {
        // A value of another type ends this step; NoMapping stays as it was.
    }

    controllers_.akt_controller();
    const std::string_view wantedName = controllerName(wanted);
    const std::string_view wantedType = controllerType(wanted);
    const std::string_view currentName = controllerName(controllers_.currentController());
    const bool switchNeeded = wantedType != texts_.text(TextGroup::Interface, "Ohne Auswahl") &&
                              (wantedName != currentName || wanted != controllers_.lastActivatedController());
    if (switchNeeded) {
        controllers_.activate(wanted, announce, windowCaption_);
        if (inputErneuern_) {
            inputErneuern_();
        }
    }
}

}  // namespace pw
