// The chat view's layout, links, smileys and re-colouring; the input box,
// phrase buttons and chatter sounds of the chat pane; the phrases window.
#include "protocol/messages.h"
#include "store/inifile.h"
#include "store/settings.h"
#include "ui/chatpane.h"
#include "ui/chatview.h"
#include "ui/phraseswindow.h"
#include "ui/sounds.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace dw;

namespace {

// One run of text (or one picture) of a paragraph, as shown.
struct Piece {
    QString text;
    QColor colour;
    bool bold = false;
    bool underline = false;
    QString href;  // the link anchor, if any
    QString image; // the picture's name, if this piece is a picture
};

std::vector<Piece> pieces(const QTextBlock& block) {
    std::vector<Piece> out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const QTextCharFormat cf = f.charFormat();
        Piece p;
        p.text = f.text();
        p.colour = cf.foreground().color();
        p.bold = cf.fontWeight() == QFont::Bold;
        p.underline = cf.fontUnderline();
        p.href = cf.isAnchor() ? cf.anchorHref() : QString();
        if (cf.isImageFormat())
            p.image = cf.toImageFormat().name();
        out.push_back(p);
    }
    return out;
}

QTextBlock lastBlock(const ChatView& v) {
    return v.document()->lastBlock();
}

const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kLinkGreen(64, 232, 96);

// A chat or action line as the window hands it on: decoded from the host's
// relay of seat `seat`.
void relay(ChatView& v, int seat, const std::string& line) {
    v.addLine(chatLine(msg::Chat{seat, line}));
}
void relayAction(ChatView& v, int seat, const std::string& line) {
    v.addLine(chatLine(msg::Action{seat, line}));
}
ChatLine notice(const std::string& text, std::uint32_t colour) {
    return {ChatLine::Kind::Notice, 0, {}, text, colour};
}

// What the pane sent: one message, terminator included.
template <class M> std::vector<std::string> sent(const M& m) {
    return {m.encode()};
}

void writeIni(const std::filesystem::path& p) {
    std::ofstream out(p, std::ios::binary);
    out << "[Other]\nKeep=yes\n[Driftwake]\nPhrase3=old\n";
}

// A board panel with a chat pane whose outgoing messages are collected.
struct PaneFixture {
    QWidget board;
    std::vector<std::string> sent;
    bool loggedIn = true;
    int seat = 3;
    std::map<int, QString> names{{2, QStringLiteral("Bob")}};
    qint64 now = 0;
    SoundPlayer sounds;
    ChatPane pane;

    PaneFixture()
        : pane(&board,
               ChatPane::Hooks{
                   [this](std::string m) { sent.push_back(std::move(m)); },
                   [this] { return seat; },
                   [this] { return loggedIn; },
                   [this](int s) -> std::optional<QString> {
                       if (auto it = names.find(s); it != names.end())
                           return it->second;
                       return std::nullopt;
                   },
               },
               &sounds) {
        board.resize(790, 529);
        pane.setClock([this] { return now; });
    }

    void type(const QString& text) {
        pane.mychat()->setText(text);
        sent.clear();
        pane.sendit();
    }
};

} // namespace

class ChatPaneTest : public QObject {
    Q_OBJECT

private slots:
    void statusLineIsOneBoldYellowParagraph();
    void seatLineWithLink();
    void colourFromPayload();
    void actionsAndNamedNotices();
    void smileys();
    void laterLineRecoloursSeat();
    void linksOpenAndSurviveClear();
    void scrollChatOff();
    void textSize();

    void senditVariants();
    void inputKeysAndPaste();
    void barInsideTextSurvivesRoundTrip();
    void phraseButtons();
    void phraseRateLimit();
    void chatterSounds();
    void chatterMenu();
    void smileyMenu();
    void phrasesWindow();
};

void ChatPaneTest::statusLineIsOneBoldYellowParagraph() {
    ChatView v;
    v.addLine(notice("You are Connected.", kColourYellow));
    QCOMPARE(v.document()->blockCount(), 1);
    QCOMPARE(lastBlock(v).text(), QStringLiteral(" You are Connected. "));
    for (const Piece& p : pieces(lastBlock(v))) {
        QCOMPARE(p.colour, kYellow);
        QVERIFY(p.bold);
        QVERIFY(p.href.isEmpty());
        QVERIFY(p.image.isEmpty());
    }
    QCOMPARE(v.linkCounter(), -1);
    v.addLine(notice("Press Control-I to see Quick Instructions.", kColourYellow));
    QCOMPARE(v.document()->blockCount(), 2);
}

// The name part ends at the first ":" and is followed by one space; the body
// keeps its own leading space as an empty word, so "Bob chats: look" shows
// two spaces after the colon.
void ChatPaneTest::seatLineWithLink() {
    ChatView v;
    relay(v, 2, "Bob chats: look at http://a.org now|clBlue");
    relay(v, 2, "Bob chats: look at www.example.com now|clRed");
    const QTextBlock b = lastBlock(v);
    QCOMPARE(b.text(), QStringLiteral("Bob chats:  look at www.example.com now "));
    const std::vector<Piece> ps = pieces(b);
    // name part and words before the link, the link, the word after it
    QCOMPARE(ps.size(), std::size_t{3});
    QCOMPARE(ps[0].text, QStringLiteral("Bob chats:  look at "));
    QCOMPARE(ps[0].colour, kRed);
    QVERIFY(ps[0].bold);
    QCOMPARE(ps[1].text, QStringLiteral("www.example.com "));
    QCOMPARE(ps[1].colour, kLinkGreen);
    QVERIFY(ps[1].underline);
    QVERIFY(!ps[1].bold);
    QCOMPARE(ps[1].href, QStringLiteral("dwlink:1"));
    QCOMPARE(ps[2].text, QStringLiteral("now "));
    QCOMPARE(ps[2].colour, kRed);
    QCOMPARE(v.linkCounter(), 1);
    QCOMPARE(v.linkAddress(1), std::optional<std::string>("www.example.com "));
    QCOMPARE(v.linkAddress(0), std::optional<std::string>("http://a.org "));
    QCOMPARE(v.linkAddress(2), std::nullopt);
    // Upper-case forms are links too.
    relay(v, 2, "Bob chats: WWW.UP.COM|clRed");
    QCOMPARE(v.linkCounter(), 2);
}

void ChatPaneTest::colourFromPayload() {
    QCOMPARE(chatLine(msg::Chat{1, "Al chats: hi|clLime"}).colour, 0x0000FF00u);
    QCOMPARE(chatLine(msg::Chat{1, "Al chats: hi|$00123456"}).colour, 0x00123456u);
    // no "|": the whole text, red
    ChatLine l = chatLine(msg::Chat{1, "Al chats: hi there"});
    QCOMPARE(l, (ChatLine{ChatLine::Kind::Chat, 1, "Al", "hi there", kColourRed}));
    // a colour that cannot be read: red
    l = chatLine(msg::Chat{1, "Al chats: hi|bogus"});
    QCOMPARE(l, (ChatLine{ChatLine::Kind::Chat, 1, "Al", "hi", kColourRed}));
    QCOMPARE(chatLine(msg::Chat{1, "Al chats: hi|"}).colour, kColourRed);
    QCOMPARE(chatLine(msg::Action{2, "Bo waves|clLime"}),
             (ChatLine{ChatLine::Kind::Action, 2, "Bo", "waves", 0x0000FF00u}));

    ChatView v;
    relay(v, 1, "Al chats: plain words");
    QCOMPARE(lastBlock(v).text(), QStringLiteral("Al chats:  plain words "));
    QCOMPARE(pieces(lastBlock(v))[0].colour, kRed);

    // A seat the styles do not cover is shown, and leaves every style alone.
    const QColor before = v.chatStyle(14).colour;
    v.addLine({ChatLine::Kind::Chat, 12, "Zed", "hello", 0x00FF0000});
    v.addLine({ChatLine::Kind::Action, -1, "Zed", "hello", 0x00FF0000});
    v.addLine({ChatLine::Kind::Notice, 10, {}, "no seat at all", 0x00FF0000});
    QCOMPARE(v.document()->blockCount(), 4);
    QCOMPARE(lastBlock(v).text(), QStringLiteral(" no seat at all "));
    QCOMPARE(v.chatStyle(14).colour, before);
}

// An action has no name part: the sender is one of its words, links and
// smileys included. A notice with a sender reads "NAME:"; names and texts
// from peers lose control and format characters.
void ChatPaneTest::actionsAndNamedNotices() {
    ChatView v;
    relayAction(v, 3, "Cy waves at www.c.org:)#11|clBlue");
    QCOMPARE(lastBlock(v).text(), QString(QStringLiteral(" Cy waves at www.c.org ")) +
                                      QChar(QChar::ObjectReplacementCharacter));
    std::vector<Piece> ps = pieces(lastBlock(v));
    QCOMPARE(ps.size(), std::size_t{3});
    QCOMPARE(ps[0].text, QStringLiteral(" Cy waves at "));
    QCOMPARE(ps[0].colour, QColor(0, 0, 255));
    QVERIFY(ps[0].bold);
    QCOMPARE(ps[1].href, QStringLiteral("dwlink:0"));
    QCOMPARE(ps[2].image, QStringLiteral("dwsmiley:1"));
    QCOMPARE(v.chatStyle(8).colour, QColor(0, 0, 255));

    // A sender's name is never a link.
    relay(v, 2, "www.bob.com chats: hi|clRed");
    QCOMPARE(lastBlock(v).text(), QStringLiteral("www.bob.com chats:  hi "));
    QCOMPARE(pieces(lastBlock(v)).size(), std::size_t{1});
    QCOMPARE(v.linkCounter(), 0);

    v.addLine({ChatLine::Kind::Notice, 0, "Bob", "<Chatter Sound> Doh", kColourYellow});
    QCOMPARE(lastBlock(v).text(), QStringLiteral("Bob:  <Chatter Sound> Doh "));

    relay(v, 2, "B\x1b\u202Eob chats: a\nb\x7f|clRed");
    QCOMPARE(lastBlock(v).text(), QStringLiteral("Bob chats:  ab "));
    relay(v, 2, "<b>Bob</b> chats: <i>x</i>|clRed");
    QCOMPARE(lastBlock(v).text(), QStringLiteral("<b>Bob</b> chats:  <i>x</i> "));
}

void ChatPaneTest::smileys() {
    ChatView v;
    relay(v, 1, "Al chats: hi:)#12there|clSilver");
    std::vector<Piece> ps = pieces(lastBlock(v));
    QCOMPARE(ps.size(), std::size_t{3});
    QCOMPARE(ps[0].text, QStringLiteral("Al chats:  hi "));
    QCOMPARE(ps[1].image, QStringLiteral("dwsmiley:2"));
    QCOMPARE(ps[2].text, QStringLiteral("there "));

    // missing, out-of-range and non-numeric codes show picture 0
    relay(v, 1, "Al chats: bye:)#|clSilver");
    ps = pieces(lastBlock(v));
    QCOMPARE(ps.back().image, QStringLiteral("dwsmiley:0"));
    QCOMPARE(ps.front().text, QStringLiteral("Al chats:  bye "));
    relay(v, 1, "Al chats: :)#99:)#ab:)#27:)#10:)#9|clSilver");
    QStringList images;
    for (const Piece& p : pieces(lastBlock(v)))
        if (!p.image.isEmpty())
            images << p.image;
    QCOMPARE(images,
             QStringList({"dwsmiley:0", "dwsmiley:0", "dwsmiley:17", "dwsmiley:0", "dwsmiley:0"}));
    QCOMPARE(smileyPicture("1"), 0);
    QCOMPARE(smileyPicture("27"), 17);
    QCOMPARE(smileyPicture("28"), 0);
    QCOMPARE(smileyPicture("+1"), 0);

    // The pictures themselves come from the view's resources.
    QTextDocument* doc = v.document();
    const QVariant pic = doc->resource(QTextDocument::ImageResource, QUrl("dwsmiley:17"));
    QVERIFY(pic.isValid());
}

void ChatPaneTest::laterLineRecoloursSeat() {
    ChatView v;
    v.resize(500, 214);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    relay(v, 2, "Bob chats: first www.a.com|clRed");
    relay(v, 3, "Cy chats: other|clBlue");
    relay(v, 2, "Bob chats: second|clLime");
    const QColor lime(0, 255, 0);
    const auto checkSeat2 = [&](const QTextBlock& b, const QColor& c) {
        for (const Piece& p : pieces(b)) {
            if (p.href.isEmpty()) {
                QCOMPARE(p.colour, c);
                QVERIFY(p.bold);
            } else {
                QCOMPARE(p.colour, kLinkGreen); // links keep their own style
            }
        }
    };
    checkSeat2(v.document()->firstBlock(), lime);
    for (const Piece& p : pieces(v.document()->firstBlock().next()))
        QCOMPARE(p.colour, QColor(0, 0, 255));
    QCOMPARE(v.chatStyle(7).colour, lime);
    QCOMPARE(v.chatStyle(8).colour, QColor(0, 0, 255));
    // The same colour again is no change.
    const int version = v.styleVersion(7);
    relay(v, 2, "Bob chats: third|clLime");
    QCOMPARE(v.styleVersion(7), version);

    // Far-away lines show the new colour once they are scrolled into view.
    for (int i = 0; i < 300; ++i)
        relay(v, 3, "Cy chats: filler " + std::to_string(i) + "|clBlue");
    relay(v, 2, "Bob chats: now aqua|clAqua");
    checkSeat2(v.document()->lastBlock(), QColor(0, 255, 255));
    v.verticalScrollBar()->setValue(0);
    checkSeat2(v.document()->firstBlock(), QColor(0, 255, 255));
    v.resize(500, 400);
    QCoreApplication::processEvents();
    for (QTextBlock b = v.document()->firstBlock(); b.isValid(); b = b.next())
        if (b.text().startsWith(QStringLiteral("Bob")) && b.isVisible() &&
            v.cursorRect(QTextCursor(b)).bottom() < v.viewport()->height())
            checkSeat2(b, QColor(0, 255, 255));

    // Styles are per seat even across a clear.
    v.clearMainChat();
    relay(v, 2, "Bob chats: after|clRed");
    QCOMPARE(pieces(lastBlock(v))[0].colour, kRed);
    QCOMPARE(v.document()->blockCount(), 1);
}

void ChatPaneTest::linksOpenAndSurviveClear() {
    ChatView v;
    std::vector<QUrl> opened;
    QStringList notices;
    v.setLinkOpener([&](const QUrl& u) { opened.push_back(u); });
    v.setNoticeShower([&](const QString& t) { notices << t; });
    QSignalSpy cleared(&v, &ChatView::chatCleared);

    relay(v, 1, "Al chats: www.one.com|clRed");
    v.clearMainChat();
    QCOMPARE(cleared.count(), 1);
    QVERIFY(v.document()->isEmpty());
    relay(v, 1, "Al chats: see http://two.org/x?y=1 and file:///etc/www.x|clRed");
    QCOMPARE(v.linkCounter(), 2);

    v.mainchatJump(0);
    v.mainchatJump(1);
    QCOMPARE(opened.size(), std::size_t{2});
    QCOMPARE(opened[0], QUrl("http://www.one.com"));
    QCOMPARE(opened[1], QUrl("http://two.org/x?y=1"));
    QVERIFY(notices.isEmpty());

    v.mainchatJump(2); // not a web address
    v.mainchatJump(5); // nothing stored
    v.mainchatJump(-1);
    QCOMPARE(notices,
             QStringList({"Cannot open Webpage", "Cannot open Webpage", "Cannot open Webpage"}));

    // Links beyond the hundredth are shown but have no address.
    std::string many = "Al chats:";
    for (int i = 0; i < 100; ++i)
        many += " www.n" + std::to_string(i) + ".com";
    relay(v, 1, many + "|clSilver");
    QCOMPARE(v.linkCounter(), 102);
    QCOMPARE(v.linkAddress(99), std::optional<std::string>("www.n96.com "));
    notices.clear();
    v.mainchatJump(100);
    QCOMPARE(notices.size(), 1);

    // A click on a link anchor goes through the same road.
    opened.clear();
    emit v.anchorClicked(QUrl("dwlink:0"));
    QCOMPARE(opened.size(), std::size_t{1});
}

void ChatPaneTest::scrollChatOff() {
    ChatView v;
    v.resize(500, 214);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    for (int i = 0; i < 60; ++i)
        relay(v, 1, "Al chats: line " + std::to_string(i) + "|clSilver");
    QScrollBar* bar = v.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());

    v.scrollChatOffAction()->setChecked(true);
    QVERIFY(v.scrollChatOff());
    bar->setValue(0);
    for (int i = 0; i < 20; ++i)
        relay(v, 1, "Al chats: more " + std::to_string(i) + "|clSilver");
    QTest::qWait(20);
    QCOMPARE(bar->value(), 0);

    v.scrollChatOffAction()->trigger(); // unchecks
    relay(v, 1, "Al chats: last|clSilver");
    QTRY_COMPARE(bar->value(), bar->maximum());
}

void ChatPaneTest::textSize() {
    ChatView v;
    relay(v, 1, "Al chats: hello|clSilver");
    QCOMPARE(v.document()->defaultFont().pointSize(), kDefaultChatTextSize);
    v.setTextSize(14);
    QCOMPARE(v.textSize(), 14);
    QCOMPARE(v.document()->defaultFont().pointSize(), 14);
    // A fragment takes its size from the document: no line fixes its own.
    QTextCursor c(v.document());
    c.movePosition(QTextCursor::NextCharacter);
    QVERIFY(!c.charFormat().hasProperty(QTextFormat::FontPointSize));
    v.setTextSize(0); // ignored
    QCOMPARE(v.textSize(), 14);
}

void ChatPaneTest::senditVariants() {
    PaneFixture f;
    f.type("hello there");
    QCOMPARE(f.sent, sent(msg::Chat{3, "hello there|clSilver"}));
    f.type("/me waves");
    QCOMPARE(f.sent, sent(msg::Action{3, "waves|clSilver"}));
    f.type("/mewaves");
    QCOMPARE(f.sent, sent(msg::Action{3, "aves|clSilver"}));
    f.type("/kick 2");
    QVERIFY(f.sent.empty());
    QVERIFY(f.pane.mychat()->text().isEmpty());
    f.type("");
    QVERIFY(f.sent.empty());

    f.pane.setChatColour(0x00123456);
    f.type("colour");
    QCOMPARE(f.sent, sent(msg::Chat{3, "colour|$00123456"}));
    QCOMPARE(f.pane.mychat()->palette().color(QPalette::Text), QColor(0x56, 0x34, 0x12));

    // Non-ASCII text travels as UTF-8, so the terminator byte never shows up
    // inside a message.
    f.pane.setChatColour(kColourSilver);
    f.type(QStringLiteral("\u00FF\u00FFy\u00E9 \U0001F600"));
    QCOMPARE(f.sent.size(), std::size_t{1});
    QCOMPARE(f.sent[0].find('\xFF'), f.sent[0].size() - 1);
    f.type(QStringLiteral("/me\U0001F600x"));
    QCOMPARE(f.sent, sent(msg::Action{3, "x|clSilver"}));

    f.loggedIn = false;
    f.type("kept");
    QVERIFY(f.sent.empty());
    QCOMPARE(f.pane.mychat()->text(), QStringLiteral("kept"));
}

void ChatPaneTest::inputKeysAndPaste() {
    PaneFixture f;
    ChatInput* in = f.pane.mychat();
    QCOMPARE(in->text(), kChatPrompt);
    QTest::keyClicks(in, "hi");
    QCOMPARE(in->text(), QStringLiteral("hi"));
    QTest::keyClick(in, Qt::Key_Return);
    QCOMPARE(f.sent, sent(msg::Chat{3, "hi|clSilver"}));
    QVERIFY(in->text().isEmpty());

    // Pasted line breaks become spaces; paste appends at the end.
    QGuiApplication::clipboard()->setText(QStringLiteral("one\ntwo\r\nthree\r"));
    in->setText(QStringLiteral("x "));
    in->setCursorPosition(0);
    QTest::keyClick(in, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(in->text(), QStringLiteral("x one two three "));
    QCOMPARE(in->cursorPosition(), in->text().size());
    in->setText(kChatPrompt);
    in->pasteAction()->trigger();
    QCOMPARE(in->text(), QStringLiteral("one two three "));

    // Even text set directly never carries a line break onto the wire.
    f.sent.clear();
    in->setText(QStringLiteral("a\nb"));
    QTest::keyClick(in, Qt::Key_Enter);
    QCOMPARE(f.sent, sent(msg::Chat{3, "a b|clSilver"}));

    // Enter on the prompt sends nothing.
    f.sent.clear();
    in->setText(kChatPrompt);
    QTest::keyClick(in, Qt::Key_Return);
    QVERIFY(f.sent.empty());
}

void ChatPaneTest::barInsideTextSurvivesRoundTrip() {
    PaneFixture f;
    f.type("pick a|b or c");
    QCOMPARE(f.sent.size(), std::size_t{1});
    // The host relays the text after the seat with the name in front.
    const auto chat = msg::decodeMessage<msg::Chat>(f.sent[0]);
    QVERIFY(chat);
    QCOMPARE(chat->seat, 3);
    ChatView& v = *f.pane.mainchat();
    relay(v, chat->seat, "Cy chats: " + chat->line);
    QCOMPARE(lastBlock(v).text(), QStringLiteral("Cy chats:  pick a|b or c "));
    QCOMPARE(pieces(lastBlock(v))[0].colour, QColor(192, 192, 192));
}

void ChatPaneTest::phraseButtons() {
    PaneFixture f;
    QTest::mouseClick(f.pane.phraseButton(1), Qt::LeftButton);
    QCOMPARE(f.sent, sent(msg::Action{3, "says: Way To Go!|clSilver"}));

    f.pane.setPhrase(2, QStringLiteral("/me cheers"));
    f.pane.setPhrase(3, QStringLiteral("/mecheers"));
    f.pane.setPhrase(4, QString());
    const auto press = [&](int n) {
        f.now += kPhraseIntervalMs;
        f.sent.clear();
        f.pane.phraseClicked(n);
    };
    press(2);
    QCOMPARE(f.sent, sent(msg::Action{3, "cheers|clSilver"}));
    press(3);
    QCOMPARE(f.sent, sent(msg::Action{3, "says: /mecheers|clSilver"}));
    press(4);
    QCOMPARE(f.sent, sent(msg::Action{3, "says: |clSilver"}));
    // Phrase buttons work without a login.
    f.loggedIn = false;
    press(1);
    QCOMPARE(f.sent.size(), std::size_t{1});

    // Stored phrases replace built-in texts only where they are not empty.
    PhraseTexts stored;
    stored[0] = "Stored one";
    f.pane.applyStoredPhrases(stored);
    QCOMPARE(f.pane.phrase(1), QStringLiteral("Stored one"));
    QCOMPARE(f.pane.phrase(5), QStringLiteral("Brilliant!"));
    QCOMPARE(f.pane.phrase(4), QString());
    QCOMPARE(f.pane.phrases()[0], std::string("Stored one"));
}

void ChatPaneTest::phraseRateLimit() {
    PaneFixture f;
    f.now = 50'000;
    f.pane.phraseClicked(1);
    f.pane.phraseClicked(2); // at once: ignored
    QCOMPARE(f.sent.size(), std::size_t{1});
    f.now += kPhraseIntervalMs - 1;
    f.pane.phraseClicked(2);
    QCOMPARE(f.sent.size(), std::size_t{1});
    f.now += 1;
    f.pane.phraseClicked(2);
    QCOMPARE(f.sent.size(), std::size_t{2});
    QCOMPARE(f.sent[1], (msg::Action{3, "says: Good One!|clSilver"}.encode()));

    // The real clock: a second press right after the first is refused.
    QWidget board;
    std::vector<std::string> sent;
    ChatPane real(&board,
                  ChatPane::Hooks{[&](std::string m) { sent.push_back(std::move(m)); },
                                  [] { return 1; },
                                  [] { return true; },
                                  {}},
                  nullptr);
    real.phraseClicked(1);
    real.phraseClicked(1);
    QCOMPARE(sent.size(), std::size_t{1});
}

void ChatPaneTest::chatterSounds() {
    PaneFixture f;
    ChatView& v = *f.pane.mainchat();
    QSignalSpy alerts(&f.sounds, &SoundPlayer::alertSounded);

    f.pane.setPlayerPhraseSounds(false);
    f.pane.playSound(2, "wave4");
    QCOMPARE(v.document()->blockCount(), 1);
    const QString line = lastBlock(v).text();
    QVERIFY2(line.startsWith(QStringLiteral("Bob: ")), qPrintable(line));
    QVERIFY(line.contains(QStringLiteral("<Chatter Sound> Thank You")));
    for (const Piece& p : pieces(lastBlock(v)))
        QCOMPARE(p.colour, kYellow);
    QCOMPARE(alerts.count(), 0);

    // Unknown seat or sound: nothing shown.
    f.pane.playSound(4, "wave4");
    f.pane.playSound(2, "wave21");
    f.pane.playSound(2, "honk");
    QCOMPARE(v.document()->blockCount(), 1);
    f.pane.playSound(2, "WAVE20");
    QVERIFY(lastBlock(v).text().endsWith(QStringLiteral("Crying ")));

    // Switch on: the sound is played and nothing is shown.
    f.pane.setPlayerPhraseSounds(true);
    f.pane.playSound(2, "wave4");
    f.pane.playSound(2, "nosuchsound");
    QCOMPARE(v.document()->blockCount(), 2);
    QCOMPARE(alerts.count(), 1);
    QCOMPARE(alerts.at(0).at(0).toString(), QStringLiteral("nosuchsound"));
    f.sounds.stop();
}

void ChatPaneTest::chatterMenu() {
    PaneFixture f;
    const QList<QAction*> items = f.pane.chatterMenu()->actions();
    QCOMPARE(items.size(), 21);
    items[0]->trigger();
    QVERIFY(f.sent.empty());
    items[4]->trigger();
    QCOMPARE(f.sent, sent(msg::PlayASound{3, "wave4"}));
    // No rate limit on chatter.
    items[20]->trigger();
    QCOMPARE(f.sent.back(), (msg::PlayASound{3, "wave20"}.encode()));
    f.loggedIn = false;
    f.sent.clear();
    items[4]->trigger();
    QVERIFY(f.sent.empty());
}

void ChatPaneTest::smileyMenu() {
    PaneFixture f;
    const QList<QAction*> items = f.pane.smileyMenu()->actions();
    QCOMPARE(items.size(), 18);
    items[2]->trigger();
    QCOMPARE(f.pane.mychat()->text(), QStringLiteral(":)#12"));
    f.pane.mychat()->setCursorPosition(0);
    items[17]->trigger();
    QCOMPARE(f.pane.mychat()->text(), QStringLiteral(":)#12:)#27"));
    QCOMPARE(f.pane.mychat()->cursorPosition(), 10);

    // Clearing the chat hands the keyboard focus to the input box.
    f.pane.mainchat()->setFocus();
    f.pane.mainchat()->clearMainChatAction()->trigger();
    QCOMPARE(f.board.focusWidget(), f.pane.mychat());
}

void ChatPaneTest::phrasesWindow() {
    PaneFixture f;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::filesystem::path ini = settingsFilePath(dir.path().toStdString());
    writeIni(ini);
    std::vector<PhraseTexts> saved;
    PhrasesWindow w(f.pane, [&](const PhraseTexts& t) {
        saved.push_back(t);
        savePhrasesFile(ini, t);
    });

    f.pane.setPhrase(6, QStringLiteral("Six"));
    w.openPhrases();
    QVERIFY(w.isVisible());
    QCOMPARE(w.edit(1)->text(), QStringLiteral("Way To Go!"));
    QCOMPARE(w.edit(6)->text(), QStringLiteral("Six"));

    w.edit(1)->setText(QStringLiteral("/me cheers"));
    w.edit(3)->clear();
    w.edit(2)->setText(QString(60, QLatin1Char('x')));
    QCOMPARE(w.edit(2)->text().size(), kPhraseMaxLength);
    w.onDone();
    QVERIFY(!w.isVisible());
    QCOMPARE(f.pane.phrase(1), QStringLiteral("/me cheers"));
    QCOMPARE(f.pane.phrase(3), QString());
    QCOMPARE(f.pane.phraseButton(1)->toolTip(), QStringLiteral("/me cheers"));
    QCOMPARE(saved.size(), std::size_t{1});
    QCOMPARE(saved[0][0], std::string("/me cheers"));
    QCOMPARE(saved[0][2], std::string());
    QCOMPARE(saved[0][8], std::string("Good Game Everyone!"));

    // Every key is written, the empty one too, and the rest of the file stays.
    const IniFile file = IniFile::load(ini);
    for (int n = 1; n <= kPhraseCount; ++n)
        QVERIFY(file.read("Driftwake", "Phrase" + std::to_string(n)).has_value());
    QCOMPARE(file.read("Driftwake", "Phrase3"), std::optional<std::string>(""));
    QCOMPARE(file.read("Driftwake", "Phrase1"), std::optional<std::string>("/me cheers"));
    QCOMPARE(file.read("Other", "Keep"), std::optional<std::string>("yes"));

    // An emptied button sends "says: " alone.
    f.pane.phraseClicked(3);
    QCOMPARE(f.sent.back(), (msg::Action{3, "says: |clSilver"}.encode()));
}

QTEST_MAIN(ChatPaneTest)
#include "test_chatpane.moc"
