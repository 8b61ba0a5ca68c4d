#include <gtest/gtest.h>

#include <algorithm>

#include "texts/TextVariables.h"

namespace pw {
namespace {

using G = TextGroup;

TEST(TextVariables, StartAsTheirGermanDefaults) {
    TextVariables texts;
    for (const TextVariable& v : texts.variables()) {
        EXPECT_EQ(v.text, v.germanDefault);
        EXPECT_EQ(texts.text(v.group, v.germanDefault), v.germanDefault);
    }
}

TEST(TextVariables, GroupsHaveTheirSizesAndLookupOrder) {
    EXPECT_EQ(TextVariables::defaults(G::KeyName).size(), 45u);
    EXPECT_EQ(TextVariables::defaults(G::ControllerActionName).size(), 28u);
    EXPECT_EQ(TextVariables::defaults(G::KeyName).front(), "Druck");
    EXPECT_EQ(TextVariables::defaults(G::KeyName).back(), "^o");
    EXPECT_EQ(TextVariables::defaults(G::ControllerActionName)[12], "Vor");
    EXPECT_EQ(TextVariables::defaults(G::Interface).front(), "Schließen");
    TextVariables texts;
    const auto shared =
        std::count_if(texts.variables().begin(), texts.variables().end(),
                      [](const TextVariable& v) { return v.germanDefault == "Datei existiert nicht"; });
    EXPECT_EQ(shared, 2);
    // Table lines are split at the first ":=", which only works while no default contains one.
    for (const TextVariable& v : texts.variables()) {
        EXPECT_EQ(v.germanDefault.find(":="), std::string_view::npos) << v.germanDefault;
    }
}

TEST(TextVariables, ReplacingOneGroupLeavesTheSameTextInAnotherAlone) {
    TextVariables texts;
    EXPECT_TRUE(texts.replace(G::ControllerActionName, "Links", "Left"));
    EXPECT_EQ(texts.text(G::ControllerActionName, "Links"), "Left");
    EXPECT_EQ(texts.text(G::KeyName, "Links"), "Links");
    texts.resetToDefaults();
    EXPECT_EQ(texts.text(G::ControllerActionName, "Links"), "Links");
}

TEST(TextVariables, UnknownTextsAreNoVariables) {
    TextVariables texts;
    EXPECT_FALSE(texts.replace(G::ControllerActionName, "Knopf 13", "Button 13"));
    EXPECT_FALSE(texts.isVariable(G::ControllerActionName, "Knopf 13"));
    EXPECT_EQ(texts.text(G::ControllerActionName, "Knopf 13"), "Knopf 13");
}

TEST(TextVariables, FileFiltersAreBuiltFromTheirTexts) {
    TextVariables texts;
    EXPECT_EQ(programFileFilter(texts),
              "Anwendungen (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|Alle Dateien (*.*)|*.*");
    texts.replace(G::Interface, "Grafikdateien", "Pictures");
    EXPECT_EQ(pictureFileFilter(texts), "Pictures (*.ico;*.bmp;*.emf;*.wmf)|*.ico;*.bmp;*.emf;*.wmf|");
}

}  // namespace
}  // namespace pw
