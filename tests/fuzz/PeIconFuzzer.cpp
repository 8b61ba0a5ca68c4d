// A game's "exe" can name any file: a real Windows program, a truncated download, something that
// only ends in .exe. This feeds arbitrary bytes to the icon reader and checks that whatever it
// returns is a well-formed icon file whose images lie inside it; the sanitizers stop it at the
// first read outside the bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "games/PeIcons.h"

namespace {

std::uint32_t read16(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 1])) << 8;
}

std::uint32_t read32(const std::string& s, std::size_t at) { return read16(s, at) | read16(s, at + 2) << 16; }

void check(bool rule) {
    if (!rule) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> icon = pw::firstIconOfProgram(bytes);
    if (!icon) {
        return 0;
    }
    // ICONDIR: reserved 0, type 1, count; then count entries of 16 bytes, each naming its image's
    // size and offset inside the file.
    check(icon->size() >= 6);
    check(read16(*icon, 0) == 0 && read16(*icon, 2) == 1);
    const std::size_t count = read16(*icon, 4);
    check(count > 0);
    check(icon->size() >= 6 + 16 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * i;
        const std::uint64_t length = read32(*icon, entry + 8);
        const std::uint64_t offset = read32(*icon, entry + 12);
        check(offset >= 6 + 16 * count && offset + length <= icon->size());
    }
    return 0;
}
