#pragma once

// The rules of the command editor page ("Spiele-Tastaturbelegung"): choosing, creating, copying and
// deleting Profiles, creating, renaming and deleting their groups, and creating, changing and
// deleting commands whose keys are captured in the key field. Every change goes to the Profile file
// at once; the page only shows this state and hands the user's clicks and key presses in.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "input/KeyCapture.h"
#include "profiles/CommandLists.h"
#include "texts/TextVariables.h"

namespace pw {

// The questions and messages of the editor. The page answers them with the program's dialogs.
class EditorDialogs {
public:
    virtual ~EditorDialogs() = default;
    // Yes/no question; true for yes.
    virtual bool confirm(const std::string& question) = 0;
    // Input dialog with this caption and initial text; empty means cancelled.
    virtual std::string askText(const std::string& caption, const std::string& initial) = 0;
    // Information message with a single OK.
    virtual void inform(const std::string& message) = 0;
};

// Where the page should put the keyboard focus after an operation.
enum class EditorFocus { None, NameField, KeyField };

// Which controls the user may use.
struct EditorEnabling {
    bool newGroup = false;
    bool renameGroup = false;
    bool deleteGroup = false;
    // "Kommando neu", "Kommando speichern", "Kommando löschen", the name and the key field.
    bool commandControls = false;
    bool recStop = true;
};

class CommandEditor {
public:
    CommandEditor(std::filesystem::path programDirectory, const TextVariables& texts, EditorDialogs& dialogs,
                  const TimeOfDaySource& clock);

    // Showing the page: the Profile list is read again and its first Profile chosen.
    void enterPage();
    // Leaving the page ends a running recording.
    void leavePage();

    // The Profile files of the program directory (file names with extension) and the chosen one.
    const SelectionList& profiles() const { return profiles_; }
    // Re-reads the Profile list; the selection stays on the same file name when it is still there.
    void rereadProfiles();
    // Choosing a Profile in the list: opens it, shows its groups and chooses the first.
    void chooseProfile(int index);
    void newProfile();
    void saveProfileAs();
    void deleteProfile();

    // The groups of the open Profile, sorted, and the chosen one.
    const SelectionList& groups() const { return groups_; }
    void chooseGroup(int index);
    void newGroup();
    void renameGroup();
    void deleteGroup();

    // The commands of the current group (after a refused save: still the group's commands).
    const CommandGrid& grid() const { return grid_; }
    int selectedRow() const { return selectedRow_; }
    // Taking a command from the grid into the name and key fields.
    void takeCommand(int row);
    void newCommand();
    void saveCommand();
    void deleteCommand();

    // The name field: the user edits it; a key pressed in it marks the name as typed.
    const std::string& nameField() const { return nameField_; }
    void setNameField(std::string name) { nameField_ = std::move(name); }
    void nameKeyPressed() { nameTyped_ = true; }
    bool nameTyped() const { return nameTyped_; }

    // The key field: it always shows the display text of the captured keys.
    const std::string& keyField() const { return capture_.displayText(); }
    const std::string& keySequence() const { return capture_.keySequenceText(); }
    void keyDown(std::int32_t virtualKey, const ModifierState& modifiers);
    void rec();
    void stop();
    bool recording() const { return capture_.recording(); }

    // The chosen Profile's file name, the Profile name shown for it and the current group's name.
    const std::string& fileName() const { return fileName_; }
    std::string profileName() const;
    const std::string& groupName() const { return groupName_; }
    const std::filesystem::path& openProfile() const { return openProfile_; }

    EditorEnabling enabling() const;
    // The focus the last operation asks for; asking clears it.
    EditorFocus takeFocusRequest() { return std::exchange(focus_, EditorFocus::None); }

private:
    std::string text(std::string_view germanDefault) const;
    void setGroupName(std::string name);
    // Fills the working list and the grid with the current group's commands.
    void reloadGroup();
    // Selects the group that the INI rules take as the same as `name`; false when there is none.
    bool selectSameGroup(std::string_view name);
    void chooseSelectedGroup() { chooseGroup(groups_.selected); }
    void chooseProfileNamed(const std::string& fileName);
    // Writes one command row into the current group.
    void writeRow(std::size_t row);

    std::filesystem::path directory_;
    const TextVariables& texts_;
    EditorDialogs& dialogs_;
    KeyCapture capture_;

    SelectionList profiles_;
    SelectionList groups_;
    WorkingList working_;
    CommandGrid grid_;
    int selectedRow_ = 1;

    std::filesystem::path openProfile_;
    std::string fileName_;
    std::string groupName_;
    std::string nameField_;
    bool nameTyped_ = false;
    // Until the group field first changes, "Rec" and "Stop" stay usable.
    bool groupNameChanged_ = false;
    EditorFocus focus_ = EditorFocus::None;
};

}  // namespace pw
