// driftwake-boardshot --out DIR: plays scripted host commands into a board
// model and writes what the board panel shows at a few moments of a game as
// PNG files, for reviewing the board's looks.
#include "client/boardmodel.h"
#include "client/chatline.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"
#include "store/settings.h"
#include "store/tallytable.h"
#include "ui/aboutwindow.h"
#include "ui/boardwidget.h"
#include "ui/chatpane.h"
#include "ui/downloadwindow.h"
#include "ui/gameoptionsdialog.h"
#include "ui/messagebox.h"
#include "ui/phraseswindow.h"
#include "ui/scaling.h"
#include "ui/tallywindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTextStream>

#include <initializer_list>
#include <optional>
#include <string>

namespace {

struct ShotEvents : dw::BoardEvents {
    dw::BoardWidget* widget = nullptr;
    void log(const std::string& line) override {
        if (widget)
            widget->appendLog(QString::fromStdString(line));
    }
    void notice(const std::string&) override {}
    void sound(const std::string&) override {}
    void send(const std::string&) override {}
    void setOwnTallyCell(int, const std::string&) override {}
    void addGame(const std::string&) override {}
    void spyAdded(const std::string&) override {}
    void spyRemoved(const std::string&) override {}
    void loadSettings() override {}
};

class Shooter {
public:
    // With a valid `area`, the board is shown scaled and centred in a black
    // client area of that size, as the main window shows it.
    Shooter(QString dir, QSize area) : dir_(std::move(dir)) {
        events_.widget = &widget_;
        model_.state().isHost = true;
        model_.state().playerName = "Ann";
        if (area.isValid()) {
            area_.resize(area);
            QPalette p = area_.palette();
            p.setColor(QPalette::Window, Qt::black);
            area_.setPalette(p);
            area_.setAutoFillBackground(true);
            widget_.setParent(&area_);
            const qreal scale =
                dw::scaling::fitScale(area, QSize(dw::kMinClientWidth, dw::kMinClientHeight));
            widget_.setScale(scale);
            widget_.move(dw::scaling::centred(area, widget_.size(), scale));
            area_.show();
        } else {
            widget_.show();
        }
    }

    // Feeds encoded host messages.
    void feed(std::initializer_list<std::string> messages) {
        for (std::string m : messages) {
            while (!m.empty() && m.back() == dw::kTerminator)
                m.pop_back();
            const dw::Command c = dw::splitCommand(m);
            if (!model_.handleCommand(c.word, c.payload))
                QTextStream(stderr) << "not a board command: " << QString::fromStdString(m) << "\n";
        }
        widget_.refresh();
    }
    dw::BoardModel& model() { return model_; }
    dw::BoardWidget& widget() { return widget_; }

    bool shoot(const QString& name) {
        widget_.refresh();
        const QString path = QDir(dir_).filePath(name + QStringLiteral(".png"));
        const bool ok = (area_.isVisible() ? area_.grab() : widget_.grab()).save(path);
        QTextStream(ok ? stdout : stderr) << (ok ? "wrote " : "cannot write ") << path << "\n";
        return ok;
    }

private:
    QString dir_;
    ShotEvents events_;
    dw::BoardModel model_{events_, [](int) { return 0; }};
    QWidget area_;
    dw::BoardWidget widget_{model_};
};

bool shootWindow(QWidget* window, const QString& dir, const QString& name) {
    window->show();
    QCoreApplication::processEvents();
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    const bool ok = window->grab().save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "wrote " : "cannot write ") << path << "\n";
    return ok;
}

// The game's other windows, for reviewing that each reads clearly.
bool shootWindows(const QString& dir) {
    bool ok = true;
    QWidget main; // stands for the main window, which has no style sheet
    main.resize(dw::kMinClientWidth, dw::kMinClientHeight);

    dw::TallyTable table;
    dw::TallyWindow tally(table, &main);
    tally.openTally({"Bob", "Klick"});
    tally.checklistClickCheck(0, true);
    ok &= shootWindow(&tally, dir, QStringLiteral("tally"));

    QWidget board(&main);
    dw::ChatPane pane(&board, {}, nullptr);
    dw::PhrasesWindow phrases(pane, {}, &main);
    phrases.openPhrases();
    ok &= shootWindow(&phrases, dir, QStringLiteral("phrases"));

    dw::AboutWindow about(&main);
    ok &= shootWindow(&about, dir, QStringLiteral("about"));

    dw::DownloadWindow download(&main);
    ok &= shootWindow(&download, dir, QStringLiteral("download"));
    // The box the download window opens: parented the way the window does.
    QMessageBox box(QMessageBox::Information, download.windowTitle(),
                    QStringLiteral("The download failed: Connection refused"), QMessageBox::Ok,
                    dw::plainParent(&download));
    ok &= shootWindow(&box, dir, QStringLiteral("messagebox"));
    return ok;
}

// The chat view with one line of every kind the window shows: the client's
// own notices, chats with a link and smileys, an action, a phrase and a
// chatter sound written out.
bool shootChat(const QString& dir) {
    QWidget board;
    board.resize(dw::kMinClientWidth, dw::kMinClientHeight);
    dw::ChatPane pane(&board,
                      {nullptr, nullptr, nullptr,
                       [](int seat) -> std::optional<QString> {
                           if (seat == 2)
                               return QStringLiteral("Bob");
                           return std::nullopt;
                       }},
                      nullptr);
    pane.setPlayerPhraseSounds(false);
    dw::ChatView& view = *pane.mainchat();
    const auto notice = [&](const std::string& text) {
        view.addLine({dw::ChatLine::Kind::Notice, 0, {}, text, dw::kColourYellow});
    };
    notice("You are Connected.");
    notice("Joining: 127.0.0.1 ..");
    view.addLine(
        dw::chatLine(dw::msg::Chat{2, "Bob chats: look at www.example.com now :)#12|clRed"}));
    view.addLine(
        dw::chatLine(dw::msg::Chat{1, "Ann chats: hello:)#15there, see http://a.org|clLime"}));
    view.addLine(dw::chatLine(dw::msg::Action{3, "Klick waves :)#11 at www.b.com|clAqua"}));
    view.addLine(dw::chatLine(dw::msg::Action{2, "Bob says: Way To Go!|clRed"}));
    view.addLine(dw::chatLine(dw::msg::Chat{4, "Cy chats: no colour"}));
    pane.playSound(2, "wave10");
    view.addLine(dw::chatLine(dw::msg::Chat{1, "Ann chats: blue now|clBlue"}));
    board.show();
    QCoreApplication::processEvents();
    const QString path = QDir(dir).filePath(QStringLiteral("chat.png"));
    const bool ok = view.grab().save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "wrote " : "cannot write ") << path << "\n";
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders scripted board states as PNG files."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("out"), QStringLiteral("Directory for the PNG files."),
                      QStringLiteral("DIR"), QStringLiteral(".")});
    parser.addOption({QStringLiteral("size"),
                      QStringLiteral("Client area WxH; the board is scaled to fill it."),
                      QStringLiteral("WxH")});
    parser.addOption({QStringLiteral("windows"),
                      QStringLiteral("Also the tally, phrases, about and download windows and "
                                     "a message box opened from the download window.")});
    parser.process(app);
    QSize area;
    if (parser.isSet(QStringLiteral("size"))) {
        const QStringList wh = parser.value(QStringLiteral("size")).split(QLatin1Char('x'));
        if (wh.size() == 2)
            area = QSize(wh[0].toInt(), wh[1].toInt());
    }
    const QString dir = parser.value(QStringLiteral("out"));
    QDir().mkpath(dir);
    bool ok = true;

    Shooter s(dir, area);
    // A fresh board: the host waits for a game.
    s.feed({dw::msg::SendLoginInfo{1}.encode(), dw::msg::NewPlayerInfo{1, "Ann"}.encode(),
            dw::msg::NewPlayerInfo{2, "Bob"}.encode()});
    ok &= s.shoot(QStringLiteral("waiting"));

    // Opening deal: Ann (seat 1) hosts, Bob in seat 2, Klick flies seat 3,
    // seat 4 stays out. Ann drew 20000 and selects UNDOCK.
    s.feed({dw::msg::StartGameAnnounce{"Ann", 5000, 70000, true, false}.encode(),
            dw::msg::StartingRound{}.encode(),
            dw::msg::MyCards{1, {{1, 6}, {2, 3}, {3, 12}, {4, 16}, {5, 1}, {6, 10}}}.encode(),
            dw::msg::NextPlayer{1, 7, 5, 19}.encode()});
    s.model().onCardReleased(1, false);
    ok &= s.shoot(QStringLiteral("opening"));

    // Mid-round: ships undocked and travelling, a protection, a teleport,
    // damage on Ann's ship; Bob just watches. Ann drew REPAIR and selects it.
    s.model().onCardReleased(1, false);
    s.feed({dw::msg::PlacingGo{1, 6, 1, 1}.encode(),
            dw::msg::NextPlayer{2, 0, 0, 20}.encode(),
            dw::msg::PlacingGo{2, 6, 3, 2}.encode(),
            dw::msg::NextPlayer{3, 0, 0, 21}.encode(),
            dw::msg::PlacingGo{3, 6, 2, 3}.encode(),
            dw::msg::NextPlayer{1, 1, 2, 22}.encode(),
            dw::msg::Traveling{1, 20000, 5, 7, 20000}.encode(),
            dw::msg::NextPlayer{2, 0, 0, 23}.encode(),
            dw::msg::Traveling{2, 10000, 4, 4, 10000}.encode(),
            dw::msg::NextPlayer{3, 0, 0, 24}.encode(),
            dw::msg::PlaySafe{3, 16, 5, 0}.encode(),
            dw::msg::Traveling{3, 7500, 3, 1, 7500}.encode(),
            dw::msg::NextPlayer{1, 7, 16, 25}.encode(),
            dw::msg::PlaySafe{1, 16, 7, 0}.encode(),
            dw::msg::PlacingSpeed{1, 10, 6, 2}.encode(),
            dw::msg::NextPlayer{2, 0, 0, 26}.encode(),
            dw::msg::PlacingGo{2, 12, 2, 1}.encode(),
            dw::msg::NextPlayer{3, 0, 0, 27}.encode(),
            dw::msg::HeDiscard{3, 4, 7}.encode(),
            dw::msg::JustWatching{2, true}.encode(),
            dw::msg::NextPlayer{1, 6, 13, 28}.encode()});
    s.model().onCardReleased(6, false);
    ok &= s.shoot(QStringLiteral("midround"));

    // Round over: Bob completed the trip.
    s.model().onCardReleased(6, false);
    s.feed({dw::msg::PlacingGo{1, 13, 6, 1}.encode(), dw::msg::NextPlayer{2, 0, 0, 29}.encode(),
            dw::msg::Traveling{2, 70000, 5, 1, 20000}.encode(),
            dw::msg::PostScores{2,
                                {{1, 425, 425, 325, 0, 0, 100, 0},
                                 {2, 1900, 1900, 700, 400, 300, 0, 500},
                                 {3, 550, 550, 450, 0, 0, 100, 0}}}
                .encode()});
    ok &= s.shoot(QStringLiteral("scores"));

    // A later round ends the game: Bob's total passes the amount to earn.
    s.feed({dw::msg::StartingRound{}.encode(),
            dw::msg::MyCards{1, {{1, 1}, {2, 2}, {3, 6}, {4, 9}, {5, 17}, {6, 14}}}.encode(),
            dw::msg::NextPlayer{2, 0, 0, 19}.encode(),
            dw::msg::Traveling{2, 70000, 5, 1, 20000}.encode(),
            dw::msg::PostScores{2,
                                {{1, 2875, 850, 550, 0, 300, 0, 0},
                                 {2, 5025, 1225, 700, 400, 0, 0, 0},
                                 {3, 1630, 1080, 680, 400, 0, 0, 0}}}
                .encode(),
            dw::msg::Winner{"Bob", 2}.encode()});
    ok &= s.shoot(QStringLiteral("winner"));

    s.widget().showQuickInstructions();
    ok &= s.shoot(QStringLiteral("quick"));

    ok &= shootChat(dir);

    dw::GameOptionsDialog dialog;
    ok &= shootWindow(&dialog, dir, QStringLiteral("gamestart"));
    if (parser.isSet(QStringLiteral("windows")))
        ok &= shootWindows(dir);
    return ok ? 0 : 1;
}
