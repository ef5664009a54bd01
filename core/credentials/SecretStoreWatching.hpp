#pragma once

#include <functional>

namespace kindora {

// Tells when the secret store may read differently now: it started, or one of its collections was
// locked, unlocked or changed. A hint only: the handler reads again to find out what changed.
class SecretStoreWatching {
public:
    using ChangeHandler = std::function<void()>;

    virtual ~SecretStoreWatching() = default;

    // Starts calling `onChange` (on a thread of the watcher's own); does nothing while watching.
    virtual void start(ChangeHandler onChange) = 0;
    // Stops and waits for the watcher's thread; the handler is not called after it returns.
    virtual void stop() = 0;
};

}  // namespace kindora
