// padwarden-joycpl: the game controller control panel. Lists the attached controllers, makes one
// joystick 1, tests and calibrates it; PadWarden starts it to install and calibrate controllers.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

#include "controllers/qt/ControlPanel.h"
#include "joycpl/ControlPanelWindow.h"
#include "joycpl/HiddenStart.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "texts/ProgramDirectory.h"

namespace {

constexpr const char* kUsage =
    "usage: padwarden-joycpl [--help | --version] [Close | Kali]\n"
    "\n"
    "The game controller control panel of PadWarden: lists the attached controllers, makes one of\n"
    "them joystick 1, shows its axes, hat and buttons live and calibrates its axes. Every change is\n"
    "written at once to the settings of PadWarden (registry.sqlite in $PADWARDEN_HOME, else in\n"
    "$XDG_DATA_HOME/padwarden or ~/.local/share/padwarden).\n"
    "\n"
    "With PADWARDEN_CONTROL_PANEL_HIDDEN=1, or with Close, no window is shown: the configuration is\n"
    "read again, the configured controller is looked for, and the program ends at once with status 0.\n"
    "\n"
    "  Close      apply the configuration and end (PadWarden does this when it switches controllers)\n"
    "  Kali       open the calibration of joystick 1 (or of the first attached controller)\n"
    "  --help     show this text\n"
    "  --version  show the program's version\n";

bool hiddenStart() {
    const char* value = std::getenv(pw::kControlPanelHiddenVariable);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool close = false;
    bool calibrate = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "padwarden-joycpl " << PADWARDEN_VERSION << "\n";
            return 0;
        }
        if (std::strcmp(argv[i], pw::kControlPanelClose) == 0) {
            close = true;
        } else if (std::strcmp(argv[i], pw::kControlPanelCalibrate) == 0) {
            calibrate = true;
        } else {
            std::cerr << "padwarden-joycpl: unknown argument " << argv[i] << "\n" << kUsage;
            return 2;
        }
    }
    const std::filesystem::path storeFile = pw::SqliteSettingsStore::defaultFile();
    if (close || hiddenStart()) {
        // PadWarden starts us hidden to have a rewritten configuration taken up and waits for us
        // to end. So this start shows no window, makes no application object and ends as soon as
        // it has looked.
        return pw::applyConfigurationHidden(storeFile, std::cerr);
    }

    QApplication app(argc, argv);
    const pw::PanelTexts texts = pw::PanelTexts::fromTables(pw::programDirectory());
    std::unique_ptr<pw::SqliteSettingsStore> store;
    try {
        store = pw::SqliteSettingsStore::open(storeFile);
    } catch (const std::exception& e) {
        std::cerr << "padwarden-joycpl: cannot open the settings " << storeFile << ": " << e.what() << "\n";
        const auto* storeError = dynamic_cast<const pw::StoreError*>(&e);
        QMessageBox::critical(
            nullptr, texts.text("Gamecontroller"),
            texts.text("Die Einstellungen (%1) können nicht geöffnet werden: %2")
                .arg(QString::fromStdString(storeFile.string()),
                     storeError != nullptr ? texts.storeMessage(*storeError) : QString::fromUtf8(e.what())));
        return 2;
    }
    pw::ControlPanelWindow window(*store, texts);
    window.show();
    if (calibrate) {
        // Once the window is up, as a click on its calibrate button would.
        QTimer::singleShot(0, &window, &pw::ControlPanelWindow::openCalibration);
    }
    return QApplication::exec();
}
