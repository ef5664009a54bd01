// kindora-devserver: a substitute household backend on 127.0.0.1 for development, the demo and tests.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "core/common/Log.hpp"
#include "tools/devserver/CommandLine.hpp"
#include "tools/devserver/DevServer.hpp"

int main(int argc, char** argv) {
    using namespace kindora::devserver;

    DevServerOptions options;
    try {
        auto parsed = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
        if (std::holds_alternative<CommandLine::HelpRequested>(parsed)) {
            std::cout << CommandLine::usage();
            return 0;
        }
        options = std::get<DevServerOptions>(parsed);
    } catch (const CommandLineError& error) {
        std::cerr << "kindora-devserver: " << error.what() << "\n" << CommandLine::usage();
        return 2;
    }

    // The signals are taken by sigwait below, never by a server thread: every thread started from
    // here on inherits this mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that hangs up mid-answer must not end the server.
    std::signal(SIGPIPE, SIG_IGN);

    kindora::Log::setStandardErrorLevel(kindora::LogLevel::defaultLevel);
    DevServer server(options);
    try {
        server.start();
    } catch (const DevServerError& error) {
        std::cerr << "kindora-devserver: " << error.what() << "\n";
        return 1;
    }
    std::cout << "listening on " << server.origin() << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    kindora::Log("DevServer").info("Stopping on signal {}", received);
    server.stop();
    return 0;
}
