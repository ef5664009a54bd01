#include "core/update/PackageKitInstaller.hpp"

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/update/UpdateError.hpp"

namespace kindora {
namespace {

constexpr const char* service = "org.freedesktop.PackageKit";
constexpr const char* managerPath = "/org/freedesktop/PackageKit";
constexpr const char* managerInterface = "org.freedesktop.PackageKit";
constexpr const char* transactionInterface = "org.freedesktop.PackageKit.Transaction";
// PackageKit's exit values (PkExitEnum).
constexpr std::uint32_t exitSuccess = 1;
constexpr std::uint32_t exitCancelled = 3;
// A person may take a while to authorise, and a package manager to finish; not forever.
constexpr auto longestInstallation = std::chrono::hours(2);

[[noreturn]] void failed(const std::string& why) {
    throw UpdateError(UpdateError::Kind::installFailed, "The update could not be installed: " + why);
}

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

// An sd_bus_error freed at the end of its scope. Value-initialised rather than SD_BUS_ERROR_NULL: that
// macro is a C compound literal, which clang's -Wpedantic refuses in C++; all-null is the same empty error.
struct CallError {
    sd_bus_error error{};
    ~CallError() { sd_bus_error_free(&error); }
    std::string describe(int result) const {
        return error.message != nullptr ? error.message : std::strerror(-result);
    }
};

// What the transaction told about itself.
struct Outcome {
    bool finished = false;
    bool destroyed = false;
    std::uint32_t exit = 0;
    std::string error;
};

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
        failed("the system bus refused to pass on PackageKit's signals (" +
               std::string(std::strerror(-result)) + ").");
    }
    return Slot(slot);
}

}  // namespace

void PackageKitInstaller::install(const std::filesystem::path& package, StopToken stop) {
    sd_bus* rawBus = nullptr;
    if (const int result = sd_bus_open_system(&rawBus); result < 0) {
        failed("the system bus is not reachable (" + std::string(std::strerror(-result)) + ").");
    }
    const Bus bus(rawBus);

    std::string transaction;
    {
        CallError error;
        sd_bus_message* rawReply = nullptr;
        const int result = sd_bus_call_method(bus.get(), service, managerPath, managerInterface,
                                              "CreateTransaction", &error.error, &rawReply, "");
        const Message reply(rawReply);
        if (result < 0) {
            failed("the system's package installer (PackageKit) is not available: " + error.describe(result));
        }
        const char* path = nullptr;
        if (sd_bus_message_read(reply.get(), "o", &path) < 0 || path == nullptr) {
            failed("PackageKit gave no transaction.");
        }
        transaction = path;
    }

    Outcome outcome;
    const Slot errorSlot = match(bus.get(), transaction, "ErrorCode", &onErrorCode, outcome);
    const Slot finishedSlot = match(bus.get(), transaction, "Finished", &onFinished, outcome);
    const Slot destroySlot = match(bus.get(), transaction, "Destroy", &onDestroy, outcome);

    {
        // Lets PackageKit ask the person for authorisation instead of refusing outright.
        CallError error;
        const int result = sd_bus_call_method(bus.get(), service, transaction.c_str(), transactionInterface,
                                              "SetHints", &error.error, nullptr, "as", 1, "interactive=true");
        if (result < 0) {
            logger_.error("PackageKit did not take the interactive hint: {}", error.describe(result));
        }
    }
    {
        CallError error;
        const std::string file = std::filesystem::absolute(package).string();
        const int result =
            sd_bus_call_method(bus.get(), service, transaction.c_str(), transactionInterface, "InstallFiles",
                               &error.error, nullptr, "tas", std::uint64_t{0}, 1, file.c_str());
        if (result < 0) {
            failed(error.describe(result));
        }
    }
    logger_.info("Installing {} through PackageKit ({})", package.filename().string(), transaction);

    const auto deadline = std::chrono::steady_clock::now() + longestInstallation;
    while (!outcome.finished && !outcome.destroyed) {
        const int processed = sd_bus_process(bus.get(), nullptr);
        if (processed < 0) {
            failed("the connection to PackageKit was lost (" + std::string(std::strerror(-processed)) + ").");
        }
        if (processed > 0) {
            continue;
        }
        if (stop.stop_requested() || std::chrono::steady_clock::now() > deadline) {
            sd_bus_call_method(bus.get(), service, transaction.c_str(), transactionInterface, "Cancel",
                               nullptr, nullptr, "");
            failed(stop.stop_requested() ? "the agent is stopping." : "PackageKit did not finish in time.");
        }
        // Short waits, so that a stop request is seen promptly.
        sd_bus_wait(bus.get(), 200'000);
    }
    if (outcome.finished && outcome.exit == exitSuccess) {
        logger_.info("PackageKit installed {}", package.filename().string());
        return;
    }
    if (!outcome.error.empty()) {
        failed(outcome.error + (outcome.error.back() == '.' ? "" : "."));
    }
    if (outcome.exit == exitCancelled) {
        failed("the installation was cancelled.");
    }
    failed(outcome.finished ? "PackageKit reported a failure (exit " + std::to_string(outcome.exit) + ")."
                            : "PackageKit ended the transaction without finishing it.");
}

}  // namespace kindora
