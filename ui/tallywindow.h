// The tally window: shows the tally table and lets the user choose whom to
// tally, drop a player's tally or reset the whole tally. The table itself
// (its counters, lists and file) belongs to TallyTable; this window only
// shows it and passes the user's clicks and answers on.
#pragma once

#include "store/tallytable.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace dw {

class TallyWindow : public QDialog {
    Q_OBJECT

public:
    // Asks the user a yes/no question; true means Yes. Closing the
    // question counts as No.
    using AskFn = std::function<bool(const QString& question)>;

    static constexpr int kCounterCells = 8;
    static constexpr int kOwnCells = 3;

    // The window works on `table`, which must outlive it. Questions go to a
    // modal message box until setAsk replaces it.
    explicit TallyWindow(TallyTable& table, QWidget* parent = nullptr);

    void setAsk(AskFn ask);

    // View > "View Tally": refills "Players In Current Game" from the other
    // seats' name labels and shows the window, centred on its parent,
    // without blocking it.
    void openTally(const std::vector<std::string>& otherSeatNames);
    // Refills "Players In Current Game" and shows it.
    void refillCurrentPlayers(const std::vector<std::string>& otherSeatNames);
    // Shows the table again; call after changing the table directly.
    void refresh();

    // The table's operations, shown at once.
    void addGame(std::string_view result, const std::vector<std::string>& otherSeatNames);
    void setOwnTallyCell(int column, std::string value);

    // --- handlers of the controls ---
    // The tick of entry `index` of "Players In Current Game" was set or cleared.
    void checklistClickCheck(int index, bool ticked);
    // The tick of entry `index` of "Players Being Tallied" was set or cleared.
    void listbox_tallyClickCheck(int index, bool ticked);
    // Entry `index` of "Players Being Tallied" was selected (-1: none).
    void onTallyRowClicked(int index);
    void onReset();
    void onDone();

    // --- controls, for the main window and tests ---
    QListWidget* checklist() const { return checklist_; }
    QListWidget* listbox_tally() const { return listbox_tally_; }
    QGroupBox* panel_player() const { return panel_player_; }
    QLabel* label_wins() const { return label_wins_; }
    QLabel* label(int n) const;   // label_1 .. label_8
    QLabel* mylabel(int n) const; // mylabel_1 .. mylabel_3
    QPushButton* button_done() const { return button_done_; }
    QPushButton* button_reset() const { return button_reset_; }

signals:
    // "Reset Tally" set the own totals to 0; the board's own lightyears
    // should follow TallyTable::ownLightyears().
    void ownTotalsReset();

private:
    void fillList(QListWidget* list, const std::vector<TallyTable::Entry>& entries);
    void showOwnTotals();
    void showPlayer();
    void onChecklistItemChanged(QListWidgetItem* item);
    void onTallyItemChanged(QListWidgetItem* item);

    TallyTable& table_;
    AskFn ask_;
    // The player shown in the panel; empty when none is selected.
    std::string selected_;

    QListWidget* checklist_ = nullptr;
    QListWidget* listbox_tally_ = nullptr;
    QGroupBox* panel_player_ = nullptr;
    QLabel* label_wins_ = nullptr;
    std::array<QLabel*, kCounterCells> labels_{};
    std::array<QLabel*, kOwnCells> mylabels_{};
    QPushButton* button_done_ = nullptr;
    QPushButton* button_reset_ = nullptr;
};

} // namespace dw
