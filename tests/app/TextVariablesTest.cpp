#include <gtest/gtest.h>

#include "app/TextVariables.h"

namespace pw {
namespace {

TEST(TextVariables, ActionNamesStartAsTheirGermanDefaults) {
    TextVariables texts;
    for (ControllerAction a : kAllActions) {
        EXPECT_EQ(displayName(a, texts), defaultDisplayName(a));
        EXPECT_TRUE(texts.isVariable(TextGroup::ControllerActionName, defaultDisplayName(a)));
    }
}

TEST(TextVariables, ReplacingOneGroupLeavesTheSameTextInAnotherAlone) {
    TextVariables texts;
    EXPECT_TRUE(texts.replace(TextGroup::ControllerActionName, "Links", "Left"));
    EXPECT_EQ(displayName(ControllerAction::Left, texts), "Left");
    EXPECT_EQ(texts.text(TextGroup::KeyName, "Links"), "Links");
}

TEST(TextVariables, UnknownTextsAreNoVariables) {
    TextVariables texts;
    EXPECT_FALSE(texts.replace(TextGroup::ControllerActionName, "Knopf 13", "Button 13"));
    EXPECT_FALSE(texts.isVariable(TextGroup::ControllerActionName, "Knopf 13"));
    EXPECT_EQ(texts.text(TextGroup::ControllerActionName, "Knopf 13"), "Knopf 13");
}

}  // namespace
}  // namespace pw
