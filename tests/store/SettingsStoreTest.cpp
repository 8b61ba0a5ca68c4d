#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>
#include <string>
#include <vector>

#include "store/SettingsStore.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

std::string utf8(char32_t c) {
    std::string out;
    appendUtf8(out, c);
    return out;
}

bool folds(char32_t c) {
    return (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x100 && c <= 0x17F) ||
           (c >= 0x391 && c <= 0x3A9) || (c >= 0x400 && c <= 0x42F);
}

TEST(FoldKeyName, GermanAndOtherEuropeanCapitalsFoldToTheirSmallLetters) {
    EXPECT_EQ(foldKeyName("Äpfel ÖL ÜBER"), "äpfel öl über");
    EXPECT_EQ(foldKeyName("ÀÉÎÕØÞ"), "àéîõøþ");
    EXPECT_EQ(foldKeyName("ĀĄČĎĚĞĲĹŁŃŇŊŒŘŠŦŮŸŹŽ"), "āąčďěğĳĺłńňŋœřšŧůÿźž");
    EXPECT_EQ(foldKeyName("ΑΘΗΝΑ ΣΩ"), "αθηνα σω");
    EXPECT_EQ(foldKeyName("МОСКВА ЁЖ ЂЏ"), "москва ёж ђџ");
}

TEST(FoldKeyName, LettersWithoutASimpleCapitalStayAsTheyAre) {
    // ß has no one-letter capital: "STRASSE" and "straße" stay two names.
    EXPECT_EQ(foldKeyName("STRASSE"), "strasse");
    EXPECT_EQ(foldKeyName("straße"), "straße");
    EXPECT_EQ(foldKeyName("×÷ÿ"), "×÷ÿ");
    // The dotted and the dotless i are no pair outside Turkish.
    EXPECT_EQ(foldKeyName("İı"), "İı");
    EXPECT_EQ(foldKeyName("ς"), "ς");
    EXPECT_EQ(foldKeyName("ＡＢ"), "ＡＢ");  // full-width forms are outside the folded ranges
}

TEST(FoldKeyName, BytesThatAreNoUtf8PassThroughUnchanged) {
    EXPECT_EQ(foldKeyName("A\xFF"
                          "B"),
              "a\xFF"
              "b");
    EXPECT_EQ(foldKeyName("\xC1\x81"), "\xC1\x81");                  // an overlong "A" is not "a"
    EXPECT_EQ(foldKeyName("\xED\xA0\x80Z"), "\xED\xA0\x80z");        // a surrogate
    EXPECT_EQ(foldKeyName("X\xC3"), "x\xC3");                        // cut off after the lead byte
    EXPECT_EQ(foldKeyName("\x80\xC3\x84"), "\x80\xC3\xA4");          // a stray continuation, then Ä
    EXPECT_EQ(foldKeyName("\xF4\x90\x80\x80"), "\xF4\x90\x80\x80");  // beyond U+10FFFF
    EXPECT_EQ(foldKeyName(std::string("A\0B", 3)), std::string("a\0b", 3));
}

// glibc's own case tables are the yardstick: inside the folded ranges every capital goes to its
// small letter, everywhere else nothing changes, and folding twice changes nothing more.
TEST(FoldKeyName, AgreesWithTheCLibraryInsideItsRangesAndLeavesEverythingElse) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const std::string folded = foldKeyName(utf8(c));
        char32_t expected = c;
        if (folds(c) && c != 0x130) {
            expected = static_cast<char32_t>(std::towlower(static_cast<wint_t>(c)));
        }
        ASSERT_EQ(folded, utf8(expected)) << "U+" << std::hex << static_cast<unsigned>(c);
        ASSERT_EQ(foldKeyName(folded), folded) << "U+" << std::hex << static_cast<unsigned>(c);
    }
}

TEST(SplitKeyPath, DropsEmptyNames) {
    using Names = std::vector<std::string_view>;
    EXPECT_EQ(splitKeyPath(R"(Software\Orvalis\PadWarden)"), (Names{"Software", "Orvalis", "PadWarden"}));
    EXPECT_EQ(splitKeyPath(R"(\a\\b\)"), (Names{"a", "b"}));
    EXPECT_EQ(splitKeyPath("a/b"), (Names{"a/b"}));
    EXPECT_TRUE(splitKeyPath("").empty());
    EXPECT_TRUE(splitKeyPath(R"(\\)").empty());
}

}  // namespace
}  // namespace pw
