#include "tools/devserver/CommandLine.hpp"

#include <charconv>

namespace kindora::devserver::CommandLine {
namespace {

int parsePort(const std::string& text) {
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        throw CommandLineError("--port needs a number from 0 to 65535, got \"" + text + "\"");
    }
    return port;
}

}  // namespace

std::string usage() {
    return "usage: kindora-devserver [--port P] [--demo] [--state FILE] [--tls-cert CERT --tls-key KEY]\n"
           "  --port P        listen on 127.0.0.1:P (0, the default, picks a free port)\n"
           "  --demo          confirm pairings after a few seconds and seed alerts and meetings\n"
           "  --state FILE    keep the household in FILE across restarts\n"
           "  --tls-cert CERT serve HTTPS with this PEM certificate (needs --tls-key)\n"
           "  --tls-key KEY   the PEM private key of --tls-cert\n";
}

std::variant<DevServerOptions, HelpRequested> parse(const std::vector<std::string>& arguments) {
    DevServerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) {
                throw CommandLineError(argument + " needs a value");
            }
            return arguments[++i];
        };
        if (argument == "--help" || argument == "-h") {
            return HelpRequested{};
        } else if (argument == "--port") {
            options.port = parsePort(value());
        } else if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--state") {
            options.stateFile = value();
        } else if (argument == "--tls-cert") {
            options.tlsCertificate = value();
        } else if (argument == "--tls-key") {
            options.tlsKey = value();
        } else {
            throw CommandLineError("unknown argument \"" + argument + "\"");
        }
    }
    if (options.tlsCertificate.has_value() != options.tlsKey.has_value()) {
        throw CommandLineError("--tls-cert and --tls-key go together");
    }
    for (const auto* path : {&options.stateFile, &options.tlsCertificate, &options.tlsKey}) {
        if (path->has_value() && (*path)->empty()) {
            throw CommandLineError("a file argument must not be empty");
        }
    }
    return options;
}

}  // namespace kindora::devserver::CommandLine
