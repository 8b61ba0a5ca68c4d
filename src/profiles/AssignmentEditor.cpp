#include "profiles/AssignmentEditor.h"

#include <algorithm>

#include "controllers/ControllerRegistry.h"
#include "input/ControllerAction.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"

namespace pw {
namespace {

constexpr std::size_t kName = 0;
constexpr std::size_t kDisplay = 1;
constexpr std::size_t kKeys = 2;
constexpr std::size_t kAction = 3;
constexpr std::size_t kToken = 4;

// The beeps of a refused assignment, and how long the conflict marks stay up afterwards.
constexpr std::array<int, 3> kConflictBeeps = {4000, 3000, 1000};
constexpr std::int32_t kConflictPause = 200;

// A command marker is named by the command's display text. The game's own values and the action
// tokens share that key, so a display text that spells one of them (a Profile edited by hand)
// must not overwrite or delete it.
bool isMarkerName(std::string_view name) {
    if (name.empty() || actionFromToken(name)) {
        return false;
    }
    const std::string folded = foldKeyName(name);
    for (std::string_view own : {"name", "exe", "icon", "path", "controller", "profil"}) {
        if (folded == own) {
            return false;
        }
    }
    return true;
}

void clearAssignments(CommandGrid& grid) {
    for (std::size_t row = 1; row < grid.rowCount(); ++row) {
        grid.setCell(row, kAction, {});
        grid.setCell(row, kToken, {});
    }
}

}  // namespace

std::string_view missingMessage(Missing what) {
    switch (what) {
        case Missing::Group:
            return "Gruppe wählen";
        case Missing::Game:
            return "Spiel wählen";
        case Missing::Controller:
            return "Controller wählen";
        case Missing::Nothing:
            break;
    }
    return {};
}

AssignmentEditor::AssignmentEditor(SettingsStore& store, const TextVariables& texts, KeyOutput& beeper,
                                   Pauser& pauser, AssignmentView& view)
    : store_(store), texts_(texts), beeper_(beeper), pauser_(pauser), view_(view) {}

Missing AssignmentEditor::missingChoice() const {
    if (group_.empty()) {
        return Missing::Group;
    }
    if (game_.empty()) {
        return Missing::Game;
    }
    return Missing::Nothing;
}

std::vector<std::string> AssignmentEditor::gamesOf(std::string_view group) const {
    if (group.empty()) {
        return {};
    }
    return store_.subkeys(joinKeyPath(joinKeyPath(kProgramKeyPath, "games"), group));
}

std::string AssignmentEditor::gameIcon(std::string_view group, std::string_view game) const {
    if (group.empty() || game.empty()) {
        return {};
    }
    const auto value = store_.readValue(gameKeyPath(group, game), "icon");
    return value && value->isString() ? value->data : std::string();
}

std::string AssignmentEditor::gameKey() const {
    return gameKeyPath(group_, game_);
}

std::string AssignmentEditor::existingGameKey() const {
    if (group_.empty() || game_.empty()) {
        return {};
    }
    std::string path = gameKey();
    return store_.keyExists(path) ? path : std::string();
}

std::optional<std::string> AssignmentEditor::storedControllerName() const {
    const std::string key = existingGameKey();
    if (key.empty()) {
        return std::string();
    }
    const auto value = store_.readValue(key, "controller");
    if (!value) {
        return std::string();
    }
    if (!value->isString()) {
        return std::nullopt;
    }
    return std::string(controllerName(value->data));
}

std::optional<std::string> AssignmentEditor::storedProfil() const {
    const std::string key = existingGameKey();
    if (key.empty()) {
        return std::string();
    }
    const auto value = store_.readValue(key, "profil");
    if (!value) {
        return std::string();
    }
    if (!value->isString()) {
        return std::nullopt;
    }
    return value->data;
}

bool AssignmentEditor::writeController(std::string_view typeKey, std::string_view name) {
    const std::string key = existingGameKey();
    if (key.empty()) {
        return false;
    }
    store_.writeValue(key, "controller",
                      RegistryValue::string(std::string(typeKey) + "\\" + std::string(name)));
    return true;
}

bool AssignmentEditor::writeProfil(std::string_view fileName) {
    const std::string key = existingGameKey();
    if (key.empty()) {
        return false;
    }
    store_.writeValue(key, "profil", RegistryValue::string(std::string(fileName)));
    return true;
}

void AssignmentEditor::openProfile(const std::filesystem::path& file) {
    profile_ = file;
    commandGroups_ = groupList(file, &texts_);
    working_.clear();
    clearGrid(lower_);
    gridFromList(lower_, working_);
}

void AssignmentEditor::chooseCommandGroup(std::string_view commandGroup) {
    working_.clear();
    const std::string_view all = texts_.text(TextGroup::Interface, "Alle");
    if (commandGroup == all) {
        mergeAllGroups(working_, profile_, commandGroups_, all);
    } else if (!commandGroup.empty()) {
        readEntries(profile_, commandGroup, working_);
    }
    // The blank row keeps nothing of the group shown before: a stale action in it would be saved
    // (and its token deleted) by merely passing through the row.
    clearGrid(lower_);
    gridFromList(lower_, working_);
    refreshBoth();
}

void AssignmentEditor::clearGrids() {
    clearGrid(lower_);
    clearGrid(upper_);
    upperSelection_ = 0;
}

// oberes_stringgrid_updaten, with the upper grid emptied before it is rebuilt, so that no action
// of an earlier Profile lingers in its blank row and shows up as a conflict.
void AssignmentEditor::refreshBoth() {
    const std::string key = existingGameKey();
    if (!key.empty()) {
        refreshAssignments(lower_, store_, key, texts_);
    } else {
        clearAssignments(lower_);
    }
    working_.clear();
    if (!profile_.empty()) {
        mergeAllGroups(working_, profile_, commandGroups_, texts_.text(TextGroup::Interface, "Alle"));
    }
    clearGrid(upper_);
    gridFromList(upper_, working_);
    if (!key.empty()) {
        refreshAssignments(upper_, store_, key, texts_);
    }
    if (upperSelection_ >= upper_.rowCount()) {
        upperSelection_ = 0;
    }
}

const std::string& AssignmentEditor::cellOf(std::size_t row, std::size_t column) const {
    static const std::string kEmpty;
    return row >= 1 && row < lower_.rowCount() ? lower_.cell(row, column) : kEmpty;
}

void AssignmentEditor::setIcons(StatusIcons icons) {
    icons_ = icons;
    view_.showIcons(icons);
}

bool AssignmentEditor::capture(std::size_t row, std::optional<ControllerAction> pressed) {
    if (row == 0 || row >= lower_.rowCount() || lower_.cell(row, kName).empty()) {
        return false;
    }
    bool changed = false;
    if (pressed) {
        const std::string_view name = displayName(*pressed, texts_);
        const std::string_view tokenText = token(*pressed);
        if (lower_.cell(row, kAction) != name) {
            lower_.setCell(row, kAction, std::string(name));
            changed = true;
        }
        if (lower_.cell(row, kToken) != tokenText) {
            lower_.setCell(row, kToken, std::string(tokenText));
            changed = true;
        }
    }
    const int holder = findRow(upper_, kAction, lower_.cell(row, kAction));
    StatusIcons icons{true, false};
    if (holder > 0) {
        const auto holderRow = static_cast<std::size_t>(holder);
        if (upperSelection_ != holderRow) {
            upperSelection_ = holderRow;
            changed = true;
        }
        if (upper_.cell(holderRow, kName) != lower_.cell(row, kName)) {
            icons = {false, true};
        }
    }
    if (icons != icons_) {
        icons_ = icons;
        changed = true;
    }
    return changed;
}

bool AssignmentEditor::row_abspeichern(std::size_t row) {
    if (const Missing missing = missingChoice(); missing != Missing::Nothing) {
        view_.inform(missing);
        return false;
    }
    const int holder = findRow(upper_, kAction, cellOf(row, kAction));
    const bool free =
        holder < 0 || upper_.cell(static_cast<std::size_t>(holder), kName) == cellOf(row, kName);
    if (!free) {
        upperSelection_ = static_cast<std::size_t>(holder);
        if (!refilling_) {
            beeper_.beep(kConflictBeeps[0]);
            setIcons({false, true});
            beeper_.beep(kConflictBeeps[1]);
            beeper_.beep(kConflictBeeps[2]);
            pauser_.pause(kConflictPause);
            if (row >= 1 && row < lower_.rowCount()) {
                lower_.setCell(row, kAction, {});
            }
        }
        setIcons({icons_.free, false});
        return false;
    }

    setIcons({true, icons_.conflict});
    const std::string key = existingGameKey();
    bool wrote = false;
    if (!key.empty()) {
        const std::string display = cellOf(row, kDisplay);
        const std::string keys = cellOf(row, kKeys);
        const std::string action = cellOf(row, kAction);
        const std::string tokenText = cellOf(row, kToken);
        const bool tokenValid = actionFromToken(tokenText).has_value();
        store_.batch([&] {
            if (isMarkerName(display)) {
                if (!action.empty() && tokenValid) {
                    store_.writeValue(key, display, RegistryValue::string(action));
                } else {
                    store_.deleteValue(key, display);
                }
            }
            if (tokenValid) {
                if (!keys.empty() && !action.empty()) {
                    store_.writeValue(key, tokenText, RegistryValue::string(keys));
                } else {
                    store_.deleteValue(key, tokenText);
                }
            }
        });
        wrote = true;
    }
    setIcons({false, icons_.conflict});
    return wrote;
}

void AssignmentEditor::takeSnapshot(std::size_t row) {
    for (std::size_t c = 0; c < CommandGrid::kColumns; ++c) {
        snapshot_[c] = cellOf(row, c);
    }
    lastRow_ = row;
}

bool AssignmentEditor::commitRow(std::size_t row) {
    const bool saved = row_abspeichern(row);
    const std::string& before = snapshot_[kAction];
    const std::string& beforeToken = snapshot_[kToken];
    // The action the command held before is given up only when the new one was saved: a
    // refused change leaves the game as it was.
    if (saved && !before.empty() && before != cellOf(row, kAction) && actionFromToken(beforeToken)) {
        if (const std::string key = existingGameKey(); !key.empty()) {
            store_.deleteValue(key, beforeToken);
        }
    }
    refreshBoth();
    return saved;
}

void AssignmentEditor::stringgrid_speichern(std::size_t n) {
    if (n != lastRow_) {
        if (n > 0 && lastRow_ != 0 && lastRow_ < lower_.rowCount()) {
            commitRow(lastRow_);
        }
        takeSnapshot(n);
    }
    lastRow_ = n;
}

void AssignmentEditor::enterRow(std::size_t n) {
    takeSnapshot(n);
    heldPress_.reset();
}

AssignmentEditor::Capture AssignmentEditor::captureAndStore(std::size_t row,
                                                            std::optional<ControllerAction> pressed) {
    const bool newPress = pressed.has_value() && pressed != heldPress_;
    heldPress_ = pressed;
    if (!newPress || row == 0 || row >= lower_.rowCount() || lower_.cell(row, kName).empty()) {
        return Capture::Nothing;
    }
    if (row != lastRow_) {
        takeSnapshot(row);
    }
    capture(row, pressed);
    if (cellOf(row, kToken) == snapshot_[kToken] && cellOf(row, kAction) == snapshot_[kAction]) {
        // The command holds this action already.
        return Capture::Stored;
    }
    const bool saved = commitRow(row);
    takeSnapshot(row);
    return saved ? Capture::Stored : Capture::Refused;
}

bool AssignmentEditor::kommandoNichtBelegen(std::size_t row) {
    if (row == 0 || row >= lower_.rowCount()) {
        return false;
    }
    lower_.setCell(row, kAction, {});
    const bool saved = row_abspeichern(row);
    if (saved) {
        // The upper grid is what later rows are checked against: the freed action must not
        // count as taken any more.
        refreshBoth();
        if (row == lastRow_) {
            takeSnapshot(row);
        }
    }
    return saved;
}

}  // namespace pw
