#include "tools/devserver/DevServer.hpp"

#include <sys/socket.h>

#include "tools/devserver/DemoSeed.hpp"
#include "tools/devserver/JsonResponse.hpp"
#include "tools/devserver/StatusPage.hpp"

namespace kindora::devserver {
namespace {

constexpr const char* loopback = "127.0.0.1";

PairingPolicy pairingPolicyOf(const DevServerOptions& options) {
    PairingPolicy policy;
    policy.codeLifetimeSeconds = options.pairingCodeLifetimeSeconds;
    policy.pollIntervalSeconds = options.pairingPollIntervalSeconds;
    if (options.demo) {
        policy.autoConfirmSeconds = options.demoConfirmSeconds;
    }
    return policy;
}

std::string errorTextFor(int status) {
    switch (status) {
        case 400:
            return "Bad request";
        case 404:
            return "Unknown path";
        case 405:
            return "Method not allowed";
        case 413:
            return "Request body too large";
        case 414:
            return "Request line too long";
        default:
            return "Request failed";
    }
}

}  // namespace

DevServer::DevServer(DevServerOptions options, SyncClock clock, Sleeper sleeper, IdentityGenerator identities)
    : options_(std::move(options)),
      clock_(std::move(clock)),
      identities_(std::move(identities)),
      household_(clock_, identities_, pairingPolicyOf(options_)),
      agentApi_(household_, faults_, std::move(sleeper), stopping_.get_token()),
      adminApi_(household_, faults_) {
    if (options_.stateFile) {
        stateFile_.emplace(*options_.stateFile);
    }
}

DevServer::~DevServer() {
    stop();
}

std::string DevServer::origin() const {
    return std::string(options_.tlsCertificate ? "https" : "http") + "://" + loopback + ":" +
           std::to_string(port_);
}

std::unique_ptr<httplib::Server> DevServer::makeServer() const {
    if (options_.tlsCertificate) {
        auto server = std::make_unique<httplib::SSLServer>(options_.tlsCertificate->c_str(),
                                                           options_.tlsKey.value_or("").c_str());
        if (!server->is_valid()) {
            throw DevServerError("Cannot load the TLS certificate " + options_.tlsCertificate->string() +
                                 " with its key");
        }
        return server;
    }
    return std::make_unique<httplib::Server>();
}

void DevServer::configure(httplib::Server& server) {
    const std::size_t threads = options_.threadCount == 0 ? 1 : options_.threadCount;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(options_.maxBodyBytes);
    // Headers and body leave in separate writes; without this each answer waits out a delayed ACK.
    server.set_tcp_nodelay(true);
    // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, which would let a second server
    // share a port already in use instead of failing to start.
    server.set_socket_options([](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    // Everything the server answers by itself (unknown path, body too large, bad request line) gets
    // a JSON error too; answers the handlers wrote already carry their content type.
    server.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& response) {
            if (response.has_header("Content-Type")) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            JsonResponse::sendError(response, ApiError(response.status, errorTextFor(response.status)));
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler(
        [this](const httplib::Request& request, httplib::Response& response, std::exception_ptr) {
            logger_.error("Internal error serving {} {}", request.method, request.path);
            JsonResponse::sendError(response, ApiError(500, "Internal server error"));
        });
    // Requests are logged by method, path and status; bodies and headers (the token) never are.
    server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        logger_.info("{} {} {}", request.method, request.path, response.status);
    });
    // The household is on disk before the agent hears that a change was made.
    server.set_post_routing_handler([this](const httplib::Request&, httplib::Response&) { persist(); });

    agentApi_.registerRoutes(server);
    adminApi_.registerRoutes(server);
    server.Get("/", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(StatusPage::render(household_.snapshot(), clock_.now()),
                             "text/html; charset=utf-8");
    });
}

void DevServer::start() {
    if (server_) {
        throw DevServerError("The server was started already");
    }
    bool restored = false;
    if (stateFile_) {
        try {
            if (auto snapshot = stateFile_->load()) {
                household_.restore(std::move(*snapshot));
                restored = true;
            }
        } catch (const StateFileError& error) {
            throw DevServerError(error.what());
        }
    }
    if (options_.demo && !restored) {
        DemoSeed::seed(household_, clock_.now());
    }

    server_ = makeServer();
    configure(*server_);
    if (options_.port == 0) {
        port_ = server_->bind_to_any_port(loopback);
    } else {
        port_ = server_->bind_to_port(loopback, options_.port) ? options_.port : -1;
    }
    if (port_ <= 0) {
        port_ = 0;
        server_.reset();
        throw DevServerError("Cannot listen on " + std::string(loopback) + ":" +
                             std::to_string(options_.port));
    }
    persist();

    thread_ = std::thread([this] {
        server_->listen_after_bind();
        listenEnded_ = true;
    });
    // stop() only reaches a server whose accept loop runs, so wait for it to begin.
    while (!server_->is_running() && !listenEnded_) {
        std::this_thread::yield();
    }
    logger_.info("Serving the household on {}", origin());
}

void DevServer::stop() {
    stopping_.request_stop();
    if (server_) {
        server_->stop();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    persist();
}

void DevServer::persist() {
    if (!stateFile_) {
        return;
    }
    std::lock_guard lock(saveMutex_);
    const std::uint64_t version = household_.version();
    if (version == savedVersion_) {
        return;
    }
    try {
        stateFile_->save(household_.snapshot());
        savedVersion_ = version;
    } catch (const std::exception& error) {
        logger_.error("Cannot save the household to {}: {}", stateFile_->path().string(), error.what());
    }
}

}  // namespace kindora::devserver
