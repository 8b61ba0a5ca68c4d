#pragma once

#include <QTreeWidget>

#include "app/window/Page.h"

namespace pw {

// The page "Spiele-Startparameter".
class GameLibraryPage final : public Page {
    Q_OBJECT
public:
    explicit GameLibraryPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

    // Reloads the group list and, while the page is shown, schedules the tree rebuild.
    void aktualisieren();
    // Enables the save and delete buttons and shows the icon while a name or command line is typed.
    void edit2Change();

private:
    QTreeWidget* side_;
};

}  // namespace pw
