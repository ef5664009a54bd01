#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/common/StopToken.hpp"
#include "core/common/UserText.hpp"

namespace kindora {

// One PackageKit transaction on the system bus: CreateTransaction, the hints, then one method of the
// transaction, waiting for its Finished (or Destroy) signal and collecting the Package signals on the
// way. Throws PackageKitTransaction::Failure with the reason in words when PackageKit cannot be
// reached, reports an error, ends without success, does not finish in `longest`, or `stop` is
// requested (the transaction is then cancelled).
class PackageKitTransaction {
public:
    // A Package signal: PackageKit's info value (for updates: the kind of update, 9 = blocked) and
    // the package id "name;version;arch;data".
    struct Package {
        std::uint32_t info = 0;
        std::string id;
    };

    class Failure : public std::runtime_error {
    public:
        explicit Failure(UserText reason)
            : std::runtime_error(reason.english()), reason_(std::move(reason)) {}
        // Why, for the person.
        const UserText& reason() const { return reason_; }

    private:
        UserText reason_;
    };

    // Appends the method's arguments to the call; returns a negative errno on failure (sd-bus style).
    using Arguments = std::function<int(sd_bus_message* call)>;

    PackageKitTransaction(std::string method, Arguments arguments, std::vector<std::string> hints = {});

    std::vector<Package> run(StopToken stop, std::chrono::seconds longest);

private:
    const std::string method_;
    const Arguments arguments_;
    const std::vector<std::string> hints_;
};

}  // namespace kindora
