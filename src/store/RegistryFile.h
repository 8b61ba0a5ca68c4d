#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/SettingsStore.h"

namespace pw {

// Registry files (.reg) as the Windows registry editor reads and writes them: a library kept by
// the Windows program moves over with one file, and a backup of the store is one file.
//
// The keys a registry file may carry, as paths below HKEY_LOCAL_MACHINE: the program's own tree
// and the two roots of the joystick configuration. A key outside them is never written.
inline constexpr std::array<std::string_view, 3> kRegistryFileRoots = {
    "Software\\Orvalis\\PadWarden",
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick",
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick",
};

// A line of the file that was not used, and why ("a value line outside any key").
struct RegistryFileIssue {
    std::size_t line = 0;  // counted from 1
    std::string reason;
    friend bool operator==(const RegistryFileIssue&, const RegistryFileIssue&) = default;
};

struct RegistryImportReport {
    // False when the bytes are no registry file at all (no header line, or no text): nothing was
    // imported then, and notRegistryFile says why.
    bool registryFile = false;
    std::string notRegistryFile;

    std::size_t keys = 0;           // key lines taken into the store
    std::size_t values = 0;         // values written
    std::size_t deletedKeys = 0;    // keys that existed and were deleted with everything below
    std::size_t deletedValues = 0;  // values that existed and were deleted
    // Every line that was not used, in the order of the file. A key outside PadWarden's tree is
    // one issue, whose reason counts the value lines skipped with it.
    std::vector<RegistryFileIssue> skipped;
    // How many lines were not used: one for each issue, plus the value lines of skipped keys.
    std::size_t skippedLines = 0;
    // Lines that were used, but where the Windows registry editor would read the file otherwise
    // (it skips a key written "HKLM", a file with a UTF-8 mark, ...) or where the text is read
    // as it reads it against what its writer likely meant (an unknown escape "\G" reads "G").
    std::vector<RegistryFileIssue> warnings;

    // True when the file was a registry file and every line of it was used.
    bool complete() const { return registryFile && skipped.empty(); }
};

// Merges a registry file into the store, as one transaction, reading it as the Windows registry
// editor does. Reads "Windows Registry Editor Version 5.00" and "REGEDIT4" files, in UTF-16LE with
// a byte-order mark or else in single bytes of Windows-1252 (a UTF-8 or UTF-16BE mark is read as
// well, with a warning). Keys are created when missing and keep the spelling they already have;
// values of the same name, in any case, are replaced.
//
// What is stored: "string" values as UTF-8 text (hex(1) data as well, so a string comes back as a
// string whichever way it was written); dword values as four little-endian bytes; hex data as its
// bytes. Text data (hex(1), hex(2), hex(7)) gets the terminating NUL the editor gives it; in a
// file of single bytes its bytes are Windows-1252 characters and are widened to UTF-16LE, so
// both kinds of file store the same value.
//
// A StoreError of the store passes through; the store is then left as it was.
RegistryImportReport importRegistryFile(SettingsStore& store, std::string_view fileBytes);

struct RegistryExport {
    std::string bytes;       // the file: UTF-16LE with a byte-order mark, CR LF line ends
    std::size_t keys = 0;    // keys written
    std::size_t values = 0;  // values written
    // Keys (with everything below them) whose names hold a line break or a NUL, and values whose
    // names hold a NUL: no registry file can carry such a name, so they are left out, each named here by its
    // path (a value as "key path: name").
    std::vector<std::string> leftOut;
};

// The program's tree and the joystick configuration roots that exist, with everything below
// them, as a "Windows Registry Editor Version 5.00" file. Keys come in the store's order, each
// before its subkeys; a blank line follows the header and every key's block. Names and strings are
// written "quoted" (a line break in a name as \n or \r), except strings holding a line break or a NUL, which
// the registry editor cannot read back from quotes: they are written as hex(1) (UTF-16LE with its terminating
// NUL), which imports as the same string. A StoreError of the store passes through.
RegistryExport exportRegistry(SettingsStore& store);

// exportRegistry's bytes.
std::string exportRegistryFile(SettingsStore& store);

}  // namespace pw
