#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "app/window/Page.h"

namespace pw {

// The page "Controller-Eigenschaften": registers the controller in use under a type and a name,
// installs and calibrates controllers through the control panel program, deletes registered ones,
// and publishes the registered controllers for the assignment page.
class ControllerPage final : public Page {
    Q_OBJECT
public:
    explicit ControllerPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

    // Refills the list of registered controllers, publishes it for the assignment page and reads
    // the controller in use into the name fields.
    void aktualisiere_kontroller_listview();

    // Reads the display name of the controller in use into StaticText2, Edit1 and
    // currentController, and returns it.
    QString akt_controller();

    // Shows or hides the name field and its Save button together.
    void controllerspeichern_anzeigen(bool show);

    // The handlers of the page's controls.
    void listView4Click();
    void listView3Click();
    void speedButton12Click();  // "Controller installieren"
    void speedButton9Click();   // "Speichern"
    void speedButton10Click();  // "Controller löschen"
    void speedButton31Click();  // "Controller kalibrieren"
    void edit1Exit();
    void uRLLabel1Click();

    // The control panel's command line; the program beside our executable unless set.
    void setControlPanelCommand(const QString& commandLine) { controlPanelCommand_ = commandLine; }
    const QString& controlPanelCommandLine() const { return controlPanelCommand_; }

    // Opens the product page; the desktop's opener unless set.
    void setOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }

    // The product pages on the web, and the local copy for "Offline?": in the program directory
    // when it is there, else installed beside the program, else in the source tree. Empty when
    // none of them exists.
    static QUrl productWebAddress();
    static QString localProductPage(const std::filesystem::path& programDirectory);

protected:
    // Leaving the name field hides it (Edit1Exit).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString text(const char* germanDefault) const;
    void inform(const char* germanDefault);
    // Shows the name field with the name selected and the cursor in it.
    void askForName(const QString& name);
    // Whether the control panel program can be started; tells the user when not.
    bool controlPanelAvailable();
    int runControlPanel(const QString& mode);
    // Runs a handler's body; a store failure the user must know of becomes one message.
    void reportFailures(const std::function<void()>& work);

    QLabel* newTypeLabel_;          // Label7
    QListWidget* typeList_;         // ListView4
    QPushButton* installButton_;    // SpeedButton12
    QLabel* selectedLabel_;         // Label5
    QLabel* typePicture_;           // Image3
    QLabel* typeKeyField_;          // StaticText1: the selected type key (kept hidden)
    QLabel* typeCaption_;           // the selected type's caption
    QLabel* nameField_;             // StaticText2: the selected controller's name
    QLineEdit* nameEdit_;           // Edit1
    QPushButton* saveButton_;       // SpeedButton9
    QPushButton* calibrateButton_;  // SpeedButton31
    QPushButton* deleteButton_;     // SpeedButton10
    QLabel* productLink_;           // URLLabel1
    QCheckBox* offlineBox_;         // CheckBox15
    QListWidget* side_;             // ListView3
    QStringList typeKeys_;          // the type keys in store order: a type key's position is its type index
    QString controlPanelCommand_;
    std::function<bool(const QUrl&)> opener_;
};

}  // namespace pw
