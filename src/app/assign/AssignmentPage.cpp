#include "app/assign/AssignmentPage.h"

#include "app/window/AppContext.h"

namespace pw {

AssignmentPage::AssignmentPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel19"), QStringLiteral("Panel20"), "Controller-Belegung", parent), side_(new QListWidget(this)) {
    side_->setObjectName(QStringLiteral("ListView2"));
}

void AssignmentPage::enterPage() {}

void AssignmentPage::applyTexts() { Page::applyTexts(); }

}  // namespace pw
