#include "texts/LanguageTables.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
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
    LanguageTable table{file, {}, {}};
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
    std::string_view raw = bytes;
    std::optional<std::string> utf16;
    if (raw.starts_with("\xFF\xFE") || raw.starts_with("\xFE\xFF")) {
        utf16 = decodeTextFile(raw);
        if (!utf16) {
            return table;
        }
        raw = *utf16;
    } else if (raw.find('\0') != std::string_view::npos) {
        return table;  // binary
    } else if (raw.starts_with("\xEF\xBB\xBF")) {
        raw.remove_prefix(3);
    }
    int number = 0;
    while (!raw.empty()) {
        const std::size_t stop = raw.find_first_of("\r\n");
        std::string_view line = raw.substr(0, stop);
        if (stop == std::string_view::npos) {
            raw = {};
        } else {
            raw.remove_prefix(stop + (raw.compare(stop, 2, "\r\n") == 0 ? 2 : 1));
        }
        ++number;
        std::string text = utf16 || isValidUtf8(line) ? std::string(line) : windows1252ToUtf8(line);
        if (const std::size_t eq = text.find('='); eq != std::string::npos) {
            std::size_t seen = 0;
            for (std::size_t i = eq + 1; i < text.size(); ++i) {
                if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == kTableTextLimit) {
                    text.resize(i);
                    table.notes.push_back(file.string() + ":" + std::to_string(number) +
                                          ": der Text ist länger als 1023 Zeichen; er wurde dort gekürzt");
                    break;
                }
            }
        }
        table.lines.push_back(std::move(text));
    }
    return table;
}

std::optional<std::string> tableText(const LanguageTable& table, std::string_view germanDefault) {
    const std::string key = std::string(germanDefault) + ":=";
    for (const std::string& line : table.lines) {
        if (lineNames(line, key)) {
            return replacementOf(line);
        }
    }
    return std::nullopt;
}

bool variable_zuweisen(const LanguageTable& table, TextVariables& texts, TextGroup group,
                       std::string_view germanDefault) {
    std::optional<std::string> text = tableText(table, texts.text(group, germanDefault));
    if (!text) {
        return false;
    }
    texts.replace(group, germanDefault, std::move(*text));
    return true;
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
            out += escapeControls(d);
            out += ":=";
            out += escapeControls(texts.text(group, d));
            out += '\n';
        }
    }
    return out;
}

}  // namespace pw
