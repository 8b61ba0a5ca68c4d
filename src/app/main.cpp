// padwarden: turns a game controller into a keyboard for games without controller support.

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/window/main/DesktopApp.h"
#include "input/SimulationScript.h"
#include "input/linux/KeyOutputBackends.h"
#include "mapper/Headless.h"
#include "mapper/SimulateCommand.h"
#include "mapper/Simulation.h"
#include "store/RegistryFile.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "texts/AtomicFile.h"
#include "texts/LanguageTables.h"
#include "texts/ProgramDirectory.h"
#include "texts/TextEncoding.h"

namespace {

constexpr const char* kUsage =
    "usage: padwarden                 the desktop program: starts into the tray\n"
    "       padwarden [--headless [--print-keys] [--virtual-pad] | --simulate FILE | --check-keys | --texts "
    "|\n"
    "                  --export FILE | --import FILE | --help | --version]\n"
    "\n"
    "  --headless       the mapper without windows: watches for library games to start and turns the\n"
    "                   controller into their keys; logs what it does to standard error; Ctrl+C ends it\n"
    "    --print-keys   print the key events instead of sending them\n"
    "    --virtual-pad  a virtual controller driven from standard input (press N, release N,\n"
    "                   axis x|y|z|r VALUE, hat DIRECTION) instead of an attached one\n"
    "  --simulate FILE  play a scripted virtual controller through the real mapping loop and print\n"
    "                   every key event, beep and pause instead of sending it\n"
    "  --check-keys     tell how keys would be sent here (uinput or XTest) and, if they cannot\n"
    "                   be, why not and how to fix it\n"
    "  --texts          print every replaceable text as a table line \"German default:=text\" after\n"
    "                   loading the language tables, grouped by table file; lines of the tables\n"
    "                   that name no text are reported on standard error\n"
    "  --export FILE    write the game library and the controller settings into a registry file\n"
    "                   (.reg, as the Windows registry editor writes it): a backup in one file\n"
    "  --import FILE    merge a registry file (.reg) into the settings, such as one exported from\n"
    "                   the Windows program; lines that cannot be used are reported on standard\n"
    "                   error as FILE:LINE: why (exit status 1)\n"
    "  --help           show this text\n"
    "  --version        show the program's version\n";

int printTexts() {
    pw::TextVariables texts;
    const pw::LoadedTables tables = pw::zuweisen(texts, pw::programDirectory());
    std::cout << pw::textsAsTables(texts);
    const std::pair<const pw::LanguageTable*, pw::TextGroup> checks[] = {
        {&tables.keyNames, pw::TextGroup::KeyName},
        {&tables.actionNames, pw::TextGroup::ControllerActionName},
        {&tables.interfaceTexts, pw::TextGroup::Interface}};
    for (const auto& [table, group] : checks) {
        for (const std::string& note : table->notes) {
            std::cerr << pw::escapeControls(note) << "\n";
        }
        // One write a line: standard error is unbuffered, and a large table has many lines.
        std::string report;
        pw::forEachUnknownLine(table->file, group, [&](const pw::UnknownLine& line) {
            report = line.file.string() + ':' + std::to_string(line.number) +
                     ": names no text of this table: " + pw::escapeControls(line.text) + '\n';
            std::cerr << report;
        });
    }
    return 0;
}

int checkKeys() {
    const pw::KeyOutputChoice choice = pw::chooseKeyOutput({});
    if (!choice.output) {
        std::cerr << choice.message << "\n";
        return 1;
    }
    std::cout << choice.message << "\n";
    return 0;
}

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A store failure in the language of the tables.
std::string storeMessage(const pw::StoreError& e) {
    pw::TextVariables texts;
    pw::zuweisen(texts, pw::programDirectory());
    return pw::storeMessage(e, texts);
}

std::unique_ptr<pw::SqliteSettingsStore> openStore() {
    return pw::SqliteSettingsStore::open(pw::programDirectory() / "registry.sqlite");
}

int exportRegistry(const std::string& file) {
    pw::RegistryExport out;
    try {
        out = pw::exportRegistry(*openStore());
    } catch (const pw::StoreError& e) {
        std::cerr << "padwarden: " << storeMessage(e) << "\n";
        return 2;
    }
    try {
        pw::replaceFileAtomically(file, out.bytes);
    } catch (const std::filesystem::filesystem_error& e) {
        std::cerr << "padwarden: cannot write " << file << ": " << e.code().message() << "\n";
        return 2;
    }
    // A name no registry file can hold is not silently dropped from a backup.
    for (const std::string& name : out.leftOut) {
        std::cerr << "padwarden: left out, its name holds a line break or NUL: " << name << "\n";
    }
    std::cout << "wrote " << counted(out.keys, "key", "keys") << " and "
              << counted(out.values, "value", "values") << " to " << file << "\n";
    return out.leftOut.empty() ? 0 : 1;
}

int importRegistry(const std::string& file) {
    std::error_code error;
    const std::optional<std::string> bytes = pw::readWholeFile(file, error);
    if (!bytes) {
        std::cerr << "padwarden: cannot read " << file << ": "
                  << (error ? error.message() : std::string("there is no such file")) << "\n";
        return 2;
    }
    pw::RegistryImportReport report;
    try {
        report = pw::importRegistryFile(*openStore(), *bytes);
    } catch (const pw::StoreError& e) {
        std::cerr << "padwarden: " << storeMessage(e) << "\n";
        return 2;
    }
    if (!report.registryFile) {
        std::cerr << file << ": not a registry file: " << report.notRegistryFile
                  << "; nothing was imported\n";
        return 2;
    }
    for (const pw::RegistryFileIssue& issue : report.skipped) {
        std::cerr << file << ':' << issue.line << ": " << issue.reason << "\n";
    }
    for (const pw::RegistryFileIssue& warning : report.warnings) {
        std::cerr << file << ':' << warning.line << ": warning: " << warning.reason << "\n";
    }
    std::cout << "imported " << counted(report.keys, "key", "keys") << " and "
              << counted(report.values, "value", "values") << " from " << file;
    if (report.deletedKeys + report.deletedValues > 0) {
        std::cout << ", deleted " << counted(report.deletedKeys, "key", "keys") << " and "
                  << counted(report.deletedValues, "value", "values");
    }
    if (!report.skipped.empty()) {
        std::cout << "; " << counted(report.skippedLines, "line", "lines") << " skipped";
    }
    std::cout << "\n";
    return report.complete() ? 0 : 1;
}

std::atomic<bool> g_stop{false};
volatile std::sig_atomic_t g_signal = 0;

extern "C" void onStopSignal(int signo) {
    g_signal = signo;
    g_stop.store(true);
}

int simulate(const std::string& file) {
    // Asked to end, the run still lets go of held keys and prints that before it exits.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    const int status = pw::runSimulateCommand(file, std::cout, std::cerr, &g_stop);
    return status == 0 && g_signal != 0 ? 128 + static_cast<int>(g_signal) : status;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A desktop to show windows on; a chosen Qt platform (offscreen, vnc ...) counts as one.
bool hasDisplay() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        const std::string_view arg = argv[1];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version" && argc == 2) {
            std::cout << "padwarden " << PADWARDEN_VERSION << "\n";
            return 0;
        }
        if (arg == "--headless") {
            pw::HeadlessOptions options;
            for (int i = 2; i < argc; ++i) {
                const std::string_view extra = argv[i];
                if (extra == "--print-keys") {
                    options.printKeys = true;
                } else if (extra == "--virtual-pad") {
                    options.virtualPad = true;
                } else {
                    std::cerr << "padwarden: unknown option '" << extra << "' for --headless\n" << kUsage;
                    return 2;
                }
            }
            return pw::runHeadless(argc, argv, options);
        }
        if (arg == "--simulate") {
            if (argc != 3) {
                std::cerr << "padwarden: --simulate needs exactly one script file\n" << kUsage;
                return 2;
            }
            return simulate(argv[2]);
        }
        if (arg == "--export" || arg == "--import") {
            if (argc != 3) {
                std::cerr << "padwarden: " << arg << " needs exactly one registry file\n" << kUsage;
                return 2;
            }
            return arg == "--export" ? exportRegistry(argv[2]) : importRegistry(argv[2]);
        }
        if (arg == "--texts" && argc == 2) {
            return printTexts();
        }
        if (arg == "--check-keys" && argc == 2) {
            return checkKeys();
        }
        std::cerr << "padwarden: unknown option '" << arg << "'\n" << kUsage;
        return 2;
    }
    if (!hasDisplay()) {
        std::cerr
            << "padwarden: needs a desktop (DISPLAY or WAYLAND_DISPLAY is not set); without one, run the "
               "mapper with padwarden --headless or try a scripted controller with padwarden --simulate "
               "FILE\n";
        return 2;
    }
    return pw::runDesktop(argc, argv);
}
