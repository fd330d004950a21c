// A bare QMainWindow + QMdiArea + QTextEdit program, started the same way as Tarnwick, so the
// start-up benchmark has a floor to compare against.
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* area = new QMdiArea(&window);
    window.setCentralWidget(area);
    QMdiSubWindow* child = area->addSubWindow(new QTextEdit);
    child->setWindowTitle(QStringLiteral("Document1"));
    child->show();
    window.resize(433, 433);
    window.show();
    QTimer::singleShot(0, &window, [&] {
        std::printf("shown %s\n", qPrintable(area->currentSubWindow()->windowTitle()));
        std::fflush(stdout);
        window.close();
        app.quit();
    });
    return app.exec();
}
