// Shows downloads in progress on a real display, for a look at the progress bar and the status
// bar indicator: a main window over the tests' fixture downloads slow files from a loopback
// server, and the screen is captured (ImageMagick's import) while they run.
//
//   xvfb-run -a -s '-screen 0 1280x1024x24' download_showcase <bar.png> <indicator.png>
//
// writes the first picture while one window downloads and the second while two do, the status
// bar counting them.
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "platform/RichTextBox.h"
#include "shell/frmMain.h"
#include "support/LoopbackHttpServer.h"
#include "support/ShellFixture.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTimer>

#include <cstdio>

using namespace tarnwick;
using test::HttpResponse;
using test::LoopbackHttpServer;

namespace {

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool capture(const QString& path)
{
    const int status =
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
    std::printf("%s %s\n", status == 0 ? "wrote" : "could not write", qPrintable(path));
    return status == 0;
}

void startDownload(document::frmDocument* window, const QString& url)
{
    // As a drop does: the document shows the address while its control downloads it.
    window->rtfText->setPlainText(url);
    window->ctlAsync1->setURL(url);
}

} // namespace

int main(int argc, char* argv[])
{
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    QApplication app(argc, argv);
    if (app.arguments().size() != 3) {
        std::fprintf(stderr, "usage: download_showcase <bar.png> <indicator.png>\n");
        return 2;
    }

    LoopbackHttpServer server;
    // 30 s of data at about 320 KiB/s, with its length, and one without (a busy bar).
    const auto slow = [](bool announce) {
        HttpResponse response = HttpResponse::generated(qint64(600) * 16384);
        response.chunkBytes = 16384;
        response.chunkInterval = std::chrono::milliseconds(50);
        response.announceLength = announce;
        return response;
    };
    server.serve(QStringLiteral("/files/installer-2.4.iso"), slow(true));
    server.serve(QStringLiteral("/files/nightly.tar.gz"), slow(true));
    if (!server.listen())
        return 1;

    test::ShellFixture fixture;
    shell::frmMain* main = fixture.createMain();
    main->setGeometry(40, 40, 1100, 760);
    main->show();
    waitMs(500);

    document::frmDocument* first = main->activeDocument();
    first->subWindow()->setGeometry(10, 10, 640, 300);
    startDownload(first, server.url(QStringLiteral("/files/installer-2.4.iso")).toString());
    waitMs(3000);
    bool ok = capture(app.arguments().at(1));

    document::frmDocument* second = main->LoadNewDoc();
    second->subWindow()->setGeometry(120, 330, 640, 300);
    startDownload(second, server.url(QStringLiteral("/files/nightly.tar.gz")).toString());
    waitMs(3000);
    ok = capture(app.arguments().at(2)) && ok;
    return ok ? 0 : 1;
}
