#include "app/platform/PulseMicrophone.hpp"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <memory>
#include <optional>
#include <string>

#include "core/common/Log.hpp"

namespace kindora::PulseMicrophone {

namespace {

struct MainloopDeleter {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextDeleter {
    void operator()(pa_context* context) const {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};

// One short synchronous conversation with the sound server on a private main loop.
class Query {
public:
    explicit Query(std::chrono::milliseconds timeout)
        : deadline_(std::chrono::steady_clock::now() + timeout), loop_(pa_mainloop_new()) {
        if (loop_) {
            context_.reset(pa_context_new(pa_mainloop_get_api(loop_.get()), "Kindora presence probe"));
        }
    }

    bool connect() {
        if (!context_ || pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            return false;
        }
        return iterateUntil([this] {
                   const auto state = pa_context_get_state(context_.get());
                   return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
               }) &&
               pa_context_get_state(context_.get()) == PA_CONTEXT_READY;
    }

    std::optional<std::string> defaultSourceName() {
        std::optional<std::string> name;
        bool done = false;
        struct Result {
            std::optional<std::string>* name;
            bool* done;
        } result{&name, &done};
        pa_operation* operation = pa_context_get_server_info(
            context_.get(),
            [](pa_context*, const pa_server_info* info, void* userdata) {
                auto* out = static_cast<Result*>(userdata);
                if (info && info->default_source_name && *info->default_source_name) {
                    *out->name = info->default_source_name;
                }
                *out->done = true;
            },
            &result);
        return finish(operation, done) ? name : std::nullopt;
    }

    bool isSourceRunning(const std::string& name) {
        bool running = false;
        bool done = false;
        struct Result {
            bool* running;
            bool* done;
        } result{&running, &done};
        pa_operation* operation = pa_context_get_source_info_by_name(
            context_.get(), name.c_str(),
            [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
                auto* out = static_cast<Result*>(userdata);
                if (eol != 0) {
                    *out->done = true;
                    return;
                }
                if (info && info->state == PA_SOURCE_RUNNING) {
                    *out->running = true;
                }
            },
            &result);
        return finish(operation, done) && running;
    }

private:
    bool finish(pa_operation* operation, const bool& done) {
        if (!operation) {
            return false;
        }
        const bool finished = iterateUntil([&done] { return done; });
        if (!finished) {
            pa_operation_cancel(operation);
        }
        pa_operation_unref(operation);
        return finished;
    }

    template <typename Predicate>
    bool iterateUntil(Predicate finished) {
        while (!finished()) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline_ - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            if (pa_mainloop_prepare(loop_.get(), static_cast<int>(left.count())) < 0 ||
                pa_mainloop_poll(loop_.get()) < 0 || pa_mainloop_dispatch(loop_.get()) < 0) {
                return false;
            }
        }
        return true;
    }

    const std::chrono::steady_clock::time_point deadline_;
    std::unique_ptr<pa_mainloop, MainloopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_;
};

}  // namespace

bool isDefaultSourceRunning(std::chrono::milliseconds timeout) {
    Query query(timeout);
    if (!query.connect()) {
        static const Log log("Meetings");
        log.debug("Presence probe: no sound server reachable");
        return false;
    }
    const auto source = query.defaultSourceName();
    return source && query.isSourceRunning(*source);
}

}  // namespace kindora::PulseMicrophone
