#include "tests/backend/ScriptedServer.hpp"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace kindora::testing {
namespace {

std::string lowerCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Headers the server library adds to every request for its own use; the client never sent them.
bool isServerAnnotation(const std::string& lowerName) {
    return lowerName == "remote_addr" || lowerName == "remote_port" || lowerName == "local_addr" ||
           lowerName == "local_port";
}

constexpr std::size_t fillerChunkBytes = 64 * 1024;

}  // namespace

ScriptedServer::ScriptedServer() : server_(std::make_unique<httplib::Server>()) {
    start();
}

ScriptedServer::ScriptedServer(const TlsFiles& tls)
    : server_(std::make_unique<httplib::SSLServer>(tls.certificate.c_str(), tls.privateKey.c_str())),
      tls_(true) {
    if (!server_->is_valid()) {
        throw std::runtime_error("The scripted TLS server could not load " + tls.certificate);
    }
    start();
}

void ScriptedServer::start() {
    // Keep connections open for as long as a client wants them, so that reuse is visible.
    server_->set_keep_alive_max_count(1'000'000);
    server_->set_keep_alive_timeout(2);
    // Without it, a reply written in two parts waits for the client's delayed acknowledgement.
    server_->set_tcp_nodelay(true);
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->Put(".*", handler);
    server_->Delete(".*", handler);
    server_->Patch(".*", handler);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("The scripted server could not bind a loopback port");
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() is ignored by a server whose accept loop has not begun, so the destructor would wait
    // forever; the loop begins at once, so this wait is short.
    while (!server_->is_running()) {
        std::this_thread::yield();
    }
}

ScriptedServer::~ScriptedServer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_->stop();
    thread_.join();
}

std::string ScriptedServer::origin() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void ScriptedServer::enqueue(ScriptedReply reply) {
    const std::lock_guard lock(mutex_);
    script_.push_back(std::move(reply));
}

void ScriptedServer::setFallback(ScriptedReply reply) {
    const std::lock_guard lock(mutex_);
    fallback_ = std::move(reply);
}

std::vector<RecordedRequest> ScriptedServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

RecordedRequest ScriptedServer::lastRequest() const {
    const std::lock_guard lock(mutex_);
    if (requests_.empty()) {
        throw std::logic_error("The scripted server has received no request");
    }
    return requests_.back();
}

bool ScriptedServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

std::size_t ScriptedServer::acceptedConnections() const {
    const std::lock_guard lock(mutex_);
    return clientPorts_.size();
}

std::string ScriptedServer::certificateDirectory() {
    return KINDORA_BACKEND_TEST_CERTS;
}

void ScriptedServer::handle(const httplib::Request& request, httplib::Response& response) {
    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.path = request.path;
    recorded.body = request.body;
    recorded.remotePort = request.remote_port;
    for (const auto& [name, value] : request.headers) {
        std::string lowerName = lowerCased(name);
        if (!isServerAnnotation(lowerName)) {
            recorded.headers.emplace(std::move(lowerName), value);
        }
    }

    ScriptedReply reply;
    {
        std::unique_lock lock(mutex_);
        requests_.push_back(std::move(recorded));
        clientPorts_.insert(request.remote_port);
        if (script_.empty()) {
            reply = fallback_;
        } else {
            reply = std::move(script_.front());
            script_.pop_front();
        }
        changed_.notify_all();
        if (reply.kind == ScriptedReply::Kind::neverAnswer) {
            changed_.wait(lock, [this] { return stopping_; });
        }
    }

    response.status = reply.status;
    switch (reply.kind) {
        case ScriptedReply::Kind::answer:
        case ScriptedReply::Kind::neverAnswer:
            response.set_content(reply.body, reply.contentType);
            break;
        case ScriptedReply::Kind::stream: {
            const std::uint64_t total = reply.streamBytes;
            const auto provide = [total](std::size_t offset, httplib::DataSink& sink) {
                static const std::string filler(fillerChunkBytes, ' ');
                if (offset >= total) {
                    sink.done();
                    return true;
                }
                const auto bytes =
                    static_cast<std::size_t>(std::min<std::uint64_t>(filler.size(), total - offset));
                return sink.write(filler.data(), bytes);
            };
            if (reply.declareLength) {
                response.set_content_provider(
                    static_cast<std::size_t>(total), reply.contentType,
                    [provide](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                        return provide(offset, sink);
                    });
            } else {
                response.set_chunked_content_provider(reply.contentType, provide);
            }
            break;
        }
    }
}

}  // namespace kindora::testing
