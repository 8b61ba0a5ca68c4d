#include "app/commands/CommandEditorPage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/dialogs/UserDialogs.h"
#include "app/window/AppContext.h"
#include "input/qt/QtKeyMapping.h"
#include "profiles/ProfileFiles.h"

namespace pw {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QPushButton* button(QWidget* parent, const char* objectName) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setCursor(Qt::PointingHandCursor);
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* objectName) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(objectName));
    return l;
}

QLineEdit* hiddenCell(QWidget* parent, const char* objectName) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(objectName));
    e->setReadOnly(true);
    e->hide();
    return e;
}

// The grid shows command rows only; row 0 of the editor's grid is the header.
constexpr int kGridColumns = 3;

}  // namespace

// The editor's questions go to the program's dialogs.
class CommandEditorPage::Dialogs final : public EditorDialogs {
public:
    explicit Dialogs(UserDialogs& dialogs) : dialogs_(dialogs) {}
    bool confirm(const std::string& question) override { return dialogs_.confirm(qs(question)); }
    std::string askText(const std::string& caption, const std::string& initial) override {
        return dialogs_.askText(qs(caption), qs(initial)).toStdString();
    }
    void inform(const std::string& message) override { dialogs_.inform(qs(message)); }

private:
    UserDialogs& dialogs_;
};

CommandEditorPage::CommandEditorPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel17"), QStringLiteral("Panel18"), "Spiele-Tastaturbelegung", parent),
      dialogs_(std::make_unique<Dialogs>(context.dialogs)),
      side_(new QListWidget(this)) {
    clock_.source = &localTime_;
    editor_ = std::make_unique<CommandEditor>(context.programDirectory, context.texts, *dialogs_, clock_);
    side_->setObjectName(QStringLiteral("FileListBox1"));
    buildControls();
    applyTexts();
    showState();
}

CommandEditorPage::~CommandEditorPage() {
    // The controls outlive the editor by a moment: what they report while they go must not reach it.
    for (QObject* child : findChildren<QObject*>()) {
        disconnect(child, nullptr, this, nullptr);
    }
    if (side_ != nullptr) {
        disconnect(side_, nullptr, this, nullptr);
    }
    name_->removeEventFilter(this);
    key_->removeEventFilter(this);
    grid_->removeEventFilter(this);
}

void CommandEditorPage::buildControls() {
    QWidget* page = body();

    profileLabel_ = label(page, "Label1");
    newProfile_ = button(page, "SpeedButton13");
    saveProfileAs_ = button(page, "SpeedButton24");
    deleteProfile_ = button(page, "SpeedButton15");

    groupsLabel_ = label(page, "Label8");
    groups_ = new QListWidget(page);
    groups_->setObjectName(QStringLiteral("ListBox6"));
    newGroup_ = button(page, "SpeedButton18");
    renameGroup_ = button(page, "SpeedButton19");
    deleteGroup_ = button(page, "SpeedButton23");

    commandsLabel_ = label(page, "Label35");
    grid_ = new QTableWidget(0, kGridColumns, page);
    grid_->setObjectName(QStringLiteral("StringGrid1"));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(20);
    grid_->horizontalHeader()->setStretchLastSection(false);
    grid_->setColumnWidth(0, 198);
    grid_->setColumnWidth(1, 118);
    grid_->setColumnWidth(2, 33);
    grid_->setColumnHidden(2, true);

    groupLabel_ = label(page, "Label22");
    groupShown_ = label(page, "GroupShown");
    QFont bold = groupShown_->font();
    bold.setBold(true);
    groupShown_->setFont(bold);
    nameLabel_ = label(page, "Label9");
    name_ = new QLineEdit(page);
    name_->setObjectName(QStringLiteral("Edit7"));
    keyLabel_ = label(page, "Label11");
    key_ = new QLineEdit(page);
    key_->setObjectName(QStringLiteral("Edit8"));
    // The field shows the captured keys only: nothing may be typed, pasted or dropped into it.
    key_->setContextMenuPolicy(Qt::NoContextMenu);
    key_->setAcceptDrops(false);
    rec_ = new QToolButton(page);
    rec_->setObjectName(QStringLiteral("SpeedButton33"));
    stop_ = new QToolButton(page);
    stop_->setObjectName(QStringLiteral("SpeedButton34"));
    for (QToolButton* b : {rec_, stop_}) {
        b->setCheckable(true);
        b->setCursor(Qt::PointingHandCursor);
        b->setMinimumWidth(44);
    }
    auto* recStop = new QButtonGroup(this);
    recStop->setExclusive(true);
    recStop->addButton(rec_);
    recStop->addButton(stop_);
    stop_->setChecked(true);
    tabHint_ = label(page, "TabHint");
    newCommand_ = button(page, "SpeedButton14");
    saveCommand_ = button(page, "SpeedButton16");
    deleteCommand_ = button(page, "SpeedButton17");

    fileCell_ = hiddenCell(page, "Edit6");
    profileCell_ = hiddenCell(page, "Edit10");
    groupCell_ = hiddenCell(page, "Edit9");
    sequenceCell_ = label(page, "Label12");
    sequenceCell_->hide();

    // Layout for a client area of about 558 x 378 below the header.
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(8, 6, 8, 8);
    outer->setSpacing(6);

    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(profileLabel_);
    profileRow->addStretch(1);
    profileRow->addWidget(newProfile_);
    profileRow->addWidget(saveProfileAs_);
    profileRow->addWidget(deleteProfile_);
    outer->addLayout(profileRow);

    auto* middle = new QHBoxLayout;
    auto* groupColumn = new QVBoxLayout;
    groupColumn->setSpacing(3);
    groupColumn->addWidget(groupsLabel_);
    groupColumn->addWidget(groups_, 1);
    groupColumn->addWidget(newGroup_);
    groupColumn->addWidget(renameGroup_);
    groupColumn->addWidget(deleteGroup_);
    auto* groupBox = new QWidget(page);
    groupBox->setLayout(groupColumn);
    groupColumn->setContentsMargins(0, 0, 0, 0);
    groupBox->setFixedWidth(170);
    middle->addWidget(groupBox);
    auto* commandColumn = new QVBoxLayout;
    commandColumn->setSpacing(3);
    commandColumn->addWidget(commandsLabel_);
    commandColumn->addWidget(grid_, 1);
    middle->addLayout(commandColumn, 1);
    outer->addLayout(middle, 1);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(4);
    fields->addWidget(groupLabel_, 0, 0);
    fields->addWidget(groupShown_, 0, 1, 1, 4);
    fields->addWidget(nameLabel_, 1, 0);
    fields->addWidget(name_, 1, 1, 1, 4);
    fields->addWidget(keyLabel_, 2, 0);
    fields->addWidget(key_, 2, 1);
    fields->addWidget(rec_, 2, 2);
    fields->addWidget(stop_, 2, 3);
    fields->addWidget(tabHint_, 2, 4);
    fields->setColumnStretch(1, 1);
    outer->addLayout(fields);

    auto* commandRow = new QHBoxLayout;
    commandRow->addStretch(1);
    commandRow->addWidget(newCommand_);
    commandRow->addWidget(saveCommand_);
    commandRow->addWidget(deleteCommand_);
    outer->addLayout(commandRow);

    // Clicks and key presses go to the editor; afterwards the widgets show what it holds.
    const auto chosenProfile = [this](int row) {
        if (!showing_) {
            run([&] { editor_->chooseProfile(row); });
        }
    };
    connect(side_, &QListWidget::currentRowChanged, this, chosenProfile);
    connect(side_, &QListWidget::itemClicked, this,
            [this, chosenProfile](QListWidgetItem* item) { chosenProfile(side_->row(item)); });
    const auto chosenGroup = [this](int row) {
        if (!showing_) {
            run([&] { editor_->chooseGroup(row); });
        }
    };
    connect(groups_, &QListWidget::currentRowChanged, this, chosenGroup);
    connect(groups_, &QListWidget::itemClicked, this,
            [this, chosenGroup](QListWidgetItem* item) { chosenGroup(groups_->row(item)); });
    const auto takenCommand = [this](int row) {
        if (!showing_ && row >= 0) {
            run([&] { editor_->takeCommand(row + 1); });
        }
    };
    // A click, Enter or Space takes a command into the fields; the arrow keys only move through
    // the grid, so a name or keys being edited are not overwritten on the way.
    connect(grid_, &QTableWidget::cellClicked, this, [takenCommand](int row, int) { takenCommand(row); });
    grid_->installEventFilter(this);

    connect(newProfile_, &QPushButton::clicked, this, [this] { run([this] { editor_->newProfile(); }); });
    connect(saveProfileAs_, &QPushButton::clicked, this,
            [this] { run([this] { editor_->saveProfileAs(); }); });
    connect(deleteProfile_, &QPushButton::clicked, this,
            [this] { run([this] { editor_->deleteProfile(); }); });
    connect(newGroup_, &QPushButton::clicked, this, [this] { run([this] { editor_->newGroup(); }); });
    connect(renameGroup_, &QPushButton::clicked, this, [this] { run([this] { editor_->renameGroup(); }); });
    connect(deleteGroup_, &QPushButton::clicked, this, [this] { run([this] { editor_->deleteGroup(); }); });
    connect(newCommand_, &QPushButton::clicked, this, [this] { run([this] { editor_->newCommand(); }); });
    connect(saveCommand_, &QPushButton::clicked, this, [this] { run([this] { editor_->saveCommand(); }); });
    connect(deleteCommand_, &QPushButton::clicked, this,
            [this] { run([this] { editor_->deleteCommand(); }); });
    connect(rec_, &QToolButton::clicked, this, [this] { run([this] { editor_->rec(); }); });
    connect(stop_, &QToolButton::clicked, this, [this] { run([this] { editor_->stop(); }); });

    connect(name_, &QLineEdit::textEdited, this,
            [this](const QString& text) { editor_->setNameField(text.toStdString()); });
    // Whatever reaches the key field, it shows the captured keys.
    connect(key_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString shown = qs(editor_->keyField());
        if (text != shown) {
            key_->setText(shown);
        }
    });
    name_->installEventFilter(this);
    key_->installEventFilter(this);
}

bool CommandEditorPage::eventFilter(QObject* watched, QEvent* event) {
    // Every key pressed in the key field is captured, also one the window has a shortcut for.
    if (event->type() == QEvent::ShortcutOverride && watched == key_) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == grid_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            grid_->currentRow() >= 0) {
            const int row = grid_->currentRow();
            run([&] { editor_->takeCommand(row + 1); });
            return true;
        }
        return Page::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress || (watched != name_ && watched != key_)) {
        return Page::eventFilter(watched, event);
    }
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (watched == name_) {
        editor_->nameKeyPressed();
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) {
            key_->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;
    }
    // Tab and Shift+Tab still move the focus: the field cannot take Tab, Alt+F12 stands for it.
    if ((keyEvent->key() == Qt::Key_Tab || keyEvent->key() == Qt::Key_Backtab) &&
        (keyEvent->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
        return false;
    }
    const int virtualKey = virtualKeyFromQt(*keyEvent);
    const ModifierState modifiers =
        modifierStateFromQt(keyEvent->modifiers(), QGuiApplication::mouseButtons(), false);
    run([&] { editor_->keyDown(virtualKey, modifiers); });
    return true;
}

void CommandEditorPage::hideEvent(QHideEvent* event) {
    // A minimised window does not leave the page.
    if (!event->spontaneous()) {
        run([this] { editor_->leavePage(); });
    }
    Page::hideEvent(event);
}

template <class Operation>
void CommandEditorPage::run(Operation operation) {
    operation();
    showState();
    switch (editor_->takeFocusRequest()) {
        case EditorFocus::NameField:
            name_->setFocus(Qt::OtherFocusReason);
            break;
        case EditorFocus::KeyField:
            key_->setFocus(Qt::OtherFocusReason);
            break;
        case EditorFocus::None:
            break;
    }
}

void CommandEditorPage::enterPage() {
    grid_->setColumnHidden(2, true);
    run([this] { editor_->enterPage(); });
}

void CommandEditorPage::applyTexts() {
    Page::applyTexts();
    profileLabel_->setText(context_.text("Kommando Profil"));
    newProfile_->setText(context_.text("Profil neu anlegen"));
    saveProfileAs_->setText(context_.text("Profil speichern unter"));
    deleteProfile_->setText(context_.text("Profil löschen"));
    groupsLabel_->setText(context_.text("Kommando Gruppe"));
    newGroup_->setText(context_.text("Profilgruppe neu"));
    renameGroup_->setText(context_.text("Profilgruppe umbenennen"));
    deleteGroup_->setText(context_.text("Profilgruppe löschen"));
    commandsLabel_->setText(context_.text("Kommandos"));
    grid_->setHorizontalHeaderLabels({context_.text("Kommandos"), context_.text("Taste"), QString()});
    groupLabel_->setText(context_.text("Kommando Gruppe"));
    nameLabel_->setText(context_.text("Kommandos"));
    keyLabel_->setText(context_.text("Taste"));
    rec_->setText(context_.text("Rec"));
    stop_->setText(context_.text("Stop"));
    tabHint_->setText(context_.text("Tab = Alt + F12"));
    newCommand_->setText(context_.text("Kommando neu"));
    saveCommand_->setText(context_.text("Kommando speichern"));
    deleteCommand_->setText(context_.text("Kommando löschen"));
}

void CommandEditorPage::showState() {
    showing_ = true;
    const CommandEditor& e = *editor_;

    const SelectionList& profiles = e.profiles();
    {
        const QSignalBlocker block(side_);
        // The lists are rebuilt only when their entries changed: a click is still being handled
        // by the list while its result is shown.
        bool same = side_->count() == static_cast<int>(profiles.entries.size());
        for (int i = 0; same && i < side_->count(); ++i) {
            same = side_->item(i)->data(Qt::UserRole).toString() == qs(profiles.entries[std::size_t(i)]);
        }
        if (!same) {
            side_->clear();
            for (const std::string& file : profiles.entries) {
                auto* item = new QListWidgetItem(qs(profileDisplayName(file)), side_);
                item->setData(Qt::UserRole, qs(file));
                item->setToolTip(qs(file));
            }
        }
        side_->setCurrentRow(profiles.selected);
    }
    const SelectionList& groups = e.groups();
    {
        const QSignalBlocker block(groups_);
        bool same = groups_->count() == static_cast<int>(groups.entries.size());
        for (int i = 0; same && i < groups_->count(); ++i) {
            same = groups_->item(i)->text() == qs(groups.entries[std::size_t(i)]);
        }
        if (!same) {
            groups_->clear();
            for (const std::string& group : groups.entries) {
                groups_->addItem(qs(group));
            }
        }
        groups_->setCurrentRow(groups.selected);
    }
    showGrid();

    fileCell_->setText(qs(e.fileName()));
    profileCell_->setText(qs(e.profileName()));
    groupCell_->setText(qs(e.groupName()));
    groupShown_->setText(qs(e.groupName()));
    sequenceCell_->setText(qs(e.keySequence()));
    if (name_->text() != qs(e.nameField())) {
        name_->setText(qs(e.nameField()));
    }
    key_->setText(qs(e.keyField()));
    (e.recording() ? rec_ : stop_)->setChecked(true);

    const EditorEnabling enabling = e.enabling();
    newGroup_->setEnabled(enabling.newGroup);
    renameGroup_->setEnabled(enabling.renameGroup);
    deleteGroup_->setEnabled(enabling.deleteGroup);
    for (QWidget* w :
         std::initializer_list<QWidget*>{newCommand_, saveCommand_, deleteCommand_, name_, key_}) {
        w->setEnabled(enabling.commandControls);
    }
    rec_->setEnabled(enabling.recStop);
    stop_->setEnabled(enabling.recStop);
    showing_ = false;
}

void CommandEditorPage::showGrid() {
    const CommandGrid& grid = editor_->grid();
    const QSignalBlocker block(grid_);
    const int rows = static_cast<int>(grid.rowCount()) - 1;
    grid_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QString text =
                qs(grid.cell(static_cast<std::size_t>(row) + 1, static_cast<std::size_t>(column)));
            QTableWidgetItem* item = grid_->item(row, column);
            if (item == nullptr) {
                grid_->setItem(row, column, new QTableWidgetItem(text));
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
    grid_->setCurrentCell(editor_->selectedRow() - 1, 0);
    grid_->selectRow(editor_->selectedRow() - 1);
}

}  // namespace pw
