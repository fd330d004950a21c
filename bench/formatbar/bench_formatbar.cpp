// What the format bar costs a start-up, in one process, offscreen:
//
//   bench_formatbar [--runs N]
//
// Median time to show a main window with the format bar as the program builds it (empty until the
// window is first drawn), the time its controls then take (the font box standing in light until
// first used), and the time the real font box would have taken (QFontComboBox asks the font
// database for every family and its writing systems). The first window of the process is timed
// apart: it pays for the font database once.

#include "document/FormatBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontComboBox>
#include <QMainWindow>
#include <QToolBar>
#include <algorithm>
#include <cstdio>
#include <vector>

using tarnwick::document::FormatBar;

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double showWindow(bool withFormatBar, double* controlsMs = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    QMainWindow window;
    window.addToolBar(new QToolBar(&window));
    FormatBar* bar = nullptr;
    if (withFormatBar) {
        window.addToolBarBreak();
        bar = new FormatBar(&window);
        window.addToolBar(bar);
    }
    window.resize(800, 600);
    window.show();
    const double shown = clock.nsecsElapsed() / 1e6;
    if (bar && controlsMs) {
        clock.restart();
        bar->build();
        QApplication::processEvents();
        *controlsMs = clock.nsecsElapsed() / 1e6;
    }
    return shown;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int runs = 15;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs"))
            runs = std::max(1, args.at(i + 1).toInt());
    }

    // The first window of the process, with the format bar: what a start-up pays.
    const double first = showWindow(true);
    QElapsedTimer clock;
    clock.start();
    {
        QFontComboBox fonts;
        fonts.sizeHint();
    }
    const double fontBoxFirst = clock.nsecsElapsed() / 1e6;

    std::vector<double> without;
    std::vector<double> with;
    std::vector<double> controls;
    std::vector<double> fontBox;
    for (int i = 0; i < runs; ++i) {
        without.push_back(showWindow(false));
        double controlsMs = 0;
        with.push_back(showWindow(true, &controlsMs));
        controls.push_back(controlsMs);
        clock.restart();
        {
            QFontComboBox fonts;
            fonts.sizeHint();
        }
        fontBox.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("format bar at start-up, offscreen, median of %d runs\n", runs);
    std::printf("  first window of the process, with the bar %8.2f ms\n", first);
    std::printf("  window without the bar                    %8.2f ms\n", median(without));
    std::printf("  window with the bar                       %8.2f ms (+%.2f ms)\n", median(with),
                median(with) - median(without));
    std::printf("  its controls, made after the first drawing %8.2f ms\n", median(controls));
    std::printf("  QFontComboBox, first in the process       %8.2f ms (made only when the font box is first used)\n",
                fontBoxFirst);
    std::printf("  QFontComboBox, later                      %8.2f ms\n", median(fontBox));
    return 0;
}
