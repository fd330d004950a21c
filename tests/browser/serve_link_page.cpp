// A loopback server for the drag-and-drop check with the real program: "/" is a page whose whole
// area is one link to "/frombrowser.bin". Writes the file's bytes to argv[1], prints the port, and
// serves until it is killed (or two minutes have passed).
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

using tarnwick::test::HttpResponse;
using tarnwick::test::LoopbackHttpServer;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QByteArray payload = LoopbackHttpServer::pattern(7, 300000);
    QFile expected(QString::fromLocal8Bit(argv[1]));
    if (!expected.open(QIODevice::WriteOnly) || expected.write(payload) != payload.size())
        return 2;
    expected.close();

    LoopbackHttpServer server;
    server.serve(QStringLiteral("/"),
                 HttpResponse::content("<html><head><title>Links</title></head>"
                                       "<body style=\"margin:0\"><a href=\"/frombrowser.bin\" "
                                       "style=\"display:block;height:100vh;font-size:32px\">frombrowser.bin link</a>"
                                       "</body></html>",
                                       "text/html; charset=utf-8"));
    server.serve(QStringLiteral("/frombrowser.bin"), HttpResponse::content(payload, "application/octet-stream"));
    if (!server.listen())
        return 2;
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    return app.exec();
}
