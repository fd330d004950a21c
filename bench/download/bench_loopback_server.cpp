// The loopback HTTP server of the download benchmark, in a process of its own: the CPU it spends
// making bodies must not be charged to the client being measured, nor compete inside its event
// loop. Prints "PORT <n>" once listening; exits when its standard input closes, so a driver that
// dies cannot leave it behind.
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
    if (!server.listen()) {
        std::fprintf(stderr, "bench_loopback_server: cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("PORT %u\n", unsigned(server.port()));
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app, &input] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            app.quit();
        }
    });
    return app.exec();
}
