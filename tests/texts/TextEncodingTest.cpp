#include <gtest/gtest.h>

#include "texts/TextEncoding.h"

namespace pw {
namespace {

TEST(TextEncoding, ValidUtf8StaysAndOtherBytesAreWindows1252) {
    EXPECT_EQ(decodeTextFile("Schlie\xC3\x9F"
                             "en:=Close"),
              "Schließen:=Close");
    EXPECT_EQ(decodeTextFile("Schlie\xDF"
                             "en:=Close"),
              "Schließen:=Close");
    EXPECT_EQ(decodeTextFile("\x80 \x9F \x81"), "€ Ÿ \xC2\x81");
    EXPECT_EQ(decodeTextFile("\xEF\xBB\xBFZur\xC3\xBC"
                             "ck"),
              "Zurück")
        << "a UTF-8 mark is dropped";
    EXPECT_EQ(decodeTextFile(""), "");
}

TEST(TextEncoding, Utf16WithItsMarkIsDecodedAndOtherNulBytesMeanBinary) {
    using namespace std::string_literals;
    EXPECT_EQ(decodeTextFile("\xFF\xFE"
                             "A\0\xFC\0=\0\x3D\xD8\x00\xDE"s),
              "Aü=😀");
    EXPECT_FALSE(decodeTextFile("Knopf 1:=\0Button"s));
    EXPECT_FALSE(
        decodeTextFile("\xFF\xFE"
                       "A\0\0\0"s))
        << "a NUL character in UTF-16";
}

TEST(TextEncoding, RejectsMalformedUtf8) {
    EXPECT_TRUE(isValidUtf8("abc \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC3"));              // cut short
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8("\x80"));
}

TEST(TextEncoding, Windows1252RoundTripsAndRefusesWhatDoesNotFit) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(all)), all);
    EXPECT_EQ(utf8ToWindows1252("Grüße €"),
              "Gr\xFC\xDF"
              "e \x80");
    EXPECT_FALSE(utf8ToWindows1252("Привет"));
    EXPECT_FALSE(utf8ToWindows1252("\xC3"));
}

TEST(TextEncoding, Utf16RoundTripsInBothByteOrdersAndMarksWhatItLoses) {
    const std::string text = "Grüße € \xF0\x9F\x8E\xAE";  // with a character beyond U+FFFF
    for (const bool big : {false, true}) {
        bool lossless = false;
        EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text, big), big, lossless), text);
        EXPECT_TRUE(lossless);
    }
    EXPECT_EQ(utf8ToUtf16("A€", true), std::string("\0A\x20\xAC", 4));
    bool lossless = true;
    EXPECT_EQ(utf16ToUtf8(std::string("\x00\xD8"
                                      "A\0",
                                      4),
                          false, lossless),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_FALSE(lossless) << "a surrogate without its partner";
    lossless = true;
    utf16ToUtf8("A\0B", false, lossless);
    EXPECT_FALSE(lossless) << "an odd last byte";
}

TEST(TextEncoding, ControlCharactersAreShownEscaped) {
    EXPECT_EQ(escapeControls("a\x1B[2J\tb\x7F ä\\"), "a\\x1B[2J\\x09b\\x7F ä\\");
}

}  // namespace
}  // namespace pw
