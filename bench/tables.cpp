// Language tables that are far larger than any real one: the peak memory of loading a 50 MB table
// (in this process's child and in `padwarden --texts`), and how long a table with one 5 MB text
// keeps the window from showing on the start-up path.
//   bench_tables PADWARDEN   (the program, for the --texts figure)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/dialogs/SplashWindow.h"
#include "app/window/main/DesktopSession.h"
#include "app/window/main/MainWindow.h"
#include "app/window/main/StartUp.h"
#include "input/KeyOutput.h"
#include "input/Pause.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "texts/LanguageTables.h"
#include "texts/TextVariables.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLargeTable = 50u << 20;

// Written in pieces, so that the bench itself never holds the table.
void writeLargeTable(const fs::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    pw::TextVariables texts;
    for (std::string_view d : pw::TextVariables::defaults(pw::TextGroup::Interface)) {
        out << d << ":=" << d << " (en)\n";
    }
    std::size_t written = 0;
    std::string line;
    for (std::size_t n = 0; written < kLargeTable; ++n) {
        // Mostly lines that name no text, as a table full of typos or another program's texts.
        line = "Ein Text, den es nicht gibt " + std::to_string(n) + ":=A text that does not exist\n";
        out << line;
        written += line.size();
    }
}

double megabytes(long kilobytes) {
    return static_cast<double>(kilobytes) / 1024.0;
}

// The peak resident size of a child that loads the tables of dir and does nothing else.
long childPeakKb(const fs::path& dir) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        pw::TextVariables texts;
        const pw::LoadedTables tables = pw::zuweisen(texts, dir);
        std::_Exit(texts.text(pw::TextGroup::Interface, "Schließen").empty() ? 1 : 0);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return usage.ru_maxrss;
}

// The peak resident size of `padwarden --texts` with dir as its program directory.
long programPeakKb(const char* program, const fs::path& dir, double& seconds) {
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("PADWARDEN_HOME", dir.c_str(), 1);
        if (std::freopen("/dev/null", "w", stdout) == nullptr ||
            std::freopen("/dev/null", "w", stderr) == nullptr) {
            std::_Exit(126);
        }
        ::execl(program, program, "--texts", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("  padwarden --texts failed (status %d)\n", status);
    }
    return usage.ru_maxrss;
}

class NoPause final : public pw::Pauser {
public:
    void pause(std::int32_t) override {}
};

// The start-up path of the desktop program with a table holding one 5 MB text on a button: the
// splash, the tables, the texts on the controls, then the window shown and painted once.
void longLine(const fs::path& dir) {
    std::ofstream(dir / "language.gam", std::ios::binary | std::ios::trunc)
        << "Schließen:=" << std::string(5u << 20, 'y') << "\nInfo:=About\n";
    auto store = pw::SqliteSettingsStore::open(dir / "registry.sqlite");
    pw::SilentKeyOutput keys;
    pw::DesktopSession session(*store, keys, dir, false);
    pw::MainWindow& window = session.window();
    window.formCreate();
    pw::SplashWindow splash(session.texts());
    NoPause pauser;
    QElapsedTimer timer;
    timer.start();
    pw::runStartUp(window, splash, session.texts(), pauser, dir);
    const double startUp = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    window.show();
    const QImage shown = window.grab().toImage();
    const double painted = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf(
        "A 5 MB text on a button: start-up (tables, texts on the controls) %.1f ms, "
        "window shown and painted %.1f ms (%dx%d)\n",
        startUp, painted, shown.width(), shown.height());
    window.hide();
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QTemporaryDir folder;
    const fs::path dir = folder.path().toStdString();
    const fs::path empty = dir / "empty";
    const fs::path large = dir / "large";
    fs::create_directories(empty);
    fs::create_directories(large);
    writeLargeTable(large / "language.gam");
    std::printf("Language tables: a %.0f MB language.gam of %zu bytes\n", megabytes(kLargeTable >> 10),
                static_cast<std::size_t>(fs::file_size(large / "language.gam")));
    const long base = childPeakKb(empty);
    const long loaded = childPeakKb(large);
    std::printf("  peak resident size loading the tables: %.1f MB (%.1f MB without tables)\n",
                megabytes(loaded), megabytes(base));
    if (argc > 1) {
        double seconds = 0;
        const long emptyTexts = programPeakKb(argv[1], empty, seconds);
        const long largeTexts = programPeakKb(argv[1], large, seconds);
        std::printf("  peak resident size of padwarden --texts: %.1f MB (%.1f MB without tables), %.2f s\n",
                    megabytes(largeTexts), megabytes(emptyTexts), seconds);
    }
    QApplication app(argc, argv);
    const fs::path wide = dir / "wide";
    fs::create_directories(wide);
    longLine(wide);
    return 0;
}
