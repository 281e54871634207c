#include "ui/aboutwindow.h"

#include "ui/showwindow.h"

#include "protocol/protocol.h"
#include "ui/artwork.h"
#include "ui/website.h"

#include "ui/messagebox.h"
#include <QDate>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>

#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace dw {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 270;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment align = Qt::AlignHCenter | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setAlignment(align);
    return l;
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      message_([this](const QString& text) { showInformation(this, windowTitle(), text); }) {
    setWindowTitle(QStringLiteral("Driftwake - About"));
    setObjectName(QStringLiteral("AboutWindow"));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(QStringLiteral(
        "QLabel { color: #c8c8c8; }"
        "QLabel#label_versioncaption, QLabel#label_version, QLabel#label_version2 {"
        " color: #00ff00; font-weight: bold; font-size: 14px; }"
        "QPushButton { background: #1c1c1c; color: #00ff00; border: 1px solid #2e8b2e;"
        " padding: 3px 18px; }"
        "QPushButton:hover { background: #263826; }"));

    const QPixmap logo = art::logo(devicePixelRatioF());
    image_logo =
        makeLabel(this, "image_logo", QString(),
                  QRect(QPoint((kWidth - art::kLogoSize.width()) / 2, 18), art::kLogoSize));
    image_logo->setPixmap(logo);
    image_logo->setCursor(Qt::PointingHandCursor);
    image_logo->setToolTip(QString::fromLatin1(kMakerWebAddress));
    image_logo->installEventFilter(this);

    label_versioncaption = makeLabel(this, "label_versioncaption", QStringLiteral("Version"),
                                     QRect(40, 62, 105, 20), Qt::AlignRight | Qt::AlignVCenter);
    // The version the protocol compares, and a separate ".1" right after it.
    label_version =
        makeLabel(this, "label_version",
                  QString::fromLatin1(kVersion.data(), static_cast<qsizetype>(kVersion.size())),
                  QRect(152, 62, 80, 20), Qt::AlignLeft | Qt::AlignVCenter);
    label_version->ensurePolished();
    label_version->resize(label_version->sizeHint().width(), label_version->height());
    label_version2 = makeLabel(this, "label_version2", QStringLiteral(".1"),
                               QRect(label_version->geometry().right() + 1, 62, 30, 20),
                               Qt::AlignLeft | Qt::AlignVCenter);

    label_credits = makeLabel(this, "label_credits", QString::fromLatin1(kCreditLines),
                              QRect(10, 92, kWidth - 20, 54));
    makeLabel(this, "label_copyright", QStringLiteral("Copyright"),
              QRect(10, 148, kWidth / 2 - 14, 18), Qt::AlignRight | Qt::AlignVCenter);
    label_year = makeLabel(this, "label_year", QString::number(QDate::currentDate().year()),
                           QRect(kWidth / 2 + 2, 148, 60, 18), Qt::AlignLeft | Qt::AlignVCenter);
    label_license = makeLabel(this, "label_license", QString::fromLatin1(kLicenceLine),
                              QRect(10, 164, kWidth - 20, 16));

    const QString address = QString::fromLatin1(kMakerWebAddress);
    label_link =
        makeLabel(this, "label_link",
                  QStringLiteral("<a href=\"%1\" style=\"color:#5fb8ff\">%1</a>").arg(address),
                  QRect(10, 184, kWidth - 20, 20));
    label_link->setTextFormat(Qt::RichText);
    label_link->setOpenExternalLinks(false);
    label_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(label_link, &QLabel::linkActivated, this, [this] { openWebsite(); });

    button_done = new QPushButton(QStringLiteral("Done"), this);
    button_done->setObjectName(QStringLiteral("button_done"));
    button_done->setGeometry((kWidth - 90) / 2, 222, 90, 28);
    button_done->setDefault(true);
    connect(button_done, &QPushButton::clicked, this, &QDialog::close);
}

void AboutWindow::paintEvent(QPaintEvent*) {
    QPainter(this).drawPixmap(0, 0, art::windowBackground(size(), devicePixelRatioF()));
}

void AboutWindow::openAbout() {
    showCentred(this);
}

void AboutWindow::openWebsite() {
    if (!openUrl_(QUrl(QString::fromLatin1(kMakerWebAddress)))) {
        message_(QStringLiteral("Cannot open Webpage"));
    }
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image_logo && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        openWebsite();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace dw
