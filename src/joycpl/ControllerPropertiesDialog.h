#pragma once

#include <QDialog>
#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <array>
#include <vector>

#include "controllers/Calibration.h"
#include "controllers/JoystickConfiguration.h"
#include "joycpl/PanelTexts.h"
#include "joycpl/SdlControllers.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QTabWidget;

namespace pw {

class SettingsStore;

// The X/Y position as a cross on a square; -1 ... +1 on both axes, up and left negative.
class CrosshairView final : public QWidget {
    Q_OBJECT

public:
    explicit CrosshairView(QWidget* parent = nullptr);

    void setPosition(QPointF position);
    QPointF position() const { return position_; }

    QSize sizeHint() const override { return {120, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF position_;
};

// The properties of one attached controller: a live test of what the game will see (X/Y, Z, R,
// the hat and the buttons, read through the calibration in use) and the calibration page, where
// the user moves every axis to its ends, lets it go, picks which SDL axis feeds X, Y, Z and R,
// and applies the result to the joystick configuration.
class ControllerPropertiesDialog final : public QDialog {
    Q_OBJECT

public:
    enum class Page { Test, Calibration };

    // Readings come from `source`; with liveSampling the dialog samples it about 60 times a
    // second by itself, otherwise only when sample() is called.
    ControllerPropertiesDialog(SettingsStore& store, const PanelTexts& texts, AttachedController device,
                               ReadingSource source, bool liveSampling, QWidget* parent = nullptr);

    void showPage(Page page);
    Page currentPage() const;
    const AttachedController& device() const { return device_; }
    const CalibrationRecorder& recorder() const { return recorder_; }

public Q_SLOTS:
    // Takes one reading: updates the test view and the recorded travel of every axis.
    void sample();
    // Forgets the travel recorded so far.
    void restartCalibration();
    // Writes the calibration of X, Y, Z and R into the joystick configuration, or refuses with the
    // reason on the page when an axis does not have minimum < centre < maximum.
    void apply();

Q_SIGNALS:
    void configurationWritten();

private:
    struct AxisRow {
        QComboBox* source = nullptr;
        QLabel* minimum = nullptr;
        QLabel* centre = nullptr;
        QLabel* maximum = nullptr;
        QLabel* verdict = nullptr;
    };

    QWidget* buildTestPage();
    QWidget* buildCalibrationPage();
    void loadConfiguration();
    AxisMapping chosenMapping() const;
    void showReading(const ControllerReading& reading);
    void showTravel();
    void showVerdicts(const CalibrationOutcome& outcome);
    QString hatText(std::uint32_t hat) const;
    QString axisName(std::size_t axis) const;

    SettingsStore& store_;
    const PanelTexts& texts_;
    AttachedController device_;
    ReadingSource source_;
    ControllerReading reading_;
    CalibrationRecorder recorder_;
    // What the test view reads through: the configuration's axes when this device is joystick 1.
    std::array<AxisCalibration, 4> axesInUse_ = fullTravelAxes();
    AxisMapping initialMapping_ = defaultAxisMapping();

    QTabWidget* tabs_ = nullptr;
    QLabel* deviceMessage_ = nullptr;
    CrosshairView* crosshair_ = nullptr;
    QProgressBar* zBar_ = nullptr;
    QProgressBar* rBar_ = nullptr;
    QLabel* hatLabel_ = nullptr;
    std::vector<QLabel*> lamps_;
    std::array<AxisRow, 4> rows_{};
    QLabel* calibrationMessage_ = nullptr;
    QTimer sampleTimer_;
};

}  // namespace pw
