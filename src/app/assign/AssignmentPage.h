#pragma once

#include <QListWidget>

#include "app/window/Page.h"

namespace pw {

// The page "Controller-Belegung".
class AssignmentPage final : public Page {
    Q_OBJECT
public:
    explicit AssignmentPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

private:
    QListWidget* side_;
};

}  // namespace pw
