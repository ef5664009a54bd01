#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace kindora {

// The one error type that leaves the backend client. Every caller decides on these few cases; the
// payload is the HTTP status and the body's message, a network or decoding detail, or the alert
// action's message. Never carries the device token.
class BackendError : public std::runtime_error {
public:
    // Payload cases first, then the cases without payload. `duplicate` is the ingest endpoint's 400
    // saying that a message of the batch is one the backend already holds.
    enum class Kind {
        http,
        duplicate,
        network,
        decoding,
        requiresResolution,
        forbidden,
        revoked,
        pending,
        notFound
    };

    static BackendError http(int status, std::optional<std::string> bodyMessage = std::nullopt);
    // Status 400; the body message says which message is held already.
    static BackendError duplicate(std::string bodyMessage);
    static BackendError network(std::string detail);
    static BackendError decoding(std::string detail);
    static BackendError requiresResolution(std::optional<std::string> message = std::nullopt);
    static BackendError forbidden(std::optional<std::string> message = std::nullopt);
    static BackendError revoked();
    static BackendError pending();
    static BackendError notFound();

    Kind kind() const { return kind_; }
    // The HTTP status of an `http` or `duplicate` error; 0 for every other case.
    int status() const { return status_; }
    // The `error` text of an `http` or `duplicate` error's body, when there was one; absent for other
    // cases.
    std::optional<std::string> bodyMessage() const;
    // The payload text of any case: the body message of `http` and `duplicate`, the detail of `network` and
    // `decoding`, the message of `requiresResolution` and `forbidden`.
    const std::optional<std::string>& message() const { return message_; }

    friend bool operator==(const BackendError& a, const BackendError& b) {
        return a.kind_ == b.kind_ && a.status_ == b.status_ && a.message_ == b.message_;
    }

private:
    BackendError(Kind kind, int status, std::optional<std::string> message);

    Kind kind_;
    int status_;
    std::optional<std::string> message_;
};

// The case name, for test output and logs ("http", "network", ...).
const char* toString(BackendError::Kind kind);

}  // namespace kindora
