// The board panel of the main window: every board control at its fixed place,
// showing a BoardModel's view. The widget draws only what the view holds and reports
// the user's clicks as signals; the main window forwards them to the model
// and calls refresh() after every change of the model.
#pragma once

#include "client/boardmodel.h"

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

// The hover hint of the grey symbol of protection k (1..4) on the strip
// behind the icons: "No Protection" and the shield's card name.
QString noProtectionHint(int k);

class BoardWidget : public QWidget {
    Q_OBJECT
public:
    // `model` must outlive the widget.
    explicit BoardWidget(const BoardModel& model, QWidget* parent = nullptr);

    // Shows the view's current state.
    void refresh();
    // Appends a line at the bottom of the status log and scrolls to it.
    void appendLog(const QString& line);
    // Point size of the status log's font (the "Textsize" setting).
    void setStatusTextSize(int points);
    int statusTextSize() const;
    // The board's size against its size at 100%; every control, font and
    // picture follows.
    void setScale(qreal scale);
    qreal scale() const { return scale_; }
    // Shows the quick instructions over the whole board.
    void showQuickInstructions();
    // Forwards every click and key of the board to `model`'s operations.
    void driveModel(BoardModel& model);

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

    // Keyboard play, while the board has the focus: keys 1..7 (screen
    // position), Left/Right (-1/+1), Up/Down (-1/+1 through the lit targets),
    // Enter, Delete, S and Escape.
    void positionKey(int position);
    void stepKey(int step);
    void targetKey(int step);
    void playKey();
    void discardKey();
    void sortKey();
    void deselectKey();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // A picture control and the card picture it shows, so that an unchanged
    // picture is not drawn again.
    struct CardControl {
        PictureLabel* label = nullptr;
        Picture shown;
        QString what; // the control's accessible name, before the card's name
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
    // The mark of what the keyboard has chosen: the chosen target, else the
    // selected card, else the hand; shown while the board has the focus.
    void placeFocusMark();
    // Pixels per logical pixel of the pictures: device pixel ratio times scale.
    qreal ratio() const;
    QPixmap shown(const QPixmap& picture) const;

    const BoardModel& model_;
    const BoardView& view_;
    qreal scale_ = 1.0;
    qreal drawnRatio_ = 0; // ratio() of the pictures shown
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
    QString startCaption_; // the line the start control carries
    PictureLabel* logo_ = nullptr;
    QWidget* quick_ = nullptr;
    QWidget* focusMark_ = nullptr;
    std::array<QLabel*, 5> quickPages_{}; // 1..4, then the chart in entry 0
};

} // namespace dw
