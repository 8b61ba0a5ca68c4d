#include "app/commands/CommandEditorPage.h"

#include "app/window/AppContext.h"

namespace pw {

CommandEditorPage::CommandEditorPage(AppContext& context, QWidget* parent)
    : Page(context, QStringLiteral("Panel17"), QStringLiteral("Panel18"), "Spiele-Tastaturbelegung", parent), side_(new QListWidget(this)) {
    side_->setObjectName(QStringLiteral("FileListBox1"));
}

void CommandEditorPage::enterPage() {}

void CommandEditorPage::applyTexts() { Page::applyTexts(); }

}  // namespace pw
