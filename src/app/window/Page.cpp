#include "app/window/Page.h"

#include "app/window/AppContext.h"
#include "texts/TextVariables.h"

namespace pw {

QString AppContext::text(const char* germanDefault) const {
    const std::string_view t = texts.text(TextGroup::Interface, germanDefault);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

Page::Page(AppContext& context, const QString& panelName, const QString& headerName, const char* caption,
           QWidget* parent)
    : QFrame(parent), context_(context), caption_(caption) {
    setObjectName(panelName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    header_ = new QLabel(this);
    header_->setObjectName(headerName);
    header_->setFixedHeight(22);
    header_->setIndent(8);
    QFont bold = header_->font();
    bold.setBold(true);
    header_->setFont(bold);
    header_->setAutoFillBackground(true);
    header_->setStyleSheet(QStringLiteral("background:#2b3a55;color:white;"));
    layout->addWidget(header_);
    body_ = new QWidget(this);
    layout->addWidget(body_, 1);
    Page::applyTexts();
}

void Page::applyTexts() {
    header_->setText(context_.text(caption_));
}

}  // namespace pw
