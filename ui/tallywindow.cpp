#include "ui/tallywindow.h"

#include "text/plaintextqt.h"
#include "ui/showwindow.h"

#include "ui/messagebox.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>

#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

namespace dw {

namespace {

constexpr int kListWidth = 170;
constexpr int kListHeight = 150;
constexpr int kCellWidth = 60;

// The panel caption and wins row shown while no tallied player is selected.
const QString kNobody = QStringLiteral("Player");

QString qtext(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Black with yellow texts, like the board; green frame captions.
QString darkStyle() {
    return QStringLiteral(
        "QDialog, QLabel, QGroupBox { background: black; color: yellow; }"
        "QGroupBox { border: 1px solid #406040; margin-top: 8px; padding: 4px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 8px; color: #00FF00; }"
        "QListWidget { background: black; color: yellow; border: 1px solid #406040; }"
        "QListWidget::item:selected { background: #000080; color: yellow; }"
        "QPushButton { background: #181828; color: yellow; border: 1px solid #606080;"
        " padding: 3px 14px; }"
        "QPushButton:hover { border-color: yellow; }"
        "QPushButton:pressed { background: #303050; }");
}

QLabel* cellLabel(QWidget* parent, const QString& name) {
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setObjectName(name);
    // Cells come from the tally file: shown as stored, never as markup.
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(kCellWidth);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

// The name an item of either list stands for, as the table holds it.
std::string nameOf(const QListWidgetItem* item) {
    return item->data(Qt::UserRole).toString().toStdString();
}

QListWidget* checkList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setFixedSize(kListWidth, kListHeight);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// A caption above a control, both in one column.
QVBoxLayout* captioned(QWidget* parent, const QString& caption, QWidget* control) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(caption, parent));
    column->addWidget(control);
    return column;
}

} // namespace

TallyWindow::TallyWindow(TallyTable& table, QWidget* parent) : QDialog(parent), table_(table) {
    setObjectName(QStringLiteral("TallyWindow"));
    setWindowTitle(QStringLiteral("Driftwake - Tally List"));
    setModal(false);
    setStyleSheet(darkStyle());
    ask_ = [this](const QString& question) {
        return askYesNo(this, QStringLiteral("Driftwake"), question);
    };

    checklist_ = checkList(this, QStringLiteral("checklist"));
    listbox_tally_ = checkList(this, QStringLiteral("listbox_tally"));
    auto* lists = new QHBoxLayout;
    lists->addLayout(captioned(this, QStringLiteral("Players In Current Game"), checklist_));
    lists->addLayout(captioned(this, QStringLiteral("Players Being Tallied"), listbox_tally_));

    panel_player_ = new QGroupBox(kNobody + QStringLiteral("'s Tally"), this);
    panel_player_->setObjectName(QStringLiteral("panel_player"));
    auto* grid = new QGridLayout(panel_player_);
    grid->addWidget(new QLabel(QStringLiteral("Total"), panel_player_), 0, 1, Qt::AlignRight);
    grid->addWidget(new QLabel(QStringLiteral("Session"), panel_player_), 0, 2, Qt::AlignRight);
    label_wins_ = new QLabel(kNobody + QStringLiteral(" Wins:"), panel_player_);
    label_wins_->setObjectName(QStringLiteral("label_wins"));
    label_wins_->setTextFormat(Qt::PlainText);
    const std::array<QLabel*, 4> captions = {
        new QLabel(QStringLiteral("Number of Games"), panel_player_), label_wins_,
        new QLabel(QStringLiteral("Your Wins:"), panel_player_),
        new QLabel(QStringLiteral("Neither Won:"), panel_player_)};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(captions[static_cast<std::size_t>(r)], r + 1, 0);
        for (int half = 0; half < 2; ++half) {
            const int n = r + 1 + half * 4;
            QLabel* cell = cellLabel(panel_player_, QStringLiteral("label_%1").arg(n));
            labels_[static_cast<std::size_t>(n - 1)] = cell;
            grid->addWidget(cell, r + 1, 1 + half);
        }
    }

    auto* own = new QGroupBox(QStringLiteral("Your Total Tally"), this);
    own->setObjectName(QStringLiteral("panel_own"));
    auto* ownGrid = new QGridLayout(own);
    const std::array<QString, kOwnCells> ownCaptions = {QStringLiteral("Total Games:"),
                                                        QStringLiteral("Your Wins:"),
                                                        QStringLiteral("Lys Traveled:")};
    for (int n = 1; n <= kOwnCells; ++n) {
        ownGrid->addWidget(new QLabel(ownCaptions[static_cast<std::size_t>(n - 1)], own), n - 1, 0);
        QLabel* cell = cellLabel(own, QStringLiteral("mylabel_%1").arg(n));
        cell->setMinimumWidth(2 * kCellWidth);
        mylabels_[static_cast<std::size_t>(n - 1)] = cell;
        ownGrid->addWidget(cell, n - 1, 1);
    }
    ownGrid->setRowStretch(kOwnCells, 1);

    auto* panels = new QHBoxLayout;
    panels->addWidget(panel_player_);
    panels->addWidget(own);

    button_done_ = new QPushButton(QStringLiteral("Done"), this);
    button_done_->setObjectName(QStringLiteral("button_done"));
    button_done_->setDefault(true);
    button_reset_ = new QPushButton(QStringLiteral("Reset Tally"), this);
    button_reset_->setObjectName(QStringLiteral("button_reset"));
    button_reset_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button_reset_);
    buttons->addWidget(button_done_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(panels);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(checklist_, &QListWidget::itemChanged, this, &TallyWindow::onChecklistItemChanged);
    connect(listbox_tally_, &QListWidget::itemChanged, this, &TallyWindow::onTallyItemChanged);
    connect(listbox_tally_, &QListWidget::currentRowChanged, this, &TallyWindow::onTallyRowClicked);
    connect(button_done_, &QPushButton::clicked, this, &TallyWindow::onDone);
    connect(button_reset_, &QPushButton::clicked, this, &TallyWindow::onReset);

    refresh();
}

void TallyWindow::setAsk(AskFn ask) {
    ask_ = std::move(ask);
}

QLabel* TallyWindow::label(int n) const {
    if (n < 1 || n > kCounterCells)
        return nullptr;
    return labels_[static_cast<std::size_t>(n - 1)];
}

QLabel* TallyWindow::mylabel(int n) const {
    if (n < 1 || n > kOwnCells)
        return nullptr;
    return mylabels_[static_cast<std::size_t>(n - 1)];
}

void TallyWindow::openTally(const std::vector<std::string>& otherSeatNames) {
    refillCurrentPlayers(otherSeatNames);
    adjustSize();
    showCentred(this);
}

void TallyWindow::refillCurrentPlayers(const std::vector<std::string>& otherSeatNames) {
    table_.refillCurrentPlayers(otherSeatNames);
    refresh();
}

void TallyWindow::addGame(std::string_view result, const std::vector<std::string>& otherSeatNames) {
    table_.addGame(result, otherSeatNames);
    refresh();
}

void TallyWindow::setOwnTallyCell(int column, std::string value) {
    table_.setOwnTallyCell(column, std::move(value));
    showOwnTotals();
}

void TallyWindow::fillList(QListWidget* list, const std::vector<TallyTable::Entry>& entries) {
    const QSignalBlocker block(list);
    // Rebuild only when the names differ, so the selection and the scroll
    // position survive a refresh that changes nothing but tick marks.
    bool same = list->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = nameOf(list->item(i)) == entries[static_cast<std::size_t>(i)].name;
    if (!same) {
        list->clear();
        for (const TallyTable::Entry& e : entries) {
            // Shown without control and format characters; the name as
            // stored stays with the item, for matching.
            auto* item = new QListWidgetItem(displayQText(e.name), list);
            item->setData(Qt::UserRole, qtext(e.name));
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
    }
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(entries[static_cast<std::size_t>(i)].ticked ? Qt::Checked
                                                                                 : Qt::Unchecked);
}

void TallyWindow::refresh() {
    fillList(checklist_, table_.current());
    fillList(listbox_tally_, table_.tallied());
    // The selected player may have been removed meanwhile; the selection
    // follows the name, not the position.
    const std::optional<int> index =
        selected_.empty() ? std::nullopt : table_.talliedIndex(selected_);
    {
        const QSignalBlocker block(listbox_tally_);
        listbox_tally_->setCurrentRow(index.value_or(-1));
    }
    if (!index)
        selected_.clear();
    showOwnTotals();
    showPlayer();
}

void TallyWindow::showOwnTotals() {
    for (int n = 1; n <= kOwnCells; ++n)
        mylabel(n)->setText(qtext(table_.cell(n, 0)));
}

void TallyWindow::showPlayer() {
    const std::optional<int> row = selected_.empty() ? std::nullopt : table_.rowOf(selected_);
    const QString name = row ? displayQText(table_.cell(0, *row)) : kNobody;
    panel_player_->setTitle(name + QStringLiteral("'s Tally"));
    label_wins_->setText(name + QStringLiteral(" Wins:"));
    for (int n = 1; n <= kCounterCells; ++n)
        label(n)->setText(row ? qtext(table_.cell(n, *row)) : QStringLiteral("0"));
}

// A click on a tick box is handled once the list has finished reporting it:
// the handler may ask a question (a nested event loop) and rebuild the list,
// which must not happen inside the list's own change notification. By then
// the lists may have changed, so the click is matched by name.
void TallyWindow::onChecklistItemChanged(QListWidgetItem* item) {
    const int index = checklist_->row(item);
    const std::string name = nameOf(item);
    const bool ticked = item->checkState() == Qt::Checked;
    QMetaObject::invokeMethod(
        this,
        [this, index, name, ticked] {
            const auto& current = table_.current();
            if (index < 0 || index >= static_cast<int>(current.size()) ||
                current[static_cast<std::size_t>(index)].name != name) {
                refresh();
                return;
            }
            checklistClickCheck(index, ticked);
        },
        Qt::QueuedConnection);
}

void TallyWindow::onTallyItemChanged(QListWidgetItem* item) {
    const std::string name = nameOf(item);
    const bool ticked = item->checkState() == Qt::Checked;
    QMetaObject::invokeMethod(
        this,
        [this, name, ticked] {
            const auto index = table_.talliedIndex(name);
            if (!index) {
                refresh();
                return;
            }
            listbox_tallyClickCheck(*index, ticked);
        },
        Qt::QueuedConnection);
}

void TallyWindow::checklistClickCheck(int index, bool ticked) {
    table_.setCurrentTicked(index, ticked);
    refresh();
}

void TallyWindow::listbox_tallyClickCheck(int index, bool ticked) {
    if (index < 0 || index >= static_cast<int>(table_.tallied().size()))
        return;
    if (ticked || !table_.tallied()[static_cast<std::size_t>(index)].ticked) {
        // Only unticking means anything here; the list shows the table again.
        refresh();
        return;
    }
    const std::string name = table_.tallied()[static_cast<std::size_t>(index)].name;
    const bool yes = ask_ && ask_(QStringLiteral("This will delete ") + displayQText(name) +
                                  QStringLiteral("'s Tally, Are you want to delete it?"));
    // While the question was open a finished game or another click may have
    // changed the list: the answer goes to the entry of that name.
    if (const auto now = table_.talliedIndex(name))
        table_.untickTallied(*now, yes);
    refresh();
}

void TallyWindow::onTallyRowClicked(int index) {
    if (index < 0 || index >= static_cast<int>(table_.tallied().size()))
        selected_.clear();
    else
        selected_ = table_.tallied()[static_cast<std::size_t>(index)].name;
    showPlayer();
}

void TallyWindow::onReset() {
    if (!ask_ || !ask_(QStringLiteral("Are you sure you want to reset the Tally?")))
        return;
    table_.reset();
    refresh();
    emit ownTotalsReset();
}

void TallyWindow::onDone() {
    close();
}

} // namespace dw
