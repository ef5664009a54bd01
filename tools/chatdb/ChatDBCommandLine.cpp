#include "tools/chatdb/ChatDBCommandLine.hpp"

#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteError.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/chatdb/InboundJson.hpp"

namespace kindora {

namespace {

// A command line that does not fit the command; its text goes to standard error with the usage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ParsedArguments {
    std::string path;
    std::map<std::string, std::string> options;
};

// One positional path followed by `--name value` pairs drawn from `allowed`.
ParsedArguments parse(const std::vector<std::string>& arguments, const std::vector<std::string>& allowed) {
    if (arguments.size() < 2 || arguments[1].starts_with("--")) {
        throw UsageError("missing path");
    }
    ParsedArguments parsed{arguments[1], {}};
    for (std::size_t index = 2; index < arguments.size(); index += 2) {
        const std::string& name = arguments[index];
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            throw UsageError("unknown option " + name);
        }
        if (index + 1 >= arguments.size()) {
            throw UsageError("missing value for " + name);
        }
        parsed.options[name] = arguments[index + 1];
    }
    return parsed;
}

template <typename Integer>
Integer number(const ParsedArguments& parsed, const std::string& name, Integer fallback, Integer minimum) {
    const auto found = parsed.options.find(name);
    if (found == parsed.options.end()) {
        return fallback;
    }
    const std::string& text = found->second;
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum) {
        throw UsageError(name + " needs a whole number of at least " + std::to_string(minimum) + ", got \"" +
                         text + "\"");
    }
    return value;
}

}  // namespace

const char* ChatDBCommandLine::usage() {
    return "usage: kindora-chatdb create DB [--messages N] [--seed S]\n"
           "       kindora-chatdb append DB --count K [--seed S] [--text TEXT]\n"
           "       kindora-chatdb inbound DB [--after ROWID] [--limit N]\n"
           "       kindora-chatdb decode FILE\n";
}

int ChatDBCommandLine::run(const std::vector<std::string>& arguments) {
    try {
        const std::string command = arguments.empty() ? std::string{} : arguments[0];
        if (command == "create") {
            return create(arguments);
        }
        if (command == "append") {
            return append(arguments);
        }
        if (command == "inbound") {
            return inbound(arguments);
        }
        if (command == "decode") {
            return decode(arguments);
        }
        throw UsageError(command.empty() ? "missing command" : "unknown command " + command);
    } catch (const UsageError& error) {
        err_ << "kindora-chatdb: " << error.what() << "\n" << usage();
        return 2;
    } catch (const SQLiteError& error) {
        err_ << "kindora-chatdb: " << (arguments.size() > 1 ? arguments[1] : std::string{}) << ": "
             << error.what() << " (SQLite code " << error.code() << ")\n";
        return 1;
    }
}

int ChatDBCommandLine::create(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, {"--messages", "--seed"});
    const auto messages = number<std::int64_t>(parsed, "--messages", 1000, 0);
    const auto seed = number<std::uint64_t>(parsed, "--seed", 1, 0);
    ChatDBGenerator::create(parsed.path, messages, seed);
    out_ << "created " << parsed.path << " with " << messages << " messages (seed " << seed << ")\n";
    return 0;
}

int ChatDBCommandLine::append(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, {"--count", "--seed", "--text"});
    if (!parsed.options.contains("--count")) {
        throw UsageError("append needs --count");
    }
    const auto count = number<std::int64_t>(parsed, "--count", 0, 1);
    const auto seed = number<std::uint64_t>(parsed, "--seed", 1, 0);
    std::optional<std::string> firstText;
    if (const auto text = parsed.options.find("--text"); text != parsed.options.end()) {
        firstText = text->second;
    }
    const ChatDBGenerator::AppendSummary summary =
        ChatDBGenerator::append(parsed.path, count, seed, now_, firstText);
    out_ << "appended " << summary.inbound << " inbound messages (ROWID " << summary.firstInboundRowID
         << " to " << summary.lastRowID << "), " << summary.replies << " replies, " << summary.reads
         << " reads\n";
    return 0;
}

int ChatDBCommandLine::inbound(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, {"--after", "--limit"});
    const auto after = number<std::int64_t>(parsed, "--after", 0, 0);
    const auto limit = number<std::int64_t>(parsed, "--limit", 100, 1);
    const ChatDBReader reader(parsed.path);
    const InboundFetchResult result = reader.fetchInbound(after, limit);
    for (const MessageRow& message : result.rows) {
        out_ << InboundJson::row(message).dump(-1, ' ', false,
                                               nlohmann::ordered_json::error_handler_t::replace)
             << "\n";
    }
    out_ << InboundJson::highestScannedLine(result.highestScannedRowID) << "\n";
    return 0;
}

int ChatDBCommandLine::decode(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) {
        throw UsageError("decode takes one file");
    }
    std::ifstream file(arguments[1], std::ios::binary);
    if (!file) {
        err_ << "kindora-chatdb: cannot read " << arguments[1] << "\n";
        return 1;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    const std::optional<std::string> text = AttributedBodyDecoder::decode(std::optional(bytes));
    if (!text) {
        err_ << "no text\n";
        return 1;
    }
    out_ << *text << "\n";
    return 0;
}

}  // namespace kindora
