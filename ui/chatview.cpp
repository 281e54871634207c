#include "ui/chatview.h"

#include "protocol/protocol.h"
#include "store/colours.h"
#include "text/plaintext.h"
#include "ui/artwork.h"
#include "ui/scaling.h"

#include "ui/messagebox.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>

#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>

#include <algorithm>
#include <cctype>
#include <utility>

namespace dw {

namespace {

constexpr int kMargin = 5;

QColor qcolour(std::uint32_t colour) {
    const Rgb rgb = colourToRgb(colour);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isLinkWord(std::string_view word) {
    const std::string l = lower(word);
    return l.find("http://") != std::string::npos || l.find("www.") != std::string::npos;
}

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

std::optional<int> chatStyleForSeat(int seat) {
    if (seat == 0)
        return kStatusStyle;
    if (seat >= 1 && seat <= 9)
        return seat + 5;
    return std::nullopt;
}

int smileyPicture(std::string_view code) {
    const std::optional<int> n = parseNumber(code);
    if (code.size() == 2 && n && *n >= kFirstSmileyCode && *n <= kLastSmileyCode)
        return *n - kFirstSmileyCode;
    return 0;
}

ChatView::ChatView(QWidget* parent) : QTextBrowser(parent) {
    const QColor windowText = QApplication::palette().color(QPalette::WindowText);
    const QColor yellow = qcolour(kColourYellow);
    const QColor green = qcolour(0x00008000);
    // Links are green and underlined; a light green reads well on the black view.
    const QColor linkGreen(64, 232, 96);
    styles_[0] = {yellow, false, false, false};
    styles_[1] = {yellow, true, false, false};
    styles_[2] = {yellow, true, false, false};
    styles_[3] = {qcolour(0x00000080), false, true, false};
    styles_[4] = {linkGreen, false, false, true};
    styles_[5] = {green, false, false, true};
    styles_[6] = {qcolour(kColourSilver), false, false, false};
    styles_[7] = {qcolour(kColourSilver), false, false, false};
    for (int k = 8; k < kChatStyleCount; ++k)
        styles_[static_cast<std::size_t>(k)] = {windowText, false, false, false};

    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WordWrap);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setTextSize(kDefaultChatTextSize);
    resetDocument();

    selectAll_ = new QAction(tr("Select All"), this);
    connect(selectAll_, &QAction::triggered, this, &QTextEdit::selectAll);
    copy_ = new QAction(tr("Copy"), this);
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy_->setShortcutContext(Qt::WidgetShortcut);
    connect(copy_, &QAction::triggered, this, [this] {
        if (textCursor().hasSelection())
            QGuiApplication::clipboard()->setMimeData(createMimeDataFromSelection());
    });
    clear_ = new QAction(tr("Clear Main Chat"), this);
    connect(clear_, &QAction::triggered, this, &ChatView::clearMainChat);
    scrollOff_ = new QAction(tr("Scroll Chat Off"), this);
    scrollOff_->setCheckable(true);
    scrollOff_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    scrollOff_->setShortcutContext(Qt::WindowShortcut);
    addAction(scrollOff_);

    connect(this, &QTextBrowser::anchorClicked, this, &ChatView::linkClicked);
    // The document is laid out in steps, so the end may move after a line
    // was added; keep following it until the user scrolls.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int max) {
        if (followEnd_ && !scrollChatOff())
            verticalScrollBar()->setValue(max);
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ChatView::refreshColours);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int) { followEnd_ = false; });
    connect(scrollOff_, &QAction::toggled, this, [this](bool off) {
        if (off)
            followEnd_ = false;
    });

    openLink_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    showNotice_ = [this](const QString& text) {
        showInformation(this, QStringLiteral("Driftwake"), text);
    };
}

bool ChatView::scrollChatOff() const {
    return scrollOff_->isChecked();
}

void ChatView::resetDocument() {
    document()->setDocumentMargin(0);
    QTextFrameFormat root = document()->rootFrame()->frameFormat();
    root.setLeftMargin(kMargin);
    root.setRightMargin(kMargin);
    document()->rootFrame()->setFrameFormat(root);
}

void ChatView::setTextSize(int pointSize) {
    if (pointSize < 1)
        return;
    textSize_ = pointSize;
    // Every style takes its face and size from the document's font, so a new
    // size reaches every line already shown as well.
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(pointSize * scale_);
    setFont(f);
    document()->setDefaultFont(f);
    refreshColours();
}

void ChatView::setScale(qreal scale) {
    if (!(scale > 0) || scale == scale_)
        return;
    scale_ = scale;
    // Smileys already shown are drawn again for the new size.
    for (int i = 0; i < art::kSmileyCount; ++i)
        document()->addResource(
            QTextDocument::ImageResource,
            QUrl(QStringLiteral("%1:%2").arg(QLatin1String(kSmileyScheme)).arg(i)), smileyImage(i));
    setTextSize(textSize_);
    document()->markContentsDirty(0, document()->characterCount());
}

QPixmap ChatView::smileyImage(int index) const {
    const qreal screen = devicePixelRatioF();
    return scaling::forScreen(art::smiley(index, screen * scale_), screen);
}

QTextCharFormat ChatView::formatFor(int k) const {
    QTextCharFormat f;
    const ChatStyle& s = styles_.at(static_cast<std::size_t>(k));
    f.setForeground(s.colour);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setProperty(kStyleProperty, k);
    return f;
}

std::optional<std::string> ChatView::linkAddress(int n) const {
    if (n < 0 || n >= kLinkSlotCount)
        return std::nullopt;
    return links_[static_cast<std::size_t>(n)];
}

void ChatView::refreshColours() {
    // Colour is all that differs between the old and the new look of a
    // style (every seat line is bold), so only paragraphs that can be seen
    // need to follow a change; the others catch up when they scroll into view.
    if (refreshing_ || document()->isEmpty())
        return;
    refreshing_ = true;
    const QTextBlock first = cursorForPosition(QPoint(0, 0)).block();
    const QTextBlock last =
        cursorForPosition(QPoint(viewport()->width() - 1, viewport()->height() - 1)).block();
    std::vector<std::pair<int, int>> runs;
    std::vector<QTextBlock> stale;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        if (bf.hasProperty(kStyleProperty)) {
            const int k = bf.intProperty(kStyleProperty);
            const int version = styleVersions_.at(static_cast<std::size_t>(k));
            if (b.userState() != version) {
                stale.push_back(b);
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextFragment frag = it.fragment();
                    const QTextCharFormat cf = frag.charFormat();
                    if (frag.isValid() && cf.hasProperty(kStyleProperty) &&
                        cf.intProperty(kStyleProperty) == k)
                        runs.emplace_back(frag.position(), frag.position() + frag.length());
                }
            }
        }
        if (b == last)
            break;
    }
    if (!stale.empty()) {
        // Runs are collected first: changing a format may join fragments.
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        for (const auto& [from, to] : runs) {
            cursor.setPosition(from);
            const int k = cursor.block().blockFormat().intProperty(kStyleProperty);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(formatFor(k));
        }
        cursor.endEditBlock();
        for (QTextBlock& b : stale)
            b.setUserState(styleVersions_.at(
                static_cast<std::size_t>(b.blockFormat().intProperty(kStyleProperty))));
    }
    refreshing_ = false;
}

int ChatView::styleVersion(int k) const {
    return styleVersions_.at(static_cast<std::size_t>(k));
}

void ChatView::resizeEvent(QResizeEvent* event) {
    QTextBrowser::resizeEvent(event);
    refreshColours();
}

void ChatView::addWords(QTextCursor& cursor, std::string_view chunk, const QTextCharFormat& plain) {
    // Plain words in a row share one format and are inserted together.
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty())
            cursor.insertText(run, plain);
        run.clear();
    };
    while (!chunk.empty()) {
        const std::size_t space = chunk.find(' ');
        const std::size_t len = space == std::string_view::npos ? chunk.size() : space + 1;
        const std::string_view word = chunk.substr(0, len);
        chunk.remove_prefix(len);
        if (!isLinkWord(word)) {
            run += fromUtf8(word);
            continue;
        }
        flush();
        ++linkCounter_;
        if (linkCounter_ < kLinkSlotCount)
            links_[static_cast<std::size_t>(linkCounter_)] = std::string(word);
        QTextCharFormat link = formatFor(kLinkStyle);
        link.setAnchor(true);
        link.setAnchorHref(
            QStringLiteral("%1:%2").arg(QLatin1String(kLinkScheme)).arg(linkCounter_));
        cursor.insertText(fromUtf8(word), link);
    }
    flush();
}

void ChatView::addLine(const ChatLine& line) {
    // Names and texts from peers lose control and format characters.
    const ChatLineParts parts = chatLineParts(line);
    const std::string name = displayText(parts.name);
    const std::string words = displayText(parts.words);
    std::string_view rest = words;
    // A seat without a style is shown in its line's colour without touching
    // any style.
    const std::optional<int> k = chatStyleForSeat(line.seat);

    QTextCharFormat own;
    int styleIndex = -1;
    if (k) {
        styleIndex = *k;
        ChatStyle& style = styles_[static_cast<std::size_t>(styleIndex)];
        const ChatStyle wanted{qcolour(line.colour), true, false, false};
        if (style.colour != wanted.colour || style.bold != wanted.bold ||
            style.italic != wanted.italic || style.underline != wanted.underline) {
            style = wanted;
            ++styleVersions_[static_cast<std::size_t>(styleIndex)];
        }
        own = formatFor(styleIndex);
    } else {
        own.setForeground(qcolour(line.colour));
        own.setFontWeight(QFont::Bold);
    }

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // The first line fills the empty paragraph an empty document holds.
    if (!empty_)
        cursor.insertBlock();
    empty_ = false;
    if (styleIndex >= 0) {
        QTextBlockFormat bf;
        bf.setProperty(kStyleProperty, styleIndex);
        cursor.setBlockFormat(bf);
        cursor.block().setUserState(styleVersions_[static_cast<std::size_t>(styleIndex)]);
    } else {
        cursor.setBlockFormat(QTextBlockFormat());
    }
    cursor.setCharFormat(own);
    cursor.insertText(fromUtf8(name) + QLatin1Char(' '), own);

    while (true) {
        const std::size_t mark = rest.find(kSmileyMark);
        if (mark == std::string_view::npos)
            break;
        const std::string chunk = std::string(rest.substr(0, mark)) + ' ';
        rest.remove_prefix(mark + kSmileyMark.size());
        const std::string_view code = rest.substr(0, std::min<std::size_t>(2, rest.size()));
        rest.remove_prefix(code.size());
        addWords(cursor, chunk, own);
        QTextImageFormat image;
        image.setName(
            QStringLiteral("%1:%2").arg(QLatin1String(kSmileyScheme)).arg(smileyPicture(code)));
        cursor.insertImage(image);
    }
    if (!rest.empty())
        addWords(cursor, std::string(rest) + ' ', own);
    cursor.endEditBlock();

    if (!scrollChatOff()) {
        followEnd_ = true;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    refreshColours();
}

void ChatView::clearMainChat() {
    clear();
    resetDocument();
    empty_ = true;
    emit chatCleared();
}

void ChatView::linkClicked(const QUrl& url) {
    if (url.scheme() != QLatin1String(kLinkScheme))
        return;
    bool ok = false;
    const int n = url.path().toInt(&ok);
    if (ok)
        mainchatJump(n);
}

void ChatView::mainchatJump(int n) {
    const std::optional<std::string> stored = linkAddress(n);
    if (!stored) {
        showNotice_(tr("Cannot open Webpage"));
        return;
    }
    QString address = fromUtf8(*stored);
    while (address.endsWith(QLatin1Char(' ')))
        address.chop(1);
    // A bare "www." address names a web page; give it its scheme so that
    // the desktop hands it to a browser.
    if (address.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        address.prepend(QLatin1String("http://"));
    const QUrl url(address, QUrl::TolerantMode);
    // Only web pages are opened: a word that merely contains "www." must not
    // make the desktop open a local file or start another program.
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        showNotice_(tr("Cannot open Webpage"));
        return;
    }
    openLink_(url);
}

QVariant ChatView::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::ImageResource && name.scheme() == QLatin1String(kSmileyScheme)) {
        bool ok = false;
        int index = name.path().toInt(&ok);
        if (!ok || index < 0 || index >= art::kSmileyCount)
            index = 0;
        return smileyImage(index);
    }
    return QTextBrowser::loadResource(type, name);
}

QMimeData* ChatView::createMimeDataFromSelection() const {
    auto* mime = new QMimeData;
    QString text = textCursor().selection().toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    mime->setText(text);
    return mime;
}

void ChatView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(selectAll_);
    menu.addAction(copy_);
    menu.addAction(clear_);
    menu.addAction(scrollOff_);
    menu.exec(event->globalPos());
}

} // namespace dw
