#pragma once

#include <functional>

namespace kindora {

// Tells its owner, shortly after it happens, that the Messages database may hold something new, so
// that the sync loop can look at once instead of at its next tick. A hint only: a watcher may miss
// changes or fail altogether, and the loop's own timer still finds everything.
class ChatDBChangeWatching {
public:
    using ChangeHandler = std::function<void()>;

    virtual ~ChatDBChangeWatching() = default;

    // Begins watching; `onChange` is called on the watcher's own thread, once per burst of writes.
    // Never throws: a watch that cannot be set up is logged and tried again later.
    virtual void start(ChangeHandler onChange) = 0;
    // Ends watching; once it returns, `onChange` is no longer running and will not be called again
    // (unless stop() was called from `onChange` itself, which only asks the watcher to end).
    virtual void stop() = 0;
};

}  // namespace kindora
