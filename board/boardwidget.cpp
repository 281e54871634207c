#include "board/boardwidget.h"

#include "board/artwork.h"
#include "board/picturecontrols.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>

namespace dw {

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// The model's colours are 0x00BBGGRR.
QColor qcolour(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    if (p.color(QPalette::WindowText) == colour)
        return;
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

// A text label that lets the background show through.
QLabel* makeText(QWidget* parent, const char* name, const QRect& geometry, const QFont& font,
                 const QColor& colour) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setFont(font);
    l->setAttribute(Qt::WA_TranslucentBackground);
    setTextColour(l, colour);
    return l;
}

QString numbered(const char* base, int number) {
    return QString::fromLatin1(base) + QString::number(number);
}

QString qstr(const std::string& s) {
    return QString::fromStdString(s);
}
QString qstr(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Per-seat placement: seat 1's coordinates moved with the seat's name label.
QRect seatRect(int seat, int dx, int y, int w, int h) {
    return QRect(layout::kNameX[at(seat)] + dx, y, w, h);
}

// The quick instructions overlay: any click on it, its pictures included,
// hides it.
class QuickPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        hide();
    }
};

constexpr int kQuickWidth = 785;
constexpr int kQuickHeight = 524;
constexpr std::array<QPoint, 5> kQuickPagePos{QPoint(424, 212), QPoint(80, 44), QPoint(80, 204),
                                              QPoint(80, 364), QPoint(440, 44)};

// Names of the score panel's labels, top to bottom.
constexpr std::array<const char*, 6> kPanelNames{"label_smiles",   "label_scompleted",
                                                 "label_ssafes",   "label_ssafetrip",
                                                 "label_sshutout", "label_sturn"};

} // namespace

BoardWidget::BoardWidget(const BoardView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);

    // Created bottom to top: the turn frame lies under everything it surrounds.
    turn_ = new QLabel(this);
    turn_->setObjectName(QStringLiteral("image_Turn"));
    turn_->setAttribute(Qt::WA_TransparentForMouseEvents);
    turn_->resize(layout::kTurnWidth, layout::kTurnHeight);
    turn_->hide();

    for (int n = 1; n <= kPlayingSeats; ++n)
        buildSeat(n);
    buildHand();
    buildInfo();
    buildQuickInstructions();
    refresh();
}

void BoardWidget::buildSeat(int n) {
    SeatControls& s = seats_[at(n)];
    const QColor yellow = qcolour(colourOf(LabelColour::Yellow));
    const QFont nameFont = boardFont(13, true);

    s.name = makeText(this, "", seatRect(n, 0, layout::kNameY, 128, 17), nameFont, yellow);
    s.name->setObjectName(numbered("label_playername", n));
    s.name->setToolTip(qstr(botHint(n)));
    s.name->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(s.name, &QWidget::customContextMenuRequested, this, [this, n](const QPoint& pos) {
        emit nameLabelContextMenu(n, seats_[at(n)].name->mapToGlobal(pos));
    });
    s.score = makeText(this, "", seatRect(n, layout::kScoreDx, layout::kScoreY, 46, 17), nameFont,
                       yellow);
    s.score->setObjectName(numbered("label_score", n));

    s.safeStrip = new QLabel(this);
    s.safeStrip->setObjectName(numbered("image_safes", n));
    s.safeStrip->setGeometry(seatRect(n, layout::kSafeDx, layout::kSafeY, layout::kSafeStripWidth,
                                      layout::kSafeStripHeight));
    s.safeStrip->setToolTip(qstr(kNoProtectionHint));
    for (int k = 1; k <= 4; ++k) {
        auto* icon = new QLabel(this);
        icon->setObjectName(numbered("image_safe", n * 10 + k));
        icon->setGeometry(seatRect(n, layout::kSafeDx + layout::kSafeStep * (k - 1), layout::kSafeY,
                                   art::kProtectionIconSize.width(),
                                   art::kProtectionIconSize.height()));
        icon->setToolTip(qstr(protectionHint(k)));
        icon->hide();
        s.safe[at(k)] = icon;
    }

    const auto pile = [&](CardControl& c, const char* base, int dx) {
        c.label = new PictureLabel(this);
        c.label->setObjectName(numbered(base, n));
        c.label->setGeometry(
            seatRect(n, dx, layout::kPileY, layout::kCardWidth, layout::kCardHeight));
    };
    pile(s.speed, "image_speed", layout::kSpeedPileDx);
    pile(s.go, "image_go", layout::kGoPileDx);
    pile(s.mile, "image_mile", layout::kMilePileDx);

    s.miles = makeText(this, "", seatRect(n, layout::kMilesDx, layout::kMilesY, 110, 16),
                       boardFont(12, true), qcolour(kInfoGrey));
    s.miles->setObjectName(numbered("label_miles", n));

    s.eyes = new QLabel(this);
    s.eyes->setObjectName(numbered("image_eyes", n));
    s.eyes->setGeometry(seatRect(n, layout::kEyesDx, layout::kEyesY, art::kAutoPilotSize.width(),
                                 art::kAutoPilotSize.height()));
    s.eyes->hide();

    if (n >= 3) {
        s.notPlaying = new QLabel(this);
        s.notPlaying->setObjectName(numbered("image_notplaying", n));
        s.notPlaying->setGeometry(seatRect(n, layout::kNotPlayingDx, layout::kNotPlayingY,
                                           layout::kNotPlayingWidth, layout::kNotPlayingHeight));
        s.notPlaying->hide();
    }

    s.target = new PictureLabel(this);
    s.target->setObjectName(numbered("image_target", n));
    s.target->setGeometry(seatRect(n, layout::kTargetDx, layout::kTargetY, layout::kTargetWidth,
                                   layout::kTargetHeight));
    s.target->setCursor(Qt::PointingHandCursor);
    s.target->hide();
    connect(s.target, &PictureLabel::clicked, this, [this, n] { emit targetClicked(n); });

    auto* panel = new QFrame(this);
    panel->setObjectName(numbered("panel_scores", n));
    panel->setGeometry(
        seatRect(n, layout::kPanelDx, layout::kPanelY, layout::kPanelWidth, layout::kPanelHeight));
    panel->setFrameShape(QFrame::Box);
    QPalette pp = panel->palette();
    pp.setColor(QPalette::Window, QColor(8, 12, 20));
    pp.setColor(QPalette::WindowText, QColor(70, 110, 90));
    panel->setPalette(pp);
    panel->setAutoFillBackground(true);
    panel->hide();
    s.panel = panel;
    for (std::size_t i = 0; i < kPanelNames.size(); ++i) {
        const QFont font = boardFont(i + 1 == kPanelNames.size() ? 15 : 11, true);
        s.panelLabels[i] = makeText(panel, "",
                                    QRect(layout::kPanelLabelX, layout::kPanelLabelY[i],
                                          layout::kPanelWidth - layout::kPanelLabelX - 4, 19),
                                    font, yellow);
        s.panelLabels[i]->setObjectName(numbered(kPanelNames[i], n));
    }
    s.winner = new QLabel(panel);
    s.winner->setObjectName(numbered("image_winner", n));
    s.winner->setGeometry(layout::kPanelLabelX, layout::kWinnerY, layout::kWinnerWidth,
                          layout::kWinnerHeight);
    // The badge covers the labels it overlaps rather than mixing with them.
    s.winner->setAutoFillBackground(true);
    s.winner->hide();
}

void BoardWidget::buildHand() {
    discardBack_ = new QLabel(this);
    discardBack_->setObjectName(QStringLiteral("image_discardback"));
    discardBack_->setGeometry(layout::kDiscardX, layout::kDiscardY, layout::kCardWidth,
                              layout::kCardHeight);
    auto* caption = makeText(this, "label_discard",
                             QRect(layout::kDiscardX - 8, layout::kDiscardY + layout::kCardHeight,
                                   layout::kCardWidth + 16, 15),
                             boardFont(11, true), qcolour(kInfoGrey));
    caption->setText(QStringLiteral("Discard"));
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    discard_.label = new PictureLabel(this);
    discard_.label->setObjectName(QStringLiteral("image_discard"));
    discard_.label->setGeometry(layout::kDiscardX, layout::kDiscardY, layout::kCardWidth,
                                layout::kCardHeight);
    connect(discard_.label, &PictureLabel::clicked, this, &BoardWidget::discardClicked);

    for (int place = 1; place <= kHandPlaces; ++place) {
        CardControl& c = hand_[at(place)];
        c.label = new PictureLabel(this);
        c.label->setObjectName(numbered("card", place));
        c.label->resize(layout::kCardWidth, layout::kCardHeight);
        connect(c.label, &PictureLabel::released, this,
                [this, place](Qt::MouseButton button, QPoint) {
                    emit cardReleased(place, button == Qt::RightButton);
                });
    }
}

void BoardWidget::buildInfo() {
    const QFont font = boardFont(13, true);
    const QColor grey = qcolour(kInfoGrey);
    const auto info = [&](const char* name, int y) {
        return makeText(this, name, QRect(layout::kInfoX, y, 250, 18), font, grey);
    };
    distance_ = info("label_distance", layout::kDistanceY);
    cardsLeft_ = info("label_cardsleft", layout::kCardsLeftY);
    playToScore_ = info("label_playtoscore", layout::kPlayToScoreY);

    start_ = new PictureButton(this);
    start_->setObjectName(QStringLiteral("button_start"));
    start_->setGeometry(layout::kStartX, layout::kStartY, layout::kStartWidth,
                        layout::kStartHeight);
    connect(start_, &QAbstractButton::clicked, this, &BoardWidget::startClicked);

    status_ = new QPlainTextEdit(this);
    status_->setObjectName(QStringLiteral("memo_status"));
    status_->setGeometry(layout::kStatusX, layout::kStatusY, layout::kStatusWidth,
                         layout::kStatusHeight);
    status_->setReadOnly(true);
    status_->setFrameShape(QFrame::NoFrame);
    status_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    status_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status_->setFocusPolicy(Qt::ClickFocus);
    QPalette sp = status_->palette();
    sp.setColor(QPalette::Base, Qt::black);
    sp.setColor(QPalette::Text, qcolour(kStatusLogText));
    status_->setPalette(sp);
    QFont sf = status_->font();
    sf.setBold(true);
    status_->setFont(sf);
    setStatusTextSize(8);

    logo_ = new PictureLabel(this);
    logo_->setObjectName(QStringLiteral("image_logo"));
    logo_->setGeometry(QRect(art::kLogoPos, art::kLogoSize));
    logo_->setCursor(Qt::PointingHandCursor);
    connect(logo_, &PictureLabel::clicked, this, &BoardWidget::logoClicked);
}

void BoardWidget::buildQuickInstructions() {
    auto* panel = new QuickPanel(this);
    quick_ = panel;
    panel->setObjectName(QStringLiteral("panel_quick"));
    panel->setGeometry((layout::kClientWidth - kQuickWidth) / 2,
                       (layout::kClientHeight - kQuickHeight) / 2, kQuickWidth, kQuickHeight);
    panel->setFrameShape(QFrame::Box);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(4, 6, 14));
    p.setColor(QPalette::WindowText, QColor(60, 90, 120));
    panel->setPalette(p);
    panel->setAutoFillBackground(true);

    auto* title = makeText(panel, "label_quicktitle", QRect(0, 10, kQuickWidth, 26),
                           boardFont(20, true), QColor(255, 255, 0));
    title->setText(QStringLiteral("QUICK INSTRUCTIONS"));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i <= art::kQuickInstructionCount; ++i) {
        auto* page = new QLabel(panel);
        page->setObjectName(i == 0 ? QStringLiteral("image_quickchart")
                                   : numbered("image_quick", i));
        page->setGeometry(QRect(kQuickPagePos[at(i)],
                                i == 0 ? art::kQuickChartSize : art::kQuickInstructionSize));
        page->setAttribute(Qt::WA_TransparentForMouseEvents);
        quickPages_[at(i)] = page;
    }

    auto* close = new QPushButton(QStringLiteral("X"), panel);
    close->setObjectName(QStringLiteral("button_quickclose"));
    close->setGeometry(kQuickWidth - 30, 6, 24, 22);
    close->setFont(boardFont(13, true));
    close->setCursor(Qt::PointingHandCursor);
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, panel, &QWidget::hide);
    panel->hide();
}

qreal BoardWidget::ratio() const {
    return devicePixelRatioF();
}

void BoardWidget::drawPictures() {
    const qreal r = ratio();
    drawnRatio_ = r;
    for (int n = 1; n <= kPlayingSeats; ++n) {
        SeatControls& s = seats_[at(n)];
        s.safeStrip->setPixmap(art::protectionStrip(r));
        for (int k = 1; k <= 4; ++k)
            s.safe[at(k)]->setPixmap(art::protectionIcon(k, r));
        s.target->setPixmap(art::target(r));
        s.eyes->setPixmap(art::autoPilot(r));
        if (s.notPlaying)
            s.notPlaying->setPixmap(art::notOnMission(r));
        s.winner->setPixmap(art::winnerBadge(r));
    }
    discardBack_->setPixmap(art::discardPlaceholder(r));
    start_->setPicture(art::startGameButton(r));
    logo_->setPixmap(art::logo(r));
    quickPages_[0]->setPixmap(art::quickChart(r));
    for (int i = 1; i <= art::kQuickInstructionCount; ++i)
        quickPages_[at(i)]->setPixmap(art::quickInstruction(i, r));
    turn_->setPixmap(art::turnFrame(turnGreenShown_, r));
    update();
}

void BoardWidget::refresh() {
    const bool ratioChanged = drawnRatio_ != ratio();
    const qreal r = ratio();
    const auto card = [&](CardControl& c, Picture p) {
        if (c.shown == p && !ratioChanged)
            return;
        c.shown = p;
        if (p)
            c.label->setPixmap(art::card(*p, r));
        else
            c.label->clear();
    };

    for (int n = 1; n <= kPlayingSeats; ++n) {
        const SeatDisplay& d = view_.seats[at(n)];
        SeatControls& s = seats_[at(n)];
        const QColor nameColour = qcolour(colourOf(d.nameColour));
        s.name->setText(qstr(d.name));
        s.name->setVisible(d.nameVisible);
        setTextColour(s.name, nameColour);
        s.score->setText(qstr(d.score));
        s.score->setVisible(d.scoreVisible);
        setTextColour(s.score, nameColour);
        s.miles->setText(qstr(d.miles));
        card(s.speed, d.speedPile);
        card(s.go, d.goPile);
        card(s.mile, d.milePile);
        for (int k = 1; k <= 4; ++k)
            s.safe[at(k)]->setVisible(d.safe[at(k)]);
        s.target->setVisible(d.target);
        s.eyes->setVisible(d.eyes);
        if (s.notPlaying)
            s.notPlaying->setVisible(d.notPlaying);
        const QColor panelColour = qcolour(colourOf(d.panelColour));
        for (std::size_t i = 0; i < s.panelLabels.size(); ++i) {
            s.panelLabels[i]->setText(qstr(d.panel[i]));
            setTextColour(s.panelLabels[i], panelColour);
        }
        s.winner->setVisible(d.winner);
        s.panel->setVisible(d.panelVisible);
    }

    for (int place = 1; place <= kHandPlaces; ++place) {
        const HandPlace& h = view_.hand[at(place)];
        CardControl& c = hand_[at(place)];
        card(c, h.picture);
        // Before the first arrangement a place stands at its own position.
        const int left = h.left != 0 ? h.left : layout::kHandX[at(place)];
        c.label->move(left, h.top());
    }
    card(discard_, view_.discard);

    const TurnDisplay& t = view_.turn;
    if (t.green != turnGreenShown_ || ratioChanged) {
        turnGreenShown_ = t.green;
        turn_->setPixmap(art::turnFrame(t.green, r));
    }
    turn_->move(t.left, t.top);
    turn_->setVisible(t.visible);

    distance_->setText(qstr(view_.distance));
    cardsLeft_->setText(qstr(view_.cardsLeft));
    playToScore_->setText(qstr(view_.playToScore));
    start_->setVisible(view_.startVisible);

    if (ratioChanged)
        drawPictures();
}

void BoardWidget::appendLog(const QString& line) {
    status_->appendPlainText(line);
    QScrollBar* bar = status_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void BoardWidget::setStatusTextSize(int points) {
    QFont f = status_->font();
    // The setting may hold any number; keep the font usable.
    f.setPointSize(std::clamp(points, 1, 96));
    status_->setFont(f);
}

int BoardWidget::statusTextSize() const {
    return status_->font().pointSize();
}

void BoardWidget::showQuickInstructions() {
    quick_->raise();
    quick_->show();
}

void BoardWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, art::boardBackground(ratio()));
}

void BoardWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWindow* w = window()->windowHandle()) {
        connect(w, &QWindow::screenChanged, this, &BoardWidget::refresh, Qt::UniqueConnection);
    }
    if (drawnRatio_ != ratio())
        refresh();
}

} // namespace dw
