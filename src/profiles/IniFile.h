#pragma once

// Reading and writing INI files by the rules of the Windows private-profile functions, so that
// Profiles move between PadWarden and the Windows program unchanged.
//
// - Section and key names compare without regard to case: A to Z and the Windows-1252 letters
//   (À to Þ except ×, Š, Œ, Ž, Ÿ) fold to their small forms. Blanks (spaces, tabs) around names
//   and values are dropped.
// - A section is a "[name]" line (leading blanks allowed; the name ends at the first "]", whatever
//   follows is ignored). A key is a line with "=" inside a section: the name before the first
//   "=", the value after it. Any other line (blank, a comment, text without "=", and every line
//   before the first section) is kept as it stands but is neither listed nor read.
// - A section that appears more than once counts as one: its keys are those of all its parts, a
//   key that appears more than once reads as its first line. Names are listed once, as first
//   spelt; empty names are not listed.
// - Lines end in CR LF, LF or CR; the file is read as UTF-8 when it is valid UTF-8, else as
//   Windows-1252 (a UTF-16 file with its byte-order mark is read too). A file that cannot be read
//   or is binary reads as empty.
// - Reads see what the Windows program saw through its fixed buffers: the section list and a
//   section's key list are cut where 8192 characters (each name with its NUL, two kept for the
//   end) are full; a name that would only fit in part is left out, never returned cut, since a
//   cut name names nothing in the file. A value is cut after 1023 characters.
// - A write changes as little as it can: every line it does not change keeps its bytes. A value
//   written to an existing key replaces the value on that key's first line, which keeps its place,
//   its name's spelling and its line end. A new key goes below the last key line of its section
//   (the last part, when there are several), or right below the header of a section without
//   keys, so blank lines and comments between sections stay where they are. A new section goes
//   at the end of the file, header and key, without a blank line, as Windows writes it. New lines
//   end in CR LF.
// - A write that changes nothing (the same value again, deleting what is not there) does not
//   touch the file. Otherwise the whole file is replaced atomically (AtomicFile.h) in
//   Windows-1252 when every character fits and the bytes read back as the same text, else in
//   UTF-8 (with the byte-order mark kept when the file had one).
// - A write never leaves a file that reads back differently: values are written without their
//   outer blanks, and names and values that could not be read back as written are refused with
//   ProfileWriteError before the file is touched: a line break or NUL anywhere, invalid UTF-8, "]"
//   in a section name, "=" in a key name, a key line that would read as a section header, and a
//   value longer than the 1023 characters a read returns.
// - A file that exists but cannot be read, or is binary, is never written over: a write to it
//   throws ProfileWriteError.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {

// The characters (not bytes) of the buffers the Windows program reads through.
inline constexpr std::size_t kSectionListBuffer = 8192;
inline constexpr std::size_t kKeyListBuffer = 8192;
inline constexpr std::size_t kValueBuffer = 1024;

// A write that did not happen. what() is the line shown to the user:
// "nach <path> kann nicht geschrieben werden", followed by ": <reason>" when a name or value was
// refused.
class ProfileWriteError : public std::runtime_error {
public:
    explicit ProfileWriteError(const std::filesystem::path& file);
    ProfileWriteError(const std::filesystem::path& file, std::string_view reason);
};

// Section names in file order.
std::vector<std::string> iniReadSections(const std::filesystem::path& file);
// The section's keys and their values, in file order: the keys iniReadKeys lists, each with the
// value iniReadString reads for it.
std::vector<std::pair<std::string, std::string>> iniReadSection(const std::filesystem::path& file,
                                                                std::string_view section);
std::vector<std::string> iniReadKeys(const std::filesystem::path& file, std::string_view section);
std::string iniReadString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                          std::string_view defaultValue);

void iniWriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                    std::string_view value);
// Removes every line of the key in the section; the section stays, if need be as a bare header.
void iniDeleteKey(const std::filesystem::path& file, std::string_view section, std::string_view key);
// Removes the section's headers and every line below them up to the next section.
void iniEraseSection(const std::filesystem::path& file, std::string_view section);
// Adds "[section]" alone at the end of the file when the section is not there yet; an existing
// section is left as it is. Throws ProfileWriteError.
void iniAddSection(const std::filesystem::path& file, std::string_view section);

// The name as sections and keys compare it.
std::string iniFoldName(std::string_view name);

}  // namespace pw
