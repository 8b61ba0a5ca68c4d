#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/ControllerAction.h"
#include "input/KeyNames.h"
#include "texts/LanguageTables.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

using G = TextGroup;

const std::filesystem::path kEnglish = std::filesystem::path(PADWARDEN_SOURCE_DIR) / "translations" / "en";

// Texts that English writes as German does. Every other replaceable text must read differently
// once the English tables are loaded, so a forgotten or misspelt line shows up as German.
const std::vector<std::pair<G, std::string_view>> kSameInEnglish = {
    {G::KeyName, "Pause"},
    {G::KeyName, "Tab"},
    {G::KeyName, "Enter"},
    {G::KeyName, "Windows"},
    {G::KeyName, "Alt"},
    {G::KeyName, "Alt Gr"},
    {G::KeyName, "Num /"},
    {G::KeyName, "Num *"},
    {G::KeyName, "Num -"},
    {G::KeyName, "Num +"},
    {G::KeyName, "Num 0"},
    {G::KeyName, "Num 1"},
    {G::KeyName, "Num 2"},
    {G::KeyName, "Num 3"},
    {G::KeyName, "Num 4"},
    {G::KeyName, "Num 5"},
    {G::KeyName, "Num 6"},
    {G::KeyName, "Num 7"},
    {G::KeyName, "Num 8"},
    {G::KeyName, "Num 9"},
    // The keys of the German letters keep their names, as the fixed names of the keys beside
    // them ("ß", "´", "#", "+", "<") do.
    {G::KeyName, "Ü"},
    {G::KeyName, "Ö"},
    {G::KeyName, "Ä"},
    {G::Interface, "Info"},
    {G::Interface, "Tray"},
    {G::Interface, "Start"},
    {G::Interface, "Rec"},
    {G::Interface, "Stop"},
    {G::Interface, "Action"},
    {G::Interface, "Controller"},
    {G::Interface, "OK"},
    {G::Interface, "Offline?"},
};

bool sameInEnglish(G group, std::string_view germanDefault) {
    return std::find(kSameInEnglish.begin(), kSameInEnglish.end(), std::pair{group, germanDefault}) !=
           kSameInEnglish.end();
}

const char* tableName(G group) {
    switch (group) {
        case G::KeyName:
            return "keycon.gam";
        case G::ControllerActionName:
            return "joycon.gam";
        case G::Interface:
            return "language.gam";
        case G::FixedKeyName:
            break;
    }
    return "(no table)";
}

class EnglishTables : public ::testing::Test {
protected:
    const LanguageTable& table(G group) const {
        switch (group) {
            case G::KeyName:
                return tables.keyNames;
            case G::ControllerActionName:
                return tables.actionNames;
            case G::Interface:
            case G::FixedKeyName:
                break;
        }
        return tables.interfaceTexts;
    }

    TextVariables texts;
    LoadedTables tables = zuweisen(texts, kEnglish);
};

constexpr G kReplaceable[] = {G::KeyName, G::ControllerActionName, G::Interface};

TEST_F(EnglishTables, EveryReplaceableTextIsTranslated) {
    int checked = 0;
    for (const TextVariable& v : texts.variables()) {
        if (v.group == G::FixedKeyName) {
            continue;
        }
        ++checked;
        SCOPED_TRACE(std::string(tableName(v.group)) + ": " + std::string(v.germanDefault));
        TextVariables untouched;
        EXPECT_TRUE(variable_zuweisen(table(v.group), untouched, v.group, v.germanDefault))
            << "no line of the table names this text";
        if (sameInEnglish(v.group, v.germanDefault)) {
            EXPECT_EQ(v.text, v.germanDefault);
        } else {
            EXPECT_NE(v.text, v.germanDefault) << "still German";
        }
        if (v.text.empty()) {
            ADD_FAILURE() << "empty text";
            continue;
        }
        EXPECT_NE(v.text.front(), ' ') << "space after \":=\"";
        EXPECT_NE(v.text.back(), ' ') << "space at the end of the line";
    }
    EXPECT_GT(checked, 100);
}

TEST_F(EnglishTables, TheListOfUnchangedTextsNamesOnlyVariables) {
    for (const auto& [group, germanDefault] : kSameInEnglish) {
        EXPECT_TRUE(texts.isVariable(group, germanDefault)) << germanDefault;
    }
}

TEST_F(EnglishTables, EveryLineNamesATextOfItsTableOnce) {
    for (G group : kReplaceable) {
        SCOPED_TRACE(tableName(group));
        forEachUnknownLine(table(group).file, group, [](const UnknownLine& line) {
            ADD_FAILURE() << line.file.string() << ':' << line.number << ": " << line.text;
        });
        // With every line naming a text and every text named, equal counts leave no room for a
        // second line for one text, which would be ignored.
        EXPECT_EQ(table(group).lineCount, TextVariables::defaults(group).size());
    }
}

TEST_F(EnglishTables, FilesAreUtf8WithUnixLineEnds) {
    for (G group : kReplaceable) {
        std::ifstream in(kEnglish / tableName(group), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(tableName(group));
        ASSERT_FALSE(bytes.empty());
        EXPECT_TRUE(isValidUtf8(bytes));
        EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF"));
        EXPECT_EQ(bytes.find('\r'), std::string::npos);
        EXPECT_TRUE(bytes.ends_with('\n'));
    }
}

TEST_F(EnglishTables, KeyNamesReachTheKeyField) {
    EXPECT_EQ(keyName(17, texts), "Ctrl");
    EXPECT_EQ(keyName(46, texts), "Del");
    EXPECT_EQ(keyName(110, texts), "Num .");
    EXPECT_EQ(displayName(ControllerAction::Button1, texts), "Button 1");
}

}  // namespace
}  // namespace pw
