#include "mapper/Headless.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <iostream>
#include <memory>
#include <string>

#include "input/SimulationScript.h"
#include "input/linux/KeyOutputBackends.h"
#include "input/sdl/SdlVirtualJoystick.h"
#include "mapper/ExitGuard.h"
#include "mapper/MapperCore.h"
#include "mapper/Simulation.h"
#include "store/RegistryAccess.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "texts/LanguageTables.h"
#include "texts/ProgramDirectory.h"

namespace pw {
namespace {

void log(const std::string& line) {
    std::cerr << "padwarden: " << line << std::endl;
}

class LogAnnouncer final : public Announcer {
public:
    void inform(std::string_view message) override { log(std::string(message)); }
    void timedInfo(std::string_view, std::string_view message) override { log(std::string(message)); }
};

class PrintingKeyOutput final : public KeyOutput {
public:
    void keyDown(std::uint8_t vk, std::uint8_t scan) override { print("down", vk, scan); }
    void keyUp(std::uint8_t vk, std::uint8_t scan) override { print("up", vk, scan); }
    void beep(int value) override { std::cout << "beep " << value << std::endl; }

private:
    static void print(const char* what, std::uint8_t vk, std::uint8_t scan) {
        std::cout << what << ' ' << static_cast<int>(vk) << ' ' << static_cast<int>(scan) << std::endl;
    }
};

// Applies the controller statements of a line read from standard input to the virtual pad.
void applyPadLine(const std::string& line, SdlVirtualJoystick& pad) {
    const SimParseResult parsed = parseSimulationScript(line);
    if (!parsed.script) {
        log("virtual controller: " + parsed.error.message);
        return;
    }
    for (const SimStatement& s : parsed.script->statements) {
        if (!applyToPad(s, pad)) {
            log("virtual controller: only press, release, axis and hat are taken here");
        }
    }
}

// Without windows nothing here needs GLib's main loop (a desktop's native dialogs and menus do),
// and Qt's own loop for Unix does less at every wake-up, which lies on the way of every change of
// the controller. Qt reads its choice from the environment when the application is made; a choice
// the user made stands, and ours is taken back at once, so that no program started from here
// inherits it.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    const bool choose = qEnvironmentVariableIsEmpty("QT_NO_GLIB");
    if (choose) {
        qputenv("QT_NO_GLIB", "1");
    }
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    if (choose) {
        qunsetenv("QT_NO_GLIB");
    }
    return app;
}

}  // namespace

int runHeadless(int argc, char** argv, const HeadlessOptions& options) {
    const auto app = makeApplication(argc, argv);

    TextVariables texts;
    zuweisen(texts, programDirectory());
    std::unique_ptr<SqliteSettingsStore> store;
    try {
        store = SqliteSettingsStore::open(SqliteSettingsStore::defaultFile());
    } catch (const StoreError& e) {
        std::cerr << "padwarden: " << storeMessage(e, texts) << std::endl;
        return 2;
    }
    ensureDefaultGroups(*store, QCoreApplication::applicationDirPath().toStdString() + "/");

    LogAnnouncer announcer;

    std::unique_ptr<KeyOutput> keys;
    if (options.printKeys) {
        keys = std::make_unique<PrintingKeyOutput>();
    } else {
        KeyOutputChoice choice = chooseKeyOutput({});
        log(choice.message.starts_with("padwarden: ") ? choice.message.substr(11) : choice.message);
        keys = choice.output ? std::move(choice.output) : std::make_unique<SilentKeyOutput>();
    }

    std::unique_ptr<SdlVirtualJoystick> pad;
    if (options.virtualPad) {
        pad = std::make_unique<SdlVirtualJoystick>(4, 12, 1);
        if (!pad->ok()) {
            log("no virtual controller: " + pad->error());
            return 1;
        }
    }
    MapperCore core(*store, texts, announcer, *keys, pad.get());
    core.setLog(log);
    core.watcher().setLogHandler(log);
    core.openController();
    log(core.joystick().isOpen() ? "controller: " + core.device().name()
                                 : "no controller attached; waiting for a game all the same");
    log(std::to_string(core.autoActivation().lookupList().size()) +
        " games in the library; watching for them to start");

    std::unique_ptr<QSocketNotifier> input;
    std::string pending;
    if (pad) {
        input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(input.get(), &QSocketNotifier::activated, [&] {
            char buffer[512];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                input->setEnabled(false);  // end of input: the pad keeps its last state
                return;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
                applyPadLine(pending.substr(0, nl), *pad);
                pending.erase(0, nl + 1);
            }
        });
    }

    ExitGuard guard([&] {
        core.loop().releaseAll();
        log("stopped; every held key was let go");
    });
    core.start();
    return QCoreApplication::exec();
}

}  // namespace pw
