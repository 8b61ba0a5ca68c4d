#include <gtest/gtest.h>

#include "controllers/ControlPanelKeys.h"
#include "support/RecordingKeyOutput.h"

namespace pw {
namespace {

TEST(ControlPanelKeys, LettersFollowTheLanguage) {
    for (int id : {1033, 2057, 3081, 4105, 1040, 2064}) {
        EXPECT_EQ(controlPanelLetters(id), (ControlPanelLetters{'P', 'C'})) << id;
    }
    for (int id : {1036, 2060, 3084, 4108}) {
        EXPECT_EQ(controlPanelLetters(id), (ControlPanelLetters{'P', 'T'})) << id;
    }
    for (int id : {1031, 2055, 3079, 1043, 1034, 0, -1}) {
        EXPECT_EQ(controlPanelLetters(id), (ControlPanelLetters{'E', 'K'})) << id;
    }
}

TEST(ControlPanelKeys, LocaleNamesGiveLanguageIds) {
    const std::pair<const char*, int> cases[] = {
        {"de_DE.UTF-8", 1031}, {"de_AT", 1031},       {"de", 1031},          {"en_US.UTF-8", 1033},
        {"en", 1033},          {"en_GB.UTF-8", 2057}, {"en-GB", 2057},       {"en_AU", 3081},
        {"en_CA.utf8", 4105},  {"en_IE", 1033},       {"EN_gb", 2057},       {"fr_FR.UTF-8@euro", 1036},
        {"fr_BE@euro", 2060},  {"fr_CA", 3084},       {"fr_CH.UTF-8", 4108}, {"fr_LU", 1036},
        {"it_IT.UTF-8", 1040}, {"it_CH", 2064},       {"es_ES.UTF-8", 1031}, {"nl_BE", 1031},
        {"C", 1031},           {"POSIX", 1031},       {"C.UTF-8", 1031},     {"", 1031},
        {"english", 1031},
    };
    for (const auto& [name, id] : cases) {
        EXPECT_EQ(languageIdFromLocaleName(name), id) << name;
    }
}

TEST(ControlPanelKeys, AnAltShortcutHoldsAltAroundTheCapitalLetter) {
    test::EventLog log;
    test::RecordingKeyOutput keys(log);
    sendAltShortcut(keys, 'E');
    sendAltShortcut(keys, 't');
    EXPECT_EQ(log.events(), (std::vector<std::string>{"down 18 56", "down 69 18", "up 69 18", "up 18 56",
                                                      "down 18 56", "down 84 20", "up 84 20", "up 18 56"}));
}

}  // namespace
}  // namespace pw
