#pragma once

#include <QListWidget>

#include "app/window/Page.h"

namespace pw {

// The page "Spiele-Tastaturbelegung".
class CommandEditorPage final : public Page {
    Q_OBJECT
public:
    explicit CommandEditorPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

private:
    QListWidget* side_;
};

}  // namespace pw
