#include "input/uinput/LayoutKeyMap.h"

#include <linux/input-event-codes.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {
namespace {

struct ContextUnref {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapUnref {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct StateUnref {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using ContextPtr = std::unique_ptr<xkb_context, ContextUnref>;
using KeymapPtr = std::unique_ptr<xkb_keymap, KeymapUnref>;
using StatePtr = std::unique_ptr<xkb_state, StateUnref>;
using XcbPtr = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

// Under the evdev rules an XKB keycode is the evdev code plus 8.
constexpr xkb_keycode_t kEvdevOffset = 8;

ContextPtr newContext(bool readEnvironment) {
    ContextPtr context(
        xkb_context_new(readEnvironment ? XKB_CONTEXT_NO_FLAGS : XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (context) {
        // A layout that cannot be built shows in describe(); xkbcommon's own messages would only
        // repeat that on stderr.
        xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    }
    return context;
}

// Which virtual key sits on each evdev key, -1 for none. Only keys placed by character are
// entered: the keys that never move (Space, the keypad, ...) are no character's place.
using KeyHolders = std::vector<int>;

// The lowest evdev code whose key types `keysym` at `level` of `layout` and holds no virtual key
// yet; 0 when there is none.
int findKey(xkb_keymap* keymap, xkb_layout_index_t layout, xkb_level_index_t level, xkb_keysym_t keysym,
            const KeyHolders* holders = nullptr) {
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t key = std::max(xkb_keymap_min_keycode(keymap), kEvdevOffset + 1); key <= last; ++key) {
        const xkb_keycode_t code = key - kEvdevOffset;
        if (code > KEY_MAX) {
            break;
        }
        if (holders != nullptr && (*holders)[code] >= 0) {
            continue;
        }
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, key, layout, level, &syms) == 1 && syms[0] == keysym) {
            return static_cast<int>(code);
        }
    }
    return 0;
}

// A character to look for and the shift level it must be on (0 unshifted, 1 shifted).
struct Lookup {
    xkb_keysym_t keysym = XKB_KEY_NoSymbol;
    xkb_level_index_t level = 0;
};

// A punctuation key with the characters it stands for, best first: the character of its US key,
// then that of the German keyboard's key with the same code (key capture gives both keys that
// code), then a dead-key or shifted form for layouts that have only that.
struct PunctuationKey {
    std::uint8_t virtualKey;
    std::array<Lookup, 3> lookups;  // unused ones are NoSymbol
};

// In the order the keys choose. '+' comes first: like , - . it is a key Windows names by its
// character, so it has the better claim.
constexpr std::array<PunctuationKey, 9> kPunctuationKeys{{
    {0xBB, {{{XKB_KEY_plus, 0}, {XKB_KEY_equal, 0}, {XKB_KEY_plus, 1}}}},  // shifted '=' on a US keyboard
    {0xBA, {{{XKB_KEY_semicolon, 0}, {XKB_KEY_udiaeresis, 0}, {}}}},
    {0xBF, {{{XKB_KEY_slash, 0}, {XKB_KEY_numbersign, 0}, {}}}},
    {0xC0, {{{XKB_KEY_grave, 0}, {XKB_KEY_odiaeresis, 0}, {XKB_KEY_dead_grave, 0}}}},
    {0xDB, {{{XKB_KEY_bracketleft, 0}, {XKB_KEY_ssharp, 0}, {}}}},
    {0xDC, {{{XKB_KEY_backslash, 0}, {XKB_KEY_asciicircum, 0}, {XKB_KEY_dead_circumflex, 0}}}},
    {0xDD, {{{XKB_KEY_bracketright, 0}, {XKB_KEY_dead_acute, 0}, {XKB_KEY_acute, 0}}}},
    {0xDE, {{{XKB_KEY_apostrophe, 0}, {XKB_KEY_adiaeresis, 0}, {}}}},
    {0xE2, {{{XKB_KEY_less, 0}, {}, {}}}},  // the extra key beside left Shift
}};

// Places the punctuation keys so that no two share a key and none takes the key of a letter,
// digit or , - . placed before. First each, in turn, takes the first of its characters found on a
// key not yet held. Then each that found none goes to its US key; if a key placed by character
// holds that already, it takes the US key of the holder instead, which the holder left, and so
// on along the chain. The chain ends at a free key, since no two of these keys share a US key.
// So where a layout only moves characters around, the keys without a character fill the places
// left free, and a character key found in the layout always wins over a US place.
void placePunctuation(xkb_keymap* keymap, xkb_layout_index_t layout, EvdevKeyTable& table,
                      KeyHolders& holders) {
    std::vector<std::uint8_t> unplaced;
    for (const PunctuationKey& key : kPunctuationKeys) {
        int code = 0;
        for (const Lookup& lookup : key.lookups) {
            if (lookup.keysym != XKB_KEY_NoSymbol && code == 0) {
                code = findKey(keymap, layout, lookup.level, lookup.keysym, &holders);
            }
        }
        if (code == 0) {
            unplaced.push_back(key.virtualKey);
            continue;
        }
        table[key.virtualKey] = static_cast<std::uint16_t>(code);
        holders[static_cast<std::size_t>(code)] = key.virtualKey;
    }
    const EvdevKeyTable& us = usEvdevKeyTable();
    for (const std::uint8_t virtualKey : unplaced) {
        int code = us[virtualKey];
        for (std::size_t step = 0; step < us.size() && holders[static_cast<std::size_t>(code)] >= 0; ++step) {
            code = us[static_cast<std::size_t>(holders[static_cast<std::size_t>(code)])];
        }
        table[virtualKey] = static_cast<std::uint16_t>(code);
        holders[static_cast<std::size_t>(code)] = virtualKey;
    }
}

EvdevKeyTable tableFor(xkb_keymap* keymap, xkb_layout_index_t layout) {
    EvdevKeyTable table = usEvdevKeyTable();
    auto place = [&](std::size_t virtualKey, xkb_keysym_t keysym) {
        if (const int code = findKey(keymap, layout, 0, keysym)) {
            table[virtualKey] = static_cast<std::uint16_t>(code);
        }
    };
    for (std::size_t i = 0; i < 26; ++i) {
        place('A' + i, XKB_KEY_a + static_cast<xkb_keysym_t>(i));
    }
    for (std::size_t i = 0; i < 10; ++i) {
        place('0' + i, XKB_KEY_0 + static_cast<xkb_keysym_t>(i));
    }
    place(0xBC, XKB_KEY_comma);
    place(0xBD, XKB_KEY_minus);
    place(0xBE, XKB_KEY_period);

    // Letters, digits and , - . keep their places even where two share a key: on AZERTY '-' is
    // the unshifted character of the 6 key, which also carries the digit.
    KeyHolders holders(KEY_MAX + 1, -1);
    for (const int virtualKey : {0xBC, 0xBD, 0xBE}) {
        holders[table[static_cast<std::size_t>(virtualKey)]] = virtualKey;
    }
    for (std::size_t i = 0; i < 10; ++i) {
        holders[table['0' + i]] = static_cast<int>('0' + i);
    }
    for (std::size_t i = 0; i < 26; ++i) {
        holders[table['A' + i]] = static_cast<int>('A' + i);
    }
    placePunctuation(keymap, layout, table, holders);
    return table;
}

std::string firstOfList(std::string_view list) {
    return std::string(list.substr(0, list.find(',')));
}

std::string layoutLabel(const KeyboardNames& names) {
    return names.variant.empty() ? names.layout : names.layout + "(" + names.variant + ")";
}

const char* nullIfEmpty(const std::string& s) {
    return s.empty() ? nullptr : s.c_str();
}

KeymapPtr keymapFromNames(const KeyboardNames& names) {
    ContextPtr context = newContext(false);
    if (!context) {
        return nullptr;
    }
    const xkb_rule_names rmlvo{nullptr, nullIfEmpty(names.model), nullIfEmpty(names.layout),
                               nullIfEmpty(names.variant), nullptr};
    return KeymapPtr(xkb_keymap_new_from_names(context.get(), &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// The keymap xkbcommon builds from XKB_DEFAULT_LAYOUT and friends.
KeymapPtr keymapFromEnvironment() {
    ContextPtr context = newContext(true);
    if (!context) {
        return nullptr;
    }
    return KeymapPtr(xkb_keymap_new_from_names(context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// A shell word as written in the file: quoted, or plain up to blank or comment.
std::string_view unquote(std::string_view value) {
    if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
        const auto end = value.find(value.front(), 1);
        return value.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
    }
    return value.substr(0, value.find_first_of(" \t#"));
}

}  // namespace

std::optional<KeyboardNames> readKeyboardDefaults(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    KeyboardNames names;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = trim(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (text.starts_with("export ")) {
            text = trim(text.substr(7));
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trim(text.substr(0, equals));
        const std::string_view value = unquote(trim(text.substr(equals + 1)));
        if (key == "XKBLAYOUT") {
            names.layout = firstOfList(value);
        } else if (key == "XKBVARIANT") {
            names.variant = firstOfList(value);
        } else if (key == "XKBMODEL") {
            names.model = std::string(value);
        }
    }
    if (names.layout.empty()) {
        return std::nullopt;
    }
    return names;
}

LayoutKeyMap::LayoutKeyMap() : LayoutKeyMap(usEvdevKeyTable(), "us (default)") {}

LayoutKeyMap::LayoutKeyMap(const EvdevKeyTable& codes, std::string description)
    : codes_(codes), description_(std::move(description)) {}

LayoutKeyMap LayoutKeyMap::fromNames(const KeyboardNames& names) {
    const KeymapPtr keymap = keymapFromNames(names);
    if (!keymap) {
        return LayoutKeyMap(usEvdevKeyTable(), "us (layout \"" + layoutLabel(names) + "\" cannot be built)");
    }
    return LayoutKeyMap(tableFor(keymap.get(), 0), layoutLabel(names));
}

// The keymap the X server uses for its core keyboard, in its current layout group.
std::optional<LayoutKeyMap> LayoutKeyMap::fromXServer(const char* displayName) {
    XcbPtr connection(xcb_connect(displayName, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0 ||
        xkb_x11_setup_xkb_extension(connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION,
                                    XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                    nullptr, nullptr, nullptr, nullptr) == 0) {
        return std::nullopt;
    }
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection.get());
    ContextPtr context = newContext(false);
    if (device < 0 || !context) {
        return std::nullopt;
    }
    const KeymapPtr keymap(
        xkb_x11_keymap_new_from_device(context.get(), connection.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        return std::nullopt;
    }
    // Keycodes are evdev codes + 8 only when the server runs with evdev keycodes; the arrow keys
    // are where the older keycode sets differ.
    if (xkb_keymap_key_by_name(keymap.get(), "UP") != KEY_UP + kEvdevOffset) {
        return std::nullopt;
    }
    xkb_layout_index_t layout = 0;
    const StatePtr state(xkb_x11_state_new_from_device(keymap.get(), connection.get(), device));
    if (state) {
        layout = xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
    }
    const char* name = xkb_keymap_layout_get_name(keymap.get(), layout);
    return LayoutKeyMap(
        tableFor(keymap.get(), layout),
        std::string(name != nullptr && *name != '\0' ? name : "unnamed layout") + " (from the X server)");
}

LayoutKeyMap LayoutKeyMap::fromSession() {
    return fromSession(SessionSources{});
}

LayoutKeyMap LayoutKeyMap::fromSession(const SessionSources& sources) {
    if (sources.askXServer) {
        if (auto found = fromXServer(sources.displayName)) {
            return std::move(*found);
        }
    }

    std::vector<std::string> unusable;  // layouts named somewhere that xkbcommon could not build
    const char* environmentLayout = std::getenv("XKB_DEFAULT_LAYOUT");
    if (environmentLayout != nullptr && *environmentLayout != '\0') {
        const char* environmentVariant = std::getenv("XKB_DEFAULT_VARIANT");
        const KeyboardNames names{firstOfList(environmentLayout),
                                  environmentVariant != nullptr ? firstOfList(environmentVariant) : "", ""};
        if (const KeymapPtr keymap = keymapFromEnvironment()) {
            return LayoutKeyMap(tableFor(keymap.get(), 0), layoutLabel(names) + " (from XKB_DEFAULT_LAYOUT)");
        }
        unusable.push_back("\"" + layoutLabel(names) + "\" from XKB_DEFAULT_LAYOUT");
    }

    if (const auto names = readKeyboardDefaults(sources.keyboardDefaultsPath)) {
        if (const KeymapPtr keymap = keymapFromNames(*names)) {
            return LayoutKeyMap(tableFor(keymap.get(), 0),
                                layoutLabel(*names) + " (from " + sources.keyboardDefaultsPath + ")");
        }
        unusable.push_back("\"" + layoutLabel(*names) + "\" from " + sources.keyboardDefaultsPath);
    }

    std::string description = "us (default";
    for (const std::string& layout : unusable) {
        description += "; cannot build " + layout;
    }
    return LayoutKeyMap(usEvdevKeyTable(), description + ")");
}

}  // namespace pw
