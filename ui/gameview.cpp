#include "ui/gameview.h"

#include "client/chatline.h"
#include "store/colours.h"
#include "text/plaintextqt.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/mainmenus.h"
#include "ui/messagebox.h"
#include "ui/scaling.h"
#include "ui/sounds.h"
#include "ui/website.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QUrl>

Q_LOGGING_CATEGORY(lcStatus, "driftwake.status", QtWarningMsg)

namespace dw {

namespace {

QString qtext(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

GameView::GameView(QWidget* area, Hooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)) {
    model_ = std::make_unique<BoardModel>(static_cast<BoardEvents&>(*this));
    board_ = new BoardWidget(*model_, area);
    board_->move(0, 0);
    sounds_ = new SoundPlayer(this);
    ChatPane::Hooks chatHooks;
    chatHooks.send = [this](const std::string& m) { send(m); };
    chatHooks.mySeat = [this] { return model_->state().mySeat; };
    chatHooks.loggedIn = [this] { return model_->state().loggedIn; };
    chatHooks.seatName = [this](int seat) -> std::optional<QString> {
        if (seat < 1 || seat > kPlayingSeats)
            return std::nullopt;
        return QString::fromStdString(model_->view().seats[std::size_t(seat)].name);
    };
    chat_ = new ChatPane(board_, std::move(chatHooks), sounds_, this);

    board_->driveModel(*model_);
    // Escape in the chat input gives the keyboard back to the board.
    connect(chat_->mychat(), &ChatInput::escapePressed, board_,
            [this] { board_->setFocus(Qt::OtherFocusReason); });
    connect(board_, &BoardWidget::logoClicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress))); });
    SeatMenu::Hooks seatHooks;
    seatHooks.removeFromGame = [this](int n) { removeFromGame(n); };
    seatHooks.setToJustWatch = [this](int n) { model_->setToJustWatch(n); };
    seatHooks.unsetJustWatch = [this](int n) { model_->unsetJustWatch(n); };
    auto* seatMenu = new SeatMenu(seatHooks, area->window());
    connect(board_, &BoardWidget::nameLabelContextMenu, this,
            [this, seatMenu](int seat, QPoint globalPos) {
                seatMenu->popup(seat, globalPos, model_->state().isHost,
                                model_->view().seats[std::size_t(seat)].name != kWaiting);
            });
    area->installEventFilter(this);
}

bool GameView::showMessage(std::string_view word, std::string_view payload) {
    // A word that is the message's but does not decode is taken, and dropped.
    if (word == msg::Chat::kWord) {
        if (const auto m = msg::Chat::decode(payload))
            showLine(chatLine(*m));
    } else if (word == msg::Action::kWord) {
        if (const auto m = msg::Action::decode(payload))
            showLine(chatLine(*m));
    } else if (word == msg::PlayASound::kWord) {
        if (const auto m = msg::PlayASound::decode(payload))
            chat_->playSound(m->seat, m->sound);
    } else if (word == msg::HaveWrongVersion::kWord) {
        if (const auto m = msg::HaveWrongVersion::decode(payload))
            status(qtext(m->name) +
                   QStringLiteral(" has a different version of the game then you."));
    } else if (word == msg::WrongVersion::kWord) {
        if (msg::WrongVersion::decode(payload))
            status(QStringLiteral("You have a differnt version of the game then the host."));
    } else {
        return false;
    }
    return true;
}

void GameView::showLine(const ChatLine& line) {
    chat_->mainchat()->addLine(line);
    const ChatLineParts parts = chatLineParts(line);
    qCInfo(lcStatus).noquote() << "chat" << qtext(logText(parts.name + parts.words));
}

void GameView::status(const QString& text) {
    notice(text.toStdString());
}

bool GameView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == board_->parentWidget()) {
        // The board keeps its proportions and stands centred; at the minimum
        // client area it is at 100%, in the top left corner.
        const QSize area = board_->parentWidget()->size();
        const qreal scale = scaling::fitScale(area, QSize(kMinClientWidth, kMinClientHeight));
        board_->setScale(scale);
        chat_->setScale(scale);
        board_->move(scaling::centred(area, board_->size(), scale));
    }
    return QObject::eventFilter(watched, event);
}

std::vector<std::string> GameView::otherSeatNames() const {
    std::vector<std::string> others;
    for (int seat = 1; seat <= kPlayingSeats; ++seat)
        if (seat != model_->state().mySeat)
            others.push_back(model_->view().seats[std::size_t(seat)].name);
    return others;
}

void GameView::removeFromGame(int seat) {
    const ClientState& s = model_->state();
    if (!s.isHost || !s.loggedIn)
        return;
    // The name the board or the spectator list shows for the seat.
    QString name = QStringLiteral("the pilot of seat %1").arg(seat);
    if (seat >= 1 && seat <= kPlayingSeats) {
        name = qtext(displayText(model_->view().seats[std::size_t(seat)].name));
    } else {
        const std::string prefix = std::to_string(seat) + ": ";
        for (const std::string& spy : model_->spies())
            if (spy.rfind(prefix, 0) == 0)
                name = qtext(displayText(std::string_view(spy).substr(prefix.size())));
    }
    QMessageBox ask(QMessageBox::Question, QStringLiteral("Driftwake"),
                    QStringLiteral("Remove %1 from the game?").arg(name),
                    QMessageBox::Yes | QMessageBox::No, plainParent(board_->window()));
    ask.setObjectName(QStringLiteral("removeQuestion"));
    ask.setTextFormat(Qt::PlainText); // a name is never markup
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    // The host may have changed hands while the question was open.
    if (model_->state().isHost && model_->state().loggedIn)
        send(msg::KickHim{model_->state().mySeat, seat}.encode());
}

// ---------------------------------------------------------------- board events

void GameView::log(const std::string& line) {
    board_->appendLog(displayQText(line));
    qCInfo(lcStatus).noquote() << "log" << QString::fromStdString(line);
}

void GameView::notice(const std::string& text) {
    showLine({ChatLine::Kind::Notice, 0, {}, text, kStatusColour});
}

void GameView::sound(const std::string& name) {
    if (hooks_.soundsOn())
        sounds_->play(QString::fromStdString(name));
}

void GameView::send(const std::string& message) {
    hooks_.send(message);
}

void GameView::setOwnTallyCell(int column, const std::string& value) {
    hooks_.setOwnTallyCell(column, value);
}

void GameView::addGame(const std::string& result) {
    hooks_.addGame(result);
}

void GameView::spyAdded(const std::string& item) {
    hooks_.spyAdded(item);
}

void GameView::spyRemoved(const std::string& item) {
    hooks_.spyRemoved(item);
}

void GameView::loadSettings() {
    hooks_.loadSettings();
}

void GameView::changed() {
    hooks_.changed();
}

} // namespace dw
