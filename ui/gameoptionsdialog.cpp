#include "ui/gameoptionsdialog.h"

#include "ui/artwork.h"
#include "ui/picturecontrols.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace dw {

namespace {

constexpr int kWidth = 257;
constexpr int kHeight = 218;

const QColor kLime(0, 255, 0);
const QColor kText(159, 174, 173);

QLabel* makeText(QWidget* parent, const QString& text, const QRect& geometry, const QFont& font,
                 const QColor& colour) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    l->setFont(font);
    l->setAttribute(Qt::WA_TranslucentBackground);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

QLineEdit* makeField(QWidget* parent, const char* name, const QRect& geometry) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setFont(boardFont(13, true));
    e->setFocusPolicy(Qt::NoFocus);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, kLime);
    e->setPalette(p);
    return e;
}

// Up-down arrows beside a field: a column of two arrow buttons named "up" and
// "down" that repeat while held.
template <typename Up, typename Down>
QWidget* makeUpDown(QWidget* parent, const char* name, const QRect& geometry, Up up, Down down) {
    auto* box = new QWidget(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    const auto arrow = [&](const char* objectName, Qt::ArrowType type) {
        auto* b = new QToolButton(box);
        b->setObjectName(QString::fromLatin1(objectName));
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(geometry.width(), geometry.height() / 2);
        column->addWidget(b);
        return b;
    };
    QObject::connect(arrow("up", Qt::UpArrow), &QToolButton::clicked, parent, up);
    QObject::connect(arrow("down", Qt::DownArrow), &QToolButton::clicked, parent, down);
    return box;
}

} // namespace

GameOptionsDialog::GameOptionsDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Driftwake - Game Start"));
    setFixedSize(kWidth, kHeight);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);

    auto* title = makeText(this, QStringLiteral("Game Options"), QRect(0, 8, kWidth, 22),
                           boardFont(16, true), kLime);
    QFont tf = title->font();
    tf.setUnderline(true);
    title->setFont(tf);
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    title->setObjectName(QStringLiteral("label_title"));

    const QFont labelFont = boardFont(12, true);
    makeText(this, QStringLiteral("Amount to Earn:"), QRect(10, 44, 110, 22), labelFont, kText);
    playToScore_ = makeField(this, "edit_playtoscore", QRect(120, 44, 50, 22));
    makeUpDown(
        this, "UpDown1", QRect(170, 44, 16, 22),
        [this] {
            options_.amountUp();
            refresh();
        },
        [this] {
            options_.amountDown();
            refresh();
        });

    makeText(this, QStringLiteral("Trip Distance:"), QRect(10, 76, 100, 22), labelFont, kText);
    distance_ = makeField(this, "edit_distance", QRect(110, 76, 34, 22));
    makeUpDown(
        this, "UpDown2", QRect(144, 76, 16, 22),
        [this] {
            options_.distanceUp();
            refresh();
        },
        [this] {
            options_.distanceDown();
            refresh();
        });
    makeText(this, QStringLiteral("thousand lyrs:"), QRect(164, 76, 92, 22), boardFont(11, false),
             kText);

    for (int box = 3; box <= 4; ++box) {
        const int y = 104 + (box - 3) * 32;
        auto* tick = new PictureLabel(this);
        tick->setObjectName(QStringLiteral("image_bot%1").arg(box));
        tick->setGeometry(QRect(QPoint(40, y), art::kTickBoxSize));
        tick->setCursor(Qt::PointingHandCursor);
        connect(tick, &PictureLabel::clicked, this, [this, box] {
            options_.onComputerBoxClicked(box);
            refresh();
        });
        bots_[static_cast<std::size_t>(box)] = tick;
        makeText(this, QStringLiteral("Bot for Player %1").arg(box), QRect(82, y + 4, 150, 22),
                 labelFont, kText);
    }

    start_ = new PictureButton(this);
    start_->setObjectName(QStringLiteral("button_start"));
    start_->setGeometry(
        QRect(QPoint((kWidth - art::kStartButtonSize.width()) / 2, 176), art::kStartButtonSize));
    connect(start_, &QAbstractButton::clicked, this, &GameOptionsDialog::onStart);

    refresh();
}

void GameOptionsDialog::setOptions(const GameOptions& options) {
    options_ = options;
    refresh();
}

void GameOptionsDialog::setComputerBox(std::string_view control, int value) {
    options_.setComputerBox(control, value);
    refresh();
}

void GameOptionsDialog::refresh() {
    const qreal r = devicePixelRatioF();
    playToScore_->setText(QString::fromStdString(options_.amountText()));
    distance_->setText(QString::fromStdString(options_.distanceText()));
    for (int box = 3; box <= 4; ++box)
        bots_[static_cast<std::size_t>(box)]->setPixmap(art::tickBox(options_.bot(box) != 0, r));
    start_->setPicture(art::startGameButton(r));
}

void GameOptionsDialog::onStart() {
    emit startRequested(options_.startCommand(playername_));
    hide();
}

void GameOptionsDialog::paintEvent(QPaintEvent*) {
    // The main window's background, without the board's frames and
    // headings that would show through behind the options.
    QPainter(this).drawPixmap(0, 0, art::windowBackground(size(), devicePixelRatioF()));
}

void GameOptionsDialog::showEvent(QShowEvent* event) {
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->window()->geometry();
        move(frame.center() - rect().center());
    }
    refresh();
    QDialog::showEvent(event);
}

} // namespace dw
