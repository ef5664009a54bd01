#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kindora::devserver {

// How an injected fault spoils an answer.
enum class FaultKind {
    status,     // answer `status` with `body` instead of serving the request
    delay,      // wait `delaySeconds`, then serve the request normally
    malformed,  // answer 200 with a body that is not valid JSON
    drop,       // send the headers, then close the connection before the body
    unanswered, // serve the request (the household keeps it), then drop the answer as `drop` does
};

const char* toString(FaultKind kind);
std::optional<FaultKind> faultKindFromString(std::string_view text);

struct Fault {
    FaultKind kind = FaultKind::status;
    int status = 500;
    std::string body;
    double delaySeconds = 0;

    friend bool operator==(const Fault&, const Fault&) = default;
};

// A fault waiting for the next `remaining` requests to one endpoint ("*" matches every agent endpoint).
struct FaultRule {
    std::string endpoint;
    Fault fault;
    int remaining = 1;

    friend bool operator==(const FaultRule&, const FaultRule&) = default;
};

// The queue of injected faults. Rules apply in the order they were added; each request to a matching
// endpoint uses up one count of the first matching rule. Thread-safe.
class FaultInjector {
public:
    // Throws std::invalid_argument for a count below 1, a negative delay or a status outside 100..599.
    void add(FaultRule rule);
    // The fault the next request to `endpoint` must suffer, if any; consumes one count.
    std::optional<Fault> take(std::string_view endpoint);
    std::vector<FaultRule> pending() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<FaultRule> rules_;
};

}  // namespace kindora::devserver
