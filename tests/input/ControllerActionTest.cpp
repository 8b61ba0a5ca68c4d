#include <gtest/gtest.h>

#include <set>

#include "input/ControllerAction.h"

namespace pw {
namespace {

using G = TextGroup;

// The display names are text variables: every action's German name must be one of the action
// group, or a language table could never rename it.
TEST(ActionNames, EveryActionIsNamedByAVariableOfTheActionGroup) {
    const std::vector<std::string_view>& defaults = TextVariables::defaults(G::ControllerActionName);
    const std::set<std::string_view> names(defaults.begin(), defaults.end());
    TextVariables texts;
    for (ControllerAction a : kAllActions) {
        EXPECT_TRUE(names.contains(defaultDisplayName(a))) << defaultDisplayName(a);
        EXPECT_EQ(displayName(a, texts), defaultDisplayName(a));
    }
}

TEST(ActionNames, FollowTheirGroupOnly) {
    TextVariables texts;
    ASSERT_TRUE(texts.replace(G::ControllerActionName, "Links", "Stick left"));
    EXPECT_EQ(displayName(ControllerAction::Left, texts), "Stick left");
    EXPECT_EQ(displayName(ControllerAction::Button1, texts), "Knopf 1");
    texts.resetToDefaults();
    EXPECT_EQ(displayName(ControllerAction::Left, texts), "Links");
}

}  // namespace
}  // namespace pw
