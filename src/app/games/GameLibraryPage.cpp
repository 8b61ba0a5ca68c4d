#include "app/games/GameLibraryPage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/UserDialogs.h"
#include "app/games/GameIcons.h"
#include "app/games/GroupPictures.h"
#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "games/AutoActivation.h"
#include "games/CommandLine.h"
#include "profiles/ProfileFiles.h"
#include "store/RegistryAccess.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

QString foldAscii(const QString& text) {
    QString folded = text;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            c = QChar(c.unicode() - 'a' + 'A');
        }
    }
    return folded;
}

bool fileExists(const std::string& path) {
    return !path.empty() && QFileInfo(fromUtf8(path)).isFile();
}

// The hourglass while the store is written; the default cursor again however the step ends.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

GameLibraryPage::GameLibraryPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("panel5"), QStringLiteral("Panel6"), "Spiele-Startparameter", parent),
      tree_(new QTreeWidget(this)),
      groupList_(new QListWidget(body())),
      nameEdit_(new QLineEdit(body())),
      commandEdit_(new QLineEdit(body())),
      folderEdit_(new QLineEdit(body())),
      iconButton_(new QToolButton(body())),
      nameLabel_(new QLabel(body())),
      commandLabel_(new QLabel(body())),
      folderLabel_(new QLabel(body())),
      groupLabel_(new QLabel(body())),
      browseButton_(new QPushButton(body())),
      newGameButton_(new QPushButton(body())),
      saveGameButton_(new QPushButton(body())),
      deleteGameButton_(new QPushButton(body())),
      newGroupButton_(new QPushButton(body())),
      renameGroupButton_(new QPushButton(body())),
      deleteGroupButton_(new QPushButton(body())),
      timer2_(new QTimer(this)) {
    tree_->setObjectName(QStringLiteral("TreeView1"));
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(14, 14));
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->installEventFilter(this);
    connect(tree_, &QTreeWidget::itemClicked, this, [this] { treeView1Click(); });

    groupList_->setObjectName(QStringLiteral("ListBox1"));
    nameEdit_->setObjectName(QStringLiteral("Edit2"));
    commandEdit_->setObjectName(QStringLiteral("Edit3"));
    folderEdit_->setObjectName(QStringLiteral("Edit4"));
    iconButton_->setObjectName(QStringLiteral("Image1"));
    iconButton_->setAutoRaise(true);
    iconButton_->setIconSize(QSize(32, 32));
    iconButton_->setFixedSize(40, 40);
    iconButton_->setCursor(Qt::PointingHandCursor);
    nameLabel_->setObjectName(QStringLiteral("Label2"));
    commandLabel_->setObjectName(QStringLiteral("Label4"));
    folderLabel_->setObjectName(QStringLiteral("Label14"));
    groupLabel_->setObjectName(QStringLiteral("Label15"));
    browseButton_->setObjectName(QStringLiteral("SpeedButton2"));
    groupList_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    newGroupButton_->setObjectName(QStringLiteral("SpeedButton3"));
    renameGroupButton_->setObjectName(QStringLiteral("SpeedButton4"));
    deleteGroupButton_->setObjectName(QStringLiteral("SpeedButton5"));
    newGameButton_->setObjectName(QStringLiteral("SpeedButton6"));
    saveGameButton_->setObjectName(QStringLiteral("SpeedButton7"));
    deleteGameButton_->setObjectName(QStringLiteral("SpeedButton8"));
    for (QPushButton* b : {browseButton_, newGameButton_, saveGameButton_, deleteGameButton_, newGroupButton_,
                           renameGroupButton_, deleteGroupButton_}) {
        b->setCursor(Qt::PointingHandCursor);
        b->setAutoDefault(false);
    }
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setSingleShot(true);
    timer2_->setInterval(10);
    connect(timer2_, &QTimer::timeout, this, &GameLibraryPage::treeaktualisieren);

    // The editor above, the group list with its buttons below, in a client area of about
    // 558 x 378 pixels.
    auto* grid = new QGridLayout(body());
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(nameLabel_, 0, 0);
    grid->addWidget(nameEdit_, 0, 1);
    grid->addWidget(iconButton_, 0, 2, 2, 1, Qt::AlignCenter);
    grid->addWidget(commandLabel_, 1, 0);
    grid->addWidget(commandEdit_, 1, 1);
    grid->addWidget(folderLabel_, 2, 0);
    grid->addWidget(folderEdit_, 2, 1);
    grid->addWidget(browseButton_, 2, 2);
    auto* gameButtons = new QHBoxLayout;
    gameButtons->addWidget(newGameButton_);
    gameButtons->addWidget(saveGameButton_);
    gameButtons->addWidget(deleteGameButton_);
    gameButtons->addStretch(1);
    grid->addLayout(gameButtons, 3, 1, 1, 2);
    grid->addWidget(groupLabel_, 4, 0, Qt::AlignTop);
    grid->addWidget(groupList_, 4, 1);
    auto* groupButtons = new QVBoxLayout;
    groupButtons->addWidget(newGroupButton_);
    groupButtons->addWidget(renameGroupButton_);
    groupButtons->addWidget(deleteGroupButton_);
    groupButtons->addStretch(1);
    grid->addLayout(groupButtons, 4, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    connect(groupList_, &QListWidget::itemClicked, this, [this] { listBox1Click(); });
    connect(groupList_, &QListWidget::currentRowChanged, this, [this] { listBox1Click(); });
    connect(nameEdit_, &QLineEdit::textChanged, this, [this] { edit2Change(); });
    connect(commandEdit_, &QLineEdit::textChanged, this, [this] { edit2Change(); });
    // Enter walks through the fields as in a form.
    connect(nameEdit_, &QLineEdit::returnPressed, commandEdit_, [this] { commandEdit_->setFocus(); });
    connect(commandEdit_, &QLineEdit::returnPressed, folderEdit_, [this] { folderEdit_->setFocus(); });
    connect(iconButton_, &QToolButton::clicked, this, [this] { image1Click(); });
    connect(browseButton_, &QPushButton::clicked, this, [this] { speedButton2Click(); });
    connect(newGroupButton_, &QPushButton::clicked, this, [this] { speedButton3Click(); });
    connect(renameGroupButton_, &QPushButton::clicked, this, [this] { speedButton4Click(); });
    connect(deleteGroupButton_, &QPushButton::clicked, this, [this] { speedButton5Click(); });
    connect(newGameButton_, &QPushButton::clicked, this, [this] { speedButton6Click(); });
    connect(saveGameButton_, &QPushButton::clicked, this, [this] { speedButton7Click(); });
    connect(deleteGameButton_, &QPushButton::clicked, this, [this] { speedButton8Click(); });

    applyTexts();
    spiele_buttons_enabled();
}

void GameLibraryPage::applyTexts() {
    Page::applyTexts();
    nameLabel_->setText(context_.text("Spielbezeichnung"));
    commandLabel_->setText(context_.text("Ausführende Datei"));
    folderLabel_->setText(context_.text("Arbeitsverzeichnis"));
    groupLabel_->setText(context_.text("Spielgruppe"));
    browseButton_->setText(context_.text("Suchen"));
    newGameButton_->setText(context_.text("Spiel neu"));
    saveGameButton_->setText(context_.text("Spiel speichern"));
    deleteGameButton_->setText(context_.text("Spiel löschen"));
    newGroupButton_->setText(context_.text("Gruppe neu"));
    renameGroupButton_->setText(context_.text("Gruppe umbenennen"));
    deleteGroupButton_->setText(context_.text("Gruppe löschen"));
}

void GameLibraryPage::enterPage() {}

bool GameLibraryPage::eventFilter(QObject* watched, QEvent* event) {
    // A key moving through the tree loads the node as a click does.
    if (watched == tree_ && event->type() == QEvent::KeyRelease) {
        treeView1Click();
    }
    return Page::eventFilter(watched, event);
}

void GameLibraryPage::aktualisieren() {
    const int remembered = groupList_->currentRow();
    QStringList names;
    try {
        RegistryKey key = openProgramKey(context_.store);
        if (key.openKey("games", true)) {
            for (const std::string& name : key.subkeys()) {
                names << fromUtf8(name);
            }
        }
    } catch (const StoreError&) {
        // The list shows what could be read.
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return alphabeticLess(toUtf8(a), toUtf8(b)); });
    {
        // Putting the old position back is no choice of the user: the chosen group stays.
        const QSignalBlocker blocker(groupList_);
        groupList_->clear();
        groupList_->addItems(names);
        if (remembered >= 0 && remembered < groupList_->count()) {
            groupList_->setCurrentRow(remembered);
        }
    }
    if (shownBySetting(this)) {
        timer2_->start();
    }
}

void GameLibraryPage::treeaktualisieren() {
    timer2_->stop();
    tree_->clear();
    QList<GroupEntry> groups;
    for (int i = 0; i < groupList_->count(); ++i) {
        const QString group = groupList_->item(i)->text();
        const QIcon picture = groupPicture(groupPictureIndex(toUtf8(group)));
        groups.append(GroupEntry{group, picture});
        auto* node = new QTreeWidgetItem(tree_, QStringList{group});
        node->setIcon(0, picture);
        try {
            RegistryKey key = openProgramKey(context_.store);
            if (!key.openKey("games", true) || !key.openKey(toUtf8(group), false)) {
                continue;
            }
            const std::string groupPath = key.path();
            for (const std::string& game : key.subkeys()) {
                RegistryKey gameKey(context_.store);
                QString iconFile;
                if (gameKey.openKey("\\" + joinKeyPath(groupPath, game), false)) {
                    iconFile = fromUtf8(gameKey.readString("icon"));
                }
                auto* child = new QTreeWidgetItem(node, QStringList{fromUtf8(game)});
                child->setIcon(0, displayIcon(extractGameIcon(iconFile), iconFile));
            }
        } catch (const StoreError&) {
            // The tree keeps the games read so far.
        }
    }
    context_.lists.setGroups(groups);
}

QString GameLibraryPage::selectedGroup() const {
    const QListWidgetItem* item = groupList_->currentItem();
    return item != nullptr && item->isSelected() ? item->text() : QString();
}

void GameLibraryPage::selectGroupNamed(const QString& name) {
    const QString wanted = foldAscii(name);
    for (int i = 0; i < groupList_->count(); ++i) {
        if (foldAscii(groupList_->item(i)->text()) == wanted) {
            const QSignalBlocker blocker(groupList_);
            groupList_->setCurrentRow(i);
            return;
        }
    }
}

void GameLibraryPage::treeView1Click() {
    const QTreeWidgetItem* node = tree_->currentItem();
    if (node == nullptr) {
        return;
    }
    const QTreeWidgetItem* groupNode = node->parent() != nullptr ? node->parent() : node;
    selectGroupNamed(groupNode->text(0));
    chosenGroup_ = selectedGroup();
    editorGroupKey_ = chosenGroup_;
    if (node == groupNode) {
        return;
    }
    try {
        RegistryKey key = openProgramKey(context_.store);
        if (!key.openKey("games", true) || !key.openKey(toUtf8(groupNode->text(0)), false) ||
            !key.openKey(toUtf8(node->text(0)), false)) {
            return;
        }
        nameEdit_->setText(fromUtf8(key.readString("name")));
        editorGameKey_ = node->text(0);
        commandEdit_->setText(fromUtf8(key.readString("exe")));
        folderEdit_->setText(fromUtf8(key.readString("path")));
        iconSource_ = fromUtf8(key.readString("icon"));
        showIcon(node->icon(0));
    } catch (const StoreError&) {
        // The fields keep what was loaded so far.
    }
}

void GameLibraryPage::listBox1Click() {
    chosenGroup_ = selectedGroup();
}

bool GameLibraryPage::checkName(const QString& name) {
    if (acceptableKeyName(toUtf8(name))) {
        return true;
    }
    context_.dialogs.inform(context_.text("Namen ohne \\ eingeben"));
    return false;
}

void GameLibraryPage::speedButton3Click() {
    const QString answer = context_.dialogs.askText(context_.text("Spielgruppe"), QString());
    if (!checkName(answer)) {
        return;
    }
    chosenGroup_ = answer;
    if (answer.isEmpty()) {
        return;
    }
    try {
        openProgramKey(context_.store).createKey(toUtf8(QStringLiteral("games\\") + answer));
    } catch (const StoreError& e) {
        context_.dialogs.inform(QString::fromStdString(storeMessage(e, context_.texts)));
        return;
    }
    aktualisieren();
}

void GameLibraryPage::speedButton4Click() {
    const QString old = selectedGroup();
    if (old.isEmpty()) {
        context_.dialogs.inform(context_.text("Gruppe wählen"));
        return;
    }
    const QString answer = context_.dialogs.askText(context_.text("Spielgruppe"), chosenGroup_);
    if (!checkName(answer)) {
        return;
    }
    chosenGroup_ = answer;
    if (!answer.isEmpty() && old != answer) {
        try {
            RegistryKey key = openProgramKey(context_.store);
            key.openKey("games", true);
            // A group of that name in any case keeps its place: the move then does nothing.
            key.moveKey(toUtf8(old), toUtf8(answer));
        } catch (const StoreError& e) {
            context_.dialogs.inform(QString::fromStdString(storeMessage(e, context_.texts)));
        }
    }
    aktualisieren();
}

void GameLibraryPage::speedButton5Click() {
    const QString group = selectedGroup();
    if (group.isEmpty()) {
        context_.dialogs.inform(context_.text("Gruppe wählen"));
        return;
    }
    if (!context_.dialogs.confirm(context_.text("Gruppe löschen ?"))) {
        return;
    }
    try {
        RegistryKey key = openProgramKey(context_.store);
        key.openKey("games", true);
        key.deleteKey(toUtf8(group));
    } catch (const StoreError& e) {
        context_.dialogs.inform(QString::fromStdString(storeMessage(e, context_.texts)));
    }
    aktualisieren();
}

void GameLibraryPage::speedButton6Click() {
    nameEdit_->clear();
    commandEdit_->clear();
    folderEdit_->clear();
    editorGameKey_.clear();
    speedButton2Click();
}

void GameLibraryPage::speedButton2Click() {
    const QString file =
        context_.dialogs.openFile(fromUtf8(programFileFilter(context_.texts)), QStringLiteral("exe"));
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        return;
    }
    nameEdit_->setText(fromUtf8(proposedGameName(toUtf8(file))));
    commandEdit_->setText(file);
    folderEdit_->setText(fromUtf8(folderOf(toUtf8(file))));
    const GameIcon found = extractGameIcon(file);
    iconSource_ = found.iconSource;
    showIcon(displayIcon(found, file));
    if (!found.icon.isNull()) {
        return;
    }
    if (context_.dialogs.confirm(context_.text("Icon fehl. Suchen?"))) {
        image1Click();
        if (extractGameIcon(iconSource_).icon.isNull()) {
            iconSource_ = ownExecutable();
        }
    } else {
        iconSource_ = ownExecutable();
    }
}

void GameLibraryPage::image1Click() {
    const QString file = context_.dialogs.openFile(fromUtf8(pictureFileFilter(context_.texts)), QString());
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        return;
    }
    iconSource_ = file;
    const QIcon picture = iconOfFile(file);
    if (!picture.isNull()) {
        showIcon(picture);
    }
}

void GameLibraryPage::speedButton7Click() {
    const QString group = selectedGroup();
    if (group.isEmpty()) {
        context_.dialogs.inform(context_.text("Gruppe wählen"));
        return;
    }
    const QString name = nameEdit_->text();
    if (name.isEmpty()) {
        context_.dialogs.inform(context_.text("Bezeichner eingeben"));
        return;
    }
    if (!checkName(name)) {
        return;
    }
    const CommandLineParts parts = resolveCommandLine(toUtf8(commandEdit_->text()), fileExists);
    if (!fileExists(parts.file)) {
        context_.dialogs.inform(context_.text("Datei existiert nicht"));
        return;
    }

    const BusyCursor busy;
    const auto writeStartValues = [&](RegistryKey& key) {
        key.writeString("name", toUtf8(name));
        key.writeString("exe", toUtf8(commandEdit_->text()));
        key.writeString("icon", toUtf8(iconSource_));
        key.writeString("path", toUtf8(folderEdit_->text()));
    };
    const auto writeNewGame = [&](const QString& inGroup) {
        RegistryKey key = openProgramKey(context_.store);
        key.openKey("games", true);
        key.openKey(toUtf8(inGroup + QStringLiteral("\\") + name), true);
        writeStartValues(key);
        const std::string none(context_.texts.text(TextGroup::Interface, "Ohne Auswahl"));
        key.writeString("controller", none + "\\" + none);
        key.writeString("profil", none);
    };
    try {
        if (!editorGameKey_.isEmpty()) {
            if (chosenGroup_.isEmpty() || editorGroupKey_.isEmpty()) {
                context_.dialogs.inform(context_.text("Gruppe wählen"));
                return;
            }
            RegistryKey games = openProgramKey(context_.store);
            games.openKey("games", true);
            // Nothing moves when the target exists: saving under an unchanged name and group
            // overwrites the game in place.
            games.moveKey(toUtf8(editorGroupKey_ + QStringLiteral("\\") + editorGameKey_),
                          toUtf8(chosenGroup_ + QStringLiteral("\\") + name));
            RegistryKey target = openProgramKey(context_.store);
            target.openKey("games", true);
            if (target.openKey(toUtf8(chosenGroup_ + QStringLiteral("\\") + name), false)) {
                writeStartValues(target);
            } else if (target.keyExists(toUtf8(chosenGroup_))) {
                // The loaded game is gone and no game has the new name: it is saved anew.
                writeNewGame(chosenGroup_);
            } else {
                context_.dialogs.inform(context_.text("Gruppe wählen"));
                return;
            }
        } else {
            writeNewGame(group);
        }
    } catch (const StoreError& e) {
        context_.dialogs.inform(QString::fromStdString(storeMessage(e, context_.texts)));
        return;
    }
    context_.autoActivation.alle_programme_aufbauen();
    aktualisieren();
}

void GameLibraryPage::speedButton8Click() {
    const QString name = nameEdit_->text();
    if (name.isEmpty()) {
        return;
    }
    if (!checkName(name)) {
        return;
    }
    if (!context_.dialogs.confirm(context_.text("Sicher löschen"))) {
        return;
    }
    const BusyCursor busy;
    const QString group = selectedGroup();
    try {
        RegistryKey key = openProgramKey(context_.store);
        if (!group.isEmpty() && key.openKey("games", true) && key.openKey(toUtf8(group), false) &&
            key.keyExists(toUtf8(name))) {
            key.deleteKey(toUtf8(name));
        }
    } catch (const StoreError&) {
        // As before: the game stays when it cannot be deleted.
    }
    nameEdit_->clear();
    commandEdit_->clear();
    folderEdit_->clear();
    context_.autoActivation.alle_programme_aufbauen();
    aktualisieren();
}

void GameLibraryPage::edit2Change() {
    spiele_buttons_enabled();
}

void GameLibraryPage::spiele_buttons_enabled() {
    const bool filled = !nameEdit_->text().isEmpty() || !commandEdit_->text().isEmpty();
    saveGameButton_->setEnabled(filled);
    deleteGameButton_->setEnabled(filled);
    iconButton_->setVisible(filled);
}

void GameLibraryPage::showIcon(const QIcon& icon) {
    iconButton_->setIcon(icon);
}

QString GameLibraryPage::ownExecutable() {
    return QCoreApplication::applicationFilePath();
}

}  // namespace pw
