#include "app/window/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <filesystem>

#include "app/assign/AssignmentPage.h"
#include "app/commands/CommandEditorPage.h"
#include "app/controllers/ControllerPage.h"
#include "app/dialogs/UserDialogs.h"
#include "app/games/GameLibraryPage.h"
#include "app/games/StartPage.h"
#include "app/window/AppContext.h"
#include "controllers/ControllerRegistry.h"
#include "games/AutoActivation.h"
#include "input/Joystick.h"
#include "input/PollingLoop.h"
#include "store/RegistryAccess.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

constexpr int kTopBarHeight = 51;
constexpr int kColumnWidth = 137;
constexpr int kPageButtonHeight = 18;

// The object names of the page buttons, in page order.
constexpr std::array<const char*, MainWindow::kPageCount> kButtonNames = {"Panel3", "Panel8", "Panel11",
                                                                          "Panel10", "Panel7"};

QPushButton* topBarButton(const char* name, int width, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFlat(true);
    button->setFixedSize(width, 24);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

PageButton::PageButton(QWidget* parent) : QLabel(parent) {
    setFixedHeight(kPageButtonHeight);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
}

void PageButton::setCaption(const QString& caption) {
    setText(caption);
    // Long captions ("Controller-Eigenschaften", or a translation) get a narrower, then a smaller
    // font, so that they fit the column instead of being cut.
    QFont f = QApplication::font();
    f.setBold(true);
    const int room = kColumnWidth - 8;
    const auto fits = [&] { return QFontMetrics(f).horizontalAdvance(caption) <= room; };
    for (const int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
        f.setStretch(stretch);
        if (fits()) {
            break;
        }
    }
    while (!fits() && f.pointSizeF() > 6.5) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
    }
    if (!fits()) {
        f.setBold(false);
    }
    setFont(f);
}

void PageButton::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void PageButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click) {
        Q_EMIT clicked();
    }
}

MainWindow::MainWindow(AppContext& context, bool trayAvailable, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      context_(context),
      trayAvailable_(trayAvailable),
      trayProbe_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }),
      opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("pa_wa"));
    setWindowTitle(QStringLiteral("PadWarden"));
    setFixedSize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        move(screen->availableGeometry().center() - rect().center());
    }

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    buildTopBar(outer);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    outer->addLayout(middle, 1);

    column_ = new QFrame(this);
    column_->setObjectName(QStringLiteral("Panel1"));
    column_->setFixedWidth(kColumnWidth);
    column_->setStyleSheet(
        QStringLiteral("QFrame#Panel1 { background: #3c4a63; }"
                       "QFrame#Panel1 QAbstractItemView { background: #c8c8c8; border: none; }"
                       "QFrame#Panel1 QLabel { background: #e8e8e8; color: #1b2433; }"));
    columnLayout_ = new QVBoxLayout(column_);
    columnLayout_->setContentsMargins(0, 0, 0, 0);
    columnLayout_->setSpacing(1);
    middle->addWidget(column_);

    auto* client = new QWidget(this);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    middle->addWidget(client, 1);

    start_ = new StartPage(context_, client);
    games_ = new GameLibraryPage(context_, client);
    commands_ = new CommandEditorPage(context_, client);
    controllers_ = new ControllerPage(context_, client);
    assign_ = new AssignmentPage(context_, client);
    pages_ = {start_, games_, commands_, controllers_, assign_};

    for (std::size_t i = 0; i < pages_.size(); ++i) {
        clientLayout->addWidget(pages_[i]);
        auto* button = new PageButton(column_);
        button->setObjectName(QLatin1String(kButtonNames[i]));
        buttons_[i] = button;
        pages_[i]->sideList()->setParent(column_);
        pages_[i]->sideList()->hide();
    }
    connect(buttons_[0], &PageButton::clicked, this, &MainWindow::panel3Click);
    connect(buttons_[1], &PageButton::clicked, this, &MainWindow::panel8Click);
    connect(buttons_[2], &PageButton::clicked, this, &MainWindow::panel11Click);
    connect(buttons_[3], &PageButton::clicked, this, &MainWindow::panel10Click);
    connect(buttons_[4], &PageButton::clicked, this, &MainWindow::panel7Click);

    // The hidden state panel: never shown, every page switch hides it.
    statePanel_ = new QWidget(client);
    statePanel_->setObjectName(QStringLiteral("Panel4"));
    statePanel_->hide();

    // The tray icon is there from the start and stays until the window goes.
    tray_ = new QSystemTrayIcon(this);
    tray_->setObjectName(QStringLiteral("TaskIcon1"));
    tray_->setToolTip(QStringLiteral("PadWarden"));
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) {
            taskIcon1DblClick();
        }
    });
    // Some desktops deliver no double-click to tray icons; their users reach the window by the menu.
    auto* menu = new QMenu(this);
    QAction* show = menu->addAction(QStringLiteral("PadWarden"));
    connect(show, &QAction::triggered, this, &MainWindow::taskIcon1DblClick);
    QAction* quit = menu->addAction(QString());
    quit->setObjectName(QStringLiteral("TrayClose"));
    connect(quit, &QAction::triggered, this, &MainWindow::speedButton1Click);
    tray_->setContextMenu(menu);
    if (trayAvailable_) {
        tray_->show();
    }
    // A tray host that starts after the program (common at login) gets the icon when it comes.
    trayWatch_ = new QTimer(this);
    trayWatch_->setObjectName(QStringLiteral("TrayWatch"));
    trayWatch_->setInterval(kTrayWatchMs);
    connect(trayWatch_, &QTimer::timeout, this, &MainWindow::watchTray);
    if (!trayAvailable_) {
        trayWatch_->start();
    }

    felder_zuweisen();
}

void MainWindow::watchTray() {
    if (trayAvailable_ || !trayProbe_()) {
        return;
    }
    trayAvailable_ = true;
    tray_->show();
    trayWatch_->stop();
}

MainWindow::~MainWindow() {
    // The pages go first: their lists in the left column must outlive them.
    for (Page*& page : pages_) {
        delete page;
        page = nullptr;
    }
}

void MainWindow::buildTopBar(QVBoxLayout* outer) {
    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("Panel2"));
    bar->setFixedHeight(kTopBarHeight);
    bar->setAutoFillBackground(true);
    bar->setStyleSheet(
        QStringLiteral("QFrame#Panel2 { background: black; }"
                       "QFrame#Panel2 QPushButton { color: white; border: 1px solid #555; }"
                       "QFrame#Panel2 QPushButton:hover { background: #333; }"));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(4);
    logo_ = new QLabel(bar);
    logo_->setObjectName(QStringLiteral("Image4"));
    layout->addWidget(logo_);
    layout->addStretch(1);
    aboutButton_ = topBarButton("SpeedButton30", 65, bar);
    helpButton_ = topBarButton("SpeedButton35", 65, bar);
    trayButton_ = topBarButton("SpeedButton32", 65, bar);
    closeButton_ = topBarButton("SpeedButton1", 73, bar);
    for (QPushButton* b : {aboutButton_, helpButton_, trayButton_, closeButton_}) {
        layout->addWidget(b);
    }
    connect(closeButton_, &QPushButton::clicked, this, &MainWindow::speedButton1Click);
    connect(trayButton_, &QPushButton::clicked, this, &MainWindow::speedButton32Click);
    connect(helpButton_, &QPushButton::clicked, this, &MainWindow::speedButton35Click);
    connect(aboutButton_, &QPushButton::clicked, this, &MainWindow::speedButton30Click);
    outer->addWidget(bar);
}

void MainWindow::setLogo(const QPixmap& logo) {
    logo_->setPixmap(logo);
}

void MainWindow::setTrayIcon(const QIcon& icon) {
    tray_->setIcon(icon);
    setWindowIcon(icon);
}

void MainWindow::formCreate() {
    context_.state.activeGame.clear();
    for (ActionSlot& slot : context_.state.slots) {
        slot.held = false;
    }
    context_.state.captureMode = false;
    ensureDefaultGroups(context_.store, QCoreApplication::applicationDirPath().toStdString() + "/");
    context_.autoActivation.alle_programme_aufbauen();
    context_.controllers.setLastActivatedController(context_.controllers.akt_controller());
    // No page has been hidden yet, so the game page counts as shown: its tree and the group lists
    // of the other pages are built once, as soon as the event loop runs.
    games_->aktualisieren();
    wechsle_listview(0);
}

void MainWindow::felder_zuweisen() {
    closeButton_->setText(context_.text("Schließen"));
    aboutButton_->setText(context_.text("Info"));
    trayButton_->setText(context_.text("Tray"));
    helpButton_->setText(context_.text("Hilfe"));
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        buttons_[i]->setCaption(context_.text(pages_[i]->caption()));
        pages_[i]->applyTexts();
    }
    if (QMenu* menu = tray_->contextMenu(); menu != nullptr && menu->actions().size() == 2) {
        menu->actions().at(1)->setText(context_.text("Schließen"));
    }
}

void MainWindow::dockPageButtons(unsigned page) {
    while (QLayoutItem* item = columnLayout_->takeAt(0)) {
        delete item;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (i <= page) {
            columnLayout_->addWidget(buttons_[i]);
        }
    }
    if (page < pages_.size()) {
        columnLayout_->addWidget(pages_[page]->sideList(), 1);
    } else {
        columnLayout_->addStretch(1);
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (i > page) {
            columnLayout_->addWidget(buttons_[i]);
        }
    }
}

void MainWindow::leaveCurrentPage() {
    if (current_ >= 0 && current_ < kPageCount) {
        pages_[static_cast<std::size_t>(current_)]->leavePage();
    }
}

void MainWindow::wechsle_listview(unsigned page) {
    // The page that goes stores what is being edited before its controls are hidden.
    leaveCurrentPage();
    statePanel_->hide();
    for (Page* p : pages_) {
        p->sideList()->hide();
        p->hide();
    }
    context_.state.captureMode = false;
    dockPageButtons(page);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        // The current page's button stands out.
        buttons_[i]->setFrameShadow(i == page ? QFrame::Sunken : QFrame::Raised);
    }
    if (page >= pages_.size()) {
        current_ = -1;
        return;
    }
    current_ = static_cast<int>(page);
    if (page == 4) {
        controllers_->aktualisiere_kontroller_listview();
    }
    pages_[page]->show();
    pages_[page]->sideList()->show();
    pages_[page]->enterPage();
}

void MainWindow::panel3Click() {
    wechsle_listview(0);
    games_->aktualisieren();
    start_->selectRememberedGroup();
}

void MainWindow::panel8Click() {
    wechsle_listview(1);
    games_->aktualisieren();
    games_->edit2Change();
}

void MainWindow::panel11Click() {
    wechsle_listview(2);
}
void MainWindow::panel10Click() {
    wechsle_listview(3);
}
void MainWindow::panel7Click() {
    wechsle_listview(4);
}

void MainWindow::speedButton1Click() {
    close();
}

void MainWindow::speedButton32Click() {
    leaveCurrentPage();
    if (!trayAvailable_) {
        // No tray to come back from, and maybe no task bar either: a minimised window would be
        // lost. The window stays and says why.
        context_.dialogs.inform(context_.text("Kein Tray vorhanden; das Fenster bleibt offen"));
        return;
    }
    context_.state.mainWindowShown = false;
    hide();
}

void MainWindow::speedButton35Click() {
    const std::filesystem::path help = context_.programDirectory / "pw.hlp";
    const QString path = QString::fromStdString(help.string());
    std::error_code error;
    if (!std::filesystem::is_regular_file(help, error) || !opener_(QUrl::fromLocalFile(path))) {
        context_.dialogs.inform(context_.text("Hilfedatei nicht gefunden") + QStringLiteral(": ") + path);
    }
}

void MainWindow::speedButton30Click() {
    if (about_) {
        about_();
    }
}

void MainWindow::taskIcon1DblClick() {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
    context_.state.mainWindowShown = true;
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Polling runs whenever the window is shown.
    context_.timer.setTimerEnabled(false);
    context_.timer.setTimerEnabled(true);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Installing and calibrating restrict sampling to while the program is active; coming
        // back lifts that again.
        context_.joystick.setActiveOnly(false);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    leaveCurrentPage();
    event->accept();
    tray_->hide();
    QCoreApplication::quit();
}

}  // namespace pw
