// The loopback HTTP server of the download benchmark, in a process of its own: the CPU it spends
// making bodies must not be charged to the client being measured, nor compete inside its event
// loop. Prints "PORT <n>" once listening; answers each line on its standard input with
// "SENT <bytes written to sockets> <requests>"; exits when its standard input closes, so a driver
// that dies cannot leave it behind.
#include "SizedRoute.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

using tarnwick::test::HttpRequest;
using tarnwick::test::HttpResponse;
using tarnwick::test::LoopbackHttpServer;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    LoopbackHttpServer server;
    server.handlePrefix(tarnwick::bench::sizedPrefix(), [](const HttpRequest& request) {
        const qint64 length = tarnwick::bench::sizedLength(request.path);
        return length >= 0 ? HttpResponse::generated(length) : HttpResponse::error(404);
    });
    server.handlePrefix(tarnwick::bench::flakyPrefix(), [](const HttpRequest& request) {
        const QStringList parts = request.path.mid(tarnwick::bench::flakyPrefix().size()).split(QLatin1Char('/'));
        const qint64 every = parts.value(0).toLongLong();
        const qint64 length = parts.value(1).toLongLong();
        if (parts.size() != 3 || every <= 0 || length < 0)
            return HttpResponse::error(404);
        HttpResponse response = HttpResponse::resumable(request, length, "\"bench-1\"");
        if (response.status == 200 || response.status == 206) {
            response.ending = HttpResponse::Ending::Reset;
            response.endingAfter = every;
        }
        return response;
    });
    if (!server.listen()) {
        std::fprintf(stderr, "bench_loopback_server: cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("PORT %u\n", unsigned(server.port()));
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app, &input, &server] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            app.quit();
            return;
        }
        std::printf("SENT %lld %lld\n", server.bytesSent(), qint64(server.requests().size()));
        std::fflush(stdout);
    });
    return app.exec();
}
