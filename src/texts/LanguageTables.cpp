#include "texts/LanguageTables.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "texts/TextEncoding.h"

namespace pw {
namespace {

// The line as the lookup compares it: its first character in upper case when it is a to z.
bool lineNames(std::string_view line, std::string_view key) {
    if (line.size() < key.size() || key.empty()) {
        return false;
    }
    char first = line.front();
    if (first >= 'a' && first <= 'z') {
        first = static_cast<char>(first - 'a' + 'A');
    }
    return first == key.front() && line.substr(1, key.size() - 1) == key.substr(1);
}

std::string replacementOf(std::string_view line) {
    const auto eq = line.find('=');
    return std::string(line.substr(eq + 1));
}

void lookUp(const LanguageTable& table, TextVariables& texts, TextGroup group,
            const std::function<void(std::string_view)>& after = {}) {
    for (std::string_view d : TextVariables::defaults(group)) {
        variable_zuweisen(table, texts, group, d);
        if (after) {
            after(d);
        }
    }
}

}  // namespace

LanguageTable loadLanguageTable(const std::filesystem::path& file) {
    LanguageTable table{file, {}};
    // Each table is read inside its own guard: whatever is wrong with the file, its defaults stay.
    std::string bytes;
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            return table;
        }
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            return table;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            return table;
        }
    } catch (const std::exception&) {
        return table;
    }
    const auto text = decodeTextFile(bytes);
    if (!text) {
        return table;
    }
    std::string_view rest = *text;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        table.lines.emplace_back(line);
    }
    return table;
}

bool variable_zuweisen(const LanguageTable& table, TextVariables& texts, TextGroup group,
                       std::string_view germanDefault) {
    const std::string key = std::string(texts.text(group, germanDefault)) + ":=";
    for (const std::string& line : table.lines) {
        if (lineNames(line, key)) {
            texts.replace(group, germanDefault, replacementOf(line));
            return true;
        }
    }
    return false;
}

LoadedTables zuweisen(TextVariables& texts, const std::filesystem::path& programDirectory,
                      const std::function<void(int)>& progress) {
    const auto report = [&](int value) {
        if (progress) {
            progress(value);
        }
    };
    texts.resetToDefaults();
    LoadedTables tables{loadLanguageTable(programDirectory / kKeyNameTable),
                        loadLanguageTable(programDirectory / kActionNameTable),
                        loadLanguageTable(programDirectory / kInterfaceTable)};

    report(20);
    lookUp(tables.keyNames, texts, TextGroup::KeyName, [&](std::string_view d) {
        if (d == "Num 8") {
            report(30);
        }
    });
    report(35);
    lookUp(tables.actionNames, texts, TextGroup::ControllerActionName, [&](std::string_view d) {
        if (d == "Knopf 12") {
            report(39);
        }
    });
    // The interface texts report four steps, one after each quarter of the sequence.
    const auto& interface = TextVariables::defaults(TextGroup::Interface);
    std::size_t done = 0;
    lookUp(tables.interfaceTexts, texts, TextGroup::Interface, [&](std::string_view) {
        ++done;
        for (int step = 1; step <= 4; ++step) {
            if (done == interface.size() * static_cast<std::size_t>(step) / 4) {
                report(40 + 10 * step);
            }
        }
    });
    return tables;
}

std::vector<UnknownLine> unknownLines(const LanguageTable& table, TextGroup group) {
    // No default contains ":=", so a line names a variable exactly when the part before its first
    // ":=" (first letter in upper case) is a default of the group.
    const auto& list = TextVariables::defaults(group);
    const std::set<std::string_view> defaults(list.begin(), list.end());
    std::vector<UnknownLine> unknown;
    std::string head;
    int number = 0;
    for (const std::string& line : table.lines) {
        ++number;
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        const auto mark = line.find(":=");
        bool named = false;
        if (mark != std::string::npos && mark > 0) {
            head.assign(line, 0, mark);
            if (head.front() >= 'a' && head.front() <= 'z') {
                head.front() = static_cast<char>(head.front() - 'a' + 'A');
            }
            named = defaults.contains(head);
        }
        if (!named) {
            unknown.push_back({table.file, number, line});
        }
    }
    return unknown;
}

std::string textsAsTables(const TextVariables& texts) {
    std::string out;
    const std::pair<std::string_view, TextGroup> order[] = {
        {kKeyNameTable, TextGroup::KeyName},
        {kActionNameTable, TextGroup::ControllerActionName},
        {kInterfaceTable, TextGroup::Interface}};
    for (const auto& [file, group] : order) {
        out += file;
        out += '\n';
        for (std::string_view d : TextVariables::defaults(group)) {
            out += d;
            out += ":=";
            out += texts.text(group, d);
            out += '\n';
        }
    }
    return out;
}

}  // namespace pw
