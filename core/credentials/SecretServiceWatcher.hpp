#pragma once


#include "core/common/Log.hpp"
#include "core/common/StoppableThread.hpp"
#include "core/credentials/SecretStoreWatching.hpp"

namespace kindora {

// Hears, on the session bus, what may change how the Secret Service answers: a collection's
// properties changing (its `Locked` property above all), a collection changed or created, and the
// service's name getting an owner (a keyring that starts after the agent). Listens through sd-bus on
// a thread of its own; a bus that cannot be reached is tried again every retrySeconds.
class SecretServiceWatcher final : public SecretStoreWatching {
public:
    static constexpr int retrySeconds = 30;

    SecretServiceWatcher() = default;
    SecretServiceWatcher(const SecretServiceWatcher&) = delete;
    SecretServiceWatcher& operator=(const SecretServiceWatcher&) = delete;
    ~SecretServiceWatcher() override;

    // Subscribes on the caller's thread, so that a change after start() returns is heard.
    void start(ChangeHandler onChange) override;
    void stop() override;

private:
    void run(int stopEvent, void* bus);

    ChangeHandler onChange_;  // set before the thread starts, read only by it
    Log logger_{"Credentials"};
    StoppableThread thread_;  // last: stopped before the rest goes
};

}  // namespace kindora
