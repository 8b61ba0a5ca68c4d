// padwarden-screenshots FOLDER: pictures of every page of the main window, the splash and the
// about window, with a small example library, for the README and for checking the layout by eye.
// Runs on any Qt platform; tools/screenshots runs it offscreen.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>
#include <iostream>

#include "app/assign/AssignmentPage.h"
#include "app/dialogs/Artwork.h"
#include "app/dialogs/SplashWindow.h"
#include "app/window/Page.h"
#include "app/window/main/DesktopSession.h"
#include "app/window/main/StartUp.h"
#include "controllers/JoystickConfiguration.h"
#include "input/KeyOutput.h"
#include "profiles/IniFile.h"
#include "store/RegistryAccess.h"
#include "store/sqlite/SqliteSettingsStore.h"

namespace {

void settle(int ms = 60) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

bool save(QWidget& widget, const QString& folder, const QString& name) {
    settle();
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(file)) {
        std::cerr << "padwarden-screenshots: cannot write " << file.toStdString() << "\n";
        return false;
    }
    std::cout << file.toStdString() << "\n";
    return true;
}

// An example library: two games with icons, a registered gamepad in use, a Profile of commands.
void seed(pw::SettingsStore& store, const std::filesystem::path& dir) {
    using namespace pw;
    const QPixmap icon = programIcon().pixmap(32, 32);
    const auto game = [&](const char* group, const char* name, const char* file) {
        const std::filesystem::path folder = dir / "games" / name;
        std::filesystem::create_directories(folder);
        const std::filesystem::path exe = folder / file;
        std::ofstream(exe) << "MZ";
        icon.save(QString::fromStdString((folder / "game.ico").string()), "ICO");
        RegistryKey key = openProgramKey(store);
        key.openKey(joinKeyPath("games", joinKeyPath(group, name)), true);
        key.writeString("name", name);
        key.writeString("exe", exe.string() + " -window");
        key.writeString("icon", (folder / "game.ico").string());
        key.writeString("path", folder.string() + "/");
        key.writeString("controller", "gamepad\\Dual Pad");
        key.writeString("profil", "Shooter.ini");
        // Two commands assigned: the action's keys, and the command's marker naming its action.
        key.writeString("[isbutton1]", "32");
        key.writeString("Leerzeichen", "Knopf 1");
        key.writeString("[isup]", "87");
        key.writeString("W", "Vor");
    };
    ensureDefaultGroups(store, dir.string() + "/");
    game("Action", "Starblast", "starblast.exe");
    game("Action", "Tunnel Run", "tunnel.exe");
    game("Strategie", "Kingdoms", "kingdoms.exe");

    JoystickConfiguration config;
    config.guid = "03000000de2800000112000001000000";
    config.deviceName = "Dual Pad";
    config.oemName = "Dual Pad";
    RegistryKey oem = openRegistryKey(store, joinKeyPath(kJoystickOemPath, "Dual Pad"));
    oem.writeString("OEMName", "Dual Pad");
    writeJoystickConfiguration(store, config);

    const std::filesystem::path profile = dir / "Shooter.ini";
    iniWriteString(profile, "Bewegung", "Vorwärts", "W;87");
    iniWriteString(profile, "Bewegung", "Springen", "Leerzeichen;32");
    iniWriteString(profile, "Waffen", "Nachladen", "R;82");
    iniWriteString(profile, "Waffen", "Granate", "Strg + G;17_71");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: padwarden-screenshots FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::cerr << "padwarden-screenshots: cannot make " << argv[1] << "\n";
        return 2;
    }
    QTemporaryDir home;
    const std::filesystem::path dir = home.path().toStdString();
    auto store = pw::SqliteSettingsStore::open(dir / "registry.sqlite");
    seed(*store, dir);

    pw::SilentKeyOutput keys;
    pw::DesktopSession session(*store, keys, dir, false);
    session.core().controllers().saveCurrent("gamepad", "Dual Pad");
    pw::MainWindow& window = session.window();
    window.formCreate();
    window.felder_zuweisen();

    bool ok = true;
    pw::SplashWindow splash(session.texts());
    splash.setMode(pw::SplashMode::Startup);
    splash.setProgress(60);
    splash.show();
    ok &= save(splash, folder, QStringLiteral("splash"));
    splash.onStartupClosed = {};
    splash.hide();

    window.show();
    settle(100);
    const char* names[] = {"page-0-start", "page-1-games", "page-2-commands", "page-3-controllers",
                           "page-4-assignments"};
    for (int page = 0; page < 5; ++page) {
        Q_EMIT window.pageButton(page)->clicked();
        settle(80);
        if (page == 0) {
            // Show the games of the first group.
            if (auto* groups = qobject_cast<QListWidget*>(window.page(0)->sideList());
                groups && groups->count() > 0) {
                groups->setCurrentRow(0);
            }
        } else if (page == 4) {
            // The page waits for a press on the controller for the first command.
            auto* assign = static_cast<pw::AssignmentPage*>(window.page(4));
            if (assign->lowerGrid()->rowCount() > 0) {
                QApplication::setActiveWindow(&window);
                assign->lowerGrid()->setFocus(Qt::MouseFocusReason);
                assign->lowerGrid()->setCurrentCell(0, 0);
                assign->stringGrid2Enter();
            }
        } else if (page == 1) {
            if (auto* tree = qobject_cast<QTreeWidget*>(window.page(1)->sideList());
                tree && tree->topLevelItemCount() > 0) {
                tree->expandAll();
            }
        }
        ok &= save(window, folder, QString::fromLatin1(names[page]));
    }

    pw::SplashWindow about(session.texts(), &window);
    about.setMode(pw::SplashMode::About);
    about.show();
    ok &= save(about, folder, QStringLiteral("about"));
    about.hide();
    return ok ? 0 : 1;
}
