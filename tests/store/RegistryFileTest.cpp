#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "store/RegistryFile.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

using namespace std::string_literals;

const std::string kRoot = "Software\\Orvalis\\PadWarden";
const std::string kGames = kRoot + "\\games";
const std::string kJoystick = "System\\CurrentControlSet\\Control\\MediaResources\\Joystick";
const std::string kJoystickProperties =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick";

// LF line ends as CR LF, as the Windows tools write them.
std::string crlf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// UTF-8 text as a UTF-16LE file with its byte-order mark, as the registry editor saves one.
std::string utf16File(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    const auto unit = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

RegistryValue typed(ValueType type, std::string data) {
    return {static_cast<std::uint32_t>(type), std::move(data)};
}

RegistryValue dword(std::uint32_t n) {
    return typed(ValueType::DWord, bytes({static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF),
                                          static_cast<int>((n >> 16) & 0xFF), static_cast<int>(n >> 24)}));
}

class RegistryFile : public test::StoreTest {
protected:
    RegistryImportReport import(std::string_view file) { return importRegistryFile(store(), file); }

    std::optional<RegistryValue> value(const std::string& key, std::string_view name) {
        return store().readValue(key, name);
    }

    // A second, empty store beside the first.
    std::unique_ptr<SqliteSettingsStore> freshStore(std::string_view name) {
        return SqliteSettingsStore::open(dir.file(name));
    }
};

// ---- one small library in every encoding the Windows tools write ---------------------------------

const std::string kLibraryUtf8 = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\Spielgruppe Ä]
"name"="Spielgruppe Ä"

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\Spielgruppe Ä\Doom]
"exe"="C:\\Spiele\\Doom \"Ultimate\"\\doom.exe"
@="Größe"
"[isup]"=dword:00000026
)";

// Written by hand as the old registry editor saves it: Windows-1252 bytes, CR LF.
const std::string kLibraryRegedit4 =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\games\\Spielgruppe \xC4]\r\n"
    "\"name\"=\"Spielgruppe \xC4\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\games\\Spielgruppe \xC4\\Doom]\r\n"
    "\"exe\"=\"C:\\\\Spiele\\\\Doom \\\"Ultimate\\\"\\\\doom.exe\"\r\n"
    "@=\"Gr\xF6\xDF\x65\"\r\n"
    "\"[isup]\"=dword:00000026\r\n"
    "\r\n";

struct Encoding {
    const char* name;
    std::string bytes;
};

class LibraryEncodings : public RegistryFile, public ::testing::WithParamInterface<Encoding> {};

TEST_P(LibraryEncodings, ReadTheSameLibrary) {
    const RegistryImportReport report = import(GetParam().bytes);
    EXPECT_TRUE(report.complete()) << (report.skipped.empty() ? report.notRegistryFile
                                                              : report.skipped[0].reason);
    EXPECT_EQ(report.keys, 2u);
    EXPECT_EQ(report.values, 4u);
    EXPECT_EQ(store().subkeys(kGames), std::vector<std::string>{"Spielgruppe Ä"});
    EXPECT_EQ(store().subkeys(kGames + "\\Spielgruppe Ä"), std::vector<std::string>{"Doom"});
    EXPECT_EQ(value(kGames + "\\Spielgruppe Ä", "name"), RegistryValue::string("Spielgruppe Ä"));
    const std::string doom = kGames + "\\Spielgruppe Ä\\Doom";
    EXPECT_EQ(value(doom, "exe"), RegistryValue::string(R"(C:\Spiele\Doom "Ultimate"\doom.exe)"));
    EXPECT_EQ(value(doom, ""), RegistryValue::string("Größe")) << "@ is the default value, named \"\"";
    EXPECT_EQ(value(doom, "[isup]"), dword(0x26));
    EXPECT_EQ(store().valueNames(doom), (std::vector<std::string>{"exe", "", "[isup]"}));
}

INSTANTIATE_TEST_SUITE_P(
    RegistryFile, LibraryEncodings,
    ::testing::Values(Encoding{"Utf16WithMark", utf16File(crlf(kLibraryUtf8))},
                      Encoding{"Regedit4Windows1252", kLibraryRegedit4},
                      Encoding{"Utf8WithMarkAndCrLf", "\xEF\xBB\xBF" + crlf(kLibraryUtf8)},
                      Encoding{"Utf16Regedit4",
                               utf16File("REGEDIT4\r\n" +
                                         crlf(kLibraryUtf8.substr(kLibraryUtf8.find('\n') + 1)))}),
    [](const ::testing::TestParamInfo<Encoding>& param) { return std::string(param.param.name); });

TEST_F(RegistryFile, AFileWithoutAMarkIsWindows1252AsForTheRegistryEditorAndAUtf8FileIsNamed) {
    const RegistryImportReport report = import(kLibraryUtf8);
    EXPECT_TRUE(report.complete());
    EXPECT_EQ(store().subkeys(kGames), std::vector<std::string>{"Spielgruppe \u00C3\u201E"})
        << "the two bytes of \u00C4 in UTF-8 are two Windows-1252 characters";
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0].line, 3u) << "the first line that is not ASCII";
    EXPECT_TRUE(report.warnings[0].reason.starts_with("read as Windows-1252")) << report.warnings[0].reason;

    const RegistryImportReport marked = import("\xEF\xBB\xBF" + kLibraryUtf8);
    ASSERT_EQ(marked.warnings.size(), 1u);
    EXPECT_EQ(marked.warnings[0].line, 1u);
    EXPECT_TRUE(marked.warnings[0].reason.starts_with("a UTF-8 file with a byte-order mark"));
}

// ---- values -------------------------------------------------------------------------------------

TEST_F(RegistryFile, EveryValueTypeIsStoredAsTheRegistryKeepsIt) {
    const RegistryImportReport report = import(utf16File(crlf(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\types]
"dw"=dword:0000001f
"short dw"=DWORD:1F
"bin"=hex:00,ff,10,Ab
"empty"=hex:
"expand"=hex(2):25,00,41,00,25,00,00,00
"multi"=hex(7):61,00,00,00,62,00,00,00,00,00
"qword"=hex(b):01,00,00,00,00,00,00,80
"none"=hex(0):
"own type"=hex(1a):01,02
"as dword"=hex(4):78,56,34,12
"text"=hex(1):48,00,e4,00,0a,00,00,00
"long"=hex:01,02,03,\
   04,05,\
	06
"after"="the line after a continuation is read as usual"
)")));
    EXPECT_TRUE(report.complete()) << (report.skipped.empty() ? "" : report.skipped[0].reason);
    const std::string key = kRoot + "\\types";
    EXPECT_EQ(value(key, "dw"), dword(0x1f));
    EXPECT_EQ(value(key, "short dw"), dword(0x1f));
    EXPECT_EQ(value(key, "bin"), typed(ValueType::Binary, bytes({0x00, 0xff, 0x10, 0xab})));
    EXPECT_EQ(value(key, "empty"), typed(ValueType::Binary, ""));
    EXPECT_EQ(value(key, "expand"), typed(ValueType::ExpandString, bytes({0x25, 0, 0x41, 0, 0x25, 0, 0, 0})));
    EXPECT_EQ(value(key, "multi"),
              typed(ValueType::MultiString, bytes({0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0})));
    EXPECT_EQ(value(key, "qword"), typed(ValueType::QWord, bytes({1, 0, 0, 0, 0, 0, 0, 0x80})));
    EXPECT_EQ(value(key, "none"), typed(ValueType::None, ""));
    EXPECT_EQ(value(key, "own type"), (RegistryValue{0x1a, bytes({1, 2})}));
    EXPECT_EQ(value(key, "as dword"), dword(0x12345678));
    EXPECT_EQ(value(key, "text"), RegistryValue::string("Hä\n")) << "a string is kept as UTF-8 text";
    EXPECT_EQ(value(key, "long"), typed(ValueType::Binary, bytes({1, 2, 3, 4, 5, 6})));
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0].line, 5u) << "DWORD: in capitals is read, but named";
    EXPECT_TRUE(value(key, "after").has_value());
    EXPECT_EQ(report.values, 13u);
}

TEST_F(RegistryFile, Regedit4TextInHexIsWidenedSoBothFormatsStoreTheSameValue) {
    import(utf16File(crlf(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\v5]
"expand"=hex(2):25,00,c4,00,25,00,00,00
"multi"=hex(7):61,00,00,00,ac,20,00,00,00,00
"text"=hex(1):48,00,e4,00,00,00
)")));
    const RegistryImportReport report = import(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\v4]\r\n"
        "\"expand\"=hex(2):25,c4,25,00\r\n"
        "\"multi\"=hex(7):61,00,80,00,00\r\n"
        "\"text\"=hex(1):48,e4,00\r\n");
    EXPECT_TRUE(report.complete());
    for (const char* name : {"expand", "multi", "text"}) {
        EXPECT_EQ(value(kRoot + "\\v4", name), value(kRoot + "\\v5", name)) << name;
    }
    EXPECT_EQ(value(kRoot + "\\v4", "multi"),
              typed(ValueType::MultiString, bytes({0x61, 0, 0, 0, 0xAC, 0x20, 0, 0, 0, 0})))
        << "byte 0x80 is the euro sign in Windows-1252";
}

TEST_F(RegistryFile, EscapesInNamesAndStrings) {
    const RegistryImportReport report = import(crlf(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\escapes]
"a\\b \"q\""="x\\y\"z"
"hand written"="C:\Games\doom.exe"
"ends in backslash"="C:\\"
"equals"="a=b"
  "indented" = "blanks around the equals sign"
"lines"="one\ntwo\r"
"tab\t"="a ; not a comment" ; a comment
)"));
    EXPECT_TRUE(report.complete()) << (report.skipped.empty() ? "" : report.skipped[0].reason);
    const std::string key = kRoot + "\\escapes";
    EXPECT_EQ(value(key, "a\\b \"q\""), RegistryValue::string("x\\y\"z"));
    EXPECT_EQ(value(key, "hand written"), RegistryValue::string("C:Gamesdoom.exe"))
        << "a backslash that escapes nothing is dropped, as the registry editor drops it";
    EXPECT_EQ(value(key, "lines"), RegistryValue::string("one\ntwo\r"));
    EXPECT_EQ(value(key, "tabt"), RegistryValue::string("a ; not a comment"));
    EXPECT_EQ(report.warnings,
              (std::vector<RegistryFileIssue>{
                  {5,
                   "unknown escape '\\G', '\\d' in a quoted text: the backslash is dropped, as the Windows "
                   "registry editor drops it; write \\\\ for a backslash"},
                  {10,
                   "unknown escape '\\t' in a quoted text: the backslash is dropped, as the Windows "
                   "registry editor drops it; write \\\\ for a backslash"}}));
    EXPECT_EQ(value(key, "ends in backslash"), RegistryValue::string("C:\\"));
    EXPECT_EQ(value(key, "equals"), RegistryValue::string("a=b"));
    EXPECT_EQ(value(key, "indented"), RegistryValue::string("blanks around the equals sign"));
}

// ---- deletions, merging, keys elsewhere ---------------------------------------------------------

TEST_F(RegistryFile, DeletionsRemoveKeysWithEverythingBelowAndSingleValues) {
    store().createKey(kGames + "\\Action\\Doom\\Extra");
    store().writeValue(kGames + "\\Action\\Doom", "exe", RegistryValue::string("doom.exe"));
    store().createKey(kGames + "\\Sport");
    store().writeValue(kGames + "\\Sport", "name", RegistryValue::string("Sport"));
    store().writeValue(kGames + "\\Sport", "keep", RegistryValue::string("yes"));
    const RegistryImportReport report = import(R"(Windows Registry Editor Version 5.00

[-HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\ACTION]
"orphan"="after a deletion"

[-HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\NeverWasThere]

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\Sport]
"NAME"=-
"missing"=-
)");
    EXPECT_FALSE(store().keyExists(kGames + "\\Action"));
    EXPECT_FALSE(store().keyExists(kGames + "\\Action\\Doom\\Extra"));
    EXPECT_EQ(store().valueNames(kGames + "\\Sport"), std::vector<std::string>{"keep"});
    EXPECT_EQ(report.deletedKeys, 1u) << "a key that was not there is not counted";
    EXPECT_EQ(report.deletedValues, 1u);
    EXPECT_EQ(report.skipped,
              (std::vector<RegistryFileIssue>{{4, "a value line after a key deletion belongs to no key"}}));
    EXPECT_FALSE(store().keyExists(kGames + "\\NeverWasThere"));
}

TEST_F(RegistryFile, MergingKeepsTheSpellingOfExistingKeysAndReplacesValuesWithoutRegardToCase) {
    store().createKey(kGames + "\\Action\\Doom");
    store().writeValue(kGames + "\\Action", "Name", RegistryValue::string("Action"));
    store().writeValue(kGames + "\\Action", "Icon", RegistryValue::string("action.ico"));
    store().createKey(kGames + "\\Äpfel");
    const RegistryImportReport report = import(utf16File(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\orvalis\PADWARDEN\GAMES\action]
"NAME"="Aktion"
"new"="added"

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\äPFEL\Sorte]

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\games\Action\Quake]
)"));
    EXPECT_TRUE(report.complete());
    EXPECT_EQ(store().subkeys(kRoot), std::vector<std::string>{"games"});
    EXPECT_EQ(store().subkeys(kGames), (std::vector<std::string>{"Action", "Äpfel"}));
    EXPECT_EQ(store().subkeys(kGames + "\\Action"), (std::vector<std::string>{"Doom", "Quake"}));
    EXPECT_EQ(store().subkeys(kGames + "\\Äpfel"), std::vector<std::string>{"Sorte"});
    EXPECT_EQ(store().valueNames(kGames + "\\Action"), (std::vector<std::string>{"Name", "Icon", "new"}));
    EXPECT_EQ(value(kGames + "\\Action", "name"), RegistryValue::string("Aktion"));
    EXPECT_EQ(value(kGames + "\\Action", "icon"), RegistryValue::string("action.ico"));
}

TEST_F(RegistryFile, KeysOutsidePadWardensTreeAreSkippedWithTheirValuesAndReported) {
    const RegistryImportReport report = import(R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Orvalis\PadWarden]
"one"="1"
"two"=hex:01,\
  02

[hklm\software\orvalis\padwarden\ok]
"taken"="yes"

[HKEY_LOCAL_MACHINE\Software\Orvalis]
"parent"="not ours"

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWardenX]

[HKEY_LOCAL_MACHINE]
[-HKEY_LOCAL_MACHINE\Software]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaResources\Joystick\DINPUT.DLL\CurrentJoystickSettings]
"Joystick1OEMName"="VID_045E&PID_028E"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM\VID_045E&PID_028E]
"OEMName"="Controller"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaResources\JoystickCalibration]
)");
    EXPECT_EQ(
        report.skipped,
        (std::vector<RegistryFileIssue>{
            {3,
             "key outside PadWarden's tree: HKEY_CURRENT_USER\\Software\\Orvalis\\PadWarden (2 value "
             "lines skipped)"},
            {11,
             "key outside PadWarden's tree: HKEY_LOCAL_MACHINE\\Software\\Orvalis (1 value line skipped)"},
            {14, "key outside PadWarden's tree: HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWardenX"},
            {16, "key outside PadWarden's tree: HKEY_LOCAL_MACHINE"},
            {17, "key deletion outside PadWarden's tree: HKEY_LOCAL_MACHINE\\Software"},
            {24,
             "key outside PadWarden's tree: "
             "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaResources\\JoystickCalibration"},
        }));
    EXPECT_EQ(report.skippedLines, 9u);
    EXPECT_EQ(report.keys, 3u);
    EXPECT_EQ(report.values, 3u);
    EXPECT_TRUE(store().keyExists("Software")) << "the deletion outside the tree was not carried out";
    EXPECT_EQ(store().subkeys("Software\\Orvalis"), std::vector<std::string>{"padwarden"});
    EXPECT_TRUE(store().valueNames("Software\\Orvalis").empty());
    EXPECT_EQ(value(kRoot + "\\ok", "taken"), RegistryValue::string("yes"));
    EXPECT_EQ(value(kJoystick + "\\DINPUT.DLL\\CurrentJoystickSettings", "Joystick1OEMName"),
              RegistryValue::string("VID_045E&PID_028E"));
    EXPECT_EQ(value(kJoystickProperties + "\\OEM\\VID_045E&PID_028E", "OEMName"),
              RegistryValue::string("Controller"));
    EXPECT_FALSE(store().keyExists(kJoystick + "Calibration"));
}

// ---- lines that cannot be used ------------------------------------------------------------------

TEST_F(RegistryFile, EveryUnusableLineIsReportedWithItsNumberAndTheRestIsImported) {
    const RegistryImportReport report = import(utf16File(crlf(R"(Windows Registry Editor Version 5.00
; exported from the old computer
"early"="a value line outside any key"

[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\mixed]
"good1"="one"
"badhex"=hex:01,zz,03
"baddword"=dword:1234567890
"open string"="no end
"open name=1
"noequals" "x"
"strtype"=str(2):"x"
some text that means nothing
"badtype"=hex(zz):01
"toolong"=hex:123
"gap"=hex:01,,02
"continued"=hex:01,02,\
  03,q4
"after quote"="x" y
"badtext"=hex(1):00,d8,41,00
"good2"=dword:00000002
[HKEY_LOCAL_MACHINE\Software\Orvalis\PadWarden\unclosed
"lost"="with its key"
)")));
    EXPECT_TRUE(report.registryFile);
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(report.skipped, (std::vector<RegistryFileIssue>{
                                  {3, "a value line outside any key"},
                                  {7, "hex data '01,zz,03' is not understood"},
                                  {8, "dword value '1234567890' is not 1 to 8 hexadecimal digits"},
                                  {9, "string without closing quote"},
                                  {10, "value name without closing quote"},
                                  {11, "'=' missing after the value name"},
                                  {12, "value data 'str(2):\"x\"' is not understood"},
                                  {13, "not a key, value or comment line: 'some text that means nothing'"},
                                  {14, "value type 'hex(zz)' is not hex(N) with a hexadecimal type number"},
                                  {15, "hex data '123' is not understood"},
                                  {16, "hex data '01,,02' is not understood"},
                                  {18, "hex data '03,q4' is not understood"},
                                  {19, "text after the closing quote: 'y'"},
                                  {20, "hex(1) data is not UTF-16 text"},
                                  {22, "key line without closing ']' (1 value line skipped)"},
                              }));
    EXPECT_EQ(store().valueNames(kRoot + "\\mixed"), (std::vector<std::string>{"good1", "good2"}));
    EXPECT_EQ(report.values, 2u);
}

TEST_F(RegistryFile, AFileThatIsNoRegistryFileImportsNothing) {
    const std::string keyLines = "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\x]\r\n\"a\"=\"b\"\r\n";
    for (const std::string& file : {keyLines, "[Joystick]\r\nname=Pad\r\n" + keyLines, std::string(),
                                    "Windows Registry Editor Version 4.00\r\n" + keyLines,
                                    std::string("REGEDIT4\r\n\0\x01\x02", 13) + keyLines}) {
        const RegistryImportReport report = import(file);
        EXPECT_FALSE(report.registryFile) << file;
        EXPECT_FALSE(report.notRegistryFile.empty());
        EXPECT_EQ(report.keys + report.values, 0u);
    }
    EXPECT_TRUE(store().subkeys("").empty());
}

// ---- export -------------------------------------------------------------------------------------

TEST_F(RegistryFile, AnEmptyStoreExportsTheHeaderOnly) {
    const RegistryExport out = exportRegistry(store());
    EXPECT_EQ(out.bytes, utf16File("Windows Registry Editor Version 5.00\r\n\r\n"));
    EXPECT_EQ(out.keys + out.values, 0u);
}

TEST_F(RegistryFile, ExportWritesTheRegistryEditorsFormatInCreationOrder) {
    // Spelled as a user might have created it; the file keeps the store's spelling.
    const std::string root = "SOFTWARE\\Orvalis\\PadWarden";
    store().createKey(root + "\\games\\Zeta");
    store().createKey(root + "\\games\\Alpha\\Deep");
    store().createKey(root + "\\Beta");
    store().writeValue(root, "exepath", RegistryValue::string(R"(C:\Program Files\"PadWarden"\)"));
    store().writeValue(root, "", RegistryValue::string("Größe"));
    store().writeValue(root, "count", dword(0x1f));
    store().writeValue(root, "qword", typed(ValueType::QWord, bytes({1, 0, 0, 0, 0, 0, 0, 0x80})));
    store().writeValue(root, "expand", typed(ValueType::ExpandString, bytes({0x25, 0, 0x41, 0, 0, 0})));
    store().writeValue(root, "odd dword", typed(ValueType::DWord, bytes({1, 2})));
    store().writeValue(root, "note", RegistryValue::string("a\r\nb"));
    store().writeValue(root + "\\games\\Alpha", "bin", typed(ValueType::Binary, bytes({0xab, 0x01})));
    store().writeValue(root + "\\games\\Alpha", "own", RegistryValue{0x1a, ""});
    std::string calibration;
    for (int i = 0; i < 45; ++i) {
        calibration += static_cast<char>(i);
    }
    const std::string settings = kJoystick + "\\DINPUT.DLL\\CurrentJoystickSettings";
    store().createKey(settings);
    store().writeValue(settings, "Joystick1Configuration", typed(ValueType::Binary, calibration));
    store().createKey("Software\\Other");
    store().writeValue("Software\\Other", "x", RegistryValue::string("not ours"));

    const RegistryExport out = exportRegistry(store());
    const std::string expected = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Orvalis\PadWarden]
"exepath"="C:\\Program Files\\\"PadWarden\"\\"
@="Größe"
"count"=dword:0000001f
"qword"=hex(b):01,00,00,00,00,00,00,80
"expand"=hex(2):25,00,41,00,00,00
"odd dword"=hex(4):01,02
"note"=hex(1):61,00,0d,00,0a,00,62,00,00,00

[HKEY_LOCAL_MACHINE\SOFTWARE\Orvalis\PadWarden\games]

[HKEY_LOCAL_MACHINE\SOFTWARE\Orvalis\PadWarden\games\Zeta]

[HKEY_LOCAL_MACHINE\SOFTWARE\Orvalis\PadWarden\games\Alpha]
"bin"=hex:ab,01
"own"=hex(1a):

[HKEY_LOCAL_MACHINE\SOFTWARE\Orvalis\PadWarden\games\Alpha\Deep]

[HKEY_LOCAL_MACHINE\SOFTWARE\Orvalis\PadWarden\Beta]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaResources\Joystick]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaResources\Joystick\DINPUT.DLL]

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaResources\Joystick\DINPUT.DLL\CurrentJoystickSettings]
"Joystick1Configuration"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\
  10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,\
  29,2a,2b,2c

)";
    EXPECT_EQ(out.bytes, utf16File(crlf(expected)));
    EXPECT_EQ(out.keys, 9u);
    EXPECT_EQ(out.values, 10u);
    EXPECT_TRUE(out.leftOut.empty());
}

TEST_F(RegistryFile, NamesNoRegistryFileCanHoldAreLeftOutAndNamed) {
    store().createKey(kGames + "\\two\nlines\\below");
    store().createKey(kGames + "\\fine");
    store().writeValue(kGames + "\\fine", "a\nb", RegistryValue::string("x"));
    store().writeValue(kGames + "\\fine", "ok", RegistryValue::string("y"));
    store().writeValue(kGames + "\\fine", "a\0b"s, RegistryValue::string("z"));
    const RegistryExport out = exportRegistry(store());
    EXPECT_EQ(out.leftOut, (std::vector<std::string>{kGames + "\\two\nlines", kGames + "\\fine: a\0b"s}));
    EXPECT_EQ(out.keys, 3u);
    EXPECT_EQ(out.values, 2u) << "a line break in a value name is written as \\n";
    const std::unique_ptr<SqliteSettingsStore> copy = freshStore("copy.sqlite");
    EXPECT_TRUE(importRegistryFile(*copy, out.bytes).complete()) << "what was written reads back whole";
    EXPECT_EQ(copy->subkeys(kGames), std::vector<std::string>{"fine"});
    EXPECT_EQ(copy->readValue(kGames + "\\fine", "a\nb"), RegistryValue::string("x"));
}

TEST_F(RegistryFile, ExportImportIntoAnEmptyStoreAndExportAgainGivesTheSameBytes) {
    const std::string action = kGames + "\\Action";
    store().createKey(action + "\\Doom \"Ultimate\"");
    store().createKey(kGames + "\\Spielgruppe Ä\\Größe");
    store().createKey(kGames + "\\Sport");
    store().writeValue(kRoot, "exepath", RegistryValue::string("/opt/padwarden/"));
    store().writeValue(kGames + "\\Spielgruppe Ä", "", RegistryValue::string("Ä Ö Ü ß € 😀"));
    store().writeValue(action + "\\Doom \"Ultimate\"", "exe",
                       RegistryValue::string("C:\\Doom\\\"doom\".exe"));
    store().writeValue(action + "\\Doom \"Ultimate\"", "[isbutton1]", RegistryValue::string("17_123"));
    store().writeValue(action + "\\Doom \"Ultimate\"", "notes", RegistryValue::string("line 1\nline 2"));
    store().writeValue(action + "\\Doom \"Ultimate\"", "nul", RegistryValue::string(std::string("x\0y", 3)));
    store().writeValue(action, "count", dword(0xdeadbeef));
    store().writeValue(action, "flags", typed(ValueType::QWord, std::string(8, '\x7f')));
    store().writeValue(action, "path", typed(ValueType::ExpandString, bytes({0x25, 0, 0x54, 0, 0, 0})));
    store().writeValue(action, "list", typed(ValueType::MultiString, bytes({0x61, 0, 0, 0, 0, 0})));
    store().writeValue(action, "nothing", typed(ValueType::None, ""));
    store().writeValue(action, "big", typed(ValueType::Binary, std::string(500, '\xee')));
    store().writeValue(action, "short dword", typed(ValueType::DWord, "\x01"));
    store().writeValue(action, "type 0x12345", RegistryValue{0x12345, "\x01\x02"});
    const std::string settings = kJoystick + "\\DINPUT.DLL\\CurrentJoystickSettings";
    store().createKey(settings);
    store().writeValue(settings, "Joystick1Configuration", typed(ValueType::Binary, std::string(64, '\x10')));
    store().createKey(kJoystickProperties + "\\OEM\\VID_045E&PID_028E");
    store().writeValue(kJoystickProperties + "\\OEM\\VID_045E&PID_028E", "OEMName",
                       RegistryValue::string("Controller"));

    const RegistryExport first = exportRegistry(store());
    const std::unique_ptr<SqliteSettingsStore> copy = freshStore("copy.sqlite");
    const RegistryImportReport report = importRegistryFile(*copy, first.bytes);
    EXPECT_TRUE(report.complete()) << (report.skipped.empty() ? "" : report.skipped[0].reason);
    EXPECT_EQ(report.keys, first.keys);
    EXPECT_EQ(report.values, first.values);
    const RegistryExport second = exportRegistry(*copy);
    EXPECT_EQ(second.bytes, first.bytes);
    EXPECT_EQ(copy->subkeys(kGames), (std::vector<std::string>{"Action", "Spielgruppe Ä", "Sport"}));
    EXPECT_EQ(copy->readValue(action + "\\Doom \"Ultimate\"", "notes"),
              RegistryValue::string("line 1\nline 2"))
        << "a string holding a line break goes as hex(1) and comes back as a string";
    EXPECT_EQ(copy->readValue(action + "\\Doom \"Ultimate\"", "nul"),
              RegistryValue::string(std::string("x\0y", 3)));
    EXPECT_EQ(copy->readValue(action, "type 0x12345"), (RegistryValue{0x12345, "\x01\x02"}));
}

}  // namespace
}  // namespace pw
