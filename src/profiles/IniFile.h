#pragma once

// Reading and writing INI files by the rules of the Windows private-profile functions, so that
// Profiles move between PadWarden and the Windows program unchanged.
//
// - A line is cut of its blanks (spaces, tabs, the other C white space and Ctrl+Z) at both ends.
//   A "[" line with a "]" after it is a section header; the name runs to the last "]" ("[a]b]" is
//   the section "a]b"), without its blanks. Any other line that is not blank names a key: the
//   name before the first "=", the value after it; a line without "=" is a key without a value,
//   which reads as missing. A name or value ends at a NUL byte. The lines above the first header
//   are the section "".
// - Section and key names compare without regard to case: A to Z and the Windows-1252 letters
//   (À to Þ except ×, Š, Œ, Ž, Ÿ) fold to their small forms.
// - A section that appears more than once is listed every time, but reads, writes and erasing
//   see only its first part. A key that appears more than once is listed every time; reads,
//   writes and deleting see its first line. A line without "=" hides a later line of the same
//   key, and a write fills it in. A line that starts with "=" right below a key whose name is
//   empty ("=a", or "\0x=1", whose name a NUL ends) is not there, as Windows drops it.
// - The key list leaves out comments (";" lines) and lines without "=", and ends at a line "=x",
//   whose empty name ends the Windows list. The section's lines (iniReadSectionLines) list every
//   key line but comments, as "name=value" or "name".
// - A value read drops one pair of matching quotes ("x" or 'x') and is cut after 1023
//   characters, both as the Windows buffer of 1024 characters does.
// - Lines end in CR LF, LF or CR. The file is read as UTF-16 (either byte order) or UTF-8 after
//   its byte-order mark, as UTF-8 when it holds non-ASCII text that is valid UTF-8, else as
//   Windows-1252. A write keeps the encoding and its mark, and every line it does not change keeps
//   its bytes; only a Windows-1252 file that must take a character outside its code page, or a
//   first line whose bytes would read as a byte-order mark ("ÿþ"), becomes UTF-8.
// - Reads see what the Windows program saw through its fixed buffers: the section list and a
//   section's key list are cut where 8192 characters (each name with its NUL, two kept for the
//   end) are full; a name that would only fit in part is left out, never returned cut, since a
//   cut name names nothing in the file.
// - A value written to an existing key replaces the value on that key's first line, which keeps
//   its place, its name's spelling and its line end. A new key goes below the last line that is
//   not blank of the section's first part (or right below its header); a new section goes at the
//   end of the file, header and key, without a blank line, as Windows writes it. New lines end in
//   CR LF. A write that changes nothing does not touch the file; otherwise the whole file is
//   replaced atomically (AtomicFile.h).
// - A write never leaves a file that reads back differently: values are written without their
//   outer blanks, and names and values that could not be read back as written are refused with
//   ProfileWriteError before the file is touched: a line break or NUL anywhere, invalid UTF-8, an
//   empty key name, "=" in a key name, a key line that would read as a section header.
// - A file that exists but cannot be read, or a UTF-16 file with broken characters, is never
//   written over: a write to it throws ProfileWriteError.

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
// The section's key lines as GetPrivateProfileSection lists them: "name=value", or "name" for a
// line without "=", comments left out. The section's name is taken as it is, blanks included.
std::vector<std::string> iniReadSectionLines(const std::filesystem::path& file, std::string_view section);
std::vector<std::string> iniReadKeys(const std::filesystem::path& file, std::string_view section);
std::string iniReadString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                          std::string_view defaultValue);

void iniWriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                    std::string_view value);
// Removes the key's first line in the section's first part, and with an empty name the lines it
// hid; the section stays, if need be as a bare header. Section and key name are taken as they
// are, blanks included, as Windows does.
void iniDeleteKey(const std::filesystem::path& file, std::string_view section, std::string_view key);
// Removes the section's first header and every line below it up to the next header. The name is
// taken as it is, blanks included.
void iniEraseSection(const std::filesystem::path& file, std::string_view section);
// Adds "[section]" alone at the end of the file when the section is not there yet; an existing
// section is left as it is. Throws ProfileWriteError.
void iniAddSection(const std::filesystem::path& file, std::string_view section);

// The name as sections and keys compare it.
std::string iniFoldName(std::string_view name);

}  // namespace pw
