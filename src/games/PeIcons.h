#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The first icon of a Windows program or library (.exe, .dll) as the bytes of a standalone .ico
// file: the first icon group among the program's resources with every image it names. Nothing
// when the bytes are no such file, carry no icon group or anything in them points outside the
// bytes; every offset is checked before it is read.
std::optional<std::string> firstIconOfProgram(std::string_view bytes);

}  // namespace pw
