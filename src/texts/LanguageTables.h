#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "texts/TextVariables.h"

namespace pw {

// A table file is read in pieces, line by line, and keeps only the lines it is asked for, so that
// a table of any size takes little memory. A missing, unreadable, empty or binary file (a NUL byte
// outside UTF-16; in UTF-16 a NUL or a surrogate without its partner) has no lines.
// Lines end at CR LF, LF or a lone CR. A file with a UTF-16 mark (either byte order) is UTF-16; a
// UTF-8 mark is dropped; otherwise each line is read as UTF-8 when it is valid UTF-8, else as
// Windows-1252, so that one stray byte costs one line, not the file. A text after "=" longer than
// the 1023 characters the Windows program could show is cut there, with a note.
// A loaded table: for each text it was asked for, the text of the first line that names it.
struct LanguageTable {
    std::filesystem::path file;
    std::size_t lineCount = 0;
    std::vector<std::string> notes;  // "FILE:LINE: what", for the translator
    std::map<std::string, std::string, std::less<>> texts;
};

// A text of a table line is cut after this many characters.
inline constexpr std::size_t kTableTextLimit = 1023;

// Every line of a table file in order, as UTF-8 and cut as the table keeps it (cut tells whether
// it was), numbered from 1. False, and no line, when the file has none to give.
using TableLineHandler = std::function<void(int number, std::string_view text, bool cut)>;
bool readTableLines(const std::filesystem::path& file, const TableLineHandler& onLine);

// The table with the texts of the lines that name one of lookedFor (as tableText compares them).
LanguageTable loadLanguageTable(const std::filesystem::path& file,
                                std::span<const std::string_view> lookedFor);
// The table of a group: the lines that name one of its defaults.
LanguageTable loadLanguageTable(const std::filesystem::path& file, TextGroup group);

// Replaces a variable's text from the table when a line names it: the line, its first character
// in upper case (a to z only), must begin with the variable's text followed by ":="; the new text
// is everything after the first "=" of the line. The first matching line wins. False when no line
// matches.
bool variable_zuweisen(const LanguageTable& table, TextVariables& texts, TextGroup group,
                       std::string_view germanDefault);

// The text of the first table line that names germanDefault as variable_zuweisen compares it,
// for texts that are not the program's variables (the control panel's). Empty when none does, and
// for a text the table was not loaded for.
std::optional<std::string> tableText(const LanguageTable& table, std::string_view germanDefault);

// The three tables the program reads, named after their files, in the order they are looked up.
inline constexpr std::string_view kKeyNameTable = "keycon.gam";
inline constexpr std::string_view kActionNameTable = "joycon.gam";
inline constexpr std::string_view kInterfaceTable = "language.gam";
// The control panel program's own table, beside the three; the program itself never reads it.
inline constexpr std::string_view kPanelTable = "joycpl.gam";

struct LoadedTables {
    LanguageTable keyNames;
    LanguageTable actionNames;
    LanguageTable interfaceTexts;
};

// Sets every variable back to its default, loads the three tables from the program directory and
// looks every replaceable variable up. progress gets the values the splash window shows:
// 20, 30 (key names, after "Num 8"), 35, 39 (action names), 50, 60, 70, 80 (interface texts).
LoadedTables zuweisen(TextVariables& texts, const std::filesystem::path& programDirectory,
                      const std::function<void(int)>& progress = {});

// A table line that names no variable of its group, for translators: typos are found this way.
struct UnknownLine {
    std::filesystem::path file;
    int number = 0;  // from 1
    std::string text;
};
// Reads the file again, line by line, and hands over each of its lines that names no variable of
// group, in order; none are kept.
void forEachUnknownLine(const std::filesystem::path& file, TextGroup group,
                        const std::function<void(const UnknownLine&)>& onUnknown);

// Every replaceable variable as a table line "default:=text", under a line naming its table, in
// lookup order: what a translator starts a new table from. Control characters are shown as \xNN.
std::string textsAsTables(const TextVariables& texts);

}  // namespace pw
