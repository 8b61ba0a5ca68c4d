#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw {

// Appends one code point to a UTF-8 string.
void appendUtf8(std::string& out, char32_t c);

bool isValidUtf8(std::string_view bytes);

// Each byte as its Windows-1252 character, in UTF-8. The five bytes that code page leaves
// undefined become the C1 controls of the same number, as Windows itself maps them.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 text as Windows-1252 bytes, or nullopt when a character has no place in that code page.
std::optional<std::string> utf8ToWindows1252(std::string_view utf8);

// UTF-16 bytes (no byte-order mark) as UTF-8. A unit without its surrogate partner, and an odd last
// byte, become U+FFFD and clear `lossless`; NUL units stay.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian, bool& lossless);
std::string utf8ToUtf16(std::string_view utf8, bool bigEndian);

// The text with its control characters (below U+0020, and U+007F) written as \xNN, so that a
// terminal shows them instead of obeying them; a backslash stays as it is.
std::string escapeControls(std::string_view utf8);

// The bytes of a text file as UTF-8: a UTF-8 byte-order mark is dropped; a file with a UTF-16 mark
// (either byte order) is decoded from UTF-16; valid UTF-8 stays as it is; anything else is read as
// Windows-1252, as files written by the Windows program are. nullopt for a binary file (a NUL byte outside
// UTF-16).
std::optional<std::string> decodeTextFile(std::string_view bytes);

}  // namespace pw
