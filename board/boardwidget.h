// The board panel of the main window: every board control at its fixed place,
// showing a BoardView. The widget draws only what the view holds and reports
// the user's clicks as signals; the main window forwards them to the model
// and calls refresh() after every change of the model.
#pragma once

#include "board/boardmodel.h"

#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dw {

class PictureButton;
class PictureLabel;

class BoardWidget : public QWidget {
    Q_OBJECT
public:
    // `view` must outlive the widget.
    explicit BoardWidget(const BoardView& view, QWidget* parent = nullptr);

    // Shows the view's current state.
    void refresh();
    // Appends a line at the bottom of the status log and scrolls to it.
    void appendLog(const QString& line);
    // Point size of the status log's font (the "Textsize" setting).
    void setStatusTextSize(int points);
    int statusTextSize() const;
    // Shows the quick instructions over the whole board.
    void showQuickInstructions();

signals:
    // Mouse released on hand place `place` (1..7) after a press on it.
    void cardReleased(int place, bool rightButton);
    // Click on the target marker of `seat` (1..4).
    void targetClicked(int seat);
    void discardClicked();
    void startClicked();
    // Right click on the name label of `seat` (1..4).
    void nameLabelContextMenu(int seat, QPoint globalPos);
    void logoClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // A picture control and the card picture it shows, so that an unchanged
    // picture is not drawn again.
    struct CardControl {
        PictureLabel* label = nullptr;
        Picture shown;
    };
    struct SeatControls {
        QLabel* name = nullptr;
        QLabel* score = nullptr;
        QLabel* miles = nullptr;
        CardControl speed, go, mile;
        QLabel* safeStrip = nullptr;
        std::array<QLabel*, 5> safe{}; // by protection 1..4
        PictureLabel* target = nullptr;
        QLabel* eyes = nullptr;
        QLabel* notPlaying = nullptr; // seats 3 and 4 only
        QWidget* panel = nullptr;
        std::array<QLabel*, 6> panelLabels{};
        QLabel* winner = nullptr;
    };

    void buildSeat(int seat);
    void buildHand();
    void buildInfo();
    void buildQuickInstructions();
    void drawPictures();
    qreal ratio() const;

    const BoardView& view_;
    qreal drawnRatio_ = 0; // device pixel ratio of the pictures shown
    std::array<SeatControls, kPlayingSeats + 1> seats_;
    std::array<CardControl, kHandPlaces + 1> hand_;
    CardControl discard_;
    QLabel* discardBack_ = nullptr;
    QLabel* turn_ = nullptr;
    bool turnGreenShown_ = false;
    QLabel* distance_ = nullptr;
    QLabel* cardsLeft_ = nullptr;
    QLabel* playToScore_ = nullptr;
    QPlainTextEdit* status_ = nullptr;
    PictureButton* start_ = nullptr;
    PictureLabel* logo_ = nullptr;
    QWidget* quick_ = nullptr;
    std::array<QLabel*, 5> quickPages_{}; // 1..4, then the chart in entry 0
};

} // namespace dw
