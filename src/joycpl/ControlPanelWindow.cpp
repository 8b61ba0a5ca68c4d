#include "joycpl/ControlPanelWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controllers/Calibration.h"
#include "controllers/JoystickConfiguration.h"
#include "store/SettingsStore.h"

namespace pw {
namespace {

constexpr int kHotplugMilliseconds = 500;

enum Column { kName, kStatus, kAxes, kButtons, kHats, kGuid, kColumns };

}  // namespace

ControlPanelWindow::ControlPanelWindow(SettingsStore& store, int languageId, bool liveTimers, QWidget* parent)
    : ControlPanelWindow(store, PanelTexts(panelLanguage(languageId)), liveTimers, parent) {}

ControlPanelWindow::ControlPanelWindow(SettingsStore& store, PanelTexts texts, bool liveTimers,
                                       QWidget* parent)
    : QDialog(parent), store_(store), texts_(std::move(texts)), liveTimers_(liveTimers) {
    setObjectName(QStringLiteral("ControlPanelWindow"));
    setWindowTitle(texts_.text("Gamecontroller"));

    auto* heading = new QLabel(texts_.text("Angeschlossene Controller"), this);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("controllerList"));
    list_->setRootIsDecorated(false);
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels({texts_.text("Name"), texts_.text("Status"), texts_.text("Achsen"),
                            texts_.text("Knöpfe"), texts_.text("Coolies"), texts_.text("GUID")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &ControlPanelWindow::openProperties);

    installButton_ = new QPushButton(texts_.text("Als Joystick 1 verwenden"), this);
    installButton_->setObjectName(QStringLiteral("installButton"));
    propertiesButton_ = new QPushButton(texts_.text("&Eigenschaften"), this);
    propertiesButton_->setObjectName(QStringLiteral("propertiesButton"));
    calibrateButton_ = new QPushButton(texts_.text("&Kalibrieren"), this);
    calibrateButton_->setObjectName(QStringLiteral("calibrateButton"));
    auto* ok = new QPushButton(texts_.text("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    auto* close = new QPushButton(texts_.text("Schließen"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    // Enter always means OK, whichever button has the focus.
    for (QPushButton* b : {installButton_, propertiesButton_, calibrateButton_, close}) {
        b->setAutoDefault(false);
    }
    ok->setDefault(true);
    connect(installButton_, &QPushButton::clicked, this, &ControlPanelWindow::installChosen);
    connect(propertiesButton_, &QPushButton::clicked, this, &ControlPanelWindow::openProperties);
    connect(calibrateButton_, &QPushButton::clicked, this, &ControlPanelWindow::openCalibration);
    bindAccessKey(propertiesButton_);
    bindAccessKey(calibrateButton_);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    status_->setWordWrap(true);

    auto* actions = new QHBoxLayout;
    actions->addWidget(installButton_);
    actions->addStretch();
    actions->addWidget(propertiesButton_);
    actions->addWidget(calibrateButton_);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok);
    closing->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(list_);
    layout->addLayout(actions);
    layout->addWidget(status_);
    layout->addLayout(closing);
    resize(620, 320);

    refreshList();
    connect(&hotplugTimer_, &QTimer::timeout, this, &ControlPanelWindow::pollDevices);
    if (liveTimers_) {
        hotplugTimer_.start(kHotplugMilliseconds);
    }
}

// A button's own access key clicks it animated, a moment later. The driver types its two keys
// right after each other, so the click must happen at once: the second key then reaches the
// properties window that the first one opened.
void ControlPanelWindow::bindAccessKey(QPushButton* button) {
    const QKeySequence key = QKeySequence::mnemonic(button->text());
    button->setShortcut(QKeySequence());
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
}

std::optional<std::int32_t> ControlPanelWindow::chosen() const {
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !item->isSelected() || !item->data(kName, Qt::UserRole).isValid()) {
        return std::nullopt;
    }
    return item->data(kName, Qt::UserRole).toInt();
}

bool ControlPanelWindow::choose(std::int32_t instanceId) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->data(kName, Qt::UserRole) == QVariant(instanceId)) {
            list_->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

void ControlPanelWindow::pollDevices() {
    if (attachedInstanceIds() != listedIds_) {
        refreshList();
    }
}

void ControlPanelWindow::refreshList() {
    const std::optional<std::int32_t> before = chosen();
    controllers_ = attachedControllers();
    listedIds_.clear();
    std::vector<std::string> guids;
    for (const AttachedController& c : controllers_) {
        listedIds_.push_back(c.instanceId);
        guids.push_back(c.guid);
    }
    JoystickConfiguration config;
    try {
        config = readJoystickConfiguration(store_);
    } catch (const StoreError& e) {
        tell(texts_.text("Die Einstellungen konnten nicht gelesen werden: %1").arg(texts_.storeMessage(e)));
    }
    const auto joystick1 = joystick1Among(config, guids);
    joystick1_ = joystick1 ? std::optional<std::size_t>(joystick1->index) : std::nullopt;

    list_->clear();
    for (std::size_t i = 0; i < controllers_.size(); ++i) {
        const AttachedController& c = controllers_[i];
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kName, QString::fromStdString(c.name));
        if (joystick1 && joystick1->index == i) {
            item->setText(kStatus, texts_.text(joystick1->configured ? "Joystick 1"
                                                                     : "Joystick 1 (nicht eingerichtet)"));
        }
        item->setText(kAxes, QString::number(c.axes));
        item->setText(kButtons, QString::number(c.buttons));
        item->setText(kHats, QString::number(c.hats));
        item->setText(kGuid, QString::fromStdString(c.guid));
        item->setData(kName, Qt::UserRole, c.instanceId);
    }
    if (controllers_.empty()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kName, texts_.text("Kein Controller angeschlossen"));
        item->setFlags(Qt::ItemIsEnabled);
    }
    // The choice survives a rebuild while its device stays; at first joystick 1 is chosen.
    const bool kept = before && choose(*before);
    if (!kept && joystick1_) {
        choose(controllers_[*joystick1_].instanceId);
    }
    const bool any = !controllers_.empty();
    propertiesButton_->setEnabled(any);
    calibrateButton_->setEnabled(any);
    installButton_->setEnabled(any);
}

const AttachedController* ControlPanelWindow::target() const {
    if (const auto id = chosen()) {
        for (const AttachedController& c : controllers_) {
            if (c.instanceId == *id) {
                return &c;
            }
        }
    }
    return joystick1_ ? &controllers_[*joystick1_] : nullptr;
}

void ControlPanelWindow::openProperties() {
    openPropertiesAt(ControllerPropertiesDialog::Page::Test);
}

void ControlPanelWindow::openCalibration() {
    openPropertiesAt(ControllerPropertiesDialog::Page::Calibration);
}

void ControlPanelWindow::openPropertiesAt(ControllerPropertiesDialog::Page page) {
    const AttachedController* device = target();
    if (device == nullptr) {
        tell(texts_.text("Controller wählen"));
        return;
    }
    if (properties_ && properties_->device().instanceId == device->instanceId) {
        properties_->showPage(page);
        properties_->raise();
        properties_->activateWindow();
        return;
    }
    if (properties_) {
        properties_->close();
    }
    properties_ = new ControllerPropertiesDialog(store_, texts_, *device,
                                                 sdlReadingSource(device->instanceId), liveTimers_, this);
    properties_->setAttribute(Qt::WA_DeleteOnClose);
    properties_->showPage(page);
    connect(properties_, &ControllerPropertiesDialog::configurationWritten, this,
            &ControlPanelWindow::refreshList);
    // Window-modal, and open() returns at once. It takes the keyboard at once, since the driver
    // types its second key right after the first.
    properties_->open();
    properties_->activateWindow();
}

void ControlPanelWindow::installChosen() {
    const auto id = chosen();
    const AttachedController* device = id ? target() : nullptr;
    if (device == nullptr) {
        tell(texts_.text("Controller wählen"));
        return;
    }
    const JoystickConfiguration config = joystick1Configuration(device->guid, device->name);
    const QString name = QString::fromStdString(device->name);
    try {
        if (!writeJoystickConfiguration(store_, config)) {
            tell(texts_.text("Die Einstellungen konnten nicht gespeichert werden: %1")
                     .arg(texts_.text("Die Werte sind ungültig.")));
            return;
        }
    } catch (const StoreError& e) {
        tell(texts_.text("Die Einstellungen konnten nicht gespeichert werden: %1")
                 .arg(texts_.storeMessage(e)));
        return;
    }
    refreshList();
    tell(texts_.text("%1 ist jetzt Joystick 1.").arg(name));
}

void ControlPanelWindow::tell(const QString& message) {
    status_->setText(message);
}

}  // namespace pw
