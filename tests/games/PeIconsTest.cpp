#include <gtest/gtest.h>

#include "PeBuilder.h"
#include "games/PeIcons.h"

namespace pw {
namespace {

using test::buildPe;
using test::PeIcon;
using test::putLe;

std::uint32_t le(const std::string& b, std::size_t at, unsigned count) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < count; ++i) {
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at + i))) << (8 * i);
    }
    return v;
}

const std::vector<PeIcon> kTwoIcons = {{7, 16, std::string(40, 'a')}, {9, 32, std::string(24, 'b')}};

TEST(PeIcons, TheFirstIconGroupBecomesAnIconFileWithAllItsImages) {
    for (const bool pe32Plus : {false, true}) {
        SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
        const auto ico = firstIconOfProgram(buildPe(kTwoIcons, {9, 7}, pe32Plus).bytes);
        ASSERT_TRUE(ico.has_value());
        ASSERT_EQ(ico->size(), 6u + 2 * 16 + 24 + 40);
        EXPECT_EQ(le(*ico, 0, 2), 0u);
        EXPECT_EQ(le(*ico, 2, 2), 1u) << "an icon file";
        EXPECT_EQ(le(*ico, 4, 2), 2u);
        // In the group's order: icon 9 first.
        EXPECT_EQ(le(*ico, 6, 1), 32u);
        EXPECT_EQ(le(*ico, 6 + 8, 4), 24u);
        EXPECT_EQ(le(*ico, 6 + 12, 4), 38u);
        EXPECT_EQ(ico->substr(38, 24), std::string(24, 'b'));
        EXPECT_EQ(le(*ico, 22, 1), 16u);
        EXPECT_EQ(le(*ico, 22 + 8, 4), 40u);
        EXPECT_EQ(le(*ico, 22 + 12, 4), 62u);
        EXPECT_EQ(ico->substr(62, 40), std::string(40, 'a'));
    }
}

TEST(PeIcons, ImagesTheGroupNamesButTheProgramLacksAreLeftOut) {
    const auto ico = firstIconOfProgram(buildPe(kTwoIcons, {5, 7}).bytes);
    ASSERT_TRUE(ico.has_value());
    EXPECT_EQ(le(*ico, 4, 2), 1u);
    EXPECT_EQ(ico->substr(22), std::string(40, 'a'));
    EXPECT_FALSE(firstIconOfProgram(buildPe(kTwoIcons, {5}).bytes).has_value()) << "no image left";
    EXPECT_FALSE(firstIconOfProgram(buildPe(kTwoIcons, {}).bytes).has_value()) << "an empty group";
}

TEST(PeIcons, ProgramsWithoutIconsAndOtherFilesGiveNothing) {
    EXPECT_FALSE(firstIconOfProgram(buildPe(kTwoIcons, {7}, false, false).bytes).has_value()) << "no group";
    EXPECT_FALSE(firstIconOfProgram("").has_value());
    EXPECT_FALSE(firstIconOfProgram("MZ").has_value());
    EXPECT_FALSE(firstIconOfProgram("#!/bin/sh\necho hello\n").has_value());
    std::string noPe = buildPe(kTwoIcons, {7}).bytes;
    noPe[0x80] = 'N';
    EXPECT_FALSE(firstIconOfProgram(noPe).has_value());
    std::string noResources = buildPe(kTwoIcons, {7}).bytes;
    putLe(noResources, buildPe(kTwoIcons, {7}).resourceDirectoryEntry, 0, 8);
    EXPECT_FALSE(firstIconOfProgram(noResources).has_value());
}

TEST(PeIcons, EveryTruncationOfAValidProgramIsReadSafely) {
    const std::string full = buildPe(kTwoIcons, {7, 9}).bytes;
    ASSERT_TRUE(firstIconOfProgram(full).has_value());
    for (std::size_t size = 0; size < full.size(); ++size) {
        const auto ico = firstIconOfProgram(std::string_view(full).substr(0, size));
        // A cut inside the padding after the data still holds everything.
        if (ico) {
            EXPECT_EQ(*ico, *firstIconOfProgram(full)) << "cut at " << size;
        }
    }
    EXPECT_FALSE(firstIconOfProgram(std::string_view(full).substr(0, full.size() / 2)).has_value());
}

TEST(PeIcons, OffsetsPointingOutsideTheFileGiveNothing) {
    const test::BuiltPe pe = buildPe(kTwoIcons, {7, 9});
    const auto broken = [&](std::size_t at, std::uint64_t value, unsigned count) {
        std::string b = pe.bytes;
        putLe(b, at, value, count);
        return firstIconOfProgram(b);
    };
    EXPECT_FALSE(broken(0x3C, 0xFFFFFFF0u, 4).has_value()) << "PE header beyond the end";
    EXPECT_FALSE(broken(0x3C, pe.bytes.size() - 10, 4).has_value()) << "PE header cut by the end";
    EXPECT_FALSE(broken(pe.sectionHeader + 20, 0xFFFFFF00u, 4).has_value()) << "section data beyond the end";
    EXPECT_FALSE(broken(0x84 + 2, 0xFFFF, 2).has_value()) << "more section headers than the file holds";
    EXPECT_FALSE(broken(pe.resourceDirectoryEntry, 0x7FFFFFFFu, 4).has_value()) << "resources in no section";
    EXPECT_FALSE(broken(pe.groupDataEntry, 0xFFFFFFF0u, 4).has_value()) << "group address beyond everything";
    EXPECT_FALSE(broken(pe.groupDataEntry + 4, 0xFFFFFFFFu, 4).has_value()) << "group size beyond the end";
    EXPECT_FALSE(broken(pe.groupData + 4, 0xFFFF, 2).has_value()) << "more images than the group holds";
    EXPECT_FALSE(broken(0x200 + 14, 0xFFFF, 2).has_value()) << "more types than the directory holds";
    EXPECT_FALSE(broken(0x200 + 20, 0x8FFFFFF0u, 4).has_value()) << "a subdirectory beyond the end";
    // A section said to be larger than the file is read as far as the file goes.
    EXPECT_EQ(broken(pe.sectionHeader + 16, 0xFFFFFFFFu, 4), firstIconOfProgram(pe.bytes));
}

TEST(PeIcons, ArbitraryBytesNeverReadOutOfBounds) {
    // Every single byte of the headers and the resource tree set to extreme values: whatever
    // comes back, the reader stays inside the bytes (the sanitizer build checks that, too).
    const std::string full = buildPe(kTwoIcons, {7, 9}).bytes;
    for (std::size_t at = 0; at < full.size(); ++at) {
        for (const char value : {'\0', '\x80', '\xFF'}) {
            std::string b = full;
            b[at] = value;
            const auto ico = firstIconOfProgram(b);
            if (ico) {
                EXPECT_GE(ico->size(), 6u + 16u);
                EXPECT_LE(ico->size(), full.size() + 6u + 2 * 16u);
            }
        }
    }
}

}  // namespace
}  // namespace pw
