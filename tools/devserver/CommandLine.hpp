#pragma once

#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "tools/devserver/DevServerOptions.hpp"

namespace kindora::devserver {

// A command line the devserver cannot run with; what() says why, in one line.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads `kindora-devserver [--port P] [--demo] [--state FILE] [--tls-cert CERT --tls-key KEY]`.
namespace CommandLine {

struct HelpRequested {};

// The options, or HelpRequested for --help/-h. Throws CommandLineError.
std::variant<DevServerOptions, HelpRequested> parse(const std::vector<std::string>& arguments);

std::string usage();

}  // namespace CommandLine
}  // namespace kindora::devserver
