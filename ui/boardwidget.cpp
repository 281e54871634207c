#include "ui/boardwidget.h"

#include "text/plaintextqt.h"
#include "ui/artwork.h"
#include "ui/picturecontrols.h"
#include "ui/scaling.h"

#include "engine/cards.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>
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
    scaling::place(l, geometry);
    scaling::setLogicalFont(l, font);
    l->setAttribute(Qt::WA_TranslucentBackground);
    // Names come from the network: whatever they hold is shown as typed.
    l->setTextFormat(Qt::PlainText);
    setTextColour(l, colour);
    return l;
}

// A hover hint that shows `text` as typed: a hint that looks like markup
// would otherwise be laid out as rich text.
QString plainHint(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
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

// A yellow frame that shows what the keyboard has chosen; clicks go through.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        setObjectName(QStringLiteral("focus_mark"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal w = std::max(2.0, 2.0 * scaling::scaleOf(this));
        p.setPen(QPen(QColor(255, 230, 40), w, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2), 4, 4);
    }
};

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

// Names of the score panel's labels, top to bottom.
constexpr std::array<const char*, 6> kPanelNames{"label_smiles",   "label_scompleted",
                                                 "label_ssafes",   "label_ssafetrip",
                                                 "label_sshutout", "label_sturn"};

} // namespace

QString noProtectionHint(int k) {
    return QString::fromLatin1(kNoProtectionHint.data(), qsizetype(kNoProtectionHint.size())) +
           QStringLiteral(" (") + art::cardFaceName(kSkyjackShield + k - 1) + QLatin1Char(')');
}

BoardWidget::BoardWidget(const BoardModel& model, QWidget* parent)
    : QWidget(parent), model_(model), view_(model.view()) {
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    setProperty(scaling::kScaleProperty, 1.0);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);

    // Created bottom to top: the turn frame lies under everything it surrounds.
    turn_ = new QLabel(this);
    turn_->setObjectName(QStringLiteral("image_Turn"));
    turn_->setAttribute(Qt::WA_TransparentForMouseEvents);
    scaling::place(turn_, art::qrect(layout::turnFrameRect(1)));
    turn_->hide();

    for (int n = 1; n <= kPlayingSeats; ++n)
        buildSeat(n);
    buildHand();
    buildInfo();
    focusMark_ = new FocusMark(this);
    focusMark_->hide();
    buildQuickInstructions();
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Board"));
    setAccessibleDescription(
        QStringLiteral("Keys 1 to 7 or Left and Right select a card, Up and Down choose a "
                       "target, Enter plays, Delete discards, S sorts, Escape deselects."));
    refresh();
}

void BoardWidget::driveModel(BoardModel& model) {
    BoardModel* m = &model;
    connect(this, &BoardWidget::cardReleased, this,
            [m](int place, bool right) { m->onCardReleased(place, right); });
    connect(this, &BoardWidget::targetClicked, this, [m](int seat) { m->onTargetClicked(seat); });
    connect(this, &BoardWidget::discardClicked, this, [m] { m->onDiscardClicked(); });
    connect(this, &BoardWidget::positionKey, this, [m](int p) { m->selectPosition(p); });
    connect(this, &BoardWidget::stepKey, this, [m](int step) { m->stepSelection(step); });
    connect(this, &BoardWidget::targetKey, this, [m](int step) { m->cycleTarget(step); });
    connect(this, &BoardWidget::playKey, this, [m] { m->playChosenTarget(); });
    connect(this, &BoardWidget::discardKey, this, [m] { m->onDiscardClicked(); });
    connect(this, &BoardWidget::sortKey, this, [m] { m->sortCards(); });
    connect(this, &BoardWidget::deselectKey, this, [m] { m->deselect(); });
}

void BoardWidget::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_7)
        emit positionKey(key - Qt::Key_0);
    else if (key == Qt::Key_Left || key == Qt::Key_Right)
        emit stepKey(key == Qt::Key_Left ? -1 : +1);
    else if (key == Qt::Key_Up || key == Qt::Key_Down)
        emit targetKey(key == Qt::Key_Up ? -1 : +1);
    else if (key == Qt::Key_Return || key == Qt::Key_Enter)
        emit playKey();
    else if (key == Qt::Key_Delete)
        emit discardKey();
    else if (key == Qt::Key_S)
        emit sortKey();
    else if (key == Qt::Key_Escape) {
        if (quick_->isVisible())
            quick_->hide();
        else
            emit deselectKey();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BoardWidget::mousePressEvent(QMouseEvent* event) {
    // A click anywhere on the board gives it the keyboard back.
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void BoardWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    placeFocusMark();
}

void BoardWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    placeFocusMark();
}

void BoardWidget::placeFocusMark() {
    constexpr int kMargin = 3;
    layout::Rect r{};
    const int chosen = view_.chosenTarget;
    const int selected = model_.state().selectedSlot;
    if (chosen >= 1 && chosen <= kPlayingSeats && view_.seats[at(chosen)].target)
        r = layout::targetRect(chosen);
    else if (selected >= 1 && selected <= kHandPlaces)
        r = layout::handRect(model_.positionOf(selected), view_.hand[at(selected)].raised);
    else
        r = {layout::kHandX[1], layout::kHandRaisedY,
             layout::kHandX[kHandPlaces] + layout::kCardWidth - layout::kHandX[1],
             layout::kHandLoweredY + layout::kCardHeight - layout::kHandRaisedY};
    scaling::place(focusMark_, art::qrect(r).adjusted(-kMargin, -kMargin, kMargin, kMargin));
    focusMark_->setVisible(hasFocus() && !quick_->isVisible());
    focusMark_->raise();
    focusMark_->update();
}

void BoardWidget::buildSeat(int n) {
    SeatControls& s = seats_[at(n)];
    const QColor yellow = qcolour(colourOf(LabelColour::Yellow));
    const QFont nameFont = boardFont(13, true);

    s.name = makeText(this, "", art::qrect(layout::nameRect(n)), nameFont, yellow);
    s.name->setObjectName(numbered("label_playername", n));
    s.name->setToolTip(qstr(botHint(n)));
    s.name->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(s.name, &QWidget::customContextMenuRequested, this, [this, n](const QPoint& pos) {
        emit nameLabelContextMenu(n, seats_[at(n)].name->mapToGlobal(pos));
    });
    s.score = makeText(this, "", art::qrect(layout::scoreRect(n)), nameFont, yellow);
    s.score->setObjectName(numbered("label_score", n));
    s.score->setAccessibleName(QStringLiteral("Seat %1 total").arg(n));

    s.safeStrip = new QLabel(this);
    s.safeStrip->setObjectName(numbered("image_safes", n));
    scaling::place(s.safeStrip, art::qrect(layout::protectionStripRect(n)));
    s.safeStrip->setToolTip(qstr(kNoProtectionHint));
    s.safeStrip->setAccessibleName(qstr(kNoProtectionHint));
    // Each grey symbol names its shield (see eventFilter).
    s.safeStrip->installEventFilter(this);
    for (int k = 1; k <= 4; ++k) {
        auto* icon = new QLabel(this);
        icon->setObjectName(numbered("image_safe", n * 10 + k));
        scaling::place(icon, art::qrect(layout::protectionIconRect(n, k)));
        icon->setToolTip(qstr(protectionHint(k)));
        icon->setAccessibleName(qstr(protectionHint(k)));
        icon->hide();
        s.safe[at(k)] = icon;
    }

    const auto pile = [&](CardControl& c, const char* base, const char* what, layout::Rect r) {
        c.label = new PictureLabel(this);
        c.label->setObjectName(numbered(base, n));
        c.what = QStringLiteral("Seat %1 %2").arg(n).arg(QLatin1String(what));
        c.label->setAccessibleName(c.what);
        scaling::place(c.label, art::qrect(r));
    };
    pile(s.speed, "image_speed", "speed pile", layout::speedPileRect(n));
    pile(s.go, "image_go", "go pile", layout::goPileRect(n));
    pile(s.mile, "image_mile", "mileage pile", layout::milePileRect(n));

    s.miles = makeText(this, "", art::qrect(layout::milesRect(n)), boardFont(12, true),
                       qcolour(kInfoGrey));
    s.miles->setObjectName(numbered("label_miles", n));
    s.miles->setAccessibleName(QStringLiteral("Seat %1 distance").arg(n));

    s.eyes = new QLabel(this);
    s.eyes->setObjectName(numbered("image_eyes", n));
    s.eyes->setAccessibleName(QStringLiteral("Auto Pilot"));
    scaling::place(s.eyes, art::qrect(layout::eyesRect(n)));
    s.eyes->hide();

    if (n >= 3) {
        s.notPlaying = new QLabel(this);
        s.notPlaying->setObjectName(numbered("image_notplaying", n));
        s.notPlaying->setAccessibleName(QStringLiteral("Not On Mission"));
        scaling::place(s.notPlaying, art::qrect(layout::notPlayingRect(n)));
        s.notPlaying->hide();
    }

    s.target = new PictureLabel(this);
    s.target->setObjectName(numbered("image_target", n));
    s.target->setAccessibleName(QStringLiteral("Play on seat %1").arg(n));
    scaling::place(s.target, art::qrect(layout::targetRect(n)));
    s.target->setCursor(Qt::PointingHandCursor);
    s.target->hide();
    connect(s.target, &PictureLabel::clicked, this, [this, n] { emit targetClicked(n); });

    auto* panel = new QFrame(this);
    panel->setObjectName(numbered("panel_scores", n));
    scaling::place(panel, art::qrect(layout::panelRect(n)));
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
        s.panelLabels[i] =
            makeText(panel, "", art::qrect(layout::panelLabelRect(int(i))), font, yellow);
        s.panelLabels[i]->setObjectName(numbered(kPanelNames[i], n));
    }
    s.winner = new QLabel(panel);
    s.winner->setObjectName(numbered("image_winner", n));
    s.winner->setAccessibleName(QStringLiteral("Winner"));
    scaling::place(s.winner, art::qrect(layout::winnerRect()));
    s.winner->hide();
    for (QLabel* label : s.panelLabels) {
        auto* halo = new QGraphicsDropShadowEffect(label);
        halo->setOffset(0, 0);
        halo->setBlurRadius(6);
        halo->setColor(Qt::black);
        label->setGraphicsEffect(halo);
    }
}

void BoardWidget::buildHand() {
    discardBack_ = new QLabel(this);
    discardBack_->setObjectName(QStringLiteral("image_discardback"));
    scaling::place(discardBack_, art::qrect(layout::kDiscard));
    auto* caption = makeText(this, "label_discard", art::qrect(layout::kDiscardCaption),
                             boardFont(11, true), qcolour(kInfoGrey));
    caption->setText(QStringLiteral("Discard"));
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    discard_.label = new PictureLabel(this);
    discard_.label->setObjectName(QStringLiteral("image_discard"));
    discard_.what = QStringLiteral("Discard pile");
    scaling::place(discard_.label, art::qrect(layout::kDiscard));
    connect(discard_.label, &PictureLabel::clicked, this, &BoardWidget::discardClicked);

    for (int place = 1; place <= kHandPlaces; ++place) {
        CardControl& c = hand_[at(place)];
        c.label = new PictureLabel(this);
        c.label->setObjectName(numbered("card", place));
        c.what = QStringLiteral("Hand place %1").arg(place);
        scaling::place(c.label, art::qrect(layout::handRect(place, false)));
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
        return makeText(this, name,
                        QRect(layout::kInfoX, y, layout::kInfoWidth, layout::kInfoHeight), font,
                        grey);
    };
    distance_ = info("label_distance", layout::kDistanceY);
    cardsLeft_ = info("label_cardsleft", layout::kCardsLeftY);
    playToScore_ = info("label_playtoscore", layout::kPlayToScoreY);

    start_ = new PictureButton(this);
    start_->setObjectName(QStringLiteral("button_start"));
    start_->setAccessibleName(QStringLiteral("Start Game"));
    scaling::place(start_, art::qrect(layout::kStart));
    connect(start_, &QAbstractButton::clicked, this, &BoardWidget::startClicked);

    status_ = new QPlainTextEdit(this);
    status_->setObjectName(QStringLiteral("memo_status"));
    status_->setAccessibleName(QStringLiteral("Status log"));
    scaling::place(status_, art::qrect(layout::kStatusLog));
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
    scaling::setLogicalFont(status_, sf);
    setStatusTextSize(8);

    logo_ = new PictureLabel(this);
    logo_->setObjectName(QStringLiteral("image_logo"));
    logo_->setAccessibleName(QStringLiteral("Driftwake web site"));
    scaling::place(logo_, art::qrect(layout::kLogo));
    logo_->setCursor(Qt::PointingHandCursor);
    connect(logo_, &PictureLabel::clicked, this, &BoardWidget::logoClicked);
}

void BoardWidget::buildQuickInstructions() {
    auto* panel = new QuickPanel(this);
    quick_ = panel;
    panel->setObjectName(QStringLiteral("panel_quick"));
    scaling::place(panel, art::qrect(layout::kQuickPanel));
    const int quickWidth = layout::kQuickPanel.width;
    panel->setFrameShape(QFrame::Box);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(4, 6, 14));
    p.setColor(QPalette::WindowText, QColor(60, 90, 120));
    panel->setPalette(p);
    panel->setAutoFillBackground(true);

    auto* title = makeText(panel, "label_quicktitle", QRect(0, 4, quickWidth, 24),
                           boardFont(20, true), QColor(255, 255, 0));
    title->setText(QStringLiteral("QUICK INSTRUCTIONS"));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* keys = makeText(panel, "label_quickkeys", QRect(0, 28, quickWidth, 14),
                          boardFont(10, true), QColor(159, 174, 173));
    keys->setText(
        QStringLiteral("Keys:  1 to 7 or \u2190 \u2192 pick a card  \u00b7  \u2191 \u2193 choose a "
                       "target  \u00b7  Enter plays  \u00b7  Delete discards  \u00b7  "
                       "S sorts  \u00b7  Esc puts back"));
    keys->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    keys->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i <= art::kQuickInstructionCount; ++i) {
        auto* page = new QLabel(panel);
        page->setObjectName(i == 0 ? QStringLiteral("image_quickchart")
                                   : numbered("image_quick", i));
        scaling::place(page, QRect(art::qpoint(layout::kQuickPagePos[at(i)]),
                                   i == 0 ? art::kQuickChartSize : art::kQuickInstructionSize));
        page->setAttribute(Qt::WA_TransparentForMouseEvents);
        quickPages_[at(i)] = page;
    }

    auto* close = new QPushButton(QStringLiteral("X"), panel);
    close->setObjectName(QStringLiteral("button_quickclose"));
    scaling::place(close, QRect(quickWidth - 30, 6, 24, 22));
    scaling::setLogicalFont(close, boardFont(13, true));
    close->setCursor(Qt::PointingHandCursor);
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, panel, &QWidget::hide);
    panel->hide();
}

qreal BoardWidget::ratio() const {
    return devicePixelRatioF() * scale_;
}

QPixmap BoardWidget::shown(const QPixmap& picture) const {
    return scaling::forScreen(picture, devicePixelRatioF());
}

void BoardWidget::setScale(qreal scale) {
    if (!(scale > 0) || scale == scale_)
        return;
    scale_ = scale;
    setFixedSize(
        scaling::scaled(QRect(0, 0, layout::kClientWidth, layout::kClientHeight), scale).size());
    scaling::applyScale(this, scale);
    refresh();
}

void BoardWidget::drawPictures() {
    const qreal r = ratio();
    drawnRatio_ = r;
    for (int n = 1; n <= kPlayingSeats; ++n) {
        SeatControls& s = seats_[at(n)];
        s.safeStrip->setPixmap(shown(art::protectionStrip(r)));
        for (int k = 1; k <= 4; ++k)
            s.safe[at(k)]->setPixmap(shown(art::protectionIcon(k, r)));
        s.target->setPixmap(shown(art::target(r)));
        s.eyes->setPixmap(shown(art::autoPilot(r)));
        if (s.notPlaying)
            s.notPlaying->setPixmap(shown(art::notOnMission(r)));
        s.winner->setPixmap(shown(art::winnerBadge(r)));
    }
    discardBack_->setPixmap(shown(art::discardPlaceholder(r)));
    start_->setPicture(shown(art::startGameButton(r, startCaption_)));
    logo_->setPixmap(shown(art::logo(r)));
    quickPages_[0]->setPixmap(shown(art::quickChart(r)));
    for (int i = 1; i <= art::kQuickInstructionCount; ++i)
        quickPages_[at(i)]->setPixmap(shown(art::quickInstruction(i, r)));
    turn_->setPixmap(shown(art::turnFrame(turnGreenShown_, r)));
    update();
}

void BoardWidget::refresh() {
    const bool ratioChanged = drawnRatio_ != ratio();
    const qreal r = ratio();
    const auto card = [&](CardControl& c, Picture p) {
        if (c.shown == p && !ratioChanged)
            return;
        c.shown = p;
        c.label->setAccessibleName(c.what + QStringLiteral(": ") +
                                   (p ? art::cardFaceName(*p) : QStringLiteral("none")));
        if (p)
            c.label->setPixmap(shown(art::card(*p, r)));
        else
            c.label->clear();
    };

    for (int n = 1; n <= kPlayingSeats; ++n) {
        const SeatDisplay& d = view_.seats[at(n)];
        SeatControls& s = seats_[at(n)];
        const QColor nameColour = qcolour(colourOf(d.nameColour));
        // A long name is cut with an ellipsis; the hint then shows it whole.
        const QString full = displayQText(d.name);
        const QString cut =
            QFontMetrics(s.name->font()).elidedText(full, Qt::ElideRight, s.name->width());
        s.name->setText(cut);
        s.name->setToolTip(cut == full ? qstr(botHint(n)) : plainHint(full));
        s.name->setAccessibleName(QStringLiteral("Seat %1: %2").arg(n).arg(full));
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
        scaling::place(c.label, art::qrect(layout::handRect(model_.positionOf(place), h.raised)));
    }
    card(discard_, view_.discard);

    const TurnDisplay& t = view_.turn;
    if (t.green != turnGreenShown_ || ratioChanged) {
        turnGreenShown_ = t.green;
        turn_->setPixmap(shown(art::turnFrame(t.green, r)));
    }
    scaling::place(turn_, art::qrect(layout::turnFrameRect(t.seat)));
    turn_->setVisible(t.visible);

    distance_->setText(qstr(view_.distance));
    cardsLeft_->setText(qstr(view_.cardsLeft));
    playToScore_->setText(qstr(view_.playToScore));
    start_->setVisible(view_.startVisible);
    // The start control covers "Amount to Earn": while it shows, it carries
    // that line itself, under its words.
    const QString caption = view_.startVisible ? qstr(view_.playToScore) : QString();
    if (caption != startCaption_ && !ratioChanged) {
        startCaption_ = caption;
        start_->setPicture(shown(art::startGameButton(r, caption)));
    }
    startCaption_ = caption;
    start_->setAccessibleDescription(caption);
    playToScore_->setVisible(caption.isEmpty());

    if (ratioChanged)
        drawPictures();
    placeFocusMark();
}

void BoardWidget::appendLog(const QString& line) {
    status_->appendPlainText(line);
    QScrollBar* bar = status_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void BoardWidget::setStatusTextSize(int points) {
    QFont f = status_->property(scaling::kFontProperty).value<QFont>();
    // The setting may hold any number; keep the font usable.
    f.setPointSize(std::clamp(points, 1, 96));
    scaling::setLogicalFont(status_, f);
}

int BoardWidget::statusTextSize() const {
    return status_->property(scaling::kFontProperty).value<QFont>().pointSize();
}

void BoardWidget::showQuickInstructions() {
    quick_->raise();
    quick_->show();
}

void BoardWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, shown(art::boardBackground(ratio())));
}

bool BoardWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        for (int n = 1; n <= kPlayingSeats; ++n) {
            QLabel* strip = seats_[at(n)].safeStrip;
            if (watched != strip)
                continue;
            const auto* help = static_cast<QHelpEvent*>(event);
            const int k = std::clamp(int(help->pos().x() / (layout::kSafeStep * scale_)) + 1, 1,
                                     art::kProtectionCount);
            QToolTip::showText(help->globalPos(), noProtectionHint(k), strip);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
