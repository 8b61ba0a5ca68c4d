#include "app/games/StartPage.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/dialogs/UserDialogs.h"
#include "app/games/GameIcons.h"
#include "app/games/GameLauncher.h"
#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "controllers/ControllerRegistry.h"
#include "games/AutoActivation.h"
#include "games/CommandLine.h"
#include "games/linux/WinePaths.h"
#include "input/Pause.h"
#include "profiles/Activation.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"

namespace pw {
namespace {

const QSize kSmallIcons(16, 16);
const QSize kLargeIcons(32, 32);

}  // namespace

StartPage::StartPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel15"), QStringLiteral("Panel16"), "Start", parent),
      groups_(new QListWidget(this)),
      games_(new QListWidget(body())),
      groupField_(new QLabel(body())) {
    groups_->setObjectName(QStringLiteral("ListView1"));
    groups_->setViewMode(QListView::ListMode);
    groups_->setIconSize(kSmallIcons);
    groups_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    groups_->viewport()->installEventFilter(this);
    connect(groups_, &QListWidget::itemClicked, this, [this] { listView1Click(); });
    connect(groups_, &QListWidget::currentRowChanged, this, [this] { listView1Change(); });

    games_->setObjectName(QStringLiteral("ListView6"));
    games_->setViewMode(QListView::IconMode);
    games_->setIconSize(kLargeIcons);
    games_->setGridSize(QSize(96, 72));
    games_->setResizeMode(QListView::Adjust);
    games_->setMovement(QListView::Static);
    games_->setWordWrap(true);
    games_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One gesture, one start: the double click starts through its own signal, Enter through the
    // key filter. The list's "activated" signal is not used, since it comes with the double click
    // as well and a box shown by the first start would let it through as a second one.
    connect(games_, &QListWidget::itemDoubleClicked, this, [this] { listView6DblClick(); });
    games_->installEventFilter(this);

    // It only holds the group whose games are shown; never shown itself.
    groupField_->setObjectName(QStringLiteral("StaticText3"));
    groupField_->setFixedSize(4, 4);
    groupField_->setVisible(false);

    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(0);
    layout->addWidget(groupField_);
    layout->addWidget(games_, 1);

    connect(&context_.lists, &GameLists::groupsRebuilt, this, [this] { groupsRebuilt(); });
    applyTexts();
}

void StartPage::applyTexts() {
    Page::applyTexts();
}

void StartPage::enterPage() {
    games_->clear();
}

void StartPage::groupsRebuilt() {
    {
        const QSignalBlocker blocker(groups_);
        groups_->clear();
        for (const GroupEntry& g : context_.lists.groups()) {
            groups_->addItem(new QListWidgetItem(g.icon, g.name));
        }
        groups_->setCurrentRow(-1);
    }
    if (shownBySetting(groups_)) {
        const int index = context_.lists.startGroupIndex;
        if (index >= 0 && index < groups_->count()) {
            groups_->setCurrentRow(index);
        }
    }
}

void StartPage::selectRememberedGroup() {
    if (!shownBySetting(groups_)) {
        return;
    }
    const int index = context_.lists.startGroupIndex;
    if (index < 0 || index >= groups_->count()) {
        return;
    }
    {
        const QSignalBlocker blocker(groups_);
        groups_->setCurrentRow(index);
    }
    listView1Click();
}

void StartPage::listView1Change() {
    listView1Click();
}

void StartPage::listView1Click() {
    const QListWidgetItem* item = groups_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    context_.lists.startGroupIndex = groups_->row(item);
    const QString group = item->text();
    try {
        RegistryKey key = openProgramKey(context_.store);
        if (key.openKey("games", true) && key.openKey(toUtf8(group), false)) {
            scratch_ = key.subkeys();
        } else {
            scratch_.clear();
        }
    } catch (const StoreError&) {
        // The games of the last group read stay in the list.
    }
    groupField_->setText(group);
    games_->clear();
    for (const std::string& game : scratch_) {
        QString iconFile;
        try {
            RegistryKey key(context_.store);
            if (key.openKey("\\" + gameKeyPath(toUtf8(group), game), false)) {
                iconFile = fromUtf8(key.readString("icon"));
            }
        } catch (const StoreError&) {
        }
        games_->addItem(
            new QListWidgetItem(displayIcon(extractGameIcon(iconFile), iconFile), fromUtf8(game)));
    }
}

void StartPage::listView6DblClick() {
    const QListWidgetItem* item = games_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    startGame(groupField_->text(), item->text());
    // The cursor is the default one again, whatever the start did with it.
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void StartPage::startGame(const QString& group, const QString& game) {
    context_.controllers.akt_controller();
    context_.autoActivation.launchPending = true;

    const std::string none(context_.texts.text(TextGroup::Interface, "Ohne Auswahl"));
    std::string exe;
    std::string controller = none;
    std::string profil = none;
    try {
        RegistryKey key(context_.store);
        if (key.openKey("\\" + gameKeyPath(toUtf8(group), toUtf8(game)), false)) {
            exe = key.readString("exe");
            controller = key.readString("controller");
            profil = key.readString("profil");
        }
    } catch (const StoreError&) {
        // The values read so far are used.
    }
    context_.state.noMapping = context_.activation.noMappingFor(controller, profil);
    context_.activation.commandos_wechsel(toUtf8(group), toUtf8(game), true);
    context_.pauser.pause(1000);
    loadLiveTable(context_.store, toUtf8(group), toUtf8(game), context_.state.slots);

    const auto exists = [](const std::string& path) {
        return isWindowsPath(path) ? !resolveProgramFile(path).empty()
                                   : !path.empty() && QFileInfo(fromUtf8(path)).isFile();
    };
    const CommandLineParts parts = resolveCommandLine(exe, exists);
    if (!exists(parts.file)) {
        return;
    }
    // The game runs in the folder of its program, not in the one its parameters may name.
    const QString file = fromUtf8(cutToCharacters(parts.file));
    const QString parameters = fromUtf8(cutToCharacters(parts.parameters));
    // A Windows program runs in the folder that its path names in the Wine prefix.
    const QString directory = fromUtf8(cutToCharacters(
        isWindowsPath(parts.file) ? folderOf(resolveProgramFile(parts.file)) : folderOf(parts.file)));
    qint64 pid = 0;
    const LaunchResult result = launchFile(file, parameters, directory, &pid);
    if (result == LaunchResult::Started && pid > 0) {
        // The started process is this game whatever it execs; its end gives the window back.
        context_.autoActivation.launched(static_cast<int>(pid), toUtf8(group), toUtf8(game), parts.file);
    }
    context_.hideMainWindow();
    if (result == LaunchResult::FileNotFound) {
        context_.dialogs.inform(context_.text("Datei nicht gefunden"));
    } else if (result == LaunchResult::WineMissing) {
        context_.dialogs.inform(context_.text("Windows-Programme brauchen Wine; bitte Wine installieren"));
    }
}

void StartPage::listView1MouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton) {
        return;
    }
    const bool large = groups_->viewMode() == QListView::IconMode;
    groups_->setViewMode(large ? QListView::ListMode : QListView::IconMode);
    groups_->setIconSize(large ? kSmallIcons : kLargeIcons);
}

bool StartPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == games_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            listView6DblClick();
            return true;
        }
    }
    if (watched == groups_->viewport() && event->type() == QEvent::MouseButtonPress) {
        listView1MouseDown(static_cast<QMouseEvent*>(event)->button());
    }
    return Page::eventFilter(watched, event);
}

}  // namespace pw
