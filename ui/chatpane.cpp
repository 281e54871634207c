#include "ui/chatpane.h"

#include "protocol/messages.h"
#include "store/colours.h"
#include "ui/artwork.h"
#include "ui/scaling.h"
#include "ui/sounds.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QPalette>
#include <QRegularExpression>
#include <QToolButton>

#include <cctype>
#include <memory>

namespace dw {

namespace {

QColor qcolour(std::uint32_t colour) {
    const Rgb rgb = colourToRgb(colour);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

void setTextColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}

QToolButton* makeSmallButton(QWidget* parent, const QString& name, const QRect& logical) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    scaling::place(b, logical);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet(
        QStringLiteral("QToolButton { background: #00FF00; border: none; padding: 0; }"));
    return b;
}

// Pops a menu up at the lower right corner of a button.
void popupAt(QMenu* menu, QToolButton* button) {
    menu->popup(button->mapToGlobal(QPoint(button->width(), button->height())));
}

std::string wire(const QString& text) {
    // The connection writes the text in Windows-1252 and never lets it hold
    // the byte 255, so it cannot end a message early.
    return oneLine(text).toStdString();
}

} // namespace

std::optional<std::string_view> chatterCaption(std::string_view soundName) {
    if (soundName.size() < 5)
        return std::nullopt;
    constexpr std::string_view kWave = "wave";
    for (std::size_t i = 0; i < kWave.size(); ++i) {
        const auto c = static_cast<unsigned char>(soundName[i]);
        if (std::tolower(c) != kWave[i])
            return std::nullopt;
    }
    const std::optional<int> n = parseNumber(soundName.substr(4));
    if (!n || *n < 1 || *n > kChatterCount)
        return std::nullopt;
    return kChatterCaptions[static_cast<std::size_t>(*n - 1)];
}

QString oneLine(QString text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\r\n\u2028\u2029\v\f]"));
    return text.replace(breaks, QStringLiteral(" "));
}

// ---------------------------------------------------------------------------

ChatInput::ChatInput(QWidget* parent) : QLineEdit(parent) {
    paste_ = new QAction(tr("Paste"), this);
    paste_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    paste_->setShortcutContext(Qt::WidgetShortcut);
    connect(paste_, &QAction::triggered, this, &ChatInput::pasteAtEnd);
}

void ChatInput::pasteAtEnd() {
    const QString clip = QGuiApplication::clipboard()->text();
    if (clip.isEmpty())
        return;
    if (showsPrompt())
        clear();
    setText(text() + oneLine(clip));
    end(false);
}

void ChatInput::keyPressEvent(QKeyEvent* event) {
    if (showsPrompt())
        clear();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit enterPressed();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        emit escapePressed();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        event->accept();
        pasteAtEnd();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ChatInput::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(paste_);
    menu.exec(event->globalPos());
}

// ---------------------------------------------------------------------------

ChatPane::ChatPane(QWidget* board, Hooks hooks, SoundPlayer* sounds, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), sounds_(sounds) {
    mainchat_ = new ChatView(board);
    mainchat_->setObjectName(QStringLiteral("mainchat"));
    scaling::place(mainchat_, art::kChatViewRect);

    mychat_ = new ChatInput(board);
    mychat_->setObjectName(QStringLiteral("mychat"));
    scaling::place(mychat_, art::kChatEntryRect);
    QFont inputFont(QStringLiteral("Arial"));
    inputFont.setPixelSize(13);
    scaling::setLogicalFont(mychat_, inputFont);
    QPalette pal = mychat_->palette();
    pal.setColor(QPalette::Base, Qt::black);
    mychat_->setPalette(pal);
    setTextColour(mychat_, qcolour(kColourYellow));
    mychat_->setText(kChatPrompt);
    connect(mychat_, &ChatInput::enterPressed, this, &ChatPane::sendit);
    connect(mainchat_, &ChatView::chatCleared, mychat_, [this] { mychat_->setFocus(); });

    button_smilies_ =
        makeSmallButton(board, QStringLiteral("button_smilies"), art::qrect(layout::kSmileyButton));
    smileyMenu_ = new QMenu(board);
    for (int code = kFirstSmileyCode; code <= kLastSmileyCode; ++code) {
        QAction* a = smileyMenu_->addAction(QIcon(art::smiley(code - kFirstSmileyCode)),
                                            QStringLiteral(":)#%1").arg(code));
        connect(a, &QAction::triggered, this, [this, code] { smileyChosen(code); });
    }
    connect(button_smilies_, &QToolButton::clicked, this,
            [this] { popupAt(smileyMenu_, button_smilies_); });

    for (int n = 1; n <= kPhraseCount; ++n) {
        QToolButton* b = makeSmallButton(
            board, QStringLiteral("b_phrase%1").arg(n),
            art::qrect(layout::kFirstPhraseButton.moved(0, layout::kPhraseButtonStep * (n - 1))));
        b_phrase_[static_cast<std::size_t>(n - 1)] = b;
        connect(b, &QToolButton::clicked, this, [this, n] { phraseClicked(n); });
        setPhrase(n,
                  QString::fromUtf8(kBuiltInPhrases[static_cast<std::size_t>(n - 1)].data(),
                                    static_cast<qsizetype>(
                                        kBuiltInPhrases[static_cast<std::size_t>(n - 1)].size())));
    }

    QToolButton* chatter =
        makeSmallButton(board, QStringLiteral("b_phrase10"), art::qrect(layout::kChatterButton));
    chatter->setToolTip(tr("Chatter Sounds"));
    b_phrase_[kPhraseCount] = chatter;
    chatterMenu_ = new QMenu(board);
    chatterMenu_->addAction(tr("<Cancel>"));
    for (int n = 1; n <= kChatterCount; ++n) {
        const std::string_view caption = kChatterCaptions[static_cast<std::size_t>(n - 1)];
        QAction* a = chatterMenu_->addAction(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        connect(a, &QAction::triggered, this, [this, n] { chatterChosen(n); });
    }
    connect(chatter, &QToolButton::clicked, this,
            [this, chatter] { popupAt(chatterMenu_, chatter); });

    setScale(1.0);

    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    clock_ = [timer] { return timer->elapsed(); };
}

void ChatPane::setScale(qreal scale) {
    // The faces are drawn for the buttons' actual size and the screen.
    const qreal screen = mychat_->devicePixelRatioF();
    const qreal ratio = screen * scale;
    const QSize iconSize = scaling::scaled(QRect(QPoint(), art::kSmallButtonSize), scale).size();
    const auto face = [&](QToolButton* b, const QPixmap& picture) {
        b->setIcon(QIcon(scaling::forScreen(picture, screen)));
        b->setIconSize(iconSize);
    };
    face(button_smilies_, art::smileyButton(ratio));
    for (int n = 1; n <= kPhraseCount; ++n)
        face(b_phrase_[static_cast<std::size_t>(n - 1)], art::phraseButton(ratio));
    face(b_phrase_[kPhraseCount], art::chatterButton(ratio));
    mainchat_->setScale(scale);
}

QToolButton* ChatPane::phraseButton(int n) const {
    if (n < 1 || n > kPhraseCount + 1)
        return nullptr;
    return b_phrase_[static_cast<std::size_t>(n - 1)];
}

void ChatPane::setChatColour(std::uint32_t colour) {
    colour_ = colour;
    setTextColour(mychat_, qcolour(colour));
}

void ChatPane::setPhrase(int n, const QString& text) {
    if (n < 1 || n > kPhraseCount)
        return;
    phrases_[static_cast<std::size_t>(n - 1)] = oneLine(text);
    b_phrase_[static_cast<std::size_t>(n - 1)]->setToolTip(
        phrases_[static_cast<std::size_t>(n - 1)]);
}

QString ChatPane::phrase(int n) const {
    if (n < 1 || n > kPhraseCount)
        return {};
    return phrases_[static_cast<std::size_t>(n - 1)];
}

PhraseTexts ChatPane::phrases() const {
    PhraseTexts out;
    for (int n = 1; n <= kPhraseCount; ++n)
        out[static_cast<std::size_t>(n - 1)] = phrase(n).toStdString();
    return out;
}

void ChatPane::applyStoredPhrases(const PhraseTexts& stored) {
    for (int n = 1; n <= kPhraseCount; ++n) {
        const std::string& text = stored[static_cast<std::size_t>(n - 1)];
        if (!text.empty())
            setPhrase(n, QString::fromStdString(text));
    }
}

void ChatPane::sendit() {
    if (!hooks_.loggedIn || !hooks_.loggedIn())
        return;
    const QString text = mychat_->text();
    const std::string colour = colourToString(colour_);
    const int seat = hooks_.mySeat ? hooks_.mySeat() : 0;
    if (!text.isEmpty() && hooks_.send) {
        if (!text.startsWith(QLatin1Char('/'))) {
            hooks_.send(msg::Chat{seat, msg::colouredText(wire(text), colour)}.encode());
        } else if (text.startsWith(QLatin1String("/me"))) {
            // The fourth character is dropped whatever it is (a whole
            // character, even when it takes two UTF-16 units).
            qsizetype cut = 4;
            if (text.size() >= 4 && text.at(3).isHighSurrogate())
                cut = 5;
            hooks_.send(msg::Action{seat, msg::colouredText(wire(text.mid(cut)), colour)}.encode());
        }
    }
    mychat_->clear();
}

void ChatPane::sendAction(const QString& text) {
    if (!hooks_.send)
        return;
    const int seat = hooks_.mySeat ? hooks_.mySeat() : 0;
    hooks_.send(msg::Action{seat, msg::colouredText(wire(text), colourToString(colour_))}.encode());
}

void ChatPane::phraseClicked(int n) {
    if (n < 1 || n > kPhraseCount)
        return;
    const qint64 now = clock_();
    if (lastPhrase_ && now - *lastPhrase_ < kPhraseIntervalMs)
        return;
    lastPhrase_ = now;
    const QString t = phrase(n);
    if (t.startsWith(QLatin1String("/me ")))
        sendAction(t.mid(4));
    else
        sendAction(QStringLiteral("says: ") + t);
}

void ChatPane::chatterChosen(int n) {
    if (n < 1 || n > kChatterCount)
        return;
    if (!hooks_.loggedIn || !hooks_.loggedIn() || !hooks_.send)
        return;
    const int seat = hooks_.mySeat ? hooks_.mySeat() : 0;
    hooks_.send(msg::PlayASound{seat, "wave" + std::to_string(n)}.encode());
}

void ChatPane::smileyChosen(int code) {
    if (code < kFirstSmileyCode || code > kLastSmileyCode)
        return;
    if (mychat_->showsPrompt())
        mychat_->clear();
    mychat_->setText(mychat_->text() + QStringLiteral(":)#%1").arg(code));
    mychat_->end(false);
}

void ChatPane::playSound(int seat, std::string_view name) {
    if (phraseSounds_) {
        if (sounds_)
            sounds_->play(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        return;
    }
    const std::optional<std::string_view> caption = chatterCaption(name);
    if (!caption || !hooks_.seatName)
        return;
    const std::optional<QString> who = hooks_.seatName(seat);
    if (!who)
        return;
    mainchat_->addLine({ChatLine::Kind::Notice, 0, who->toStdString(),
                        "<Chatter Sound> " + std::string(*caption), kColourYellow});
}

} // namespace dw
