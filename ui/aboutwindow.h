// The about window: version, credits and the maker's web address.
#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

namespace dw {

class AboutWindow : public QDialog {
    Q_OBJECT

public:
    // Opens a web address with the desktop's handler; false when it could not.
    using OpenUrlFn = std::function<bool(const QUrl&)>;
    // Shows a modal notice.
    using MessageFn = std::function<void(const QString&)>;

    explicit AboutWindow(QWidget* parent = nullptr);

    // Replaces the desktop handler and the notice (tests record instead).
    void setOpenUrl(OpenUrlFn open) { openUrl_ = std::move(open); }
    void setMessage(MessageFn message) { message_ = std::move(message); }

    // Shows the window centred on its parent without blocking it.
    void openAbout();

    // The link label and the logo: open the maker's web address, or say
    // "Cannot open Webpage" when the desktop refuses.
    void openWebsite();

    QLabel* label_versioncaption = nullptr; // "Version"
    QLabel* label_version = nullptr;        // "1.0.1", the protocol version
    QLabel* label_version2 = nullptr;       // ".1", right after it
    QLabel* label_credits = nullptr;
    QLabel* label_year = nullptr;
    QLabel* label_license = nullptr; // the licence, as the help's license page names it
    QLabel* image_logo = nullptr;
    QLabel* label_link = nullptr;
    QPushButton* button_done = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The main window's background picture behind the texts.
    void paintEvent(QPaintEvent* event) override;

private:
    OpenUrlFn openUrl_;
    MessageFn message_;
};

} // namespace dw
