// The spectator window: lists the connections that watch the game without
// a seat ("spies") and lets the hosting copy remove one of them.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPoint;
class QPushButton;

namespace dw {

class WatcherList : public QDialog {
    Q_OBJECT

public:
    // Asked to remove the spectator of the given seat (sends the removal
    // request to the host).
    using KickFn = std::function<void(int seat)>;

    explicit WatcherList(QWidget* parent = nullptr);

    void setKick(KickFn kick) { kick_ = std::move(kick); }

    // Only the hosting copy may remove spectators; off until hosting starts.
    void setHosting(bool hosting);
    bool hosting() const { return hosting_; }

    // Items read seat, ": ", name ("6: Eve"); the name is shown as
    // displayText() leaves it.
    void addSpy(const QString& item);
    // Removes the first item shown as `item` is; false when there is none.
    bool removeSpy(const QString& item);
    QStringList spies() const;

    // Shows the window without blocking the caller and brings it forward.
    void openSpyList();

    // The right-click on the list at `pos` (viewport coordinates): takes the
    // item under the pointer now, so a list that changed since the last
    // mouse movement never names the wrong spectator, and opens the menu.
    // Returns the menu without waiting for a choice.
    QMenu* contextPopup(const QPoint& pos);
    // The item the open menu belongs to; empty when it was opened on no item.
    QString menuItem() const { return menuItem_; }

    // "Remove From Game": removes the spectator the menu was opened on,
    // provided it is still listed.
    void onRemovePlayer();
    void onDone() { close(); }

    // The seat number before the first ":" of an item; none when that text
    // is not a number.
    static std::optional<int> seatOfItem(const QString& item);

    QListWidget* listbox_spys = nullptr;
    QLabel* label_caption = nullptr;
    QPushButton* button_done = nullptr;
    QMenu* popup_kick = nullptr;
    QAction* popup_kickhim = nullptr;

private:
    KickFn kick_;
    bool hosting_ = false;
    QString menuItem_;
};

} // namespace dw
