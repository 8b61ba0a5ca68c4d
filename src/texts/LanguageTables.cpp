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

std::string_view replacementOf(std::string_view line) {
    return line.substr(line.find('=') + 1);
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

// The part of a line before its first ":=", first letter in upper case as the lookup compares
// it; empty when there is none. No default contains ":=", so a line names a default exactly when
// its head is that default.
std::string_view headOf(std::string_view line, std::string& scratch) {
    const auto mark = line.find(":=");
    if (mark == std::string_view::npos || mark == 0) {
        return {};
    }
    scratch.assign(line.substr(0, mark));
    if (scratch.front() >= 'a' && scratch.front() <= 'z') {
        scratch.front() = static_cast<char>(scratch.front() - 'a' + 'A');
    }
    return scratch;
}

constexpr std::size_t kPiece = std::size_t{1} << 16;

// Hands the file's bytes over piece by piece; false when it cannot be read to its end.
bool readPieces(std::ifstream& in, const std::function<void(std::string_view)>& onPiece) {
    std::string piece(kPiece, '\0');
    while (in) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > 0) {
            onPiece(std::string_view(piece).substr(0, got));
        }
    }
    return !in.bad();
}

// UTF-16 decoded across the borders of the pieces. A NUL, or a surrogate without its partner,
// makes the whole file unusable (sound() turns false); an odd last byte is no character.
class Utf16Pieces {
public:
    explicit Utf16Pieces(bool bigEndian) : bigEndian_(bigEndian) {}

    void feed(std::string_view bytes, std::string& out) {
        carry_.append(bytes);
        const std::string_view all = carry_;
        std::size_t i = 0;
        while (i + 1 < all.size()) {
            char32_t unit = unitAt(all, i);
            std::size_t used = 2;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (i + 3 >= all.size()) {
                    break;  // its partner may be in the next piece
                }
                const char32_t low = unitAt(all, i + 2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    used = 4;
                }
            }
            if ((unit >= 0xD800 && unit <= 0xDFFF) || unit == 0) {
                sound_ = false;
                unit = 0xFFFD;
            }
            appendUtf8(out, unit);
            i += used;
        }
        carry_.erase(0, i);
    }

    // A high surrogate still waiting at the end has no partner.
    void finish() {
        if (carry_.size() >= 2) {
            sound_ = false;
        }
        carry_.clear();
    }

    bool sound() const { return sound_; }

private:
    char32_t unitAt(std::string_view bytes, std::size_t i) const {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian_ ? (char32_t{b0} << 8) | b1 : (char32_t{b1} << 8) | b0;
    }

    bool bigEndian_;
    bool sound_ = true;
    std::string carry_;
};

// Splits text into lines at CR LF, LF or a lone CR, decodes and cuts each one.
class LineSplitter {
public:
    LineSplitter(bool utf16, const TableLineHandler& onLine) : utf16_(utf16), onLine_(onLine) {}

    void feed(std::string_view bytes) {
        while (!bytes.empty()) {
            if (afterCr_ && bytes.front() == '\n') {
                bytes.remove_prefix(1);
            }
            afterCr_ = false;
            const std::size_t stop = bytes.find_first_of("\r\n");
            if (stop == std::string_view::npos) {
                line_.append(bytes);
                return;
            }
            line_.append(bytes.substr(0, stop));
            afterCr_ = bytes[stop] == '\r';
            bytes.remove_prefix(stop + 1);
            emit();
        }
    }

    // The text after the last line end is a line too.
    void finish() {
        if (!line_.empty()) {
            emit();
        }
    }

private:
    void emit() {
        std::string_view text = line_;
        if (!utf16_ && !isValidUtf8(text)) {
            decoded_ = windows1252ToUtf8(text);
            text = decoded_;
        }
        bool cut = false;
        if (const std::size_t eq = text.find('='); eq != std::string_view::npos) {
            std::size_t seen = 0;
            for (std::size_t i = eq + 1; i < text.size(); ++i) {
                if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == kTableTextLimit) {
                    text = text.substr(0, i);
                    cut = true;
                    break;
                }
            }
        }
        onLine_(++number_, text, cut);
        line_.clear();
    }

    bool utf16_;
    const TableLineHandler& onLine_;
    bool afterCr_ = false;
    int number_ = 0;
    std::string line_;
    std::string decoded_;
};

enum class Form { Bytes, Utf16Little, Utf16Big };

// The first pass: whether the file is text at all, decided before any line is handed over.
bool isTextFile(std::ifstream& in, Form form) {
    if (form == Form::Bytes) {
        bool nul = false;
        const bool read = readPieces(
            in, [&](std::string_view piece) { nul = nul || piece.find('\0') != std::string_view::npos; });
        return read && !nul;
    }
    Utf16Pieces decoder(form == Form::Utf16Big);
    std::string ignored;
    in.ignore(2);
    const bool read = readPieces(in, [&](std::string_view piece) {
        decoder.feed(piece, ignored);
        ignored.clear();
    });
    decoder.finish();
    return read && decoder.sound();
}

}  // namespace

bool readTableLines(const std::filesystem::path& file, const TableLineHandler& onLine) {
    // Whatever is wrong with the file, it gives no lines and its defaults stay.
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            return false;
        }
        std::ifstream in(file, std::ios::binary);
        char mark[3] = {};
        in.read(mark, 3);
        const std::string_view start(mark, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) {
            return false;
        }
        const Form form = start.starts_with("\xFF\xFE")   ? Form::Utf16Little
                          : start.starts_with("\xFE\xFF") ? Form::Utf16Big
                                                          : Form::Bytes;
        in.clear();
        in.seekg(0);
        if (!isTextFile(in, form)) {
            return false;
        }
        in.clear();
        in.seekg(form == Form::Bytes && start == "\xEF\xBB\xBF" ? 3 : form == Form::Bytes ? 0 : 2);
        LineSplitter lines(form != Form::Bytes, onLine);
        if (form == Form::Bytes) {
            if (!readPieces(in, [&](std::string_view piece) { lines.feed(piece); })) {
                return false;
            }
        } else {
            Utf16Pieces decoder(form == Form::Utf16Big);
            std::string text;
            const bool read = readPieces(in, [&](std::string_view piece) {
                decoder.feed(piece, text);
                lines.feed(text);
                text.clear();
            });
            if (!read) {
                return false;
            }
        }
        lines.finish();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

LanguageTable loadLanguageTable(const std::filesystem::path& file,
                                std::span<const std::string_view> lookedFor) {
    LanguageTable table{file, 0, {}, {}};
    std::set<std::string_view, std::less<>> heads;
    std::vector<std::string> marked;  // looked-for texts holding ":=" themselves: compared line by line
    for (std::string_view text : lookedFor) {
        if (text.find(":=") == std::string_view::npos) {
            heads.insert(text);
        } else {
            marked.push_back(std::string(text) + ":=");
        }
    }
    std::string scratch;
    const bool read = readTableLines(file, [&](int number, std::string_view line, bool cut) {
        table.lineCount = static_cast<std::size_t>(number);
        if (cut) {
            table.notes.push_back(file.string() + ":" + std::to_string(number) +
                                  ": der Text ist länger als 1023 Zeichen; er wurde dort gekürzt");
        }
        if (const std::string_view head = headOf(line, scratch); !head.empty()) {
            if (const auto found = heads.find(head); found != heads.end()) {
                table.texts.try_emplace(std::string(*found), replacementOf(line));
            }
        }
        for (const std::string& key : marked) {
            if (lineNames(line, key)) {
                table.texts.try_emplace(key.substr(0, key.size() - 2), replacementOf(line));
            }
        }
    });
    if (!read) {
        // A file that turned binary while it was read: nothing of it counts.
        return LanguageTable{file, 0, {}, {}};
    }
    return table;
}

LanguageTable loadLanguageTable(const std::filesystem::path& file, TextGroup group) {
    return loadLanguageTable(file, TextVariables::defaults(group));
}

std::optional<std::string> tableText(const LanguageTable& table, std::string_view germanDefault) {
    if (const auto found = table.texts.find(germanDefault); found != table.texts.end()) {
        return found->second;
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
    LoadedTables tables{
        loadLanguageTable(programDirectory / kKeyNameTable, TextGroup::KeyName),
        loadLanguageTable(programDirectory / kActionNameTable, TextGroup::ControllerActionName),
        loadLanguageTable(programDirectory / kInterfaceTable, TextGroup::Interface)};

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

void forEachUnknownLine(const std::filesystem::path& file, TextGroup group,
                        const std::function<void(const UnknownLine&)>& onUnknown) {
    const auto& list = TextVariables::defaults(group);
    const std::set<std::string_view, std::less<>> defaults(list.begin(), list.end());
    UnknownLine unknown{file, 0, {}};
    std::string scratch;
    readTableLines(file, [&](int number, std::string_view line, bool) {
        if (line.find_first_not_of(" \t") == std::string_view::npos) {
            return;
        }
        if (const std::string_view head = headOf(line, scratch); !head.empty() && defaults.contains(head)) {
            return;
        }
        unknown.number = number;
        unknown.text.assign(line);
        onUnknown(unknown);
    });
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
