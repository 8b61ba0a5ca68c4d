// src/joycpl: the control panel program padwarden-joycpl: install, calibrate and test controllers.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <vector>

#include "input/sdl/SdlJoystickDevice.h"
#include "joycpl/ControllerPropertiesDialog.h"
#include "joycpl/PanelTexts.h"
#include "joycpl/SdlControllers.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace pw {

class SettingsStore;

// The control panel's main window "Gamecontroller": the attached controllers, which of them is
// joystick 1, and the ways to make one joystick 1, to test it and to calibrate it. The buttons'
// access letters are the ones the program types to drive the panel: Alt+first letter opens the
// properties of the chosen controller (or of joystick 1), Alt+second letter its calibration.
// Every change is written to the store at once.
class ControlPanelWindow final : public QDialog {
    Q_OBJECT

public:
    // languageId picks the texts and access letters (systemLanguageId()). With liveTimers the
    // window looks for plugged and unplugged devices by itself, and the properties sample their
    // device by themselves; without, only the slots below do.
    ControlPanelWindow(SettingsStore& store, int languageId, bool liveTimers = true,
                       QWidget* parent = nullptr);
    // The same with the texts given, e.g. PanelTexts::fromTables.
    ControlPanelWindow(SettingsStore& store, PanelTexts texts, bool liveTimers = true,
                       QWidget* parent = nullptr);

    const std::vector<AttachedController>& controllers() const { return controllers_; }
    // The controller the user chose in the list, by its instance id.
    std::optional<std::int32_t> chosen() const;
    // False when no listed controller has that id.
    bool choose(std::int32_t instanceId);
    // The properties window opened last, while it is open.
    ControllerPropertiesDialog* properties() const { return properties_; }
    const PanelTexts& texts() const { return texts_; }

public Q_SLOTS:
    // Rebuilds the list when a device was plugged in or out since the last look.
    void pollDevices();
    // Rebuilds the list from the attached devices and the configuration.
    void refreshList();
    void openProperties();
    void openCalibration();
    // Makes the chosen controller joystick 1, over its full travel.
    void installChosen();

private:
    // The controller the buttons act on: the chosen one, else joystick 1.
    const AttachedController* target() const;
    void bindAccessKey(QPushButton* button);
    void openPropertiesAt(ControllerPropertiesDialog::Page page);
    void tell(const QString& message);

    SdlJoystickSubsystem sdl_;  // keeps SDL's joystick lists up while the window lives
    SettingsStore& store_;
    PanelTexts texts_;
    bool liveTimers_;
    std::vector<AttachedController> controllers_;
    std::vector<std::int32_t> listedIds_;
    std::optional<std::size_t> joystick1_;

    QTreeWidget* list_ = nullptr;
    QPushButton* propertiesButton_ = nullptr;
    QPushButton* calibrateButton_ = nullptr;
    QPushButton* installButton_ = nullptr;
    QLabel* status_ = nullptr;
    QPointer<ControllerPropertiesDialog> properties_;
    QTimer hotplugTimer_;
};

}  // namespace pw
