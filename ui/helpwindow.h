// The help window: eight pages that teach the game, picked from a side panel.
#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextBrowser;

namespace dw {

class HelpWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPageCount = 8;

    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the window centred on its parent without blocking it.
    void openHelp();

    // Brings page n (1..8) to the front and puts its button's caption in the
    // title line; other numbers change nothing.
    void showPage(int n);
    int currentPage() const;

    // The caption of page button n (1..8): "Overview" ... "The Lobby".
    static QString buttonCaption(int n);
    // The written text of page n (1..8) as rich text.
    static QString pageText(int n);

    QPushButton* pageButton(int n) const;
    QTextBrowser* memo(int n) const;

    QLabel* label_caption = nullptr;
    QLabel* label_credits = nullptr;
    QLabel* label_year = nullptr;
    QPushButton* button_about = nullptr;
    QPushButton* button_done = nullptr;

signals:
    // The "About" button: the about window should be shown.
    void aboutRequested();

protected:
    // The main window's background picture behind the pages.
    void paintEvent(QPaintEvent* event) override;

private:
    QStackedWidget* pages_ = nullptr;
    std::array<QPushButton*, kPageCount> buttons_{};
    std::array<QTextBrowser*, kPageCount> memos_{};
};

} // namespace dw
