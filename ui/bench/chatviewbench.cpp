// How fast the chat view takes lines, and what re-colouring a seat costs
// once the view holds thousands of lines. Prints figures; asserts nothing.
//
//   driftwake-chatbench [lines]
#include "ui/chatview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

dw::ChatLine line(int seat, int i, std::uint32_t colour) {
    return {dw::ChatLine::Kind::Chat, seat, "Pilot" + std::to_string(seat),
            "message number " + std::to_string(i) +
                " with a few words, a link www.example.com and a smiley :)#12 at the end",
            colour};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 5000;

    dw::ChatView view;
    view.resize(500, 214);
    view.show();

    QElapsedTimer t;
    t.start();
    for (int i = 0; i < lines; ++i)
        view.addLine(line(1 + i % 9, i, 0x00C0C0C0u + static_cast<unsigned>(i % 9)));
    const double fill = ms(t);
    std::printf("add %d lines, colours steady:      %9.1f ms  (%.1f us/line)\n", lines, fill,
                fill * 1000.0 / lines);

    // One line in a new colour re-colours every earlier line of its seat.
    t.restart();
    view.addLine(line(2, lines, 0x000000FFu));
    std::printf("one line in a new colour (%4d earlier lines of its seat): %7.2f ms\n", lines / 9,
                ms(t));
    t.restart();
    view.verticalScrollBar()->setValue(0);
    std::printf("scroll to the top after the change:  %9.2f ms\n", ms(t));

    // Worst case: a seat that changes colour with every line.
    const int flips = 200;
    t.restart();
    for (int i = 0; i < flips; ++i)
        view.addLine(line(3, i, (i % 2) ? 0x0000FF00u : 0x00FF0000u));
    const double flip = ms(t);
    std::printf("%d lines, new colour each time:   %9.1f ms  (%.2f ms/line)\n", flips, flip,
                flip / flips);

    t.restart();
    view.setTextSize(14);
    app.processEvents();
    std::printf("text size change on %d lines:     %9.2f ms\n", lines + flips + 1, ms(t));

    t.restart();
    view.clearMainChat();
    std::printf("clear:                               %9.2f ms\n", ms(t));
    return 0;
}
