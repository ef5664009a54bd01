#include "core/update/Updater.hpp"

#include <utility>

#include "core/update/UpdateError.hpp"

namespace kindora {

Updater::Updater(UpdateFetcher& fetcher, MainQueue& mainQueue, Sleeper sleeper)
    : fetcher_(fetcher),
      mainQueue_(mainQueue),
      loop_("Updater", std::move(sleeper), [this](StopToken stop) { return check(stop); }) {}

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
    loop_.tickNow();
}

std::optional<AppcastItem> Updater::readyItem() const {
    return package_ ? item_ : std::nullopt;
}

std::optional<std::filesystem::path> Updater::readyPackage() const {
    return package_;
}

void Updater::installUpdate(UpdateInstaller& installer, std::function<void()> onInstalled) {
    if (!package_ || !item_ || isInstalling_.value() || !canCheckForUpdates_.value()) {
        return;
    }
    installing_ = true;
    isInstalling_.set(true);
    canCheckForUpdates_.set(false);
    lastError_.set(std::nullopt);
    logger_.info("Installing update {}", item_->displayVersion());
    installation_ = std::make_unique<BackgroundTask>(
        mainQueue_, [this, &installer, item = *item_, package = *package_,
                     onInstalled = std::move(onInstalled)](const BackgroundTask::Context& context) {
            std::optional<std::string> failure;
            try {
                fetcher_.verifyDownloaded(item, package);
                installer.install(package, context.stopToken());
            } catch (const std::exception& error) {
                failure = error.what();
            }
            installing_ = false;
            context.post([this, failure, package, onInstalled] {
                isInstalling_.set(false);
                if (failure) {
                    logger_.error("{}", *failure);
                    lastError_.set(*failure);
                    // A package that failed its second check is gone: it must be fetched again.
                    std::error_code ignored;
                    if (!std::filesystem::exists(package, ignored)) {
                        publish(item_, std::nullopt);
                    }
                } else {
                    logger_.info("Update installed; relaunching");
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
    mainQueue_.post([weak = std::weak_ptr<int>(lifetime_), work = std::move(work)] {
        if (weak.lock()) {
            work();
        }
    });
}

void Updater::publish(std::optional<AppcastItem> item, std::optional<std::filesystem::path> package) {
    item_ = std::move(item);
    package_ = std::move(package);
    if (item_) {
        pendingUpdate_.set(PendingUpdate{item_->displayVersion(), package_.has_value()});
    } else {
        pendingUpdate_.set(std::nullopt);
    }
}

double Updater::check(StopToken stop) {
    if (installing_) {
        return checkInterval;  // the installation's end makes checks possible again
    }
    post([this] { canCheckForUpdates_.set(false); });
    try {
        std::optional<AppcastItem> item = fetcher_.findUpdate(stop);
        if (!item) {
            post([this] {
                publish(std::nullopt, std::nullopt);
                lastError_.set(std::nullopt);
            });
        } else {
            post([this, item] {
                // A package already verified for this very item stays ready.
                if (item_ != item) {
                    publish(item, std::nullopt);
                }
            });
            std::filesystem::path package = fetcher_.download(*item, stop);
            post([this, item, package] {
                publish(item, package);
                lastError_.set(std::nullopt);
            });
        }
    } catch (const UpdateError& error) {
        if (!stop.stop_requested()) {
            logger_.error("{}", error.what());
            post([this, message = std::string(error.what())] { lastError_.set(message); });
        }
    } catch (const std::exception& error) {
        if (!stop.stop_requested()) {
            logger_.error("Update check failed: {}", error.what());
            post([this, message = "Could not check for updates: " + std::string(error.what())] {
                lastError_.set(message);
            });
        }
    }
    post([this, stop] {
        if (started_ && !stop.stop_requested() && !isInstalling_.value()) {
            canCheckForUpdates_.set(true);
        }
    });
    return checkInterval;
}

}  // namespace kindora
