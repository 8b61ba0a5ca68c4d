#include "app/window/main/StartUp.h"

#include <QCoreApplication>

#include "app/dialogs/SplashWindow.h"
#include "app/window/main/MainWindow.h"
#include "app/window/main/QtTranslations.h"
#include "input/Pause.h"
#include "texts/LanguageTables.h"

namespace pw {

void startIntoTray(MainWindow& window) {
    if (window.trayAvailable()) {
        window.speedButton32Click();
    } else {
        window.taskIcon1DblClick();
    }
}

void runStartUp(MainWindow& window, SplashWindow& splash, TextVariables& texts, Pauser& pauser,
                const std::filesystem::path& programDirectory, const std::function<void(int)>& progressSeen) {
    const auto progress = [&](int value) {
        splash.setProgress(value);
        if (progressSeen) {
            progressSeen(value);
        }
        splash.repaint();
    };
    splash.setMode(SplashMode::Startup);
    splash.onStartupClosed = [&window] { startIntoTray(window); };
    splash.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    progress(10);
    progress(5);
    // felder_zuweisen: the tables, then the texts on the controls.
    zuweisen(texts, programDirectory, progress);
    // Qt's own dialogs follow the tables' language, whatever the system's locale says.
    installQtTranslations(texts);
    progress(90);
    window.felder_zuweisen();
    progress(95);
    pauser.pause(310);
    progress(100);
    splash.close();
}

}  // namespace pw
