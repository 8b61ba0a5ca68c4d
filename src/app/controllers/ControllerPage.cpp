#include "app/controllers/ControllerPage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QProcess>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <array>
#include <exception>
#include <string>

#include "app/controllers/ControllerTypeIcons.h"
#include "app/dialogs/UserDialogs.h"
#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "controllers/ControllerRegistry.h"
#include "controllers/RegisteredControllers.h"
#include "controllers/qt/ControlPanel.h"
#include "games/AutoActivation.h"
#include "input/Joystick.h"

namespace pw {
namespace {

// The name the game controller settings give a plain gameport joystick: it says nothing about
// the device, so the user is asked for a name of his own instead of registering it under that.
const QString kGameportJoystick = QStringLiteral("Gameport-Joystick");

constexpr int kTypePictureSize = 40;

// The captions of the type list; the last entry is the text "Lenkrad".
constexpr std::array<const char*, kControllerTypeCount> kTypeCaptions = {"Joystick", "Gamepad", "Gameboard",
                                                                         "Lenkrad"};

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// The hourglass while the page works without asking anything.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QPushButton* flatButton(QWidget* parent, const char* objectName) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    // Like the speed buttons they stand for, the buttons take no focus: a click on "Speichern"
    // must not first leave the name field, which would hide the button under the mouse.
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumWidth(160);
    return button;
}

QLabel* heading(QWidget* parent, const char* objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

}  // namespace

ControllerPage::ControllerPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel12"), QStringLiteral("Panel13"), "Controller-Eigenschaften", parent),
      newTypeLabel_(heading(body(), "Label7")),
      typeList_(new QListWidget(body())),
      installButton_(flatButton(body(), "SpeedButton12")),
      selectedLabel_(heading(body(), "Label5")),
      typePicture_(new QLabel(body())),
      typeKeyField_(new QLabel(body())),
      typeCaption_(new QLabel(body())),
      nameField_(new QLabel(body())),
      nameEdit_(new QLineEdit(body())),
      saveButton_(flatButton(body(), "SpeedButton9")),
      calibrateButton_(flatButton(body(), "SpeedButton31")),
      deleteButton_(flatButton(body(), "SpeedButton10")),
      productLink_(new QLabel(body())),
      offlineBox_(new QCheckBox(body())),
      side_(new QListWidget(this)),
      controlPanelCommand_(controlPanelCommand()),
      opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    side_->setObjectName(QStringLiteral("ListView3"));
    side_->setIconSize(QSize(24, 24));

    typeList_->setObjectName(QStringLiteral("ListView4"));
    typeList_->setViewMode(QListView::IconMode);
    typeList_->setIconSize(QSize(kTypePictureSize, kTypePictureSize));
    typeList_->setGridSize(QSize(104, 72));
    typeList_->setMovement(QListView::Static);
    typeList_->setFlow(QListView::LeftToRight);
    typeList_->setWrapping(false);
    typeList_->setResizeMode(QListView::Adjust);
    typeList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    typeList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    typeList_->setFixedHeight(80);
    for (int i = 0; i < kControllerTypeCount; ++i) {
        typeList_->addItem(new QListWidgetItem(controllerTypeIcon(i), QString()));
    }

    typePicture_->setObjectName(QStringLiteral("Image3"));
    typePicture_->setFixedSize(kTypePictureSize, kTypePictureSize);
    typeKeyField_->setObjectName(QStringLiteral("StaticText1"));
    // The type key is what the store and the assignments use ("Steering wheel", "gamepad"); the
    // user sees the type's caption in the window's language.
    typeKeyField_->hide();
    typeCaption_->setObjectName(QStringLiteral("TypeCaption"));
    typeCaption_->setTextFormat(Qt::PlainText);
    nameField_->setObjectName(QStringLiteral("StaticText2"));
    nameField_->setTextFormat(Qt::PlainText);
    typeKeyField_->setTextFormat(Qt::PlainText);
    nameEdit_->setObjectName(QStringLiteral("Edit1"));
    nameEdit_->installEventFilter(this);

    productLink_->setObjectName(QStringLiteral("URLLabel1"));
    productLink_->setTextFormat(Qt::RichText);
    productLink_->setOpenExternalLinks(false);
    productLink_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    productLink_->setCursor(Qt::PointingHandCursor);
    offlineBox_->setObjectName(QStringLiteral("CheckBox15"));

    // Type list and install button; the selected controller with its picture, the name field and
    // the calibrate and delete buttons; the link to the product pages at the bottom.
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(6);
    layout->addWidget(newTypeLabel_);
    layout->addWidget(typeList_);
    auto* installRow = new QHBoxLayout;
    installRow->addWidget(installButton_);
    installRow->addStretch(1);
    layout->addLayout(installRow);
    layout->addSpacing(14);
    layout->addWidget(selectedLabel_);
    auto* selectedRow = new QHBoxLayout;
    selectedRow->addWidget(typePicture_);
    auto* fields = new QVBoxLayout;
    fields->addWidget(typeKeyField_);
    fields->addWidget(typeCaption_);
    fields->addWidget(nameField_);
    selectedRow->addLayout(fields, 1);
    layout->addLayout(selectedRow);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameEdit_, 1);
    nameRow->addWidget(saveButton_);
    layout->addLayout(nameRow);
    auto* actionRow = new QHBoxLayout;
    actionRow->addWidget(calibrateButton_);
    actionRow->addWidget(deleteButton_);
    actionRow->addStretch(1);
    layout->addLayout(actionRow);
    layout->addStretch(1);
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(productLink_);
    linkRow->addSpacing(16);
    linkRow->addWidget(offlineBox_);
    linkRow->addStretch(1);
    layout->addLayout(linkRow);

    controllerspeichern_anzeigen(false);

    connect(typeList_, &QListWidget::itemClicked, this, [this] { listView4Click(); });
    connect(side_, &QListWidget::itemClicked, this, [this] { listView3Click(); });
    connect(installButton_, &QPushButton::clicked, this, [this] { speedButton12Click(); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { speedButton9Click(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { speedButton10Click(); });
    connect(calibrateButton_, &QPushButton::clicked, this, [this] { speedButton31Click(); });
    connect(productLink_, &QLabel::linkActivated, this, [this] { uRLLabel1Click(); });

    applyTexts();
}

QString ControllerPage::text(const char* germanDefault) const {
    return context_.text(germanDefault);
}

void ControllerPage::inform(const char* germanDefault) {
    context_.dialogs.inform(text(germanDefault));
}

void ControllerPage::applyTexts() {
    Page::applyTexts();
    newTypeLabel_->setText(text("Neuer Controller"));
    selectedLabel_->setText(text("Ausgewählter Controller"));
    installButton_->setText(text("Controller installieren"));
    saveButton_->setText(text("Speichern"));
    calibrateButton_->setText(text("Controller kalibrieren"));
    deleteButton_->setText(text("Controller löschen"));
    offlineBox_->setText(text("Offline?"));
    productLink_->setText(
        QStringLiteral("<a href=\"product\">%1</a>").arg(text("Orvalis Produkte").toHtmlEscaped()));
    for (int i = 0; i < kControllerTypeCount; ++i) {
        typeList_->item(i)->setText(text(kTypeCaptions[static_cast<std::size_t>(i)]));
    }
}

void ControllerPage::enterPage() {
    aktualisiere_kontroller_listview();
}

void ControllerPage::reportFailures(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& error) {
        context_.dialogs.inform(QString::fromUtf8(error.what()));
    }
}

void ControllerPage::aktualisiere_kontroller_listview() {
    reportFailures([this] {
        const ControllerCatalog catalog = readControllerCatalog(context_.store, context_.controllers);
        side_->clear();
        typeKeys_.clear();
        for (const std::string& typeKey : catalog.typeKeys) {
            typeKeys_ << fromStd(typeKey);
        }
        QList<ControllerEntry> entries;
        for (const RegisteredController& controller : catalog.controllers) {
            const QIcon icon = controllerTypeIcon(controller.typeIndex);
            auto* item = new QListWidgetItem(icon, fromStd(controller.name), side_);
            item->setData(Qt::UserRole, controller.typeIndex);
            entries.push_back({fromStd(controller.name), fromStd(controller.typeCaption), icon});
        }
        // "Ohne Auswahl" ends the assignment page's list: it stands for a game without controller.
        const QString none = text("Ohne Auswahl");
        entries.push_back({none, none, controllerTypeIcon(0)});
        context_.lists.setControllers(std::move(entries));
        akt_controller();
    });
}

QString ControllerPage::akt_controller() {
    const QString name = fromStd(context_.controllers.akt_controller());
    nameField_->setText(name);
    nameEdit_->setText(name);
    return name;
}

void ControllerPage::controllerspeichern_anzeigen(bool show) {
    nameEdit_->setVisible(show);
    saveButton_->setVisible(show);
}

void ControllerPage::askForName(const QString& name) {
    nameEdit_->setText(name);
    controllerspeichern_anzeigen(true);
    nameEdit_->selectAll();
    nameEdit_->setFocus();
}

void ControllerPage::listView4Click() {
    const QListWidgetItem* item = typeList_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    typeKeyField_->setText(fromStd(context_.controllers.typeKeyForCaption(item->text().toStdString())));
    typeCaption_->setText(item->text());
    typePicture_->setPixmap(
        controllerTypeIcon(typeList_->row(item)).pixmap(kTypePictureSize, kTypePictureSize));
}

void ControllerPage::listView3Click() {
    const QListWidgetItem* item = side_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    nameField_->setText(item->text());
    const int typeIndex = item->data(Qt::UserRole).toInt();
    if (typeIndex >= 0 && typeIndex < typeKeys_.size()) {
        typeKeyField_->setText(
            fromStd(context_.controllers.typeKeyForCaption(typeKeys_[typeIndex].toStdString())));
    }
    typeCaption_->setText(typeIndex >= 0 && typeIndex < kControllerTypeCount
                              ? text(kTypeCaptions[static_cast<std::size_t>(typeIndex)])
                              : typeKeyField_->text());
    typePicture_->setPixmap(controllerTypeIcon(typeIndex).pixmap(kTypePictureSize, kTypePictureSize));
}

bool ControllerPage::controlPanelAvailable() {
    const QStringList words = QProcess::splitCommand(controlPanelCommand_);
    const QString program = words.isEmpty() ? QString() : words.front();
    bool found = false;
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        found = info.isFile() && info.isExecutable();
    } else if (!program.isEmpty()) {
        found = !QStandardPaths::findExecutable(program).isEmpty();
    }
    if (!found) {
        context_.dialogs.inform(text("Programm nicht gefunden") + QStringLiteral(": ") +
                                (program.isEmpty() ? QString::fromLatin1(kControlPanelCommand) : program));
    }
    return found;
}

int ControllerPage::runControlPanel(const QString& mode) {
    return runAndDrive(controlPanelCommand_, 1, mode, context_.keys, context_.pauser, systemLanguageId());
}

// Installing resets the configuration in use before the panel starts, so the panel is looked for
// first: without it the user would lose the configuration and could not make a new one.
void ControllerPage::speedButton12Click() {
    const QListWidgetItem* type = typeList_->currentItem();
    if (type == nullptr || !type->isSelected() || typeKeyField_->text().isEmpty()) {
        inform("Controller wählen");
        return;
    }
    if (!controlPanelAvailable()) {
        return;
    }
    reportFailures([this] {
        // The user works in the panel now: the controller must not type into it meanwhile.
        context_.joystick.setActiveOnly(true);
        saveButton_->setEnabled(true);
        context_.controllers.resetJoystickSettings();
        if (window()->isVisible()) {
            window()->repaint();
        }
        runControlPanel(QString());

        std::string description;
        if (!context_.controllers.findDriverKey(description)) {
            return;  // the restriction stays until the main window is next activated
        }
        akt_controller();
        if (nameField_->text().isEmpty()) {
            nameField_->setText(fromStd(description));
        }
        if (context_.dialogs.confirm(text("Controller eingetragen?"))) {
            if (nameField_->text() != kGameportJoystick) {
                speedButton9Click();
            } else {
                inform("Eigene Bezeichnung eingeben");
                askForName(nameField_->text());
            }
        }
        context_.joystick.setActiveOnly(false);
        context_.inputErneuern();
    });
}

void ControllerPage::speedButton9Click() {
    const QString typeKey = typeKeyField_->text();
    if (typeKey.isEmpty()) {
        inform("Controller wählen");
        return;
    }
    const QString name = nameEdit_->text();
    reportFailures([&] {
        switch (checkNewControllerName(context_.store, typeKey.toStdString(), name.toStdString())) {
            case ControllerNameProblem::Empty:
                inform("Bezeichner eingeben");
                askForName(nameField_->text());
                return;
            case ControllerNameProblem::HasSeparator:
                inform("Namen ohne \\ eingeben");
                askForName(name);
                return;
            case ControllerNameProblem::Exists:
                // Saving over it would keep the old configuration under the name while the user
                // believes the new one is there.
                inform("Bezeichner besteht bereits");
                askForName(name);
                return;
            case ControllerNameProblem::None:
                break;
        }
        if (!context_.controllers.currentConfigured()) {
            // Installing without an attached controller leaves an empty configuration: saving it
            // would register a controller that sends nothing.
            inform("Kein Controller angeschlossen");
            return;
        }
        context_.controllers.saveCurrent(typeKey.toStdString(), name.toStdString());
        aktualisiere_kontroller_listview();
        controllerspeichern_anzeigen(false);
        context_.autoActivation.alle_programme_aufbauen();
    });
}

void ControllerPage::edit1Exit() {
    controllerspeichern_anzeigen(false);
}

bool ControllerPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == nameEdit_ && event->type() == QEvent::FocusOut) {
        // Switching to another program, or a menu opening, is no leaving of the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            edit1Exit();
        }
    }
    return Page::eventFilter(watched, event);
}

void ControllerPage::speedButton10Click() {
    const QString typeKey = typeKeyField_->text();
    const QString name = nameField_->text();
    // An empty type or name would name a whole type, or every controller.
    if (typeKey.isEmpty() || name.isEmpty()) {
        inform("Controller wählen");
        return;
    }
    if (!context_.dialogs.confirm(text("Eintrag löschen ?"))) {
        return;
    }
    reportFailures([&] {
        context_.controllers.deleteController(typeKey.toStdString(), name.toStdString());
        aktualisiere_kontroller_listview();
    });
}

void ControllerPage::speedButton31Click() {
    // The controller chosen on the page, taken before the name fields show the one in use.
    const QString typeKey = typeKeyField_->text();
    const QString chosenName = nameField_->text();
    const std::string reference = (typeKey + QLatin1Char('\\') + chosenName).toStdString();
    reportFailures([&] {
        const std::string inUse = context_.controllers.akt_controller();
        if (typeKey.isEmpty() || chosenName.isEmpty()) {
            akt_controller();
            inform("Controller wählen");
            return;
        }
        if (!controlPanelAvailable()) {
            akt_controller();
            return;
        }
        {
            const BusyCursor busy;
            const std::string none = text("Ohne Auswahl").toStdString();
            // No switch, and no announcement, to the controller already in use.
            const bool alreadyInUse =
                context_.controllers.holdsSettingsInUse(reference) ||
                controllerName(reference) == controllerName(context_.controllers.currentController()) ||
                (!inUse.empty() && controllerName(reference) == inUse &&
                 context_.controllers.currentConfigured());
            if (!alreadyInUse && controllerType(reference) != none) {
                try {
                    context_.controllers.activate(reference, true, window()->windowTitle().toStdString());
                } catch (const std::exception&) {
                    // The panel calibrates whatever is configured then.
                }
            }
            context_.joystick.setActiveOnly(true);
            saveButton_->setEnabled(true);
        }
        runControlPanel(QStringLiteral("Kali"));
        // The calibration is read when the joystick is opened: open it anew so that it counts now.
        context_.inputErneuern();
    });
}

QUrl ControllerPage::productWebAddress() {
    return QUrl(QStringLiteral("https://www.example.org/padwarden/"));
}

QString ControllerPage::localProductPage(const std::filesystem::path& programDirectory) {
    const QString relative = QStringLiteral("html/index.html");
    QStringList candidates;
    candidates << QDir(QString::fromStdString(programDirectory.string())).filePath(relative);
    if (QCoreApplication::instance() != nullptr) {
        candidates << QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral("../share/padwarden/") + relative);
    }
#ifdef PADWARDEN_SOURCE_DIR
    candidates << QDir(QStringLiteral(PADWARDEN_SOURCE_DIR)).filePath(relative);
#endif
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).absoluteFilePath();
        }
    }
    return {};
}

void ControllerPage::uRLLabel1Click() {
    if (!offlineBox_->isChecked()) {
        opener_(productWebAddress());
        return;
    }
    const QString page = localProductPage(context_.programDirectory);
    if (page.isEmpty()) {
        context_.dialogs.inform(text("Datei nicht gefunden") + QStringLiteral(": html/index.html"));
        return;
    }
    opener_(QUrl::fromLocalFile(page));
}

}  // namespace pw
