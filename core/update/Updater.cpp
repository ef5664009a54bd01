#include "core/update/Updater.hpp"

#include <utility>

#include "core/update/UpdateError.hpp"

namespace kindora {
namespace {

// What the person reads about a failed step: the updater's own account, or the error's own words
// completing the sentence of the step that failed.
UserText textOf(const std::exception& error, UpdateError::Kind step) {
    if (const auto* updateError = dynamic_cast<const UpdateError*>(&error)) {
        return updateError->text();
    }
    return UpdateError(step, UserText::verbatim(error.what())).text();
}

}  // namespace

Updater::Updater(PackageUpdating& updates, MainQueue& mainQueue, Sleeper sleeper, std::function<Date()> now,
                 Backoff::JitterFactor jitterFactor)
    : updates_(updates),
      mainQueue_(mainQueue),
      now_(std::move(now)),
      retry_(initialRetry, longestRetry, std::move(jitterFactor)),
      // A check asked for while the previous one is finishing still runs, right after it.
      loop_(
          "Updater", std::move(sleeper), [this](StopToken stop) { return check(stop); },
          PollingLoop::WakeDuringTick::runsAnotherTick) {}

Updater::~Updater() {
    installation_.reset();
    loop_.stop();
    loop_.join();
}

void Updater::start() {
    if (started_) {
        return;
    }
    started_ = true;
    canCheckForUpdates_.set(false);  // the first check begins at once
    loop_.start();
}

void Updater::stop() {
    started_ = false;
    loop_.stop();
    if (installation_) {
        installation_->cancel();
    }
    canCheckForUpdates_.set(false);
}

void Updater::join() {
    if (started_) {
        return;
    }
    loop_.join();
    installation_.reset();
}

void Updater::checkForUpdates() {
    if (!started_ || !canCheckForUpdates_.value()) {
        return;
    }
    canCheckForUpdates_.set(false);
    askedByPerson_ = true;
    loop_.tickNow();
}

void Updater::installUpdate(std::function<void()> onInstalled) {
    const auto& pending = pendingUpdate_.value();
    if (!update_ || !pending || !pending->isDownloaded || isInstalling_.value() ||
        !canCheckForUpdates_.value()) {
        return;
    }
    installing_ = true;
    isInstalling_.set(true);
    canCheckForUpdates_.set(false);
    lastError_.set(std::nullopt);
    retiredInstallations_.retire(std::move(installation_));
    installation_ = std::make_unique<BackgroundTask>(
        mainQueue_, [this, update = *update_,
                     onInstalled = std::move(onInstalled)](const BackgroundTask::Context& context) {
            std::optional<UserText> failure;
            try {
                updates_.install(update, context.stopToken());
            } catch (const std::exception& error) {
                failure = textOf(error, UpdateError::Kind::installFailed);
            }
            installing_ = false;
            context.post([this, failure, onInstalled] {
                isInstalling_.set(false);
                if (failure) {
                    logger_.error("{}", failure->english());
                    lastError_.set(*failure);
                } else {
                    logger_.info("Update installed; relaunching");
                    publish(std::nullopt, false);
                }
                if (started_) {
                    canCheckForUpdates_.set(true);
                }
                if (!failure && onInstalled) {
                    onInstalled();
                }
            });
        });
}

void Updater::post(std::function<void()> work) {
    posts_.post(std::move(work));
}

void Updater::publish(std::optional<AvailableUpdate> update, bool downloaded) {
    update_ = std::move(update);
    if (update_) {
        pendingUpdate_.set(PendingUpdate{update_->version, downloaded});
    } else {
        pendingUpdate_.set(std::nullopt);
    }
}

double Updater::check(StopToken stop) {
    if (installing_) {
        return checkInterval;  // the installation's end makes checks possible again
    }
    const bool askedByPerson = askedByPerson_.exchange(false);
    post([this] { canCheckForUpdates_.set(false); });
    double delay = checkInterval;
    try {
        const std::optional<AvailableUpdate> found = updates_.findUpdate(stop);
        if (!found) {
            post([this] {
                publish(std::nullopt, false);
                lastError_.set(std::nullopt);
            });
        } else {
            post([this, found] {
                // An update already downloaded stays ready while it is fetched again.
                if (update_ != found) {
                    publish(found, false);
                }
            });
            updates_.download(*found, stop);
            post([this, found] {
                publish(found, true);
                lastError_.set(std::nullopt);
            });
        }
        retry_.reset();
        failingSince_.reset();
    } catch (const std::exception& error) {
        if (!stop.stop_requested()) {
            delay = failed(error, askedByPerson);
        }
    }
    post([this, stop] {
        if (started_ && !stop.stop_requested() && !isInstalling_.value()) {
            canCheckForUpdates_.set(true);
        }
    });
    return delay;
}

double Updater::failed(const std::exception& error, bool askedByPerson) {
    const UserText message = textOf(error, UpdateError::Kind::checkFailed);
    const Date now = now_();
    if (!failingSince_) {
        failingSince_ = now;
    }
    const double delay = retry_.nextDelay();
    logger_.error("{} (trying again in {:.0f} s)", message.english(), delay);
    if (askedByPerson || secondsBetween(*failingSince_, now) >= checkInterval) {
        post([this, message] { lastError_.set(message); });
    }
    return delay;
}

}  // namespace kindora
