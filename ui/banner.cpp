#include "ui/banner.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace dw {

namespace {
constexpr int kSideMargin = 24;
} // namespace

Banner::Banner(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("banner"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "#banner { background: rgba(16, 24, 48, 235); border: 2px solid #f0c040;"
        " border-radius: 8px; }"
        "#banner QLabel#banner_text { color: white; font-size: 16px; font-weight: bold; }"
        "#banner QLabel#banner_detail { color: #d8dcf0; font-size: 12px; }"
        "#banner QPushButton { color: black; background: #f0c040; border-radius: 4px;"
        " padding: 4px 14px; font-weight: bold; }"
        "#banner QPushButton:hover { background: #ffd860; }"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 12, 16, 12);
    row->setSpacing(20);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(4);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("banner_text"));
    label_->setTextFormat(Qt::PlainText);
    lines->addWidget(label_);
    detail_ = new QLabel(this);
    detail_->setObjectName(QStringLiteral("banner_detail"));
    detail_->setTextFormat(Qt::PlainText);
    lines->addWidget(detail_);
    row->addLayout(lines, 1);
    button_ = new QPushButton(this);
    button_->setObjectName(QStringLiteral("banner_button"));
    button_->setCursor(Qt::PointingHandCursor);
    row->addWidget(button_);
    connect(button_, &QPushButton::clicked, this, &Banner::buttonClicked);
    if (parent)
        parent->installEventFilter(this);
    hide();
}

void Banner::showMessage(const QString& text, const QString& detail, const QString& button) {
    label_->setText(text);
    detail_->setText(detail);
    detail_->setVisible(!detail.isEmpty());
    button_->setText(button);
    button_->setVisible(!button.isEmpty());
    place();
    show();
    raise();
}

QString Banner::text() const {
    return label_->text();
}

QString Banner::detail() const {
    return detail_->text();
}

bool Banner::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    return QFrame::eventFilter(watched, event);
}

void Banner::place() {
    if (!parentWidget())
        return;
    adjustSize();
    const int room = parentWidget()->width() - 2 * kSideMargin;
    const int width = std::max(std::min(sizeHint().width(), room), 0);
    resize(width, sizeHint().height());
    move((parentWidget()->width() - width) / 2, (parentWidget()->height() - height()) / 3);
}

} // namespace dw
