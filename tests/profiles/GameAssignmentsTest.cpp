#include <set>

#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

class Assignments : public test::StoreTest {
protected:
    RegistryKey game() { return openRegistryKey(store(), gameKeyPath("Action", "Doom")); }
};

TEST_F(Assignments, ReadsAllTwentyEightInTheirOrder) {
    game().writeString("[isbutton1]", "65");
    game().writeString("[ISUP]", "17_123");
    const ActionSequences seqs = readActionSequences(store(), "action", "DOOM");
    EXPECT_EQ(seqs[0].first, ControllerAction::Up);
    EXPECT_EQ(seqs[0].second, "17_123");
    EXPECT_EQ(seqs[6].first, ControllerAction::Right);
    EXPECT_EQ(seqs[8].first, ControllerAction::CoolUpRight);
    EXPECT_EQ(seqs[16].first, ControllerAction::Button1);
    EXPECT_EQ(seqs[16].second, "65");
    EXPECT_EQ(seqs[27].first, ControllerAction::Button12);
    EXPECT_EQ(seqs[27].second, "") << "missing reads empty";
    std::set<ControllerAction> all;
    for (const auto& [a, s] : seqs)
        all.insert(a);
    EXPECT_EQ(all.size(), kActionCount);
}

TEST_F(Assignments, AValueThatIsNoTextReadsMinusOneAndAMissingGameReadsEmpty) {
    store().createKey(gameKeyPath("Action", "Doom"));
    store().writeValue(gameKeyPath("Action", "Doom"), "[isdown]",
                       RegistryValue{static_cast<std::uint32_t>(ValueType::Binary), "\x41"});
    EXPECT_EQ(readActionSequences(store(), "Action", "Doom")[1].second, "-1");
    for (const auto& [a, s] : readActionSequences(store(), "Action", "Quake")) {
        EXPECT_EQ(s, "") << token(a);
    }
}

TEST_F(Assignments, MarkersNameTheActionAndConvertBackToItsTokenInTheCurrentLanguage) {
    TextVariables texts;
    game().writeString("Strg_F12", "Coolie links hoch");
    const std::string marker = readMarker(store(), gameKeyPath("Action", "Doom"), "Strg_F12");
    EXPECT_EQ(marker, "Coolie links hoch");
    EXPECT_EQ(actionTokenFromDisplayName(marker, texts), "[iscoolupleft]");
    EXPECT_EQ(readMarker(store(), gameKeyPath("Action", "Doom"), "A"), "");
    EXPECT_EQ(readMarker(store(), gameKeyPath("Action", "Nothing"), "A"), "");
    // After a switch to English, markers written in German no longer convert.
    texts.replace(TextGroup::ControllerActionName, "Coolie links hoch", "Hat up left");
    EXPECT_EQ(actionTokenFromDisplayName(marker, texts), "");
    EXPECT_EQ(actionTokenFromDisplayName("Hat up left", texts), "[iscoolupleft]");
    EXPECT_EQ(actionTokenFromDisplayName("hat up left", texts), "") << "compared with case";
}

}  // namespace
}  // namespace pw
