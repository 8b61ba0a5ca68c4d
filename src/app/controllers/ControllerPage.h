#pragma once

#include <QListWidget>

#include "app/window/Page.h"

namespace pw {

// The page "Controller-Eigenschaften".
class ControllerPage final : public Page {
    Q_OBJECT
public:
    explicit ControllerPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

    // Refills the list of registered controllers.
    void aktualisiere_kontroller_listview();

private:
    QListWidget* side_;
};

}  // namespace pw
