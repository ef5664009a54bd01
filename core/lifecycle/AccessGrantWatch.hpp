#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/common/BackgroundTask.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/Sleeper.hpp"
#include "core/lifecycle/SetupStep.hpp"
#include "core/lifecycle/SetupWizardController.hpp"

namespace kindora {

// While the setup wizard shows its Full Disk Access step, checks every 2 seconds, off the main thread,
// whether the Messages database has become readable, and says so once it has. A grant only takes
// effect for a fresh process, so the step does not move on: the person is told to relaunch. Leaving
// the step stops the checks and forgets what they found. Main thread only.
class AccessGrantWatch {
public:
    static constexpr double checkInterval = 2.0;  // seconds

    AccessGrantWatch(SetupWizardController& wizard, MainQueue& mainQueue, Sleeper sleeper,
                     std::function<bool()> hasAccess);
    AccessGrantWatch(const AccessGrantWatch&) = delete;
    AccessGrantWatch& operator=(const AccessGrantWatch&) = delete;
    ~AccessGrantWatch();

    // True once the database was found readable while the step shows.
    const Observable<bool>& grantDetected() const { return detected_; }
    // Stops and joins the checks for good (the agent shutting down).
    void stop();

private:
    void stepChanged(const std::optional<SetupStep>& step);
    void startChecking();

    MainQueue& mainQueue_;
    Sleeper sleeper_;
    std::function<bool()> hasAccess_;
    Observable<bool> detected_{false};
    bool stopped_ = false;
    Subscription subscription_;
    // Last: destroying it stops the checks before the fields they report into go.
    std::unique_ptr<BackgroundTask> check_;
};

}  // namespace kindora
