#include "input/ScanCodes.h"

#include <array>

namespace pw {
namespace {

constexpr std::array<std::uint8_t, 256> buildTable() {
    std::array<std::uint8_t, 256> t{};
    t[0x03] = 0x46;  // Cancel (Ctrl+Break)
    t[0x08] = 0x0E;  // Backspace
    t[0x09] = 0x0F;  // Tab
    t[0x0C] = 0x4C;  // Clear (keypad 5 without Num Lock)
    t[0x0D] = 0x1C;  // Enter
    t[0x10] = 0x2A;  // Shift
    t[0x11] = 0x1D;  // Ctrl
    t[0x12] = 0x38;  // Alt
    t[0x13] = 0x45;  // Pause
    t[0x14] = 0x3A;  // Caps Lock
    t[0x1B] = 0x01;  // Esc
    t[0x20] = 0x39;  // Space
    t[0x21] = 0x49;  // Page Up
    t[0x22] = 0x51;  // Page Down
    t[0x23] = 0x4F;  // End
    t[0x24] = 0x47;  // Home
    t[0x25] = 0x4B;  // Left
    t[0x26] = 0x48;  // Up
    t[0x27] = 0x4D;  // Right
    t[0x28] = 0x50;  // Down
    t[0x2C] = 0x54;  // Print Screen
    t[0x2D] = 0x52;  // Insert
    t[0x2E] = 0x53;  // Delete
    // Digits 1 ... 9, then 0.
    for (int d = 1; d <= 9; ++d) {
        t[static_cast<std::size_t>('0' + d)] = static_cast<std::uint8_t>(0x01 + d);
    }
    t['0'] = 0x0B;
    constexpr std::uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                          0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                          0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (std::size_t i = 0; i < 26; ++i) {
        t['A' + i] = letters[i];
    }
    t[0x5B] = 0x5B;  // left Windows key
    t[0x5C] = 0x5C;  // right Windows key
    t[0x5D] = 0x5D;  // menu key
    constexpr std::uint8_t keypad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    for (std::size_t i = 0; i < 10; ++i) {
        t[0x60 + i] = keypad[i];
    }
    t[0x6A] = 0x37;  // keypad *
    t[0x6B] = 0x4E;  // keypad +
    t[0x6D] = 0x4A;  // keypad -
    t[0x6E] = 0x53;  // keypad decimal
    t[0x6F] = 0x35;  // keypad /
    for (std::size_t i = 0; i < 10; ++i) {
        t[0x70 + i] = static_cast<std::uint8_t>(0x3B + i);  // F1 ... F10
    }
    t[0x7A] = 0x57;  // F11
    t[0x7B] = 0x58;  // F12
    for (std::size_t i = 0; i < 11; ++i) {
        t[0x7C + i] = static_cast<std::uint8_t>(0x64 + i);  // F13 ... F23
    }
    t[0x87] = 0x76;  // F24
    t[0x90] = 0x45;  // Num Lock
    t[0x91] = 0x46;  // Scroll Lock
    t[0xA0] = 0x2A;  // left Shift
    t[0xA1] = 0x36;  // right Shift
    t[0xA2] = 0x1D;  // left Ctrl
    t[0xA3] = 0x1D;  // right Ctrl
    t[0xA4] = 0x38;  // left Alt
    t[0xA5] = 0x38;  // right Alt
    t[0xBA] = 0x27;  // ;
    t[0xBB] = 0x0D;  // =
    t[0xBC] = 0x33;  // ,
    t[0xBD] = 0x0C;  // -
    t[0xBE] = 0x34;  // .
    t[0xBF] = 0x35;  // /
    t[0xC0] = 0x29;  // `
    t[0xDB] = 0x1A;  // [
    t[0xDC] = 0x2B;  // backslash
    t[0xDD] = 0x1B;  // ]
    t[0xDE] = 0x28;  // '
    t[0xE2] = 0x56;  // the extra key beside left Shift on 102-key keyboards
    return t;
}

constexpr std::array<std::uint8_t, 256> kScanCodes = buildTable();

}  // namespace

std::uint8_t scanCodeOf(std::int32_t virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) {
        return 0;
    }
    return kScanCodes[static_cast<std::size_t>(virtualKey)];
}

}  // namespace pw
