#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <atomic>

#include "core/common/BackgroundTask.hpp"
#include "core/common/Log.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/update/Appcast.hpp"
#include "core/update/PendingUpdate.hpp"
#include "core/update/UpdateFetcher.hpp"
#include "core/update/UpdateInstaller.hpp"

namespace kindora {

// The agent's updater: once started it checks the feed at once and then once a day, or when asked;
// an update it finds is downloaded and verified in the background, and only then reported as ready.
// It never brings anything forward by itself: views show `pendingUpdate` and the person decides.
// Lives on the main thread; the checks run on a thread of their own and post their results back.
class Updater {
public:
    static constexpr double checkInterval = 24 * 60 * 60;

    Updater(UpdateFetcher& fetcher, MainQueue& mainQueue, Sleeper sleeper);
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;
    ~Updater();

    // Starts the scheduled checks (the first one at once).
    void start();
    // Ends the scheduled checks; a check or installation in flight is cancelled. Never blocks.
    void stop();
    // After stop(): waits until the check's and the installation's threads have ended.
    void join();
    // Checks now, unless a check is already running or the updater is not started.
    void checkForUpdates();

    // False while a check runs and while the updater is stopped.
    const Observable<bool>& canCheckForUpdates() const { return canCheckForUpdates_; }
    // The update found by the last check, if any, and whether its package is ready.
    const Observable<std::optional<PendingUpdate>>& pendingUpdate() const { return pendingUpdate_; }
    // Why the last check, download or installation failed; cleared by the next success.
    const Observable<std::optional<std::string>>& lastError() const { return lastError_; }

    // The feed item and verified package of a pending update that is downloaded.
    std::optional<AppcastItem> readyItem() const;
    std::optional<std::filesystem::path> readyPackage() const;

    // Hands the ready update to `installer`, after checking its package once more. On success
    // `onInstalled` runs on the main thread (the application relaunches into the new version); on
    // failure `lastError` says why, the running version is untouched and the update stays ready.
    // Does nothing unless an update is ready and no check or installation is running.
    void installUpdate(UpdateInstaller& installer, std::function<void()> onInstalled);
    // True from installUpdate until the installer has answered.
    const Observable<bool>& isInstalling() const { return isInstalling_; }

private:
    double check(StopToken stop);
    void post(std::function<void()> work);
    void publish(std::optional<AppcastItem> item, std::optional<std::filesystem::path> package);

    UpdateFetcher& fetcher_;
    MainQueue& mainQueue_;
    const Log logger_{"Updater"};

    // Main-thread state.
    Observable<bool> canCheckForUpdates_{false};
    Observable<std::optional<PendingUpdate>> pendingUpdate_;
    Observable<std::optional<std::string>> lastError_;
    Observable<bool> isInstalling_{false};
    std::optional<AppcastItem> item_;
    std::optional<std::filesystem::path> package_;
    bool started_ = false;
    // Posted results look at this first, so none arrives after the updater is gone.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    // Read by the check's thread: no scheduled check replaces the package while it is installed.
    std::atomic<bool> installing_{false};

    std::unique_ptr<BackgroundTask> installation_;

    PollingLoop loop_;  // last: stopped and joined before the state its check touches goes away
};

}  // namespace kindora
