#include "profiles/CommandEditor.h"

#include <algorithm>
#include <system_error>

#include "profiles/IniFile.h"
#include "profiles/ProfileFiles.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".ini";

// Group names lose their outer blanks in the file anyway; taking them off first lets the list
// find the group it just made.
std::string trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

}  // namespace

CommandEditor::CommandEditor(fs::path programDirectory, const TextVariables& texts, EditorDialogs& dialogs,
                             const TimeOfDaySource& clock)
    : directory_(std::move(programDirectory)), texts_(texts), dialogs_(dialogs), capture_(texts, clock) {}

std::string CommandEditor::text(std::string_view germanDefault) const {
    return std::string(texts_.text(TextGroup::Interface, germanDefault));
}

std::string CommandEditor::profileName() const {
    return profileDisplayName(fileName_);
}

void CommandEditor::setGroupName(std::string name) {
    groupName_ = std::move(name);
    groupNameChanged_ = true;
}

EditorEnabling CommandEditor::enabling() const {
    EditorEnabling e;
    e.newGroup = !profileName().empty();
    const std::string* chosen = groups_.selectedText();
    const bool groupChosen = chosen != nullptr && !chosen->empty() && !groupName_.empty();
    e.renameGroup = groupChosen;
    e.deleteGroup = groupChosen;
    e.commandControls = !groupName_.empty();
    e.recStop = groupNameChanged_ ? e.commandControls : true;
    return e;
}

// ---- Profiles ----

void CommandEditor::enterPage() {
    profiles_.entries = listProfiles(directory_);
    profiles_.selected = -1;
    if (!profiles_.entries.empty()) {
        chooseProfile(0);
    }
}

void CommandEditor::leavePage() {
    stop();
}

void CommandEditor::rereadProfiles() {
    const std::string* chosen = profiles_.selectedText();
    const std::string keep = chosen != nullptr ? *chosen : std::string();
    const int position = profiles_.selected;
    profiles_.entries = listProfiles(directory_);
    if (!selectExact(profiles_, keep)) {
        profiles_.selected = std::min(position, static_cast<int>(profiles_.entries.size()) - 1);
    }
}

void CommandEditor::chooseProfile(int index) {
    profiles_.selected = index;
    const std::string* file = profiles_.selectedText();
    if (file == nullptr) {
        profiles_.selected = -1;
        return;
    }
    openProfile_ = directory_ / *file;
    groups_.entries = groupList(openProfile_, nullptr);
    groups_.selected = groups_.entries.empty() ? -1 : 0;
    working_.clear();
    gridFromList(grid_, working_);
    selectedRow_ = 1;
    fileName_ = *file;
    chooseSelectedGroup();
}

void CommandEditor::chooseProfileNamed(const std::string& fileName) {
    profiles_.entries = listProfiles(directory_);
    if (selectExact(profiles_, fileName)) {
        chooseProfile(profiles_.selected);
    }
}

void CommandEditor::newProfile() {
    const std::string answer = dialogs_.askText(text("Profil neu anlegen"), {});
    if (answer.empty()) {
        return;
    }
    if (const auto problem = profileNameProblem(answer)) {
        dialogs_.inform(*problem);
        return;
    }
    const std::string fileName = answer + std::string(kExtension);
    const fs::path path = directory_ / fileName;
    std::error_code error;
    if (fs::exists(path, error) && !dialogs_.confirm(text("Datei existiert, überschreiben"))) {
        return;
    }
    try {
        createProfile(path);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
        return;
    }
    chooseProfileNamed(fileName);
    setGroupName({});
}

void CommandEditor::saveProfileAs() {
    // Without a chosen Profile there is nothing to copy.
    if (fileName_.empty()) {
        return;
    }
    const std::string current = profileName();
    const std::string answer = dialogs_.askText(text("Profil neu anlegen"), current);
    if (answer.empty() || answer == current) {
        return;
    }
    if (const auto problem = profileNameProblem(answer)) {
        dialogs_.inform(*problem);
        return;
    }
    const std::string fileName = answer + std::string(kExtension);
    try {
        copyProfile(directory_ / fileName_, directory_ / fileName);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
        return;
    }
    chooseProfileNamed(fileName);
}

void CommandEditor::deleteProfile() {
    // The file itself, not the shown name + ".ini": "a.b.ini" is shown as "a", and "a.ini" may be
    // another Profile.
    std::error_code error;
    const fs::path path = directory_ / fileName_;
    if (fileName_.empty() || !fs::is_regular_file(path, error)) {
        dialogs_.inform(text("Datei existiert nicht"));
        return;
    }
    if (!dialogs_.confirm(text("Sicher löschen"))) {
        return;
    }
    try {
        pw::deleteProfile(path);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
        rereadProfiles();
        return;
    }
    profiles_.entries = listProfiles(directory_);
    profiles_.selected = -1;
    fileName_.clear();
    openProfile_.clear();
    setGroupName({});
    groups_ = {};
    working_.clear();
    clearGrid(grid_);
    selectedRow_ = 1;
}

// ---- Groups ----

void CommandEditor::chooseGroup(int index) {
    groups_.selected = index;
    const std::string* group = groups_.selectedText();
    if (group == nullptr) {
        groups_.selected = -1;
    }
    // A Profile without groups leaves no group to write into.
    setGroupName(group != nullptr ? *group : std::string());
    reloadGroup();
    selectedRow_ = 1;
}

void CommandEditor::reloadGroup() {
    working_.clear();
    if (!groupName_.empty() && !openProfile_.empty()) {
        readEntries(openProfile_, groupName_, working_);
    }
    gridFromList(grid_, working_);
    selectedRow_ = std::clamp(selectedRow_, 1, static_cast<int>(grid_.rowCount()) - 1);
}

bool CommandEditor::selectSameGroup(std::string_view name) {
    if (selectByText(groups_, name)) {
        return true;
    }
    // The file takes "Ärger" and "ärger" as one section too.
    const std::string folded = iniFoldName(name);
    for (std::size_t i = 0; i < groups_.entries.size(); ++i) {
        if (iniFoldName(groups_.entries[i]) == folded) {
            groups_.selected = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

void CommandEditor::newGroup() {
    if (openProfile_.empty()) {
        return;
    }
    const std::string answer = trimBlanks(dialogs_.askText(text("Profilgruppe neu"), {}));
    if (answer.empty()) {
        return;
    }
    setGroupName(answer);
    if (selectSameGroup(answer)) {
        dialogs_.inform(text("Bezeichner besteht bereits"));
        // The group field names the group the list now marks, so a save goes where the grid shows.
        chooseSelectedGroup();
        return;
    }
    try {
        createGroup(openProfile_, answer);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
        chooseSelectedGroup();
        return;
    }
    groups_.entries = groupList(openProfile_, nullptr);
    groups_.selected = -1;
    selectSameGroup(answer);
    chooseSelectedGroup();
}

void CommandEditor::renameGroup() {
    const std::string* chosen = groups_.selectedText();
    if (chosen == nullptr || chosen->empty() || groupName_.empty()) {
        dialogs_.inform(text("Gruppe wählen"));
        return;
    }
    const std::string old = *chosen;
    const std::string answer = trimBlanks(dialogs_.askText(text("Profilgruppe neu"), old));
    // An empty answer leaves the group field empty, which disables the group's controls.
    setGroupName(answer);
    if (answer.empty()) {
        return;
    }
    if (selectSameGroup(answer)) {
        dialogs_.inform(text("Bezeichner besteht bereits"));
        chooseSelectedGroup();
        return;
    }
    try {
        const std::vector<std::string> keys = iniReadKeys(openProfile_, old);
        for (const std::string& key : keys) {
            iniWriteString(openProfile_, answer, key, iniReadString(openProfile_, old, key, "ERROR"));
        }
        if (keys.empty()) {
            createGroup(openProfile_, answer);
        }
        // Only once every command stands under the new name does the old group go.
        iniEraseSection(openProfile_, old);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
    }
    chooseProfileNamed(fileName_);
}

void CommandEditor::deleteGroup() {
    const std::string* chosen = groups_.selectedText();
    if (chosen == nullptr || chosen->empty() || groupName_.empty()) {
        dialogs_.inform(text("Gruppe wählen"));
        return;
    }
    if (!dialogs_.confirm(text("Sicher löschen"))) {
        return;
    }
    try {
        iniEraseSection(openProfile_, *chosen);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
    }
    rereadProfiles();
    chooseProfile(profiles_.selected);
}

// ---- Commands ----

void CommandEditor::takeCommand(int row) {
    if (row < 1 || static_cast<std::size_t>(row) >= grid_.rowCount()) {
        return;
    }
    selectedRow_ = row;
    const auto r = static_cast<std::size_t>(row);
    if (grid_.cell(r, 0).empty()) {
        return;
    }
    nameField_ = grid_.cell(r, 0);
    capture_.setTexts(grid_.cell(r, 1), grid_.cell(r, 2));
    focus_ = EditorFocus::KeyField;
    nameTyped_ = false;
}

void CommandEditor::newCommand() {
    stop();
    nameField_.clear();
    // The captured KeySequence stays until the next capture replaces it.
    capture_.setTexts({}, capture_.keySequenceText());
    focus_ = EditorFocus::NameField;
}

void CommandEditor::writeRow(std::size_t row) {
    iniWriteString(openProfile_, groupName_, grid_.cell(row, 0),
                   grid_.cell(row, 1) + ";" + grid_.cell(row, 2));
}

void CommandEditor::saveCommand() {
    stop();
    if (groupName_.empty() || openProfile_.empty()) {
        dialogs_.inform(text("Gruppe wählen"));
        return;
    }
    if (nameField_.empty()) {
        dialogs_.inform(text("Bezeichner eingeben"));
        focus_ = EditorFocus::NameField;
        return;
    }
    if (keyField().empty()) {
        dialogs_.inform(text("Bezeichner eingeben"));
        focus_ = EditorFocus::KeyField;
        return;
    }

    // Every command of the Profile once, the current group's first: keys and typed names must be
    // new to the whole Profile.
    reloadGroup();
    const auto groupRows = static_cast<int>(working_.lines().size());
    mergeAllGroups(working_, openProfile_, groupList(openProfile_, nullptr), {});
    gridFromList(grid_, working_);
    const int a = findRow(grid_, 1, keyField());
    // Names compare as the file compares them: "sprung" would overwrite "Sprung".
    int b = -1;
    const std::string foldedName = iniFoldName(nameField_);
    for (std::size_t row = 1; row < grid_.rowCount() && b < 0; ++row) {
        if (!grid_.cell(row, 0).empty() && iniFoldName(grid_.cell(row, 0)) == foldedName) {
            b = static_cast<int>(row);
        }
    }
    reloadGroup();
    // A name taken from another group's command has no row here: it is refused like a typed one
    // rather than dropped. So are keys that a row of this group shows already.
    const bool nameElsewhere = b > groupRows;
    const bool keysInGroup = b >= 0 && findRow(grid_, 1, keyField()) >= 0;
    if ((b >= 0 && nameTyped_) || a >= 0 || nameElsewhere || keysInGroup) {
        if (a >= 1 && a < static_cast<int>(grid_.rowCount())) {
            selectedRow_ = a;
        }
        dialogs_.inform(text("Bezeichner besteht bereits"));
        return;
    }

    std::size_t row = 0;
    if (b < 0) {
        if (!grid_.cell(1, 0).empty()) {
            grid_.setRowCount(grid_.rowCount() + 1);
        }
        row = grid_.rowCount() - 1;
    } else {
        row = static_cast<std::size_t>(b);
    }
    grid_.setCell(row, 0, nameField_);
    grid_.setCell(row, 1, keyField());
    grid_.setCell(row, 2, keySequence());
    try {
        // Only this row changes; the others came from the file as they stand.
        writeRow(row);
    } catch (const ProfileWriteError& e) {
        dialogs_.inform(e.what());
        // The grid shows what the file holds; the fields keep the input for another try.
        reloadGroup();
        return;
    }
    selectedRow_ = static_cast<int>(row);
    capture_.clear();
    newCommand();
}

void CommandEditor::deleteCommand() {
    if (groupName_.empty() || openProfile_.empty()) {
        return;
    }
    const auto s = static_cast<std::size_t>(selectedRow_);
    if (s < 1 || s >= grid_.rowCount()) {
        return;
    }
    if (!dialogs_.confirm(text("Sicher löschen"))) {
        return;
    }
    const std::string name = grid_.cell(s, 0);
    if (!name.empty()) {
        try {
            iniDeleteKey(openProfile_, groupName_, name);
        } catch (const ProfileWriteError& e) {
            dialogs_.inform(e.what());
        }
    }
    reloadGroup();
}

// ---- Key capture ----

void CommandEditor::keyDown(std::int32_t virtualKey, const ModifierState& modifiers) {
    if (!enabling().commandControls || virtualKey <= 0) {
        return;
    }
    capture_.keyDown(virtualKey, modifiers);
}

void CommandEditor::rec() {
    capture_.rec();
}

void CommandEditor::stop() {
    // A second "Stop" would add another "(" to a finished recording or to a single key.
    if (capture_.recording()) {
        capture_.stop();
    }
}

}  // namespace pw
