#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/backend/InterruptBackendClientProtocol.hpp"
#include "core/common/BackgroundTask.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/common/Log.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/RevocationHandler.hpp"
#include "core/interrupts/DoNotDisturbController.hpp"
#include "core/interrupts/ScopedError.hpp"

namespace kindora {

// Decides which household alerts the alert panel shows, one group (one incident) at a time, and
// performs the user's acknowledge, resolve (sent to the backend) and dismiss (this Mac only).
// Everything is hidden while do-not-disturb is on. Lives on the main thread: every call is made there,
// and the backend calls run in the background with their outcomes applied back on the main thread.
class InterruptController {
public:
    // `dndController` and `pollNowHandler` may be absent. The controller listens to the do-not-disturb
    // controller's state changes for as long as it exists. `pollNowHandler` asks the interrupt
    // poller for an immediate poll: after an action, and when do-not-disturb ends.
    InterruptController(InterruptBackendClientProtocol& client, CredentialStoreProtocol& credentialStore,
                        RevocationHandler& revocationHandler, MainQueue& mainQueue,
                        DoNotDisturbController* dndController, std::function<void()> pollNowHandler);
    InterruptController(const InterruptController&) = delete;
    InterruptController& operator=(const InterruptController&) = delete;
    ~InterruptController();

    // The interrupt poller's answer (already handed to the main thread).
    void handlePoll(const InterruptsResponse& response);

    // Act on the presented interrupt's whole group; ignored for any other interrupt, without a device
    // token, or while another action is in flight. Failures end up in actionError(), never thrown.
    void acknowledge(const Interrupt& interrupt);
    void resolve(const Interrupt& interrupt);
    // Hides the interrupt (the whole group when it is the presented one) on this Mac until restart.
    void dismiss(const Interrupt& interrupt);

    // The interrupts the panel shows now, all of one group, in the backend's order.
    const std::vector<Interrupt>& presentedGroup() const { return presentedGroup_.value(); }
    std::optional<Interrupt> presentedInterrupt() const;
    // How many further groups wait behind the presented one (all of them while suppressed).
    int moreCount() const { return moreCount_.value(); }
    // The backend has more open interrupts than it sent.
    bool truncated() const { return truncated_.value(); }
    bool suppressed() const { return suppressed_.value(); }
    // The interrupt whose action is being performed, if any.
    const std::optional<Uuid>& inFlightID() const { return inFlightID_.value(); }
    bool isActionInFlight() const;
    // The last action failure, while it is about the presented interrupt.
    std::optional<UserText> actionError() const;

    // Calls `onChange` after every change of the state above.
    [[nodiscard]] Subscription observe(std::function<void()> onChange);

private:
    enum class Action { acknowledge, resolve };
    struct ActionOutcome;

    void perform(Action action, const Interrupt& interrupt);
    void applyOutcome(const Uuid& id, const ActionOutcome& outcome);
    void finishAction();
    void doNotDisturbChanged();
    void recompute();

    Observable<std::vector<Interrupt>> presentedGroup_;
    Observable<int> moreCount_{0};
    Observable<bool> truncated_{false};
    Observable<std::optional<Uuid>> inFlightID_;
    Observable<std::optional<ScopedError>> scopedError_;
    Observable<bool> suppressed_{false};
    std::vector<Interrupt> currentInterrupts_;
    std::unordered_set<Uuid> dismissedIDs_;

    InterruptBackendClientProtocol& client_;
    CredentialStoreProtocol& credentialStore_;
    RevocationHandler& revocationHandler_;
    MainQueue& mainQueue_;
    const Log logger_{"Interrupts"};
    DoNotDisturbController* const dndController_;
    const std::function<void()> pollNowHandler_;

    Subscription dndSubscription_;
    // The first failure of the action in flight, shown once the whole group has been tried.
    std::optional<ScopedError> firstError_;
    // Last: destroying it cancels the action's backend call before the state its outcomes touch goes.
    RetiredTasks retiredActions_;
    std::unique_ptr<BackgroundTask> actionTask_;
};

}  // namespace kindora
