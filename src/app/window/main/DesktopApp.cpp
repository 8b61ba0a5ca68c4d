#include "app/window/main/DesktopApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <iostream>
#include <memory>

#include "app/dialogs/Artwork.h"
#include "app/dialogs/QtUserDialogs.h"
#include "app/dialogs/SplashWindow.h"
#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "app/window/main/DesktopSession.h"
#include "app/window/main/MainWindow.h"
#include "app/window/main/SingleInstance.h"
#include "app/window/main/StartUp.h"
#include "input/linux/KeyOutputBackends.h"
#include "mapper/ExitGuard.h"
#include "mapper/MapperCore.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "texts/LanguageTables.h"
#include "texts/ProgramDirectory.h"
#include "texts/TextVariables.h"

namespace pw {
DesktopSession::DesktopSession(SettingsStore& store, KeyOutput& keys, std::filesystem::path programDirectory,
                               bool trayAvailable)
    : dialogs_(texts_, [&keys](int value) { keys.beep(value); }),
      core_(store, texts_, dialogs_, keys),
      context_{store,
               texts_,
               dialogs_,
               std::move(programDirectory),
               core_.state(),
               core_.controllers(),
               core_.activation(),
               core_.autoActivation(),
               core_.joystick(),
               core_.keys(),
               core_.pauser(),
               core_.loop(),
               core_.timer(),
               lists_},
      window_(context_, trayAvailable) {
    core_.setBusyHandler([](bool busy) {
        if (busy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    });
    context_.hideMainWindow = [this] { window_.hide(); };
    context_.inputErneuern = [this] { core_.inputErneuern(); };
    window_.setLogo(logoPixmap(43));
    window_.setTrayIcon(programIcon());
    window_.setAboutHandler([this] {
        SplashWindow about(texts_, &window_);
        about.setMode(SplashMode::About);
        about.exec();
    });
    core_.timer().setVisibilityHandler([this](bool visible) {
        if (visible != window_.isVisible()) {
            window_.setVisible(visible);
        }
    });
}

int runDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PadWarden"));
    // No display name: Qt would add " — PadWarden" to every dialog's caption, and a small box
    // clips its own caption for it.
    QApplication::setApplicationDisplayName(QString());
    QApplication::setDesktopFileName(QStringLiteral("padwarden"));
    // The splash and the about window close without ending the program; the main window's close
    // ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // From here on SIGINT and SIGTERM end the program through its normal exit; keys held by then
    // are let go.
    MapperCore* mapper = nullptr;
    ExitGuard guard([&mapper] {
        if (mapper != nullptr) {
            mapper->loop().releaseAll();
        }
    });

    const std::filesystem::path directory = programDirectory();
    SingleInstance instance(SingleInstance::socketName(QString::fromStdString(directory.string())));
    if (instance.handOverToRunningInstance()) {
        std::cerr << "padwarden: already running; its window was brought up\n";
        return 0;
    }
    if (!instance.listen()) {
        std::cerr << "padwarden: cannot watch for later starts (" << instance.errorString().toStdString()
                  << "); a second start will run a second copy\n";
    }

    std::unique_ptr<SqliteSettingsStore> store;
    try {
        store = SqliteSettingsStore::open(directory / "registry.sqlite");
    } catch (const StoreError& e) {
        // The window's tables are not loaded yet; the message speaks their language all the same.
        TextVariables texts;
        zuweisen(texts, directory);
        const std::string message = storeMessage(e, texts);
        std::cerr << "padwarden: " << message << "\n";
        QMessageBox::critical(nullptr, QStringLiteral("PadWarden"), QString::fromStdString(message));
        return 2;
    }

    KeyOutputChoice choice = chooseKeyOutput([](int) { QApplication::beep(); });
    // The one line that says how keys are sent (or why they cannot be) also tells a second start
    // that this instance is up.
    std::cerr << choice.message << "\n";
    std::unique_ptr<KeyOutput> keys =
        choice.output ? std::move(choice.output)
                      : std::make_unique<SilentKeyOutput>([](int) { QApplication::beep(); });

    DesktopSession session(*store, *keys, directory, QSystemTrayIcon::isSystemTrayAvailable());
    MainWindow& window = session.window();
    MapperCore& core = session.core();
    mapper = &core;
    TextVariables& texts = session.texts();
    QObject::connect(&instance, &SingleInstance::showRequested, &window, &MainWindow::taskIcon1DblClick);

    core.openController();
    window.formCreate();

    SplashWindow splash(texts);
    runStartUp(window, splash, texts, core.pauser(), directory);
    if (choice.backendName.empty() && window.trayAvailable()) {
        window.trayIcon()->showMessage(QStringLiteral("PadWarden"), QString::fromStdString(choice.message),
                                       QSystemTrayIcon::Warning);
    }

    if (guard.stopRequested()) {
        return 0;
    }
    core.start();
    const int status = QApplication::exec();
    guard.runOnce();
    mapper = nullptr;
    return status;
}

}  // namespace pw
