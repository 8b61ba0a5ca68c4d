#include "app/assign/AssignmentPage.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/UserDialogs.h"
#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "controllers/ControllerRegistry.h"
#include "input/Joystick.h"
#include "input/PollingLoop.h"
#include "profiles/Activation.h"
#include "profiles/ProfileFiles.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

constexpr int kEntryTextIndent = 20;
constexpr int kMarkSize = 20;

// The entries of the game and controller boxes: the entry's icon at the left, its text 20 pixels
// in; the selected entry in the highlight colour with white text, every other one black on the
// window colour.
class ChoiceItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        if (!icon.isNull()) {
            const int side = std::min(16, option.rect.height());
            icon.paint(painter, QRect(option.rect.left() + 1,
                                      option.rect.top() + (option.rect.height() - side) / 2, side, side));
        }
        painter->setPen(selected ? Qt::white : Qt::black);
        painter->drawText(option.rect.adjusted(kEntryTextIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 18));
        return size;
    }
};

// The status marks are drawn here rather than loaded: a green tick for "free", and three red
// warnings that stand together for "taken by another command".
QIcon paintMark(int kind) {
    QPixmap pixmap(kMarkSize, kMarkSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.5, 1.5, kMarkSize - 3, kMarkSize - 3);
    QPen white(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (kind) {
        case 0: {  // free: a tick in a green disc
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2e, 0x9d, 0x41));
            p.drawEllipse(box);
            p.setPen(white);
            p.drawPolyline(QPolygonF({QPointF(5.5, 10.5), QPointF(8.5, 13.5), QPointF(14.5, 6.5)}));
            break;
        }
        case 1: {  // a cross in a red disc
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xc6, 0x28, 0x28));
            p.drawEllipse(box);
            p.setPen(white);
            p.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
            p.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
            break;
        }
        case 2: {  // an exclamation mark in a red triangle
            QPainterPath triangle;
            triangle.moveTo(10, 1.5);
            triangle.lineTo(18.5, 18);
            triangle.lineTo(1.5, 18);
            triangle.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xd8, 0x43, 0x15));
            p.drawPath(triangle);
            p.setPen(white);
            p.drawLine(QPointF(10, 7), QPointF(10, 12));
            p.drawPoint(QPointF(10, 15.2));
            break;
        }
        default: {  // a barred red disc
            p.setPen(QPen(QColor(0xc6, 0x28, 0x28), 2.6));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(box.adjusted(1, 1, -1, -1));
            p.drawLine(QPointF(5, 15), QPointF(15, 5));
            break;
        }
    }
    return QIcon(pixmap);
}

QToolButton* makeMark(QWidget* parent, const QString& name, int kind) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(paintMark(kind));
    button->setIconSize(QSize(kMarkSize, kMarkSize));
    button->setFixedSize(kMarkSize + 4, kMarkSize + 4);
    button->setVisible(false);
    return button;
}

// A game's picture from its "icon" file; files that hold no readable picture (a Windows program)
// get the style's file icon.
QIcon gamePicture(const std::string& iconFile) {
    if (!iconFile.empty()) {
        QImageReader reader(QString::fromStdString(iconFile));
        const QImage image = reader.read();
        if (!image.isNull()) {
            return QIcon(QPixmap::fromImage(image));
        }
    }
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

QTableWidget* makeGrid(QWidget* parent, const QString& name, int actionWidth) {
    auto* grid = new QTableWidget(1, static_cast<int>(CommandGrid::kColumns), parent);
    grid->setObjectName(name);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setColumnWidth(0, 116);
    grid->setColumnWidth(1, 89);
    grid->setColumnWidth(3, actionWidth);
    // The KeySequence and the action's token are kept in the grid but not shown.
    grid->setColumnHidden(2, true);
    grid->setColumnHidden(4, true);
    grid->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    return grid;
}

// Puts a grid model on its table; only cells whose text changed are touched, since the capture
// step refreshes the lower grid up to a thousand times a second.
void showGrid(QTableWidget* table, const CommandGrid& grid) {
    const QSignalBlocker block(table);
    const int rows = static_cast<int>(grid.rowCount()) - 1;
    if (table->rowCount() != rows) {
        table->setRowCount(rows);
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < static_cast<int>(CommandGrid::kColumns); ++c) {
            const QString text = QString::fromStdString(grid.cell(static_cast<std::size_t>(r) + 1, c));
            QTableWidgetItem* item = table->item(r, c);
            if (item == nullptr) {
                table->setItem(r, c, new QTableWidgetItem(text));
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
}

bool countsAsFocusMove(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    // A message box or another window taking the keyboard does not leave the grid.
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

void ChoiceBox::showPopup() {
    if (beforePopup && !beforePopup()) {
        return;
    }
    QComboBox::showPopup();
}

AssignmentPage::AssignmentPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel19"), QStringLiteral("Panel20"), "Controller-Belegung", parent),
      editor_(context.store, context.texts, context.keys, context.pauser, *this),
      side_(new QListWidget(this)) {
    side_->setObjectName(QStringLiteral("ListView2"));
    side_->setIconSize(QSize(16, 16));
    side_->setSelectionMode(QAbstractItemView::SingleSelection);
    buildControls();
    fillGroups();
    fillControllers();
    applyTexts();

    connect(&context_.lists, &GameLists::groupsRebuilt, this, [this] { fillGroups(); });
    connect(&context_.lists, &GameLists::controllersRebuilt, this, [this] { fillControllers(); });
    context_.loop.setCaptureStep([this](Joystick& joystick) { schreibe_in_stringgrid(joystick); });
}

AssignmentPage::~AssignmentPage() {
    context_.loop.setCaptureStep({});
    // The controls go after the editor: none of their last signals or focus events may reach it.
    lowerGrid_->removeEventFilter(this);
    if (side_ != nullptr) {
        side_->viewport()->removeEventFilter(this);
        disconnect(side_, nullptr, this, nullptr);
    }
    for (QObject* control : body()->findChildren<QObject*>()) {
        disconnect(control, nullptr, this, nullptr);
    }
    disconnect(&context_.lists, nullptr, this, nullptr);
}

void AssignmentPage::buildControls() {
    QWidget* area = body();
    auto* outer = new QVBoxLayout(area);
    outer->setContentsMargins(8, 6, 8, 6);
    outer->setSpacing(6);

    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(6);
    choices->setVerticalSpacing(4);
    gameLabel_ = new QLabel(area);
    gameLabel_->setObjectName(QStringLiteral("Label13"));
    controllerLabel_ = new QLabel(area);
    controllerLabel_->setObjectName(QStringLiteral("Label21"));
    profileLabel_ = new QLabel(area);
    profileLabel_->setObjectName(QStringLiteral("Label20"));
    gameBox_ = new ChoiceBox(area);
    gameBox_->setObjectName(QStringLiteral("ComboBox1"));
    controllerBox_ = new ChoiceBox(area);
    controllerBox_->setObjectName(QStringLiteral("ComboBox2"));
    profileBox_ = new ChoiceBox(area);
    profileBox_->setObjectName(QStringLiteral("ComboBox3"));
    for (ChoiceBox* box : {gameBox_, controllerBox_, profileBox_}) {
        box->setMinimumWidth(150);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    gameBox_->setItemDelegate(new ChoiceItemDelegate(gameBox_));
    controllerBox_->setItemDelegate(new ChoiceItemDelegate(controllerBox_));
    choices->addWidget(gameLabel_, 0, 0);
    choices->addWidget(gameBox_, 0, 1);
    choices->addWidget(controllerLabel_, 0, 2);
    choices->addWidget(controllerBox_, 0, 3);
    choices->addWidget(profileLabel_, 1, 0);
    choices->addWidget(profileBox_, 1, 1);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(3, 1);
    outer->addLayout(choices);

    auto* lists = new QHBoxLayout;
    lists->setSpacing(8);
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    commandGroupLabel_ = new QLabel(area);
    commandGroupLabel_->setObjectName(QStringLiteral("Label22"));
    commandGroups_ = new QListWidget(area);
    commandGroups_->setObjectName(QStringLiteral("ListBox9"));
    commandGroups_->setFixedWidth(120);
    left->addWidget(commandGroupLabel_);
    left->addWidget(commandGroups_, 1);
    lists->addLayout(left);

    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    upperLabel_ = new QLabel(area);
    upperLabel_->setObjectName(QStringLiteral("Label16"));
    upperGrid_ = makeGrid(area, QStringLiteral("StringGrid3"), 99);
    // The saved commands are only looked at: they are drawn on the window colour.
    QPalette quiet = upperGrid_->palette();
    quiet.setColor(QPalette::Base, quiet.color(QPalette::Window));
    upperGrid_->setPalette(quiet);
    lowerLabel_ = new QLabel(area);
    lowerLabel_->setObjectName(QStringLiteral("Label23"));
    lowerGrid_ = makeGrid(area, QStringLiteral("StringGrid2"), 97);
    freeMark_ = makeMark(area, QStringLiteral("SpeedButton26"), 0);
    conflictMarks_ = {makeMark(area, QStringLiteral("SpeedButton25"), 1),
                      makeMark(area, QStringLiteral("SpeedButton27"), 2),
                      makeMark(area, QStringLiteral("SpeedButton28"), 3)};
    clearButton_ = new QToolButton(area);
    clearButton_->setObjectName(QStringLiteral("SpeedButton29"));
    clearButton_->setAutoRaise(true);
    // Like every flat button of the program it takes no focus, so the grid keeps the row.
    clearButton_->setFocusPolicy(Qt::NoFocus);

    auto* lowerBar = new QHBoxLayout;
    lowerBar->setSpacing(2);
    lowerBar->addWidget(lowerLabel_);
    lowerBar->addStretch(1);
    lowerBar->addWidget(freeMark_);
    for (QToolButton* mark : conflictMarks_) {
        lowerBar->addWidget(mark);
    }
    lowerBar->addSpacing(6);
    lowerBar->addWidget(clearButton_);
    captureHint_ = new QLabel(area);
    captureHint_->setObjectName(QStringLiteral("CaptureHint"));
    captureHint_->setWordWrap(false);
    QFont hintFont = captureHint_->font();
    hintFont.setBold(true);
    captureHint_->setFont(hintFont);
    right->addWidget(upperLabel_);
    right->addWidget(upperGrid_, 1);
    right->addSpacing(4);
    right->addLayout(lowerBar);
    right->addWidget(captureHint_);
    right->addWidget(lowerGrid_, 1);
    lists->addLayout(right, 1);
    outer->addLayout(lists, 1);

    // State cells that are never shown.
    groupField_ = new QLabel(area);
    groupField_->setObjectName(QStringLiteral("StaticText4"));
    groupField_->hide();
    controllerTypes_ = new QListWidget(area);
    controllerTypes_->setObjectName(QStringLiteral("ListBox13"));
    controllerTypes_->hide();
    profileFiles_ = new QListWidget(area);
    profileFiles_->setObjectName(QStringLiteral("FileListBox2"));
    profileFiles_->hide();

    // Every handler that Qt calls reports a failure as one message instead of letting it out.
    auto guarded = [this](void (AssignmentPage::*handler)()) {
        return [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(side_, &QListWidget::itemSelectionChanged, this, [this] {
        if (groupPressed_) {
            groupChangedByPress_ = true;
        }
        runGuarded([this] { listView2Click(); });
    });
    connect(side_, &QListWidget::itemClicked, this, [this] {
        const bool alreadyRun = groupChangedByPress_;
        groupPressed_ = false;
        groupChangedByPress_ = false;
        if (!alreadyRun) {
            runGuarded([this] { listView2Click(); });
        }
    });
    side_->viewport()->installEventFilter(this);
    connect(gameBox_, &QComboBox::activated, this, guarded(&AssignmentPage::comboBox1Click));
    connect(controllerBox_, &QComboBox::activated, this, guarded(&AssignmentPage::comboBox2Click));
    connect(profileBox_, &QComboBox::activated, this, guarded(&AssignmentPage::comboBox3Click));
    gameBox_->beforePopup = [this] { return comboBox1DropDown(); };
    controllerBox_->beforePopup = [this] { return comboBox2DropDown(); };
    profileBox_->beforePopup = [this] { return comboBox3DropDown(); };
    connect(commandGroups_, &QListWidget::currentRowChanged, this, guarded(&AssignmentPage::listBox9Click));
    lowerGrid_->installEventFilter(this);
    connect(lowerGrid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { runGuarded([this, row] { stringGrid2SelectCell(row + 1); }); });
    connect(lowerGrid_, &QTableWidget::cellClicked, this, guarded(&AssignmentPage::stringGrid2Click));
    connect(clearButton_, &QToolButton::clicked, this, guarded(&AssignmentPage::speedButton29Click));
}

void AssignmentPage::applyTexts() {
    Page::applyTexts();
    gameLabel_->setText(context_.text("Spiel"));
    controllerLabel_->setText(context_.text("Controller"));
    profileLabel_->setText(context_.text("Profil"));
    commandGroupLabel_->setText(context_.text("Kommando Gruppe"));
    upperLabel_->setText(context_.text("Gespeicherte Kommandos"));
    lowerLabel_->setText(context_.text("Controller Action"));
    clearButton_->setText(context_.text("Kommando nicht belegen"));
    const QStringList headings = {context_.text("Kommandos"), context_.text("Taste"), QString(),
                                  context_.text("Action"), QString()};
    upperGrid_->setHorizontalHeaderLabels(headings);
    lowerGrid_->setHorizontalHeaderLabels(headings);
    showWaiting();
}

void AssignmentPage::showWaiting() {
    const int row = lowerRow();
    const QTableWidgetItem* command = row > 0 ? lowerGrid_->item(row - 1, 0) : nullptr;
    if (context_.state.captureMode && command != nullptr && !command->text().isEmpty()) {
        captureHint_->setText(context_.text("Warte auf Controller für") + QStringLiteral(": ") +
                              command->text());
    } else {
        captureHint_->setText(context_.text("Kommando anklicken, dann am Controller drücken"));
    }
}

void AssignmentPage::runGuarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const StoreError& e) {
        context_.dialogs.inform(QString::fromStdString(storeMessage(e, context_.texts)));
    } catch (const std::exception& e) {
        context_.dialogs.inform(QString::fromUtf8(e.what()));
    }
}

void AssignmentPage::inform(Missing what) {
    context_.dialogs.inform(context_.text(std::string(missingMessage(what)).c_str()));
}

void AssignmentPage::showIconsNow(StatusIcons icons) {
    freeMark_->setVisible(icons.free);
    for (QToolButton* mark : conflictMarks_) {
        mark->setVisible(icons.conflict);
    }
}

void AssignmentPage::showIcons(StatusIcons icons) {
    showIconsNow(icons);
    // The beeps and the pause keep the event loop away: draw the marks now.
    if (isVisible()) {
        repaint();
    }
}

void AssignmentPage::fillGroups() {
    const QSignalBlocker block(side_);
    side_->clear();
    for (const GroupEntry& group : context_.lists.groups()) {
        side_->addItem(new QListWidgetItem(group.icon, group.name));
    }
}

void AssignmentPage::fillControllers() {
    const QSignalBlocker blockBox(controllerBox_);
    controllerBox_->clear();
    controllerTypes_->clear();
    const QString none = context_.text("Ohne Auswahl");
    bool endsWithNone = false;
    for (const ControllerEntry& entry : context_.lists.controllers()) {
        controllerBox_->addItem(entry.icon, entry.name);
        controllerTypes_->addItem(entry.typeCaption.isEmpty() ? entry.name : entry.typeCaption);
        endsWithNone = entry.name == none;
    }
    if (!endsWithNone) {
        controllerBox_->addItem(none);
        controllerTypes_->addItem(none);
    }
    controllerBox_->setCurrentIndex(-1);
}

void AssignmentPage::showGrids() {
    showGrid(upperGrid_, editor_.upper());
    showGrid(lowerGrid_, editor_.lower());
    const int upperRow = static_cast<int>(editor_.upperSelection()) - 1;
    if (upperRow >= 0 && upperGrid_->currentRow() != upperRow) {
        const QSignalBlocker block(upperGrid_);
        upperGrid_->selectRow(upperRow);
        upperGrid_->scrollToItem(upperGrid_->item(upperRow, 0));
    }
    showIconsNow(editor_.icons());
}

int AssignmentPage::lowerRow() const {
    return lowerGrid_->currentRow() + 1;
}

bool AssignmentPage::selectGroupRow(int row) {
    if (row < 0 || row >= side_->count()) {
        return false;
    }
    const QSignalBlocker block(side_);
    side_->setCurrentRow(row);
    side_->item(row)->setSelected(true);
    return true;
}

bool AssignmentPage::require(Missing what) {
    if (what == Missing::Nothing) {
        return true;
    }
    inform(what);
    switch (what) {
        case Missing::Group:
            side_->setFocus();
            break;
        case Missing::Game:
            gameBox_->setFocus();
            break;
        case Missing::Controller:
            controllerBox_->setFocus();
            break;
        case Missing::Nothing:
            break;
    }
    return false;
}

Missing AssignmentPage::missingForController() const {
    const Missing missing = editor_.missingChoice();
    if (missing != Missing::Nothing) {
        return missing;
    }
    return controllerBox_->currentText().isEmpty() ? Missing::Controller : Missing::Nothing;
}

void AssignmentPage::enterPage() {
    {
        const QSignalBlocker blockGames(gameBox_);
        const QSignalBlocker blockProfiles(profileBox_);
        const QSignalBlocker blockGroups(commandGroups_);
        gameBox_->clear();
        profileBox_->clear();
        commandGroups_->clear();
    }
    editor_.setGame({});
    // The controller page has just rebuilt the shared controller list; the box starts unchosen.
    fillControllers();
    profileFiles_->clear();
    for (const std::string& file : listProfiles(context_.programDirectory)) {
        profileFiles_->addItem(QString::fromStdString(file));
    }
    fileListBox2Change();
    editor_.clearGrids();
    showGrids();

    if (side_->isHidden()) {
        return;
    }
    // The remembered group and game are chosen again; a position that no longer exists is
    // simply not chosen.
    runGuarded([this] {
        if (selectGroupRow(context_.lists.assignGroupIndex)) {
            listView2Click();
        }
    });
    runGuarded([this] {
        const int game = context_.lists.assignGameIndex;
        if (game < 0 || game >= gameBox_->count()) {
            return;
        }
        const QSignalBlocker block(gameBox_);
        gameBox_->setCurrentIndex(game);
        comboBox1Click();
    });
}

void AssignmentPage::listView2Click() {
    const QList<QListWidgetItem*> selected = side_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QListWidgetItem* item = selected.first();
    struct Refill {
        AssignmentEditor& editor;
        explicit Refill(AssignmentEditor& e) : editor(e) { editor.setRefilling(true); }
        ~Refill() { editor.setRefilling(false); }
    } refill(editor_);

    context_.lists.assignGroupIndex = side_->row(item);
    const QString group = item->text();
    groupField_->setText(group);
    editor_.setGroup(toUtf8(group));
    std::vector<std::string> games;
    try {
        games = editor_.gamesOf(editor_.group());
    } catch (const StoreError&) {
        // An unreadable group lists no games.
    }
    {
        const QSignalBlocker block(gameBox_);
        gameBox_->clear();
        for (const std::string& game : games) {
            std::string iconFile;
            try {
                iconFile = editor_.gameIcon(editor_.group(), game);
            } catch (const StoreError&) {
            }
            gameBox_->addItem(gamePicture(iconFile), QString::fromStdString(game));
        }
    }
    editor_.setGame({});
    if (gameBox_->count() == 0) {
        return;
    }
    const int remembered = context_.lists.assignGameIndex;
    {
        const QSignalBlocker block(gameBox_);
        gameBox_->setCurrentIndex(remembered >= 0 && remembered < gameBox_->count() ? remembered : 0);
    }
    comboBox1Click();
}

void AssignmentPage::listView2MouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton) {
        return;
    }
    // The right button switches between large and small icons.
    if (side_->viewMode() == QListView::ListMode) {
        side_->setViewMode(QListView::IconMode);
        side_->setIconSize(QSize(32, 32));
    } else {
        side_->setViewMode(QListView::ListMode);
        side_->setIconSize(QSize(16, 16));
    }
}

bool AssignmentPage::comboBox1DropDown() {
    return require(editor_.group().empty() ? Missing::Group : Missing::Nothing);
}

bool AssignmentPage::comboBox2DropDown() {
    return require(editor_.missingChoice());
}

bool AssignmentPage::comboBox3DropDown() {
    return require(missingForController());
}

void AssignmentPage::comboBox1Click() {
    if (editor_.group().empty()) {
        inform(Missing::Group);
        return;
    }
    const QString game = gameBox_->currentText();
    if (game.isEmpty()) {
        return;
    }
    editor_.setGame(toUtf8(game));
    loadLiveTable(context_.store, editor_.group(), editor_.game(), context_.state.slots);

    bool profileChosen = false;
    if (const std::optional<std::string> controller = editor_.storedControllerName()) {
        if (const int entry = controllerBox_->findText(fromUtf8(*controller)); entry >= 0) {
            const QSignalBlocker block(controllerBox_);
            controllerBox_->setCurrentIndex(entry);
        }
        if (const std::optional<std::string> profil = editor_.storedProfil()) {
            if (const int entry = profileBox_->findText(fromUtf8(*profil)); entry >= 0) {
                {
                    const QSignalBlocker block(profileBox_);
                    profileBox_->setCurrentIndex(entry);
                }
                comboBox3Click();
                profileChosen = true;
            }
        }
    }
    // A game whose Profile is not offered keeps the Profile shown; the grids must show this game's
    // assignments all the same, or they would be checked and saved against the previous game.
    if (!profileChosen && editor_.profileOpen() && commandGroups_->currentItem() != nullptr) {
        listBox9Click();
    }
    runGuarded([this] { comboBox2Click(); });
    context_.lists.assignGameIndex = gameBox_->currentIndex();
}

void AssignmentPage::comboBox2Click() {
    if (const Missing missing = editor_.missingChoice(); missing != Missing::Nothing) {
        inform(missing);
        return;
    }
    const QString name = controllerBox_->currentText();
    if (name.isEmpty()) {
        return;
    }
    const QListWidgetItem* type = controllerTypes_->item(controllerBox_->currentIndex());
    const std::string typeKey =
        context_.controllers.typeKeyForCaption(type != nullptr ? toUtf8(type->text()) : "");
    editor_.writeController(typeKey, toUtf8(name));
    profileBox_->setFocus();
}

void AssignmentPage::comboBox3Click() {
    if (const Missing missing = editor_.missingChoice(); missing != Missing::Nothing) {
        inform(missing);
        return;
    }
    const QString profile = profileBox_->currentText();
    if (profile.isEmpty()) {
        return;
    }
    editor_.openProfile(context_.programDirectory / toUtf8(profile));
    {
        const QSignalBlocker block(commandGroups_);
        commandGroups_->clear();
        for (const std::string& group : editor_.commandGroups()) {
            commandGroups_->addItem(QString::fromStdString(group));
        }
        commandGroups_->setCurrentRow(0);
    }
    showGrids();
    listBox9Click();
    editor_.writeProfil(toUtf8(profile));
}

void AssignmentPage::fileListBox2Change() {
    const QSignalBlocker block(profileBox_);
    profileBox_->clear();
    for (int i = 0; i < profileFiles_->count(); ++i) {
        profileBox_->addItem(profileFiles_->item(i)->text());
    }
    profileBox_->addItem(context_.text("Ohne Auswahl"));
    profileBox_->setCurrentIndex(-1);
}

void AssignmentPage::listBox9Click() {
    if (editor_.missingChoice() != Missing::Nothing) {
        inform(Missing::Game);
        return;
    }
    const QListWidgetItem* item = commandGroups_->currentItem();
    editor_.chooseCommandGroup(item != nullptr ? toUtf8(item->text()) : std::string());
    showGrids();
}

void AssignmentPage::stringGrid2Enter() {
    // Entering the grid starts the edit of the row it shows, also when the click lands on the
    // row that was current before: no row change follows then.
    editor_.enterRow(static_cast<std::size_t>(std::max(lowerRow(), 0)));
    context_.state.captureMode = true;
    context_.timer.setTimerEnabled(true);
    showWaiting();
}

void AssignmentPage::stringGrid2Exit() {
    stringgrid_speichern(static_cast<int>(kNoRow));
    context_.state.captureMode = false;
    showWaiting();
}

void AssignmentPage::leavePage() {
    if (context_.state.captureMode) {
        runGuarded([this] { stringGrid2Exit(); });
    }
}

void AssignmentPage::stringGrid2SelectCell(int row) {
    if (context_.state.captureMode) {
        stringgrid_speichern(row);
    }
    showWaiting();
}

void AssignmentPage::stringGrid2Click() {
    if (!context_.state.captureMode) {
        context_.controllers.akt_controller();
    }
    const QString name = controllerBox_->currentText();
    const QListWidgetItem* type = controllerTypes_->item(controllerBox_->currentIndex());
    if (name.isEmpty() || type == nullptr || type->text().isEmpty()) {
        return;
    }
    // "Ohne Auswahl" names no controller to switch to.
    if (type->text() == context_.text("Ohne Auswahl")) {
        return;
    }
    if (fromUtf8(controllerName(context_.controllers.currentController())) == name) {
        return;
    }
    // So the user captures actions with the game's own controller.
    try {
        const std::string reference =
            context_.controllers.typeKeyForCaption(toUtf8(type->text())) + "\\" + toUtf8(name);
        context_.controllers.activate(reference, true, toUtf8(window()->windowTitle()));
        context_.inputErneuern();
    } catch (const std::exception&) {
        // A switch that fails leaves the controller in use as it was.
    }
}

void AssignmentPage::speedButton29Click() {
    const int row = lowerRow();
    if (row <= 0) {
        return;
    }
    editor_.kommandoNichtBelegen(static_cast<std::size_t>(row));
    showGrids();
}

bool AssignmentPage::row_abspeichern(int row) {
    const bool wrote = editor_.row_abspeichern(static_cast<std::size_t>(std::max(row, 0)));
    showGrids();
    return wrote;
}

void AssignmentPage::stringgrid_speichern(int row) {
    editor_.stringgrid_speichern(static_cast<std::size_t>(std::max(row, 0)));
    showGrids();
}

void AssignmentPage::schreibe_in_stringgrid(Joystick& joystick) {
    const int row = lowerRow();
    if (row <= 0) {
        return;
    }
    const std::optional<ControllerAction> pressed = joystick.detectAction();
    const AssignmentEditor::Capture result = editor_.captureAndStore(static_cast<std::size_t>(row), pressed);
    if (result == AssignmentEditor::Capture::Nothing) {
        return;
    }
    showGrids();
    const QTableWidgetItem* command = lowerGrid_->item(row - 1, 0);
    const QString name = command != nullptr ? command->text() : QString();
    const QString action = fromUtf8(displayName(*pressed, context_.texts));
    if (result == AssignmentEditor::Capture::Stored) {
        captureHint_->setText(context_.text("Gespeichert") + QStringLiteral(": ") + name +
                              QStringLiteral(" = ") + action);
    } else {
        const int holder = upperGrid_->currentRow();
        const QTableWidgetItem* held = holder >= 0 ? upperGrid_->item(holder, 0) : nullptr;
        captureHint_->setText(action + QStringLiteral(": ") + context_.text("Belegt von") +
                              QStringLiteral(" ") + (held != nullptr ? held->text() : QString()));
    }
}

bool AssignmentPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lowerGrid_) {
        switch (event->type()) {
            case QEvent::FocusIn:
                if (countsAsFocusMove(event)) {
                    runGuarded([this] { stringGrid2Enter(); });
                }
                break;
            case QEvent::FocusOut:
                if (countsAsFocusMove(event)) {
                    runGuarded([this] { stringGrid2Exit(); });
                }
                break;
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
                    runGuarded([this] { speedButton29Click(); });
                    return true;
                }
                break;
            default:
                break;
        }
    } else if (side_ != nullptr && watched == side_->viewport() &&
               event->type() == QEvent::MouseButtonPress) {
        groupPressed_ = true;
        groupChangedByPress_ = false;
        listView2MouseDown(static_cast<QMouseEvent*>(event)->button());
    }
    return Page::eventFilter(watched, event);
}

}  // namespace pw
