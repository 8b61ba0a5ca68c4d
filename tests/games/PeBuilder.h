#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pw::test {

// Writes little-endian numbers into a byte string, growing it as needed.
inline void putLe(std::string& out, std::size_t at, std::uint64_t value, unsigned count) {
    if (out.size() < at + count) {
        out.resize(at + count, '\0');
    }
    for (unsigned i = 0; i < count; ++i) {
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A square 32-bit icon image as a Windows icon resource holds it: a bitmap header with doubled
// height, the pixels bottom-up in BGRA, then the transparency mask.
inline std::string dibIcon(int size, std::uint32_t argb) {
    std::string dib;
    putLe(dib, 0, 40, 4);
    putLe(dib, 4, static_cast<std::uint32_t>(size), 4);
    putLe(dib, 8, static_cast<std::uint32_t>(2 * size), 4);
    putLe(dib, 12, 1, 2);
    putLe(dib, 14, 32, 2);
    for (int i = 0; i < size * size; ++i) {
        putLe(dib, dib.size(), argb, 4);
    }
    const std::size_t maskRow = static_cast<std::size_t>((size + 31) / 32 * 4);
    dib.append(maskRow * static_cast<std::size_t>(size), '\0');
    return dib;
}

struct PeIcon {
    std::uint16_t id;
    int size;  // width and height in pixels as the group names them
    std::string data;
};

// A Windows program made byte by byte: the DOS stub header, the PE headers (PE32 or PE32+), one
// ".rsrc" section and a resource tree with one icon group naming `groupIds` and the icons.
struct BuiltPe {
    std::string bytes;
    std::size_t resourceDirectoryEntry =
        0;                           // the file offset of the resource entry among the data directories
    std::size_t sectionHeader = 0;   // the file offset of the section's header
    std::size_t groupDataEntry = 0;  // the file offset of the icon group's data entry
    std::size_t groupData = 0;       // the file offset of the icon group itself
};

inline BuiltPe buildPe(const std::vector<PeIcon>& icons, const std::vector<std::uint16_t>& groupIds,
                       bool pe32Plus = false, bool withGroup = true) {
    BuiltPe pe;
    std::string& b = pe.bytes;
    constexpr std::size_t kPe = 0x80;
    b = "MZ";
    putLe(b, 0x3C, kPe, 4);
    b.resize(kPe, '\0');
    b += std::string("PE\0\0", 4);
    const std::size_t coff = kPe + 4;
    const std::size_t optionalSize = pe32Plus ? 240 : 224;
    putLe(b, coff, pe32Plus ? 0x8664 : 0x14C, 2);
    putLe(b, coff + 2, 1, 2);  // one section
    putLe(b, coff + 16, optionalSize, 2);
    putLe(b, coff + 18, 0x0102, 2);
    const std::size_t optional = coff + 20;
    putLe(b, optional, pe32Plus ? 0x20B : 0x10B, 2);
    const std::size_t directories = optional + (pe32Plus ? 112 : 96);
    putLe(b, optional + (pe32Plus ? 108 : 92), 16, 4);
    pe.resourceDirectoryEntry = directories + 2 * 8;
    pe.sectionHeader = optional + optionalSize;
    b.resize(pe.sectionHeader + 40, '\0');

    // The resource section: directories, then the data entries, then the data.
    constexpr std::uint32_t kRva = 0x1000;
    constexpr std::size_t kRaw = 0x200;
    std::string r;
    const std::size_t typeCount = withGroup ? 2 : 1;
    const std::size_t iconTypeDir = 16 + 8 * typeCount;
    const std::size_t groupTypeDir = iconTypeDir + 16 + 8 * icons.size();
    const std::size_t firstLanguageDir = groupTypeDir + (withGroup ? 16 + 8 : 0);
    const std::size_t languageDirs = icons.size() + (withGroup ? 1 : 0);
    const std::size_t firstDataEntry = firstLanguageDir + languageDirs * 24;
    std::size_t data = firstDataEntry + languageDirs * 16;

    const auto directory = [&r](std::size_t at, std::size_t idEntries) {
        putLe(r, at, 0, 8);  // characteristics, time stamp
        putLe(r, at + 8, 0, 4);
        putLe(r, at + 12, 0, 2);
        putLe(r, at + 14, idEntries, 2);
    };
    const auto entry = [&r](std::size_t at, std::uint32_t id, std::uint32_t target, bool subdirectory) {
        putLe(r, at, id, 4);
        putLe(r, at + 4, target | (subdirectory ? 0x80000000u : 0u), 4);
    };
    std::size_t nextLanguage = 0;
    const auto leaf = [&](std::size_t nameEntryAt, std::uint32_t id, const std::string& blob) {
        const std::size_t languageDir = firstLanguageDir + nextLanguage * 24;
        const std::size_t dataEntry = firstDataEntry + nextLanguage * 16;
        ++nextLanguage;
        entry(nameEntryAt, id, static_cast<std::uint32_t>(languageDir), true);
        directory(languageDir, 1);
        entry(languageDir + 16, 0x409, static_cast<std::uint32_t>(dataEntry), false);
        putLe(r, dataEntry, kRva + data, 4);
        putLe(r, dataEntry + 4, blob.size(), 4);
        putLe(r, dataEntry + 8, 0, 8);
        if (r.size() < data + blob.size()) {
            r.resize(data + blob.size(), '\0');
        }
        r.replace(data, blob.size(), blob);
        const std::size_t at = data;
        data += (blob.size() + 7) / 8 * 8;
        return std::pair{dataEntry, at};
    };

    directory(0, typeCount);
    entry(16, 3, static_cast<std::uint32_t>(iconTypeDir), true);
    directory(iconTypeDir, icons.size());
    for (std::size_t i = 0; i < icons.size(); ++i) {
        leaf(iconTypeDir + 16 + 8 * i, icons[i].id, icons[i].data);
    }
    if (withGroup) {
        entry(24, 14, static_cast<std::uint32_t>(groupTypeDir), true);
        directory(groupTypeDir, 1);
        std::string group;
        putLe(group, 0, 0, 2);
        putLe(group, 2, 1, 2);
        putLe(group, 4, groupIds.size(), 2);
        for (std::size_t i = 0; i < groupIds.size(); ++i) {
            const std::size_t at = 6 + 14 * i;
            int size = 16;
            std::size_t bytes = 0;
            for (const PeIcon& icon : icons) {
                if (icon.id == groupIds[i]) {
                    size = icon.size;
                    bytes = icon.data.size();
                }
            }
            putLe(group, at, static_cast<std::uint32_t>(size & 0xFF), 1);
            putLe(group, at + 1, static_cast<std::uint32_t>(size & 0xFF), 1);
            putLe(group, at + 2, 0, 2);
            putLe(group, at + 4, 1, 2);
            putLe(group, at + 6, 32, 2);
            putLe(group, at + 8, bytes, 4);
            putLe(group, at + 12, groupIds[i], 2);
        }
        const auto [dataEntry, at] = leaf(groupTypeDir + 16, 1, group);
        pe.groupDataEntry = kRaw + dataEntry;
        pe.groupData = kRaw + at;
    }
    r.resize((r.size() + 0x1FF) / 0x200 * 0x200, '\0');

    putLe(b, pe.resourceDirectoryEntry, kRva, 4);
    putLe(b, pe.resourceDirectoryEntry + 4, r.size(), 4);
    b.replace(pe.sectionHeader, 8, std::string(".rsrc\0\0\0", 8));
    putLe(b, pe.sectionHeader + 8, r.size(), 4);
    putLe(b, pe.sectionHeader + 12, kRva, 4);
    putLe(b, pe.sectionHeader + 16, r.size(), 4);
    putLe(b, pe.sectionHeader + 20, kRaw, 4);
    b.resize(kRaw, '\0');
    b += r;
    return pe;
}

}  // namespace pw::test
