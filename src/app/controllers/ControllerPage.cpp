#include "app/controllers/ControllerPage.h"

#include "app/window/AppContext.h"

namespace pw {

ControllerPage::ControllerPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel12"), QStringLiteral("Panel13"), "Controller-Eigenschaften", parent), side_(new QListWidget(this)) {
    side_->setObjectName(QStringLiteral("ListView3"));
}

void ControllerPage::enterPage() {}

void ControllerPage::applyTexts() { Page::applyTexts(); }

void ControllerPage::aktualisiere_kontroller_listview() {}

}  // namespace pw
