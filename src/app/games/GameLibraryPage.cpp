#include "app/games/GameLibraryPage.h"

#include "app/window/AppContext.h"

namespace pw {

GameLibraryPage::GameLibraryPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("panel5"), QStringLiteral("Panel6"), "Spiele-Startparameter", parent), side_(new QTreeWidget(this)) {
    side_->setObjectName(QStringLiteral("TreeView1"));
}

void GameLibraryPage::enterPage() {}

void GameLibraryPage::applyTexts() { Page::applyTexts(); }

void GameLibraryPage::aktualisieren() {}

void GameLibraryPage::edit2Change() {}

}  // namespace pw
