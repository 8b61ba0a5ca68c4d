#include "controllers/ControlPanelKeys.h"

#include <cstdint>
#include <string>

#include "input/ScanCodes.h"

namespace pw {
namespace {

constexpr std::uint8_t kAltKey = 0x12;  // VK_MENU

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

struct Region {
    std::string_view territory;
    int languageId;
};

}  // namespace

ControlPanelLetters controlPanelLetters(int languageId) {
    switch (languageId) {
        case 1033:  // English: United States, United Kingdom, Australia, Canada
        case 2057:
        case 3081:
        case 4105:
        case 1040:  // Italian: Italy, Switzerland
        case 2064:
            return {'P', 'C'};
        case 1036:  // French: France, Belgium, Canada, Switzerland
        case 2060:
        case 3084:
        case 4108:
            return {'P', 'T'};
        default:
            return {'E', 'K'};
    }
}

int languageIdFromLocaleName(std::string_view localeName) {
    // language[_territory][.codeset][@modifier]; Qt writes "-" where POSIX writes "_".
    const std::size_t end = localeName.find_first_of(".@");
    const std::string_view name = localeName.substr(0, end);
    const std::size_t split = name.find_first_of("_-");
    const std::string language = lowerAscii(name.substr(0, split));
    const std::string territory = split == std::string_view::npos ? "" : lowerAscii(name.substr(split + 1));

    const auto pick = [&territory](int plain, std::initializer_list<Region> regions) {
        for (const Region& r : regions) {
            if (territory == r.territory) {
                return r.languageId;
            }
        }
        return plain;
    };
    if (language == "en") {
        return pick(1033, {{"gb", 2057}, {"au", 3081}, {"ca", 4105}});
    }
    if (language == "fr") {
        return pick(1036, {{"be", 2060}, {"ca", 3084}, {"ch", 4108}});
    }
    if (language == "it") {
        return pick(1040, {{"ch", 2064}});
    }
    return kLanguageGerman;
}

void sendAltShortcut(KeyOutput& keys, char letter) {
    // A letter's virtual-key code is its capital; a small letter's code would be a keypad key.
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    const auto vk = static_cast<std::uint8_t>(letter);
    const std::uint8_t altScan = scanCodeOf(kAltKey);
    const std::uint8_t letterScan = scanCodeOf(vk);
    keys.keyDown(kAltKey, altScan);
    keys.keyDown(vk, letterScan);
    keys.keyUp(vk, letterScan);
    keys.keyUp(kAltKey, altScan);
}

}  // namespace pw
