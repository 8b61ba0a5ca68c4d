#include "joycpl/ControllerPropertiesDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "input/JoystickState.h"
#include "store/SettingsStore.h"

namespace pw {
namespace {

constexpr int kSampleMilliseconds = 16;  // about 60 readings a second
constexpr int kLampsPerRow = 8;
constexpr int kFullScale = 65535;

// A position 0 ... 65535 as -1 ... +1.
double unitPosition(std::uint32_t position) {
    return (static_cast<double>(position) - 32767.5) / 32767.5;
}

void light(QLabel* lamp, bool lit) {
    if (lamp->property("lit").toBool() == lit) {
        return;
    }
    lamp->setProperty("lit", lit);
    lamp->setStyleSheet(lit ? QStringLiteral("background: #d03030; color: white; border-radius: 4px;")
                            : QStringLiteral("background: #e0e0e0; color: black; border-radius: 4px;"));
}

}  // namespace

CrosshairView::CrosshairView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(80, 80);
}

void CrosshairView::setPosition(QPointF position) {
    if (position != position_) {
        position_ = position;
        update();
    }
}

void CrosshairView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = std::min(width(), height()) - 1;
    const QRectF square(0, 0, side, side);
    painter.fillRect(square, palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(square);
    painter.drawLine(QPointF(side / 2.0, 0), QPointF(side / 2.0, side));
    painter.drawLine(QPointF(0, side / 2.0), QPointF(side, side / 2.0));
    const QPointF at((position_.x() + 1.0) / 2.0 * side, (position_.y() + 1.0) / 2.0 * side);
    painter.setPen(QPen(palette().highlight().color(), 2));
    painter.drawLine(at - QPointF(6, 0), at + QPointF(6, 0));
    painter.drawLine(at - QPointF(0, 6), at + QPointF(0, 6));
}

ControllerPropertiesDialog::ControllerPropertiesDialog(SettingsStore& store, const PanelTexts& texts,
                                                       AttachedController device, ReadingSource source,
                                                       bool liveSampling, QWidget* parent)
    : QDialog(parent), store_(store), texts_(texts), device_(std::move(device)), source_(std::move(source)) {
    setObjectName(QStringLiteral("ControllerProperties"));
    setWindowTitle(texts_.text("Eigenschaften von %1").arg(QString::fromStdString(device_.name)));
    loadConfiguration();

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("propertyTabs"));
    tabs_->addTab(buildTestPage(), texts_.text("Test"));
    // The tab's access letter is the second one the driver types: Alt+K opens calibration.
    tabs_->addTab(buildCalibrationPage(), texts_.text("&Kalibrieren"));

    deviceMessage_ = new QLabel(this);
    deviceMessage_->setObjectName(QStringLiteral("deviceMessage"));
    deviceMessage_->hide();

    auto* close = new QPushButton(texts_.text("Schließen"), this);
    close->setObjectName(QStringLiteral("closePropertiesButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(deviceMessage_);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(&sampleTimer_, &QTimer::timeout, this, &ControllerPropertiesDialog::sample);
    if (liveSampling) {
        sampleTimer_.start(kSampleMilliseconds);
    }
}

void ControllerPropertiesDialog::loadConfiguration() {
    JoystickConfiguration config;
    try {
        config = readJoystickConfiguration(store_);
    } catch (const StoreError&) {
        // Unreadable settings: the device is shown over its full travel, as the joystick reads it.
        return;
    }
    if (config.configured() && sameGuid(config.guid, device_.guid)) {
        axesInUse_ = config.axes;
        initialMapping_ = axisMappingOf(config);
    }
}

QWidget* ControllerPropertiesDialog::buildTestPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("testPage"));

    crosshair_ = new CrosshairView(page);
    crosshair_->setObjectName(QStringLiteral("xyView"));
    auto makeBar = [page](const char* name) {
        auto* bar = new QProgressBar(page);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setRange(0, kFullScale);
        bar->setValue(kFullScale / 2);
        bar->setTextVisible(false);
        return bar;
    };
    zBar_ = makeBar("zBar");
    rBar_ = makeBar("rBar");
    hatLabel_ = new QLabel(texts_.text("Mitte"), page);
    hatLabel_->setObjectName(QStringLiteral("hatLabel"));

    auto* axes = new QGroupBox(texts_.text("Achsen"), page);
    auto* axesLayout = new QGridLayout(axes);
    axesLayout->addWidget(new QLabel(texts_.text("Achsen X/Y"), axes), 0, 0);
    axesLayout->addWidget(crosshair_, 0, 1);
    axesLayout->addWidget(new QLabel(texts_.text("Achse Z"), axes), 1, 0);
    axesLayout->addWidget(zBar_, 1, 1);
    axesLayout->addWidget(new QLabel(texts_.text("Achse R"), axes), 2, 0);
    axesLayout->addWidget(rBar_, 2, 1);
    axesLayout->addWidget(new QLabel(texts_.text("Coolie"), axes), 3, 0);
    axesLayout->addWidget(hatLabel_, 3, 1);

    auto* buttons = new QGroupBox(texts_.text("Knöpfe"), page);
    auto* lampLayout = new QGridLayout(buttons);
    for (int i = 0; i < device_.buttons; ++i) {
        auto* lamp = new QLabel(QString::number(i + 1), buttons);
        lamp->setObjectName(QStringLiteral("buttonLamp%1").arg(i + 1));
        lamp->setAlignment(Qt::AlignCenter);
        lamp->setFixedSize(28, 28);
        lamp->setProperty("lit", true);
        light(lamp, false);
        lampLayout->addWidget(lamp, i / kLampsPerRow, i % kLampsPerRow);
        lamps_.push_back(lamp);
    }

    lampLayout->setRowStretch((device_.buttons + kLampsPerRow - 1) / kLampsPerRow, 1);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(axes);
    layout->addWidget(buttons);
    return page;
}

QWidget* ControllerPropertiesDialog::buildCalibrationPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("calibrationPage"));
    auto* hint = new QLabel(
        texts_.text("Bewegen Sie jede Achse bis zu beiden Enden und lassen Sie sie dann los."), page);
    hint->setWordWrap(true);

    auto* grid = new QGridLayout;
    const char* heads[] = {"Achse", "Quelle", "Minimum", "Mitte", "Maximum"};
    for (int column = 0; column < 5; ++column) {
        grid->addWidget(new QLabel(texts_.text(heads[column]), page), 0, column);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        AxisRow& r = rows_[i];
        r.source = new QComboBox(page);
        r.source->setObjectName(QStringLiteral("axisSource%1").arg(i));
        r.source->addItem(texts_.text("Keine"), -1);
        for (int axis = 0; axis < device_.axes; ++axis) {
            r.source->addItem(texts_.text("SDL-Achse %1").arg(axis), axis);
        }
        // A stored source the device lacks cannot feed the axis: it is offered as none.
        r.source->setCurrentIndex(std::max(r.source->findData(initialMapping_[i]), 0));
        connect(r.source, &QComboBox::currentIndexChanged, this, &ControllerPropertiesDialog::showTravel);
        auto makeLabel = [page, i](const char* name) {
            auto* label = new QLabel(page);
            label->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(i));
            return label;
        };
        r.minimum = makeLabel("axisMinimum");
        r.centre = makeLabel("axisCentre");
        r.maximum = makeLabel("axisMaximum");
        r.verdict = makeLabel("axisVerdict");
        grid->addWidget(new QLabel(axisName(i), page), row, 0);
        grid->addWidget(r.source, row, 1);
        grid->addWidget(r.minimum, row, 2);
        grid->addWidget(r.centre, row, 3);
        grid->addWidget(r.maximum, row, 4);
        grid->addWidget(r.verdict, row, 5);
    }

    calibrationMessage_ = new QLabel(page);
    calibrationMessage_->setObjectName(QStringLiteral("calibrationMessage"));
    calibrationMessage_->setWordWrap(true);

    auto* restart = new QPushButton(texts_.text("Neu beginnen"), page);
    restart->setObjectName(QStringLiteral("restartButton"));
    restart->setAutoDefault(false);
    connect(restart, &QPushButton::clicked, this, &ControllerPropertiesDialog::restartCalibration);
    auto* applyButton = new QPushButton(texts_.text("Übernehmen"), page);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setAutoDefault(false);
    connect(applyButton, &QPushButton::clicked, this, &ControllerPropertiesDialog::apply);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(restart);
    buttons->addWidget(applyButton);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(hint);
    layout->addLayout(grid);
    layout->addWidget(calibrationMessage_);
    layout->addStretch();
    layout->addLayout(buttons);
    showTravel();
    return page;
}

QString ControllerPropertiesDialog::axisName(std::size_t axis) const {
    static const char* const kNames[] = {"Achse X", "Achse Y", "Achse Z", "Achse R"};
    return texts_.text(kNames[axis]);
}

void ControllerPropertiesDialog::showPage(Page page) {
    tabs_->setCurrentIndex(page == Page::Test ? 0 : 1);
}

ControllerPropertiesDialog::Page ControllerPropertiesDialog::currentPage() const {
    return tabs_->currentIndex() == 0 ? Page::Test : Page::Calibration;
}

void ControllerPropertiesDialog::sample() {
    if (!source_ || !source_(reading_)) {
        deviceMessage_->setText(texts_.text("Der Controller ist nicht mehr angeschlossen."));
        deviceMessage_->show();
        sampleTimer_.stop();
        return;
    }
    showReading(reading_);
    recorder_.record(reading_.axes);
    showTravel();
}

void ControllerPropertiesDialog::showReading(const ControllerReading& reading) {
    std::array<std::uint32_t, 4> position{};
    for (std::size_t i = 0; i < position.size(); ++i) {
        const AxisCalibration& axis = axesInUse_[i];
        // An axis that nothing feeds rests in the middle, as the joystick reads it.
        const bool fed = axis.sdlAxis >= 0 && static_cast<std::size_t>(axis.sdlAxis) < reading.axes.size();
        position[i] = calibratedPosition(
            axis, fed ? reading.axes[static_cast<std::size_t>(axis.sdlAxis)] : axis.centre);
    }
    crosshair_->setPosition(QPointF(unitPosition(position[0]), unitPosition(position[1])));
    zBar_->setValue(static_cast<int>(position[2]));
    rBar_->setValue(static_cast<int>(position[3]));
    hatLabel_->setText(hatText(reading.hat));
    for (std::size_t i = 0; i < lamps_.size(); ++i) {
        light(lamps_[i], i < reading.buttons.size() && reading.buttons[i]);
    }
}

QString ControllerPropertiesDialog::hatText(std::uint32_t hat) const {
    static const char* const kDirections[] = {
        "Coolie hoch",   "Coolie rechts hoch",  "Coolie rechts", "Coolie rechts runter",
        "Coolie runter", "Coolie links runter", "Coolie links",  "Coolie links hoch"};
    if (hat == kHatCentred || hat % 4500 != 0 || hat / 4500 >= 8) {
        return texts_.text("Mitte");
    }
    return texts_.text(kDirections[hat / 4500]);
}

AxisMapping ControllerPropertiesDialog::chosenMapping() const {
    AxisMapping mapping{};
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        mapping[i] = rows_[i].source->currentData().toInt();
    }
    return mapping;
}

void ControllerPropertiesDialog::showTravel() {
    const AxisMapping mapping = chosenMapping();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const auto travel = recorder_.travel(mapping[i]);
        rows_[i].minimum->setText(travel ? QString::number(travel->minimum) : QString());
        rows_[i].centre->setText(travel ? QString::number(travel->centre) : QString());
        rows_[i].maximum->setText(travel ? QString::number(travel->maximum) : QString());
    }
}

void ControllerPropertiesDialog::restartCalibration() {
    recorder_.restart();
    calibrationMessage_->clear();
    for (AxisRow& row : rows_) {
        row.verdict->clear();
    }
    showTravel();
}

void ControllerPropertiesDialog::showVerdicts(const CalibrationOutcome& outcome) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const char* text = "in Ordnung";
        switch (outcome.verdicts[i]) {
            case AxisVerdict::Valid:
                break;
            case AxisVerdict::Unused:
                text = "nicht belegt";
                break;
            case AxisVerdict::NotRecorded:
                text = "noch keine Werte";
                break;
            case AxisVerdict::NotMoved:
                text = "nicht bis zu beiden Enden bewegt";
                break;
        }
        rows_[i].verdict->setText(texts_.text(text));
    }
}

void ControllerPropertiesDialog::apply() {
    const CalibrationOutcome outcome = calibrationFrom(recorder_, chosenMapping());
    showVerdicts(outcome);
    if (!outcome.accepted()) {
        const auto bad = std::find_if(outcome.verdicts.begin(), outcome.verdicts.end(), [](AxisVerdict v) {
            return v == AxisVerdict::NotRecorded || v == AxisVerdict::NotMoved;
        });
        const auto axis = static_cast<std::size_t>(bad - outcome.verdicts.begin());
        calibrationMessage_->setText(
            texts_
                .text("Nicht übernommen: %1 braucht Minimum < Mitte < Maximum. Bewegen "
                      "Sie die Achse bis zu beiden Enden und lassen Sie sie los.")
                .arg(axisName(axis)));
        return;
    }
    try {
        // Read again at once: the main program may have switched controllers meanwhile.
        const JoystickConfiguration config = calibratedConfiguration(
            readJoystickConfiguration(store_), device_.guid, device_.name, outcome.axes);
        if (!writeJoystickConfiguration(store_, config)) {
            calibrationMessage_->setText(texts_.text("Die Einstellungen konnten nicht gespeichert werden: %1")
                                             .arg(texts_.text("Die Werte sind ungültig.")));
            return;
        }
        axesInUse_ = config.axes;
    } catch (const StoreError& e) {
        calibrationMessage_->setText(texts_.text("Die Einstellungen konnten nicht gespeichert werden: %1")
                                         .arg(texts_.storeMessage(e)));
        return;
    }
    calibrationMessage_->setText(texts_.text("Kalibrierung gespeichert."));
    Q_EMIT configurationWritten();
}

}  // namespace pw
