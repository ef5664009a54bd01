#include "core/update/PackageKitTransaction.hpp"

#include <cstring>
#include <memory>
#include <utility>

namespace kindora {
namespace {

constexpr const char* service = "org.freedesktop.PackageKit";
constexpr const char* managerPath = "/org/freedesktop/PackageKit";
constexpr const char* managerInterface = "org.freedesktop.PackageKit";
constexpr const char* transactionInterface = "org.freedesktop.PackageKit.Transaction";
// PackageKit's exit values (PkExitEnum).
constexpr std::uint32_t exitSuccess = 1;
constexpr std::uint32_t exitCancelled = 3;
constexpr std::uint32_t exitNeedUntrusted = 8;

[[noreturn]] void failed(UserText why) {
    throw PackageKitTransaction::Failure(std::move(why));
}

UserText systemError(int negativeErrno) {
    return UserText::verbatim(std::strerror(-negativeErrno));
}

constexpr Phrase signalsRefused =
    KINDORA_PHRASE("PackageKit", "the system bus refused to pass on PackageKit's signals (%1).");
constexpr Phrase busUnreachable = KINDORA_PHRASE("PackageKit", "the system bus is not reachable (%1).");
constexpr Phrase serviceMissing =
    KINDORA_PHRASE("PackageKit", "the system's package manager service (PackageKit) is not available: %1");
constexpr Phrase noTransaction = KINDORA_PHRASE("PackageKit", "PackageKit gave no transaction.");
constexpr Phrase requestNotMade =
    KINDORA_PHRASE("PackageKit", "the request to PackageKit could not be made (%1).");
constexpr Phrase connectionLost = KINDORA_PHRASE("PackageKit", "the connection to PackageKit was lost (%1).");
constexpr Phrase agentStopping = KINDORA_PHRASE("PackageKit", "the agent is stopping.");
constexpr Phrase tookTooLong = KINDORA_PHRASE("PackageKit", "PackageKit did not finish in time.");
constexpr Phrase cancelled = KINDORA_PHRASE("PackageKit", "it was cancelled.");
constexpr Phrase untrusted =
    KINDORA_PHRASE("PackageKit", "the package is not signed by a repository key this system trusts.");
constexpr Phrase exitFailure = KINDORA_PHRASE("PackageKit", "PackageKit reported a failure (exit %1).");
constexpr Phrase unfinished =
    KINDORA_PHRASE("PackageKit", "PackageKit ended the transaction without finishing it.");

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct SlotUnref {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;
using Slot = std::unique_ptr<sd_bus_slot, SlotUnref>;
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// An sd_bus_error freed at the end of its scope.
struct CallError {
    sd_bus_error error{};
    CallError() = default;
    CallError(const CallError&) = delete;
    CallError& operator=(const CallError&) = delete;
    ~CallError() { sd_bus_error_free(&error); }
    std::string describe(int result) const {
        return error.message != nullptr ? error.message : std::strerror(-result);
    }
};

std::string sentence(std::string text) {
    if (text.empty() || text.back() != '.') {
        text += '.';
    }
    return text;
}

// What the transaction told about itself.
struct Outcome {
    bool finished = false;
    bool destroyed = false;
    std::uint32_t exit = 0;
    std::string error;
    std::vector<PackageKitTransaction::Package> packages;
};

int onPackage(sd_bus_message* message, void* userData, sd_bus_error*) {
    std::uint32_t info = 0;
    const char* id = nullptr;
    const char* summary = nullptr;
    if (sd_bus_message_read(message, "uss", &info, &id, &summary) >= 0 && id != nullptr) {
        static_cast<Outcome*>(userData)->packages.push_back({info, id});
    }
    return 0;
}

int onErrorCode(sd_bus_message* message, void* userData, sd_bus_error*) {
    std::uint32_t code = 0;
    const char* details = nullptr;
    if (sd_bus_message_read(message, "us", &code, &details) >= 0 && details != nullptr) {
        static_cast<Outcome*>(userData)->error = details;
    }
    return 0;
}

int onFinished(sd_bus_message* message, void* userData, sd_bus_error*) {
    auto* outcome = static_cast<Outcome*>(userData);
    std::uint32_t exit = 0;
    std::uint32_t runtime = 0;
    if (sd_bus_message_read(message, "uu", &exit, &runtime) >= 0) {
        outcome->exit = exit;
    }
    outcome->finished = true;
    return 0;
}

int onDestroy(sd_bus_message*, void* userData, sd_bus_error*) {
    static_cast<Outcome*>(userData)->destroyed = true;
    return 0;
}

Slot match(sd_bus* bus, const std::string& path, const char* member, sd_bus_message_handler_t handler,
           Outcome& outcome) {
    sd_bus_slot* slot = nullptr;
    const int result = sd_bus_match_signal(bus, &slot, service, path.c_str(), transactionInterface, member,
                                           handler, &outcome);
    if (result < 0) {
        failed({signalsRefused, {systemError(result)}});
    }
    return Slot(slot);
}

Bus openSystemBus() {
    sd_bus* bus = nullptr;
    if (const int result = sd_bus_open_system(&bus); result < 0) {
        failed({busUnreachable, {systemError(result)}});
    }
    return Bus(bus);
}

std::string createTransaction(sd_bus* bus) {
    CallError error;
    sd_bus_message* rawReply = nullptr;
    const int result = sd_bus_call_method(bus, service, managerPath, managerInterface, "CreateTransaction",
                                          &error.error, &rawReply, "");
    const Message reply(rawReply);
    if (result < 0) {
        failed({serviceMissing, {UserText::verbatim(error.describe(result))}});
    }
    const char* path = nullptr;
    if (sd_bus_message_read(reply.get(), "o", &path) < 0 || path == nullptr) {
        failed(noTransaction);
    }
    return path;
}

void setHints(sd_bus* bus, const std::string& transaction, const std::vector<std::string>& hints) {
    if (hints.empty()) {
        return;
    }
    sd_bus_message* rawCall = nullptr;
    if (sd_bus_message_new_method_call(bus, &rawCall, service, transaction.c_str(), transactionInterface,
                                       "SetHints") < 0) {
        return;
    }
    const Message call(rawCall);
    sd_bus_message_open_container(call.get(), 'a', "s");
    for (const std::string& hint : hints) {
        sd_bus_message_append(call.get(), "s", hint.c_str());
    }
    sd_bus_message_close_container(call.get());
    // A hint PackageKit does not take only costs its comfort (a prompt, a priority): go on without.
    CallError error;
    sd_bus_call(bus, call.get(), 0, &error.error, nullptr);
}

}  // namespace

PackageKitTransaction::PackageKitTransaction(std::string method, Arguments arguments,
                                             std::vector<std::string> hints)
    : method_(std::move(method)), arguments_(std::move(arguments)), hints_(std::move(hints)) {}

std::vector<PackageKitTransaction::Package> PackageKitTransaction::run(StopToken stop,
                                                                       std::chrono::seconds longest) {
    const Bus bus = openSystemBus();
    const std::string transaction = createTransaction(bus.get());

    Outcome outcome;
    const Slot packageSlot = match(bus.get(), transaction, "Package", &onPackage, outcome);
    const Slot errorSlot = match(bus.get(), transaction, "ErrorCode", &onErrorCode, outcome);
    const Slot finishedSlot = match(bus.get(), transaction, "Finished", &onFinished, outcome);
    const Slot destroySlot = match(bus.get(), transaction, "Destroy", &onDestroy, outcome);
    setHints(bus.get(), transaction, hints_);
    {
        sd_bus_message* rawCall = nullptr;
        int result = sd_bus_message_new_method_call(bus.get(), &rawCall, service, transaction.c_str(),
                                                    transactionInterface, method_.c_str());
        const Message call(rawCall);
        if (result >= 0 && arguments_) {
            result = arguments_(call.get());
        }
        if (result < 0) {
            failed({requestNotMade, {systemError(result)}});
        }
        CallError error;
        result = sd_bus_call(bus.get(), call.get(), 0, &error.error, nullptr);
        if (result < 0) {
            failed(UserText::verbatim(sentence(error.describe(result))));
        }
    }

    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (!outcome.finished && !outcome.destroyed) {
        const int processed = sd_bus_process(bus.get(), nullptr);
        if (processed < 0) {
            failed({connectionLost, {systemError(processed)}});
        }
        if (processed > 0) {
            continue;
        }
        if (stop.stop_requested() || std::chrono::steady_clock::now() > deadline) {
            sd_bus_call_method(bus.get(), service, transaction.c_str(), transactionInterface, "Cancel",
                               nullptr, nullptr, "");
            failed(stop.stop_requested() ? agentStopping : tookTooLong);
        }
        // Short waits, so that a stop request is seen promptly.
        sd_bus_wait(bus.get(), 200'000);
    }
    if (outcome.finished && outcome.exit == exitSuccess) {
        return std::move(outcome.packages);
    }
    if (!outcome.error.empty()) {
        failed(UserText::verbatim(sentence(outcome.error)));
    }
    switch (outcome.exit) {
        case exitCancelled:
            failed(cancelled);
        case exitNeedUntrusted:
            failed(untrusted);
        default:
            if (outcome.finished) {
                failed({exitFailure, {UserText::verbatim(std::to_string(outcome.exit))}});
            }
            failed(unfinished);
    }
}

}  // namespace kindora
