#include <gtest/gtest.h>

#include "app/games/StartPage.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

TEST(PageTest, HeaderRepeatsTheCaptionInTheCurrentLanguage) {
    test::AppFixture fx;
    fx.texts.replace(TextGroup::Interface, "Start", "Begin");
    StartPage page(fx.context);
    page.applyTexts();
    EXPECT_EQ(page.objectName(), "Panel15");
    EXPECT_EQ(page.header()->objectName(), "Panel16");
    EXPECT_EQ(page.header()->text(), "Begin");
    EXPECT_EQ(page.sideList()->objectName(), "ListView1");
}

}  // namespace
}  // namespace pw
