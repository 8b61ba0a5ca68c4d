#pragma once

// Runs small Windows programs under Wine for the tests that take Wine's Windows functions as the
// reference. One private prefix serves a whole run (tools/wine-prefix makes it once, under a lock).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::test {

struct Wine {
    std::string binary;  // wine64 or wine
    std::string prefix;  // the private WINEPREFIX
};

// Wine and its prefix, or nullopt with the reason in `why` (Wine not installed, wineboot failed).
std::optional<Wine> findWine(const std::filesystem::path& sourceDir, const std::filesystem::path& prefixDir,
                             std::string& why);

// As findWine, for running `program`, a Windows program that the build made with mingw-w64: an
// empty path says the compiler was missing when the build was configured.
std::optional<Wine> findWineFor(std::string_view program, const std::filesystem::path& sourceDir,
                                const std::filesystem::path& prefixDir, std::string& why);

// The path as a Windows program sees it through the drive Z:, which Wine maps to "/".
std::string windowsPath(const std::filesystem::path& path);

// Runs `wine ARGS...` with WINEDEBUG=-all and the prefix; returns the exit status, and everything
// the program wrote to stdout and stderr in `output`.
int runWine(const Wine& wine, const std::vector<std::string>& args, std::string& output);

// Whether the tests run in CI, where a missing tool fails the stage instead of skipping it.
bool inCi();

// Bytes as lower-case hex digits and back, as the test programs pass texts on their command lines.
std::string hexOf(std::string_view bytes);
std::string unhex(std::string_view digits);
// Bytes for a failure message: control characters (and, when asked, backslashes) as \xNN, cut
// after `limit` bytes with the full length said.
std::string shown(std::string_view bytes, std::size_t limit, bool escapeBackslash = false);

}  // namespace pw::test
