#pragma once

namespace kindora {

// Whether the agent starts when the user logs in, and the switch to change it. Each platform has
// its own mechanism; failures are thrown as LoginItemError.
class LoginItemService {
public:
    enum class Status { enabled, notRegistered };

    virtual ~LoginItemService() = default;

    virtual Status status() const = 0;
    // Makes the agent start at login.
    virtual void registerLoginItem() = 0;
    // Stops the agent from starting at login; doing so when it is not registered is no failure.
    virtual void unregisterLoginItem() = 0;
};

}  // namespace kindora
