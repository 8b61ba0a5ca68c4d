#include "app/games/StartPage.h"

#include "app/window/AppContext.h"

namespace pw {

StartPage::StartPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel15"), QStringLiteral("Panel16"), "Start", parent), side_(new QListWidget(this)) {
    side_->setObjectName(QStringLiteral("ListView1"));
}

void StartPage::enterPage() {}

void StartPage::applyTexts() { Page::applyTexts(); }

void StartPage::selectRememberedGroup() {}

}  // namespace pw
