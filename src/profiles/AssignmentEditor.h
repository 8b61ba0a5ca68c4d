#pragma once

// The rules of the assignment page: which game and Profile it works on, the two command grids,
// the capture of a controller action into the lower grid, the conflict check against the upper
// grid and the writes into the game's key.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/ControllerAction.h"
#include "input/KeyOutput.h"
#include "input/Pause.h"
#include "profiles/CommandLists.h"
#include "store/SettingsStore.h"
#include "texts/TextVariables.h"

namespace pw {

// The choice a step of the page needs before it can run.
enum class Missing { Nothing, Group, Game, Controller };

// The message that asks for it: "Gruppe wählen", "Spiel wählen", "Controller wählen" (the German
// defaults of their text variables); empty for Nothing.
std::string_view missingMessage(Missing what);

// The status buttons beside the lower grid: the "free" mark, and the three conflict marks that are
// always shown together.
struct StatusIcons {
    bool free = false;
    bool conflict = false;
    friend bool operator==(const StatusIcons&, const StatusIcons&) = default;
};

// What the page shows of the editor while a step runs that does not return to the event loop in
// between (the conflict beeps): the page draws the status buttons at once and answers messages.
class AssignmentView {
public:
    virtual ~AssignmentView() = default;
    virtual void inform(Missing what) = 0;
    virtual void showIcons(StatusIcons icons) = 0;
};

// The row number that stands for "no row": leaving the grid saves the row being edited, and its
// empty snapshot makes the next selection save nothing.
inline constexpr std::size_t kNoRow = 10000;

class AssignmentEditor {
public:
    using Row = CommandGrid::Row;

    AssignmentEditor(SettingsStore& store, const TextVariables& texts, KeyOutput& beeper, Pauser& pauser,
                     AssignmentView& view);

    // The chosen group and game, as the page's group field and game box show them.
    void setGroup(std::string group) { group_ = std::move(group); }
    void setGame(std::string game) { game_ = std::move(game); }
    const std::string& group() const { return group_; }
    const std::string& game() const { return game_; }
    // The first of group and game that is not chosen.
    Missing missingChoice() const;

    // The games of a group (the subkeys of its key), and a game's "icon" value (empty when it has
    // none or it is no text).
    std::vector<std::string> gamesOf(std::string_view group) const;
    std::string gameIcon(std::string_view group, std::string_view game) const;

    // The chosen game's stored controller name (the part of "controller" after its first "\") and
    // its "profil"; nullopt when the value cannot be read as text.
    std::optional<std::string> storedControllerName() const;
    std::optional<std::string> storedProfil() const;

    // Writes "controller" = typeKey + "\" + name, or "profil", into the chosen game's key. Nothing is
    // written, and the answer is false, when no game is chosen or its key does not exist. A refused
    // write throws StoreError.
    bool writeController(std::string_view typeKey, std::string_view name);
    bool writeProfil(std::string_view fileName);

    // Opens the Profile for this page: the command groups become its groups plus the "all groups"
    // entry, sorted, and the lower grid is emptied to its one blank row.
    void openProfile(const std::filesystem::path& file);
    bool profileOpen() const { return !profile_.empty(); }
    const std::vector<std::string>& commandGroups() const { return commandGroups_; }

    // Lists the commands of a command group (or of all groups) in the lower grid with this game's
    // assignments, and rebuilds the upper grid from every command of the Profile.
    void chooseCommandGroup(std::string_view commandGroup);

    // Both grids back to one blank row.
    void clearGrids();

    const CommandGrid& lower() const { return lower_; }
    const CommandGrid& upper() const { return upper_; }
    // The upper row that holds the action last looked up, 0 for none.
    std::size_t upperSelection() const { return upperSelection_; }
    const StatusIcons& icons() const { return icons_; }

    // One capture step for the selected lower row: a pressed action goes into the row, and the
    // status buttons say whether another command holds that action. Row 0, and a row without a
    // command, take nothing. True when a cell, the upper selection or the icons changed.
    bool capture(std::size_t row, std::optional<ControllerAction> pressed);

    // What one capture step of the page did with the press.
    enum class Capture { Nothing, Stored, Refused };
    // The capture as the page runs it each tick: a press that was not held the step before goes
    // into the row and is stored at once, so the lower grid never shows an action the game does
    // not hold. A refused press (another command holds it) beeps and leaves the row showing what
    // is stored. Holding the control on gives nothing new.
    Capture captureAndStore(std::size_t row, std::optional<ControllerAction> pressed);

    // The grid got the focus on row n: that row is the one being edited, its cells as they are now
    // are what a later save compares against.
    void enterRow(std::size_t n);

    // Saves one lower row into the game's key; true when it wrote. An action held by another
    // command is refused: three beeps (unless the game list is being refilled), the row's action
    // is emptied, nothing is written.
    bool row_abspeichern(std::size_t row);

    // The selection of the lower grid moved to row n (kNoRow when the grid was left): the row
    // edited until now is saved, the action it held before is removed from the game when it was
    // replaced, and both grids are refreshed.
    void stringgrid_speichern(std::size_t n);

    // "Kommando nicht belegen": the row's command loses its action in this game.
    bool kommandoNichtBelegen(std::size_t row);

    // While set (the game list is being refilled after a group was chosen), a refused save gives
    // no beeps.
    void setRefilling(bool on) { refilling_ = on; }
    bool refilling() const { return refilling_; }

    std::size_t lastRow() const { return lastRow_; }
    const Row& snapshot() const { return snapshot_; }

private:
    std::string gameKey() const;
    // The game's key path when it exists, else empty.
    std::string existingGameKey() const;
    const std::string& cellOf(std::size_t row, std::size_t column) const;
    void refreshBoth();
    void takeSnapshot(std::size_t row);
    // Saves the row being edited; the action it held before is removed from the game when the new
    // one was saved. True when it wrote.
    bool commitRow(std::size_t row);
    void setIcons(StatusIcons icons);

    SettingsStore& store_;
    const TextVariables& texts_;
    KeyOutput& beeper_;
    Pauser& pauser_;
    AssignmentView& view_;

    std::string group_;
    std::string game_;
    std::filesystem::path profile_;
    std::vector<std::string> commandGroups_;
    WorkingList working_;
    CommandGrid lower_;
    CommandGrid upper_;
    std::size_t upperSelection_ = 0;
    StatusIcons icons_;
    bool refilling_ = false;
    std::size_t lastRow_ = 0;
    Row snapshot_{};
    std::optional<ControllerAction> heldPress_;
};

}  // namespace pw
