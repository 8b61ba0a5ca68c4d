// padwarden-joycpl: the game controller control panel. Lists the attached controllers, makes one
// joystick 1, tests and calibrates it; PadWarden starts it to install and calibrate controllers.

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

#include "controllers/qt/ControlPanel.h"
#include "joycpl/ControlPanelWindow.h"
#include "joycpl/HiddenStart.h"
#include "store/sqlite/SqliteSettingsStore.h"

namespace {

constexpr const char* kUsage =
    "usage: padwarden-joycpl [--help | --version]\n"
    "\n"
    "The game controller control panel of PadWarden: lists the attached controllers, makes one of\n"
    "them joystick 1, shows its axes, hat and buttons live and calibrates its axes. Every change is\n"
    "written at once to the settings of PadWarden (registry.sqlite in $PADWARDEN_HOME, else in\n"
    "$XDG_DATA_HOME/padwarden or ~/.local/share/padwarden).\n"
    "\n"
    "With PADWARDEN_CONTROL_PANEL_HIDDEN=1 no window is shown: the configuration is read again, the\n"
    "configured controller is looked for, and the program ends at once with status 0.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the program's version\n";

bool hiddenStart() {
    const char* value = std::getenv(pw::kControlPanelHiddenVariable);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "padwarden-joycpl " << PADWARDEN_VERSION << "\n";
            return 0;
        }
    }
    const std::filesystem::path storeFile = pw::SqliteSettingsStore::defaultFile();
    if (hiddenStart()) {
        // PadWarden starts us hidden to have a rewritten configuration taken up, and 450 ms later
        // types Enter, meant to close us, to whatever has the focus, but only while we still run.
        // So the hidden start shows no window, makes no application object and ends as soon as it
        // has looked: ended first, we make sure that no stray Enter is typed into another program.
        // Should it still be running when the Enter comes, it has no window that could take the
        // key, and it ends on its own right after.
        return pw::applyConfigurationHidden(storeFile, std::cerr);
    }

    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        std::cerr << "padwarden-joycpl: unknown argument " << arguments.at(1).toStdString() << "\n" << kUsage;
        return 2;
    }
    const pw::PanelTexts texts(pw::panelLanguage(pw::systemLanguageId()));
    std::unique_ptr<pw::SqliteSettingsStore> store;
    try {
        store = pw::SqliteSettingsStore::open(storeFile);
    } catch (const std::exception& e) {
        std::cerr << "padwarden-joycpl: cannot open the settings " << storeFile << ": " << e.what() << "\n";
        QMessageBox::critical(
            nullptr, texts.text("Gamecontroller"),
            texts.text("Die Einstellungen (%1) können nicht geöffnet werden: %2")
                .arg(QString::fromStdString(storeFile.string()), QString::fromUtf8(e.what())));
        return 2;
    }
    pw::ControlPanelWindow window(*store, pw::systemLanguageId());
    window.show();
    return QApplication::exec();
}
