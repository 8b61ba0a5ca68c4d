#pragma once

#include <QListWidget>

#include "app/window/Page.h"

namespace pw {

// The page "Start".
class StartPage final : public Page {
    Q_OBJECT
public:
    explicit StartPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

    // Marks the group at StartGroupIndex as focused and highlighted and shows its games
    // (the last step of the page button); a position beyond the list is ignored.
    void selectRememberedGroup();

private:
    QListWidget* side_;
};

}  // namespace pw
