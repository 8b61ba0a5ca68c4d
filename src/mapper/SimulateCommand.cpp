#include "mapper/SimulateCommand.h"

#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "controllers/ControllerRegistry.h"
#include "mapper/Simulation.h"
#include "profiles/Activation.h"
#include "profiles/GameAssignments.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "texts/LanguageTables.h"
#include "texts/ProgramDirectory.h"

namespace pw {
namespace {

// A simulation has no windows: a controller switch is announced on standard error.
class StreamAnnouncer final : public Announcer {
public:
    explicit StreamAnnouncer(std::ostream& err) : err_(err) {}
    void inform(std::string_view message) override { err_ << "padwarden: " << message << '\n'; }
    void timedInfo(std::string_view, std::string_view message) override {
        err_ << "padwarden: " << message << '\n';
    }

private:
    std::ostream& err_;
};

}  // namespace

int runSimulateCommand(const std::string& file, std::ostream& out, std::ostream& err,
                       const std::atomic<bool>* stop) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err << "padwarden: cannot read the script " << file << "\n";
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const SimParseResult parsed = parseSimulationScript(text.str());
    if (!parsed.script) {
        err << file << ':' << parsed.error.line << ": " << parsed.error.message << "\n";
        return 2;
    }

    // The library is opened only for scripts that name a game.
    std::unique_ptr<SqliteSettingsStore> store;
    TextVariables texts;
    for (const SimStatement& s : parsed.script->statements) {
        if (s.kind != SimStatement::Kind::Game) {
            continue;
        }
        if (!store) {
            zuweisen(texts, programDirectory());
            try {
                store = SqliteSettingsStore::open(SqliteSettingsStore::defaultFile());
            } catch (const StoreError& e) {
                err << "padwarden: " << storeMessage(e, texts) << "\n";
                return 2;
            }
        }
        if (!store->keyExists(gameKeyPath(s.keySequence, s.game))) {
            err << file << ':' << s.line << ": the game " << s.keySequence << '\\' << s.game
                << " is not in the library\n";
            return 2;
        }
    }

    StreamAnnouncer announcer(err);
    std::unique_ptr<ControllerRegistry> controllers;
    if (store) {
        controllers = std::make_unique<ControllerRegistry>(*store, texts, announcer);
        controllers->setLastActivatedController(controllers->akt_controller());
    }
    const GameActivator activate = [&](const std::string& group, const std::string& game, MappingState& state,
                                       Joystick& joystick) {
        // The control panel is not started here: taking up a switched controller only opens the
        // joystick anew, and it stays the simulation's own virtual controller.
        GameActivation activation(*store, texts, *controllers, state, [&joystick] {
            const int id = joystick.id();
            joystick.dx_erneuern();
            joystick.setId(id);
        });
        activation.commandos_wechsel(group, game, false);
    };

    std::string error;
    if (!runSimulation(*parsed.script, out, error, stop, activate)) {
        err << "padwarden: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace pw
