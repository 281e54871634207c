// A banner over the board: what the window is doing about the connection
// ("reconnecting", "the host ended the game"), a smaller line that explains
// it, and at most one button. It stays centred on its parent when that is
// resized.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QPushButton;

namespace dw {

class Banner : public QFrame {
    Q_OBJECT
public:
    explicit Banner(QWidget* parent);

    // Shows `text` over `detail`, and a button captioned `button` unless
    // that is empty.
    void showMessage(const QString& text, const QString& detail, const QString& button = QString());
    QString text() const;
    QString detail() const;
    QPushButton* button() const { return button_; }

signals:
    void buttonClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QLabel* label_ = nullptr;
    QLabel* detail_ = nullptr;
    QPushButton* button_ = nullptr;
};

} // namespace dw
