#include "support/WineRunner.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace pw::test {
namespace {

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (const char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

int runShell(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::array<char, 4096> chunk{};
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
        output.append(chunk.data(), got);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool inCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

std::optional<Wine> findWine(const std::filesystem::path& sourceDir, const std::filesystem::path& prefixDir,
                             std::string& why) {
    Wine wine;
    for (const char* candidate : {"/usr/bin/wine64", "/usr/lib/wine/wine64", "/usr/bin/wine"}) {
        if (std::filesystem::exists(candidate)) {
            wine.binary = candidate;
            break;
        }
    }
    if (wine.binary.empty()) {
        why = "Wine is not installed; run tools/setup (Debian packages wine64, wine)";
        return std::nullopt;
    }
    std::string output;
    const int status = runShell(quoted((sourceDir / "tools" / "wine-prefix").string()) + " " +
                                    quoted(prefixDir.string()) + " 2>/dev/null",
                                output);
    if (status != 0) {
        why = "tools/wine-prefix " + prefixDir.string() + " failed (status " + std::to_string(status) + ")";
        return std::nullopt;
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    wine.prefix = output.substr(output.rfind('\n') == std::string::npos ? 0 : output.rfind('\n') + 1);
    return wine;
}

std::optional<Wine> findWineFor(std::string_view program, const std::filesystem::path& sourceDir,
                                const std::filesystem::path& prefixDir, std::string& why) {
    if (program.empty()) {
        why =
            "x86_64-w64-mingw32-gcc was not found when the build was configured; run tools/setup "
            "(Debian package mingw-w64) and configure again";
        return std::nullopt;
    }
    return findWine(sourceDir, prefixDir, why);
}

std::string windowsPath(const std::filesystem::path& path) {
    std::string out = "Z:";
    for (const char c : std::filesystem::absolute(path).string()) {
        out += c == '/' ? '\\' : c;
    }
    return out;
}

int runWine(const Wine& wine, const std::vector<std::string>& args, std::string& output) {
    std::string command =
        "env -u DISPLAY WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEPREFIX=" + quoted(wine.prefix) +
        " " + quoted(wine.binary);
    for (const std::string& arg : args) {
        command += " " + quoted(arg);
    }
    return runShell(command, output);
}

std::string hexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kDigits[static_cast<unsigned char>(c) >> 4];
        out += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::string unhex(std::string_view digits) {
    std::string out;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out += static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16));
    }
    return out;
}

std::string shown(std::string_view bytes, std::size_t limit, bool escapeBackslash) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || (escapeBackslash && b == '\\')) {
            out += "\\x";
            out += kDigits[b >> 4];
            out += kDigits[b & 15];
        } else {
            out += c;
        }
    }
    return out.size() > limit ? out.substr(0, limit - 10) + "...(" + std::to_string(bytes.size()) + " bytes)"
                              : out;
}

}  // namespace pw::test
