#include "profiles/CommandLists.h"

#include <algorithm>

#include "profiles/GameAssignments.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileFiles.h"
#include "store/RegistryAccess.h"

namespace pw {
namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

std::string_view nameOf(std::string_view line) {
    return line.substr(0, line.find('='));
}

}  // namespace

void WorkingList::set(std::string_view name, std::string_view value) {
    const std::string folded = foldKeyName(name);
    const auto it = std::find_if(lines_.begin(), lines_.end(), [&](const std::string& line) {
        return foldKeyName(nameOf(line)) == folded;
    });
    if (value.empty()) {
        if (it != lines_.end()) {
            lines_.erase(it);
        }
        return;
    }
    std::string line = std::string(it != lines_.end() ? nameOf(*it) : name) + "=" + std::string(value);
    if (it != lines_.end()) {
        *it = std::move(line);
    } else {
        lines_.push_back(std::move(line));
    }
}

std::optional<std::string> WorkingList::value(std::string_view name) const {
    const std::string folded = foldKeyName(name);
    for (const std::string& line : lines_) {
        const auto eq = line.find('=');
        if (foldKeyName(std::string_view(line).substr(0, eq)) == folded) {
            return line.substr(eq + 1);
        }
    }
    return std::nullopt;
}

void readEntries(const std::filesystem::path& profile, std::string_view group, WorkingList& list) {
    for (const auto& [key, value] : iniReadSection(profile, group)) {
        list.set(key, value);
    }
}

CommandGrid::CommandGrid() : rows_(2) {}

void CommandGrid::setRowCount(std::size_t count) {
    rows_.resize(std::max<std::size_t>(count, 2));
}

void CommandGrid::setHeadings(const TextVariables& texts) {
    rows_[0][0] = texts.text(TextGroup::Interface, "Kommandos");
    rows_[0][1] = texts.text(TextGroup::Interface, "Taste");
    rows_[0][3] = texts.text(TextGroup::Interface, "Action");
}

void gridFromList(CommandGrid& grid, const WorkingList& list) {
    grid.setRowCount(2);
    for (std::size_t c = 0; c < 3; ++c) {
        grid.setCell(1, c, {});
    }
    std::size_t i = 0;
    for (const std::string& line : list.lines()) {
        const std::string_view text = line;
        const auto eq = text.find('=');
        const std::string_view name = text.substr(0, eq);
        const auto afterEq = eq == std::string_view::npos ? text.size() : eq + 1;
        const auto semicolonAfterEq = text.find(';', afterEq);
        const std::string_view display = semicolonAfterEq == std::string_view::npos
                                             ? std::string_view{}
                                             : text.substr(afterEq, semicolonAfterEq - afterEq);
        const auto firstSemicolon = text.find(';');
        const std::string_view keys =
            firstSemicolon == std::string_view::npos ? text : text.substr(firstSemicolon + 1);
        if (i > 0) {
            grid.setRowCount(grid.rowCount() + 1);
        }
        const std::size_t row = grid.rowCount() - 1;
        grid.setCell(row, 0, std::string(name));
        grid.setCell(row, 1, std::string(display));
        grid.setCell(row, 2, std::string(keys));
        ++i;
    }
}

void listToFile(const CommandGrid& grid, const std::filesystem::path& profile, std::string_view group) {
    for (std::size_t row = 1; row < grid.rowCount(); ++row) {
        iniWriteString(profile, group, grid.cell(row, 0), grid.cell(row, 1) + ";" + grid.cell(row, 2));
    }
}

void mergeAllGroups(WorkingList& list, const std::filesystem::path& profile,
                    const std::vector<std::string>& groups, std::string_view allEntry) {
    for (const std::string& group : groups) {
        if (group != allEntry) {
            readEntries(profile, group, list);
        }
    }
}

int findRow(const CommandGrid& grid, std::size_t column, std::string_view text) {
    if (text.empty()) {
        return -1;
    }
    for (std::size_t row = 1; row < grid.rowCount(); ++row) {
        if (grid.cell(row, column) == text) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

void clearGrid(CommandGrid& grid) {
    grid.setRowCount(2);
    for (std::size_t c = 0; c < CommandGrid::kColumns; ++c) {
        grid.setCell(1, c, {});
    }
}

bool selectByText(SelectionList& list, std::string_view text) {
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (equalAsciiNoCase(list.entries[i], text)) {
            list.selected = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool selectExact(SelectionList& list, std::string_view text) {
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i] == text) {
            list.selected = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

void sortEntries(std::vector<std::string>& entries) {
    // "Äußeres" goes with the A's, as the Windows lists sort it; the order also decides which
    // command wins when "Alle" merges the groups.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::string& a, const std::string& b) { return alphabeticLess(a, b); });
}

std::vector<std::string> groupList(const std::filesystem::path& profile, const TextVariables* withAllEntry) {
    std::vector<std::string> groups = iniReadSections(profile);
    if (withAllEntry != nullptr) {
        groups.emplace_back(withAllEntry->text(TextGroup::Interface, "Alle"));
    }
    sortEntries(groups);
    return groups;
}

void refreshAssignments(CommandGrid& grid, SettingsStore& store, std::string_view gameKey,
                        const TextVariables& texts) {
    for (std::size_t row = 1; row < grid.rowCount(); ++row) {
        const std::string& display = grid.cell(row, 1);
        if (display.empty()) {
            continue;
        }
        std::string marker;
        try {
            marker = readMarker(store, gameKey, display);
        } catch (const RegistryTypeError&) {
            continue;
        }
        const std::string tokenText(actionTokenFromDisplayName(marker, texts));
        grid.setCell(row, 3, std::move(marker));
        grid.setCell(row, 4, tokenText);
    }
}

void oberes_stringgrid_updaten(CommandGrid& lower, CommandGrid& upper, WorkingList& working,
                               SettingsStore& store, std::string_view gameKey,
                               const std::filesystem::path& profile, const std::vector<std::string>& groups,
                               const TextVariables& texts) {
    refreshAssignments(lower, store, gameKey, texts);
    working.clear();
    mergeAllGroups(working, profile, groups, texts.text(TextGroup::Interface, "Alle"));
    gridFromList(upper, working);
    refreshAssignments(upper, store, gameKey, texts);
}

}  // namespace pw
