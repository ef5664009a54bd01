#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace kindora::testing {

// What the scripted server does with one request.
struct ScriptedReply {
    enum class Kind {
        answer,       // `status` with `body`
        neverAnswer,  // holds the request until the server shuts down
        stream,       // `status` with `streamBytes` of filler, as fast as the client reads
    };

    static ScriptedReply json(int status, std::string body) {
        return ScriptedReply{Kind::answer, status, std::move(body)};
    }
    static ScriptedReply neverAnswering() { return ScriptedReply{Kind::neverAnswer, 200, {}}; }
    // With `declareLength`, the answer announces its size in Content-Length; otherwise it is chunked.
    static ScriptedReply streaming(std::uint64_t bytes, bool declareLength) {
        ScriptedReply reply{Kind::stream, 200, {}};
        reply.streamBytes = bytes;
        reply.declareLength = declareLength;
        return reply;
    }

    Kind kind = Kind::answer;
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::uint64_t streamBytes = 0;
    bool declareLength = false;
};

// One request as the server received it. Header names are lower-cased.
struct RecordedRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> headers;
    std::string body;
    int remotePort = 0;

    bool hasHeader(const std::string& lowerCaseName) const { return headers.count(lowerCaseName) != 0; }
    std::string header(const std::string& lowerCaseName) const {
        const auto it = headers.find(lowerCaseName);
        return it == headers.end() ? std::string() : it->second;
    }
};

// A real HTTP (or HTTPS) server on 127.0.0.1 and a free port, answering each request with the next
// scripted reply (or the fallback once the script is used up) and recording what it received. Used
// by the tests of everything that talks to the backend, and by the transport benchmark.
class ScriptedServer {
public:
    struct TlsFiles {
        std::string certificate;
        std::string privateKey;
    };

    ScriptedServer();
    explicit ScriptedServer(const TlsFiles& tls);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT", or "https://..." for a TLS server.
    std::string origin() const;

    // Queues a reply for the next request that has none yet.
    void enqueue(ScriptedReply reply);
    // The reply once the queue is empty (initially 200 with "{}").
    void setFallback(ScriptedReply reply);

    std::vector<RecordedRequest> requests() const;
    RecordedRequest lastRequest() const;
    // Blocks until `count` requests arrived (false when `timeout` passes first).
    bool waitForRequests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // The number of TCP connections requests arrived on.
    std::size_t acceptedConnections() const;

    // Directory of the checked-in test certificates (test-ca.pem, loopback.pem, ...).
    static std::string certificateDirectory();

private:
    void start();
    void handle(const httplib::Request& request, httplib::Response& response);

    std::unique_ptr<httplib::Server> server_;
    bool tls_ = false;
    int port_ = 0;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<ScriptedReply> script_;
    ScriptedReply fallback_ = ScriptedReply::json(200, "{}");
    std::vector<RecordedRequest> requests_;
    std::set<int> clientPorts_;
    bool stopping_ = false;
};

}  // namespace kindora::testing
