#include "games/PeIcons.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pw {
namespace {

constexpr std::uint32_t kIconType = 3;        // RT_ICON
constexpr std::uint32_t kIconGroupType = 14;  // RT_GROUP_ICON
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
// An icon group names at most this many images, and the file we make stays below this size, so
// a group that names one large image again and again cannot make us build a huge file.
constexpr std::size_t kMaxImages = 256;
constexpr std::uint64_t kMaxIconFileSize = 16u * 1024u * 1024u;

// Little-endian reads that fail instead of reading past the end.
class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}

    bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    std::optional<std::uint32_t> u16(std::uint64_t offset) const { return read(offset, 2); }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const { return read(offset, 4); }
    std::string_view slice(std::uint64_t offset, std::uint64_t count) const {
        return data_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
    }

private:
    std::optional<std::uint32_t> read(std::uint64_t offset, unsigned count) const {
        if (!has(offset, count)) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i) {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data_[offset + i])) << (8 * i);
        }
        return value;
    }

    std::string_view data_;
};

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

// The program's resources: the sections that map addresses to file offsets and the file offset
// of the resource directory.
class Resources {
public:
    Resources(const Bytes& bytes, std::vector<Section> sections, std::uint64_t root)
        : bytes_(bytes), sections_(std::move(sections)), root_(root) {}

    // The file offset of `size` bytes at a relative virtual address, when all of them lie in the
    // file part of one section.
    std::optional<std::uint64_t> fileOffset(std::uint32_t rva, std::uint32_t size) const {
        for (const Section& s : sections_) {
            const std::uint64_t extent = std::max(s.virtualSize, s.rawSize);
            if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
                const std::uint64_t inSection = rva - s.virtualAddress;
                if (inSection + size > s.rawSize) {
                    return std::nullopt;
                }
                const std::uint64_t offset = std::uint64_t{s.rawOffset} + inSection;
                return bytes_.has(offset, size) ? std::optional(offset) : std::nullopt;
            }
        }
        return std::nullopt;
    }

    // The directory entries of the directory at `offset` (relative to the resource root):
    // (name or id, offset field) in their stored order, named entries first.
    struct Entry {
        std::uint32_t name;
        std::uint32_t target;
    };
    std::optional<std::vector<Entry>> directory(std::uint64_t offset) const {
        const std::uint64_t at = root_ + offset;
        const auto named = bytes_.u16(at + 12);
        const auto ids = bytes_.u16(at + 14);
        if (!named || !ids) {
            return std::nullopt;
        }
        const std::uint64_t count = std::uint64_t{*named} + *ids;
        if (!bytes_.has(at + 16, count * 8)) {
            return std::nullopt;
        }
        std::vector<Entry> entries;
        entries.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i) {
            entries.push_back({*bytes_.u32(at + 16 + i * 8), *bytes_.u32(at + 20 + i * 8)});
        }
        return entries;
    }

    // Follows type -> name -> language: the data of the first language of the entry `nameEntry`
    // (a subdirectory of names' entry), as file offset and size.
    struct Data {
        std::uint64_t offset;
        std::uint32_t size;
    };
    std::optional<Data> firstLanguageData(const Entry& nameEntry) const {
        if ((nameEntry.target & kSubdirectoryBit) == 0) {
            return leaf(nameEntry.target);
        }
        const auto languages = directory(nameEntry.target & ~kSubdirectoryBit);
        if (!languages || languages->empty() || (languages->front().target & kSubdirectoryBit) != 0) {
            return std::nullopt;
        }
        return leaf(languages->front().target);
    }

    // The name directory of a resource type.
    std::optional<std::vector<Entry>> namesOfType(std::uint32_t type) const {
        const auto types = directory(0);
        if (!types) {
            return std::nullopt;
        }
        for (const Entry& e : *types) {
            // Named entries have the high bit set in their name field; types are numbered.
            if ((e.name & kSubdirectoryBit) == 0 && e.name == type) {
                if ((e.target & kSubdirectoryBit) == 0) {
                    return std::nullopt;
                }
                return directory(e.target & ~kSubdirectoryBit);
            }
        }
        return std::nullopt;
    }

private:
    std::optional<Data> leaf(std::uint32_t offset) const {
        const std::uint64_t at = root_ + offset;
        const auto rva = bytes_.u32(at);
        const auto size = bytes_.u32(at + 4);
        if (!rva || !size) {
            return std::nullopt;
        }
        const auto fileAt = fileOffset(*rva, *size);
        if (!fileAt) {
            return std::nullopt;
        }
        return Data{*fileAt, *size};
    }

    const Bytes& bytes_;
    std::vector<Section> sections_;
    std::uint64_t root_;
};

std::optional<Resources> findResources(const Bytes& bytes) {
    if (!bytes.has(0, 2) || bytes.slice(0, 2) != "MZ") {
        return std::nullopt;
    }
    const auto peOffset = bytes.u32(0x3C);
    if (!peOffset || !bytes.has(*peOffset, 24) ||
        bytes.slice(*peOffset, 4) != std::string_view("PE\0\0", 4)) {
        return std::nullopt;
    }
    const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
    const std::uint32_t sectionCount = *bytes.u16(coff + 2);
    const std::uint32_t optionalSize = *bytes.u16(coff + 16);
    const std::uint64_t optional = coff + 20;
    const auto magic = bytes.u16(optional);
    if (!magic) {
        return std::nullopt;
    }
    std::uint64_t directories = 0;
    std::uint64_t directoryCountAt = 0;
    if (*magic == 0x10B) {  // PE32
        directoryCountAt = optional + 92;
        directories = optional + 96;
    } else if (*magic == 0x20B) {  // PE32+
        directoryCountAt = optional + 108;
        directories = optional + 112;
    } else {
        return std::nullopt;
    }
    const auto directoryCount = bytes.u32(directoryCountAt);
    // The resource directory is entry 2, and it must lie within the optional header.
    if (!directoryCount || *directoryCount < 3 || directories + 3 * 8 > optional + optionalSize) {
        return std::nullopt;
    }
    const auto resourceRva = bytes.u32(directories + 2 * 8);
    const auto resourceSize = bytes.u32(directories + 2 * 8 + 4);
    if (!resourceRva || !resourceSize || *resourceRva == 0) {
        return std::nullopt;
    }

    const std::uint64_t sectionTable = optional + optionalSize;
    if (!bytes.has(sectionTable, std::uint64_t{sectionCount} * 40)) {
        return std::nullopt;
    }
    std::vector<Section> sections;
    sections.reserve(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = sectionTable + std::uint64_t{i} * 40;
        sections.push_back(
            {*bytes.u32(at + 12), *bytes.u32(at + 8), *bytes.u32(at + 16), *bytes.u32(at + 20)});
    }
    Resources probe(bytes, sections, 0);
    // The root directory's fixed part has to be in the file; the rest is checked as it is read.
    const auto root = probe.fileOffset(*resourceRva, 16);
    if (!root) {
        return std::nullopt;
    }
    return Resources(bytes, std::move(sections), *root);
}

void appendLe(std::string& out, std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

}  // namespace

std::optional<std::string> firstIconOfProgram(std::string_view data) {
    const Bytes bytes(data);
    const auto resources = findResources(bytes);
    if (!resources) {
        return std::nullopt;
    }
    const auto groups = resources->namesOfType(kIconGroupType);
    const auto icons = resources->namesOfType(kIconType);
    if (!groups || groups->empty() || !icons) {
        return std::nullopt;
    }
    const auto group = resources->firstLanguageData(groups->front());
    if (!group || group->size < 6) {
        return std::nullopt;
    }
    const std::uint32_t count = *bytes.u16(group->offset + 4);
    if (*bytes.u16(group->offset + 2) != 1 || count == 0 || count > kMaxImages ||
        std::uint64_t{count} * 14 > group->size - 6) {
        return std::nullopt;
    }

    struct Image {
        std::string_view header;  // width, height, colours, reserved, planes, bit count
        std::string_view data;
    };
    std::vector<Image> images;
    std::uint64_t total = 6;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = group->offset + 6 + std::uint64_t{i} * 14;
        const std::uint32_t id = *bytes.u16(entry + 12);
        for (const auto& e : *icons) {
            if ((e.name & kSubdirectoryBit) == 0 && e.name == id) {
                if (const auto image = resources->firstLanguageData(e); image && image->size > 0) {
                    total += 16 + std::uint64_t{image->size};
                    if (total > kMaxIconFileSize) {
                        return std::nullopt;
                    }
                    images.push_back({bytes.slice(entry, 8), bytes.slice(image->offset, image->size)});
                }
                break;
            }
        }
    }
    if (images.empty()) {
        return std::nullopt;
    }

    std::string ico;
    ico.reserve(static_cast<std::size_t>(total));
    appendLe(ico, 0, 2);
    appendLe(ico, 1, 2);
    appendLe(ico, static_cast<std::uint32_t>(images.size()), 2);
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const Image& image : images) {
        ico += image.header;
        appendLe(ico, static_cast<std::uint32_t>(image.data.size()), 4);
        appendLe(ico, offset, 4);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const Image& image : images) {
        ico += image.data;
    }
    return ico;
}

}  // namespace pw
