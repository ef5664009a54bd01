#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/common/BackgroundTask.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/PostScope.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/lifecycle/SetupStep.hpp"
#include "core/lifecycle/SetupWizardController.hpp"

namespace kindora {

// While the setup wizard shows its Full Disk Access step, checks every 2 seconds, off the main thread,
// whether the Messages database has become readable, and says so once it has. A grant only takes
// effect for a fresh process, so the step does not move on: the person is told to relaunch. Leaving
// the step stops the checks and forgets what they found. Between checks nothing runs: the next one is
// a deadline on the main queue. Main thread only.
class AccessGrantWatch {
public:
    static constexpr double checkInterval = 2.0;  // seconds

    AccessGrantWatch(SetupWizardController& wizard, MainQueue& mainQueue, std::function<bool()> hasAccess);
    AccessGrantWatch(const AccessGrantWatch&) = delete;
    AccessGrantWatch& operator=(const AccessGrantWatch&) = delete;
    ~AccessGrantWatch();

    // True once the database was found readable while the step shows.
    const Observable<bool>& grantDetected() const { return detected_; }
    // Stops the checks for good (the agent shutting down); a check under way is left to finish.
    void stop();

private:
    void stepChanged(const std::optional<SetupStep>& step);
    void stopChecking();
    void checkNow();
    void checked(bool readable);

    MainQueue& mainQueue_;
    std::function<bool()> hasAccess_;
    Observable<bool> detected_{false};
    bool stopped_ = false;
    Subscription subscription_;
    // Open while checking; holds the deadline of the next check.
    std::unique_ptr<PostScope> checking_;
    // Last: destroying them waits for a check under way before the fields it reports into go. A check
    // may wait on the database for seconds, so one given up is retired, never waited for.
    RetiredTasks retiredChecks_;
    std::unique_ptr<BackgroundTask> check_;
};

}  // namespace kindora
