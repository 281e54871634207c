// The chat view: a read-only rich text view that shows chat, action and
// status lines in the colour of their author, with inline smileys and
// clickable web links.
//
// A line comes as its fields (client/chatline.h). Seat 0 marks the client's
// own status lines; seats 1 to 9 are players and spectators. Each seat has
// its own text style, and a style's colour belongs to the style rather than
// to a line: every new line re-colours its style, so all earlier lines of
// the same seat show that seat's newest colour. Paragraphs are re-coloured
// as they come into sight, so a colour change costs the same however long
// the chat is.
#pragma once

#include "client/chatline.h"

#include <QColor>
#include <QPixmap>
#include <QTextBrowser>
#include <QUrl>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;

namespace dw {

inline constexpr int kChatStyleCount = 15;
inline constexpr int kStatusStyle = 0;
inline constexpr int kLinkStyle = 4;
inline constexpr int kLinkSlotCount = 100;
inline constexpr int kFirstSmileyCode = 10;
inline constexpr int kLastSmileyCode = 27;
inline constexpr std::string_view kSmileyMark = ":)#";
inline constexpr int kDefaultChatTextSize = 10;

// The style a line from `seat` uses: 0 for status lines, seat + 5 for seats
// 1 to 9, nothing for any other seat.
std::optional<int> chatStyleForSeat(int seat);

// The picture a smiley code shows: code - 10 for "10" to "27", otherwise 0.
int smileyPicture(std::string_view code);

// One of the view's 15 text styles.
struct ChatStyle {
    QColor colour;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

class ChatView : public QTextBrowser {
    Q_OBJECT

public:
    // The text property that marks which style a fragment was written in.
    static constexpr int kStyleProperty = QTextFormat::UserProperty + 1;
    // The scheme of link anchors ("dwlink:N") and smiley images ("dwsmiley:N").
    static constexpr const char* kLinkScheme = "dwlink";
    static constexpr const char* kSmileyScheme = "dwsmiley";

    explicit ChatView(QWidget* parent = nullptr);

    // Adds one line, its sender and text shown as plain text (text/plaintext.h),
    // and scrolls to the end unless scrolling is off.
    void addLine(const ChatLine& line);
    // Opens the address of link n, or tells the user there is none.
    void mainchatJump(int n);
    // Empties the view; the link table and counter are kept.
    void clearMainChat();

    // Point size of all 15 styles.
    void setTextSize(int pointSize);
    int textSize() const { return textSize_; }
    // The board's scale (1 = 100%): text and smileys grow with it.
    void setScale(qreal scale);

    // How many times style k changed; paragraphs in sight always show the
    // latest, the others are brought up to date as they come into view.
    int styleVersion(int k) const;
    const ChatStyle& chatStyle(int k) const { return styles_.at(static_cast<std::size_t>(k)); }
    // The number of the last link added (-1 before the first).
    int linkCounter() const { return linkCounter_; }
    // The address stored for link n (with its trailing space), if any.
    std::optional<std::string> linkAddress(int n) const;

    // Shared menu actions: the Options menu of the main window may show the
    // same actions, so both places share one check mark.
    QAction* scrollChatOffAction() const { return scrollOff_; }
    QAction* clearMainChatAction() const { return clear_; }
    QAction* selectAllAction() const { return selectAll_; }
    QAction* copyAction() const { return copy_; }
    bool scrollChatOff() const;

    // How addresses are opened and notices shown; the defaults use the
    // desktop's handler and a message box. Tests replace them.
    void setLinkOpener(std::function<void(const QUrl&)> opener) { openLink_ = std::move(opener); }
    void setNoticeShower(std::function<void(const QString&)> shower) {
        showNotice_ = std::move(shower);
    }

signals:
    // "Clear Main Chat" was chosen; the keyboard focus belongs to the input box.
    void chatCleared();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    // Copies carry plain text only.
    QMimeData* createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void resetDocument();
    QTextCharFormat formatFor(int k) const;
    void addWords(QTextCursor& cursor, std::string_view chunk, const QTextCharFormat& plain);
    // Brings the paragraphs in sight up to their style's current colour.
    void refreshColours();
    void linkClicked(const QUrl& url);

    std::array<ChatStyle, kChatStyleCount> styles_{};
    // Each style change counts up its version; a paragraph remembers (as its
    // block's user state) the version it was last coloured with.
    std::array<int, kChatStyleCount> styleVersions_{};
    bool refreshing_ = false;
    QPixmap smileyImage(int index) const;

    int textSize_ = kDefaultChatTextSize;
    qreal scale_ = 1.0;
    int linkCounter_ = -1;
    bool empty_ = true;
    bool followEnd_ = true;
    std::array<std::optional<std::string>, kLinkSlotCount> links_{};

    QAction* selectAll_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* clear_ = nullptr;
    QAction* scrollOff_ = nullptr;

    std::function<void(const QUrl&)> openLink_;
    std::function<void(const QString&)> showNotice_;
};

} // namespace dw
