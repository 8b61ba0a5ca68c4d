#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/SettingsStore.h"
#include "texts/TextVariables.h"

namespace pw {

// The working list of the editors: lines "name=value", each name once (compared without case),
// in the order they came.
class WorkingList {
public:
    // Gives the entry `name` the value in place, or appends it; an empty value removes the entry.
    void set(std::string_view name, std::string_view value);
    void clear() { lines_.clear(); }
    const std::vector<std::string>& lines() const { return lines_; }
    // The value of an entry, nullopt when the list has no such name.
    std::optional<std::string> value(std::string_view name) const;

private:
    std::vector<std::string> lines_;
};

// For each command of the group, in file order, sets the entry "name=value" in the list. The list
// is not cleared first.
void readEntries(const std::filesystem::path& profile, std::string_view group, WorkingList& list);

// A command grid: row 0 is the header, command rows start at 1, and there is always at least one
// (empty) command row. Columns: 0 command name, 1 display text, 2 KeySequence, 3 display name of
// the assigned action, 4 its token (3 and 4 in the assignment grids only).
class CommandGrid {
public:
    static constexpr std::size_t kColumns = 5;
    using Row = std::array<std::string, kColumns>;

    CommandGrid();

    std::size_t rowCount() const { return rows_.size(); }
    const std::string& cell(std::size_t row, std::size_t column) const { return rows_.at(row).at(column); }
    void setCell(std::size_t row, std::size_t column, std::string text) {
        rows_.at(row).at(column) = std::move(text);
    }
    void setRowCount(std::size_t count);
    // The headings "Kommandos", "Taste" and "Action" of the current language.
    void setHeadings(const TextVariables& texts);

private:
    std::vector<Row> rows_;
};

// Rebuilds the grid from a working list: row count 2 with row 1 emptied, then one row per line
// (name before the first "=", display text from there up to the next ";", KeySequence after the
// line's first ";"). A line without ";" gives an empty display text and the whole line as
// KeySequence, as a file edited by hand may have it.
void gridFromList(CommandGrid& grid, const WorkingList& list);

// Writes every command row of the grid into the Profile under the group. Rows are only written,
// never removed. Throws ProfileWriteError.
void listToFile(const CommandGrid& grid, const std::filesystem::path& profile, std::string_view group);

// Adds the commands of every group of the list (except the "all groups" entry) to the working
// list, in list order: a command in several groups keeps the value of the group read last.
void mergeAllGroups(WorkingList& list, const std::filesystem::path& profile,
                    const std::vector<std::string>& groups, std::string_view allEntry);

// The first command row whose cell in the column equals the text exactly, or -1; an empty text
// never matches.
int findRow(const CommandGrid& grid, std::size_t column, std::string_view text);

// Row count 2, every cell of row 1 emptied.
void clearGrid(CommandGrid& grid);

// A list or choice box: its entries and the selected one (-1 for none).
struct SelectionList {
    std::vector<std::string> entries;
    int selected = -1;

    const std::string* selectedText() const {
        return selected >= 0 && static_cast<std::size_t>(selected) < entries.size()
                   ? &entries[static_cast<std::size_t>(selected)]
                   : nullptr;
    }
};

// Selects the first entry equal to the text, A to Z compared without case (no other letter is
// folded). False, and the selection unchanged, when none matches.
bool selectByText(SelectionList& list, std::string_view text);
// The same with an exact comparison.
bool selectExact(SelectionList& list, std::string_view text);

// Entries sorted as a sorted list control shows them: without regard to case.
void sortEntries(std::vector<std::string>& entries);

// The group list of the editors: the Profile's groups sorted, and for the assignment editor the
// "all groups" entry (text "Alle") sorted in among them.
std::vector<std::string> groupList(const std::filesystem::path& profile, const TextVariables* withAllEntry);

// Fills columns 3 and 4 of an assignment grid from the game's command markers: for each row with
// a display text, the action name assigned to it and that action's token. A row whose marker
// cannot be read as text is skipped; a missing marker empties both cells.
void refreshAssignments(CommandGrid& grid, SettingsStore& store, std::string_view gameKey,
                        const TextVariables& texts);

// Refreshes both grids of the assignment editor: the lower one's assignments, then the upper one
// rebuilt from every command of the Profile with its assignments.
void oberes_stringgrid_updaten(CommandGrid& lower, CommandGrid& upper, WorkingList& working,
                               SettingsStore& store, std::string_view gameKey,
                               const std::filesystem::path& profile, const std::vector<std::string>& groups,
                               const TextVariables& texts);

}  // namespace pw
