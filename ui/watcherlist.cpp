#include "ui/watcherlist.h"

#include "text/plaintextqt.h"
#include "ui/showwindow.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace dw {

namespace {

constexpr int kWidth = 190;
constexpr int kHeight = 260;

} // namespace

WatcherList::WatcherList(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Driftwake - Spys"));
    setObjectName(QStringLiteral("WatcherList"));
    resize(kWidth, kHeight);
    setMinimumSize(150, 160);
    setStyleSheet(QStringLiteral(
        "QDialog { background: black; }"
        "QLabel { color: #00ff00; font-weight: bold; }"
        "QListWidget { background: #101018; color: white; border: 1px solid #2e8b2e; }"
        "QListWidget::item:selected { background: #1f5f1f; color: white; }"
        "QPushButton { background: #1c1c1c; color: #00ff00; border: 1px solid #2e8b2e;"
        " padding: 3px 14px; }"
        "QPushButton:hover { background: #263826; }"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(5);

    label_caption = new QLabel(QStringLiteral("Spy List"), this);
    label_caption->setObjectName(QStringLiteral("label_caption"));
    column->addWidget(label_caption);

    listbox_spys = new QListWidget(this);
    listbox_spys->setObjectName(QStringLiteral("listbox_spys"));
    listbox_spys->setContextMenuPolicy(Qt::CustomContextMenu);
    column->addWidget(listbox_spys, 1);

    button_done = new QPushButton(QStringLiteral("Done"), this);
    button_done->setObjectName(QStringLiteral("button_done"));
    column->addWidget(button_done, 0, Qt::AlignHCenter);

    popup_kick = new QMenu(this);
    popup_kick->setObjectName(QStringLiteral("popup_kick"));
    popup_kickhim = popup_kick->addAction(QStringLiteral("Remove From Game"));
    popup_kickhim->setObjectName(QStringLiteral("popup_kickhim"));
    popup_kickhim->setEnabled(false);

    connect(listbox_spys, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { contextPopup(pos); });
    connect(popup_kickhim, &QAction::triggered, this, &WatcherList::onRemovePlayer);
    connect(button_done, &QPushButton::clicked, this, &WatcherList::onDone);
}

void WatcherList::setHosting(bool hosting) {
    hosting_ = hosting;
    popup_kickhim->setEnabled(hosting_);
}

void WatcherList::addSpy(const QString& item) {
    listbox_spys->addItem(displayQText(item));
}

bool WatcherList::removeSpy(const QString& item) {
    const QString shown = displayQText(item);
    for (int i = 0; i < listbox_spys->count(); ++i) {
        if (listbox_spys->item(i)->text() == shown) {
            delete listbox_spys->takeItem(i);
            return true;
        }
    }
    return false;
}

QStringList WatcherList::spies() const {
    QStringList out;
    for (int i = 0; i < listbox_spys->count(); ++i) {
        out << listbox_spys->item(i)->text();
    }
    return out;
}

void WatcherList::openSpyList() {
    showCentred(this);
}

QMenu* WatcherList::contextPopup(const QPoint& pos) {
    const QListWidgetItem* under = listbox_spys->itemAt(pos);
    menuItem_ = under != nullptr ? under->text() : QString();
    popup_kickhim->setEnabled(hosting_ && under != nullptr);
    popup_kick->popup(listbox_spys->viewport()->mapToGlobal(pos));
    return popup_kick;
}

void WatcherList::onRemovePlayer() {
    const QString item = std::exchange(menuItem_, QString());
    if (!hosting_ || item.isEmpty() || !spies().contains(item)) {
        return;
    }
    const std::optional<int> seat = seatOfItem(item);
    if (seat && kick_) {
        kick_(*seat);
    }
}

std::optional<int> WatcherList::seatOfItem(const QString& item) {
    const qsizetype colon = item.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        return std::nullopt;
    }
    bool ok = false;
    const int seat = item.left(colon).trimmed().toInt(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return seat;
}

} // namespace dw
