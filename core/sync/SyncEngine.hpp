#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include "core/common/StopToken.hpp"

#include "core/backend/BackendError.hpp"
#include "core/backend/IngestBackendClientProtocol.hpp"
#include "core/common/Backoff.hpp"
#include "core/common/Log.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/common/SyncClock.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/RevocationHandler.hpp"
#include "core/messagesdb/ChatDBReading.hpp"
#include "core/sync/InboundPage.hpp"
#include "core/sync/IngestMessageMapper.hpp"
#include "core/sync/ReadReporter.hpp"
#include "core/sync/RefusalTriage.hpp"
#include "core/sync/SyncState.hpp"
#include "core/sync/SyncStatus.hpp"
#include "core/sync/WatermarkStore.hpp"

namespace kindora {

// Forwards new inbound messages from the Messages database to the backend's ingest endpoint and
// reports which forwarded messages were read. Every few seconds, on a loop thread of its own, it
// reads the rows after its persisted watermark, sends them in batches, moves the watermark only over
// messages the backend has dealt with, reports reads, saves its state and publishes a SyncStatus.
// The history that existed before the first run is never forwarded. When the backend says the
// device was revoked, the engine stops and hands over to the RevocationHandler.
//
// The public operations may be called from any thread. The callbacks are called on the loop thread.
class SyncEngine {
public:
    using StatusHandler = std::function<void(const SyncStatus&)>;
    using BackendContactHandler = std::function<void()>;

    static constexpr double interval = 5.0;
    static constexpr double initialBackoff = 5.0;
    static constexpr double backoffCap = 300.0;
    static constexpr std::int64_t pageSize = 200;
    static constexpr std::size_t batchSize = 100;
    static constexpr std::int64_t backlogCountLimit = 200;
    static constexpr std::size_t maximumTextLength = IngestMessageMapper::maximumTextLength;

    // Without a revocation handler a new one is made over `credentialStore`. The collaborators
    // passed by reference must outlive the engine.
    SyncEngine(const ChatDBReading& reader, IngestBackendClientProtocol& ingestClient,
               CredentialStoreProtocol& credentialStore, WatermarkStore& watermarkStore,
               std::shared_ptr<RevocationHandler> revocationHandler, Sleeper sleeper, SyncClock clock,
               std::optional<std::string> agentVersion);
    SyncEngine(const SyncEngine&) = delete;
    SyncEngine& operator=(const SyncEngine&) = delete;
    ~SyncEngine() = default;

    void setStatusHandler(StatusHandler handler);
    // Called after every successful exchange with the backend (it counts as contact for the heartbeat).
    void setBackendContactHandler(BackendContactHandler handler);
    void setRevokedHandler(std::function<void()> handler);

    void start();
    // Never blocks; a tick in progress is cancelled. The cached state is dropped.
    void stop();
    // Makes the next tick load the state from the store again (after the store was reset).
    void invalidateWatermarkCache();
    // Cuts the current wait short; during a tick, one more tick follows it at once (unless that tick
    // failed and backs off).
    void tickNow();
    // After stop(): waits until the loop's thread has ended. Never from the loop's own callbacks.
    void join();
    bool isRunning() const;

    // One pass; gives the delay in seconds before the next one. The loop calls it; a caller that
    // drives the engine without starting it may too, but never while the loop runs.
    double tick(StopToken stop = {});

private:
    enum class IngestPhaseOutcome { done, failed, revoked };
    struct IngestPhaseResult {
        IngestPhaseOutcome outcome = IngestPhaseOutcome::done;
        std::optional<UserText> errorText;  // for `failed`: the status text

        static IngestPhaseResult failed(UserText text) {
            return {IngestPhaseOutcome::failed, std::move(text)};
        }
    };

    // What became of a batch, or of one part of it: every row dealt with, rows held behind an `error`
    // outcome after some advanced, held from its first row on, failed with `errorText` (the tick backs
    // off), or, for a part only, to be sent in halves or passed over without the backend taking it.
    struct SendResult {
        enum class Kind { passed, held, heldAtHead, failed, split, passedOver };
        Kind kind = Kind::passed;
        std::optional<UserText> errorText;
    };

    std::optional<SyncState> loadStateOrFirstRun();
    IngestPhaseResult ingestNewMessages(const std::string& token, SyncState& state, const StopToken& stop);
    bool reanchorIfDatabaseShrank(SyncState& state, std::optional<UserText>& errorText);
    // Sends `count` rows of `page` from `start` on, in parts as the backend's answers require.
    SendResult sendBatch(const InboundPage& page, std::size_t start, std::size_t count,
                         const std::string& token, SyncState& state, const StopToken& stop);
    SendResult sendPart(const InboundPage& page, std::size_t first, std::size_t size,
                        const std::string& token, SyncState& state, const StopToken& stop);
    SendResult applyVerdict(const RefusalVerdict& verdict, std::span<const MessageRow> part,
                            SyncState& state);
    SendResult applyOutcomes(const std::vector<IngestOutcome>& outcomes, std::span<const MessageRow> rows,
                             SyncState& state);
    // Rows of an answer that moved the watermark, and how many of them were messages the backend took.
    struct Advance {
        std::size_t rows = 0;
        std::int64_t sent = 0;
    };
    // Moves `state` over the leading rows whose outcome is not `error` (a row without an outcome
    // counts as taken) and watches the raised ones.
    Advance advanceOver(const std::vector<IngestOutcome>& outcomes, std::span<const MessageRow> rows,
                        SyncState& state) const;
    double failTick(const UserText& errorText);
    double backOff(const UserText& errorText);
    // Stores the state through `save` (saveProgress between two batches); a failure is logged, and
    // the next save catches up.
    void persist(const SyncState& state,
                 void (WatermarkStore::*save)(const SyncState&) = &WatermarkStore::save);
    void stopForRevocation(const SyncState& state);

    void publish(const SyncStatus& status) const;
    void notifyBackendContact() const;

    const ChatDBReading& reader_;
    IngestBackendClientProtocol& ingestClient_;
    CredentialStoreProtocol& credentialStore_;
    WatermarkStore& watermarkStore_;
    const std::shared_ptr<RevocationHandler> revocationHandler_;
    const SyncClock clock_;
    const std::optional<std::string> agentVersion_;
    const Log logger_{"Sync"};
    const IngestMessageMapper mapper_;
    ReadReporter readReporter_;

    mutable std::mutex handlersMutex_;
    StatusHandler statusHandler_;
    BackendContactHandler backendContactHandler_;

    // Set from any thread; the tick drops its cached state when it finds it set.
    std::atomic<bool> cachedStateInvalidated_{false};

    // Touched only by the tick.
    std::optional<SyncState> cachedState_;
    std::int64_t sessionSentCount_ = 0;
    Backoff backoff_{initialBackoff, backoffCap};
    RefusalTriage refusals_;

    PollingLoop loop_;  // last: it is stopped and joined before the fields its tick uses go away
};

}  // namespace kindora
