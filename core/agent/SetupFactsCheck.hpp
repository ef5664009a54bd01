#pragma once

#include <filesystem>
#include <functional>
#include <list>
#include <memory>

#include "core/agent/SetupFacts.hpp"
#include "core/common/BackgroundTask.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/common/MainQueue.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"

namespace kindora {

// Reads whether a device token is stored and whether the Messages database can be read, off the main
// thread: the store may wait on its service and the database on another process's lock (up to the
// 2-second busy time-out), and the main thread must not. The answer is handed back on the main thread.
// Main thread only; destroying it (or cancelAll) waits for the checks under way and drops their answers.
class SetupFactsCheck {
public:
    using FullDiskAccessCheck = std::function<bool()>;

    SetupFactsCheck(MainQueue& mainQueue, CredentialStoreProtocol& credentialStore,
                    FullDiskAccessCheck hasFullDiskAccess);
    SetupFactsCheck(const SetupFactsCheck&) = delete;
    SetupFactsCheck& operator=(const SetupFactsCheck&) = delete;
    ~SetupFactsCheck();

    // Starts a check; `then` runs on the main thread with its answer unless cancelled first.
    void run(std::function<void(const SetupFacts&)> then);
    // Drops the checks under way and waits for their threads.
    void cancelAll();
    bool isIdle() const { return tasks_.empty(); }

private:
    MainQueue& mainQueue_;
    CredentialStoreProtocol& credentialStore_;
    const FullDiskAccessCheck hasFullDiskAccess_;
    RetiredTasks answered_;  // their threads may still be ending
    std::list<std::unique_ptr<BackgroundTask>> tasks_;
};

}  // namespace kindora
