#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "input/ScanCodes.h"

namespace pw {
namespace {

TEST(ScanCodes, EveryNamedKeyHasItsUsScanCode) {
    const std::pair<int, int> known[] = {
        {8, 0x0E},   {9, 0x0F},   {12, 0x4C},  {13, 0x1C},  {16, 0x2A},  {17, 0x1D},  {18, 0x38},
        {19, 0x45},  {20, 0x3A},  {27, 0x01},  {32, 0x39},  {33, 0x49},  {34, 0x51},  {35, 0x4F},
        {36, 0x47},  {37, 0x4B},  {38, 0x48},  {39, 0x4D},  {40, 0x50},  {45, 0x52},  {46, 0x53},
        {'0', 0x0B}, {'1', 0x02}, {'9', 0x0A}, {'A', 0x1E}, {'Q', 0x10}, {'Y', 0x15}, {'Z', 0x2C},
        {96, 0x52},  {101, 0x4C}, {105, 0x49}, {106, 0x37}, {107, 0x4E}, {109, 0x4A}, {110, 0x53},
        {111, 0x35}, {112, 0x3B}, {121, 0x44}, {122, 0x57}, {123, 0x58}, {124, 0x64}, {135, 0x76},
        {144, 0x45}, {145, 0x46}, {186, 0x27}, {187, 0x0D}, {188, 0x33}, {189, 0x0C}, {190, 0x34},
        {191, 0x35}, {192, 0x29}, {219, 0x1A}, {220, 0x2B}, {221, 0x1B}, {222, 0x28}, {226, 0x56},
    };
    for (const auto& [vk, scan] : known) {
        EXPECT_EQ(scanCodeOf(vk), scan) << "virtual key " << vk;
    }
}

TEST(ScanCodes, EveryLetterDigitAndFunctionKeyHasOneAndNoTwoShareIt) {
    std::set<int> seen;
    for (int vk = 'A'; vk <= 'Z'; ++vk)
        seen.insert(scanCodeOf(vk));
    for (int vk = '0'; vk <= '9'; ++vk)
        seen.insert(scanCodeOf(vk));
    for (int vk = 112; vk <= 135; ++vk)
        seen.insert(scanCodeOf(vk));
    EXPECT_EQ(seen.size(), 26u + 10u + 24u);
    EXPECT_FALSE(seen.contains(0));
}

TEST(ScanCodes, MouseButtonsAndCodesOutsideTheTableHaveNone) {
    for (int vk : {0, 1, 2, 4, 41, 42, 255, 256, -1, 100000}) {
        EXPECT_EQ(scanCodeOf(vk), 0) << vk;
    }
}

}  // namespace
}  // namespace pw
