#include <gtest/gtest.h>

#include "input/KeySequence.h"

namespace pw {
namespace {

TEST(KeyNumber, ReadsDecimalsAndTurnsEverythingElseIntoZero) {
    EXPECT_EQ(parseKeyNumber("65"), 65);
    EXPECT_EQ(parseKeyNumber("-1"), -1);
    EXPECT_EQ(parseKeyNumber("+7"), 7);
    EXPECT_EQ(parseKeyNumber("  12"), 12);
    EXPECT_EQ(parseKeyNumber(""), 0);
    EXPECT_EQ(parseKeyNumber("-"), 0);
    EXPECT_EQ(parseKeyNumber("12 "), 0);
    EXPECT_EQ(parseKeyNumber("6a"), 0);
    EXPECT_EQ(parseKeyNumber("(0)65"), 0);
    EXPECT_EQ(parseKeyNumber("2147483647"), 2147483647);
    EXPECT_EQ(parseKeyNumber("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseKeyNumber("2147483648"), 0);
    EXPECT_EQ(parseKeyNumber("99999999999999999999"), 0);
}

TEST(KeyStep, SplitsAtTheFirstUnderscore) {
    EXPECT_EQ(splitStep("17_123").k1, 17);
    EXPECT_EQ(splitStep("17_123").k2, 123);
    EXPECT_EQ(splitStep("65").k2, 0);
    EXPECT_EQ(splitStep("1_2_3").k2, 0) << "\"2_3\" is no number";
    EXPECT_EQ(splitStep("_65").k1, 0);
    EXPECT_EQ(splitStep("_65").k2, 65);
}

TEST(KeySequenceText, TimedSequencesGetTheirTerminatingGroupOnce) {
    EXPECT_FALSE(KeySequence("65").isTimed());
    EXPECT_TRUE(KeySequence("(0)65(120)66").isTimed());
    EXPECT_EQ(KeySequence("(0)65(120)66").playText(), "(0)65(120)66(0)");
    EXPECT_EQ(KeySequence("(0)65(250)66(").playText(), "(0)65(250)66(0)");
    EXPECT_EQ(KeySequence("(0)65(120)66").text(), "(0)65(120)66");
    EXPECT_TRUE(KeySequence("").text().empty());
}

}  // namespace
}  // namespace pw
