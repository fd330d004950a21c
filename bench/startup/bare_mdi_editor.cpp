// A bare Qt MDI editor of the same shape as Tarnwick (window size, menu bar, a toolbar of 23 buttons,
// a status bar with three panels, one child with a text box) but none of its content: no icons, no
// settings, no log, no splash. Started the same way, it is the floor the start-up benchmark compares
// against. With TARNWICK_STARTUP_TRACE set it prints the same stages as Tarnwick.
#include "platform/FirstExpose.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <cstdio>
#include <ctime>

namespace {
QElapsedTimer g_clock;
bool g_trace = false;
void mark(const char* stage)
{
    if (!g_trace)
        return;
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("stage %s %.2f %.2f\n", stage, g_clock.nsecsElapsed() / 1e6, cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
}
} // namespace

int main(int argc, char* argv[])
{
    g_trace = qEnvironmentVariableIsSet("TARNWICK_STARTUP_TRACE");
    g_clock.start();
    mark("main");
    QApplication app(argc, argv);
    mark("application");
    QMainWindow window;
    const struct
    {
        const char* title;
        int items;
    } menus[] = {{"&File", 12}, {"&Edit", 3}, {"&View", 6}, {"&Options", 8}, {"&Window", 6}, {"&Help", 6}};
    for (const auto& menu : menus) {
        QMenu* m = window.menuBar()->addMenu(QString::fromLatin1(menu.title));
        for (int i = 0; i < menu.items; ++i)
            m->addAction(QStringLiteral("Item %1").arg(i + 1));
    }
    QToolBar* toolBar = window.addToolBar(QStringLiteral("Toolbar"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int i = 1; i <= 23; ++i) {
        if (i == 5 || i == 7 || i == 11 || i == 15 || i == 19)
            toolBar->addSeparator();
        else
            toolBar->addAction(QStringLiteral("B%1").arg(i));
    }
    for (int i = 0; i < 3; ++i)
        window.statusBar()->addWidget(new QLabel(QStringLiteral("Status")), i == 0 ? 1 : 0);
    auto* area = new QMdiArea(&window);
    window.setCentralWidget(area);
    mark("main-window");
    QMdiSubWindow* child = area->addSubWindow(new QTextEdit);
    child->setWindowTitle(QStringLiteral("Document1"));
    child->show();
    window.resize(433, 433);
    mark("loaded");
    window.show();
    mark("shown");
    tarnwick::platform::whenFirstExposed(&window, [&] {
        mark("painted");
        std::printf("shown %s\n", qPrintable(area->currentSubWindow()->windowTitle()));
        std::fflush(stdout);
        window.close();
        app.quit();
    });
    return app.exec();
}
