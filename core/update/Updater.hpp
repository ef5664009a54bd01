#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/common/BackgroundTask.hpp"
#include "core/common/Backoff.hpp"
#include "core/common/Date.hpp"
#include "core/common/Log.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/PostScope.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/UserText.hpp"
#include "core/update/AvailableUpdate.hpp"
#include "core/update/PackageUpdating.hpp"
#include "core/update/PendingUpdate.hpp"

namespace kindora {

// The agent's updater over the system's package manager: once started it checks at once and then once
// a day, or when asked; an update it finds is downloaded into the system's package cache in the
// background, and only then reported as ready. It never brings anything forward by itself: views show
// `pendingUpdate` and the person decides.
//
// A scheduled check that fails (the usual case: a check at login before the network is up) is quiet:
// it is logged and retried after a back-off, and the error is shown only once checks have failed for
// a day. A check the person asked for shows its failure at once.
//
// Lives on the main thread; the checks run on a thread of their own and post their results back.
class Updater {
public:
    static constexpr double checkInterval = 24 * 60 * 60;
    // After a failed check: a minute, doubling up to an hour (each jittered).
    static constexpr double initialRetry = 60;
    static constexpr double longestRetry = 60 * 60;

    Updater(PackageUpdating& updates, MainQueue& mainQueue, Sleeper sleeper, std::function<Date()> now,
            Backoff::JitterFactor jitterFactor = {});
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;
    ~Updater();

    // Starts the scheduled checks (the first one at once).
    void start();
    // Ends the scheduled checks; a check or installation in flight is cancelled. Never blocks.
    void stop();
    // After stop(): waits until the check's and the installation's threads have ended.
    void join();
    // The person asks for a check now, unless a check is already running or the updater is stopped.
    void checkForUpdates();

    // False while a check runs and while the updater is stopped.
    const Observable<bool>& canCheckForUpdates() const { return canCheckForUpdates_; }
    // The update found by the last check, if any, and whether its package is downloaded.
    const Observable<std::optional<PendingUpdate>>& pendingUpdate() const { return pendingUpdate_; }
    // Why the last step failed, when the person should know; cleared by the next success.
    const Observable<std::optional<UserText>>& lastError() const { return lastError_; }

    // Installs the downloaded update through the package manager. On success `onInstalled` runs on the
    // main thread (the application relaunches into the new version); on failure `lastError` says why
    // and the update stays ready. Does nothing unless an update is downloaded and no check or
    // installation is running.
    void installUpdate(std::function<void()> onInstalled);
    // True from installUpdate until the package manager has answered.
    const Observable<bool>& isInstalling() const { return isInstalling_; }

private:
    double check(StopToken stop);
    double failed(const std::exception& error, bool askedByPerson);
    void post(std::function<void()> work);
    void publish(std::optional<AvailableUpdate> update, bool downloaded);

    PackageUpdating& updates_;
    MainQueue& mainQueue_;
    const std::function<Date()> now_;
    const Log logger_{"Updater"};

    // Main-thread state.
    Observable<bool> canCheckForUpdates_{false};
    Observable<std::optional<PendingUpdate>> pendingUpdate_;
    Observable<std::optional<UserText>> lastError_;
    Observable<bool> isInstalling_{false};
    std::optional<AvailableUpdate> update_;
    bool started_ = false;
    // Results posted to the main thread; none arrives after the updater is gone.
    PostScope posts_{mainQueue_};

    // Shared with the check's thread.
    std::atomic<bool> installing_{false};
    std::atomic<bool> askedByPerson_{false};

    // The check's thread only.
    Backoff retry_;
    std::optional<Date> failingSince_;

    RetiredTasks retiredInstallations_;
    std::unique_ptr<BackgroundTask> installation_;

    PollingLoop loop_;  // last: stopped and joined before the state its check touches goes away
};

}  // namespace kindora
