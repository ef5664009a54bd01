#include "core/sync/SyncEngine.hpp"

#include "core/sync/InboundPageReader.hpp"

#include <algorithm>
#include <exception>
#include <unordered_map>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/backend/UserMessage.hpp"
#include "core/messagesdb/SQLiteError.hpp"

namespace kindora {
namespace {

constexpr Phrase databaseReadFailed = KINDORA_PHRASE("SyncStatus", "chat.db read failed: %1");
constexpr Phrase messagesHeld = KINDORA_PHRASE(
    "SyncStatus", "Messages held: the backend could not process the next message yet and is asked again");
constexpr Phrase credentialRevoked = KINDORA_PHRASE("SyncStatus", "Device credential revoked");

bool isBusy(const std::exception& error) {
    const auto* sqliteError = dynamic_cast<const SQLiteError*>(&error);
    return sqliteError != nullptr && sqliteError->isBusy();
}

}  // namespace

SyncEngine::SyncEngine(const ChatDBReading& reader, IngestBackendClientProtocol& ingestClient,
                       CredentialStoreProtocol& credentialStore, WatermarkStore& watermarkStore,
                       std::shared_ptr<RevocationHandler> revocationHandler, Sleeper sleeper, SyncClock clock,
                       std::optional<std::string> agentVersion)
    : reader_(reader),
      ingestClient_(ingestClient),
      credentialStore_(credentialStore),
      watermarkStore_(watermarkStore),
      revocationHandler_(revocationHandler ? std::move(revocationHandler)
                                           : std::make_shared<RevocationHandler>(credentialStore)),
      clock_(std::move(clock)),
      agentVersion_(agentVersion),
      readReporter_(reader, ingestClient, clock_, std::move(agentVersion),
                    [this] { notifyBackendContact(); }),
      loop_(
          "Sync", std::move(sleeper), [this](StopToken stop) { return tick(std::move(stop)); },
          PollingLoop::WakeDuringTick::runsAnotherTick) {}

void SyncEngine::setStatusHandler(StatusHandler handler) {
    std::lock_guard lock(handlersMutex_);
    statusHandler_ = std::move(handler);
}

void SyncEngine::setBackendContactHandler(BackendContactHandler handler) {
    std::lock_guard lock(handlersMutex_);
    backendContactHandler_ = std::move(handler);
}

void SyncEngine::setRevokedHandler(std::function<void()> handler) {
    revocationHandler_->setCallback(std::move(handler));
}

void SyncEngine::start() {
    loop_.start();
}

void SyncEngine::stop() {
    loop_.stop();
    cachedStateInvalidated_ = true;
}

void SyncEngine::invalidateWatermarkCache() {
    cachedStateInvalidated_ = true;
}

void SyncEngine::tickNow() {
    loop_.tickNow();
}

void SyncEngine::join() {
    loop_.join();
}

bool SyncEngine::isRunning() const {
    return loop_.isRunning();
}

double SyncEngine::tick(StopToken stop) {
    refusals_.beginTick();
    const auto token = credentialStore_.loadDeviceToken();
    if (!token) {
        return interval;
    }
    std::optional<SyncState> loaded;
    try {
        loaded = loadStateOrFirstRun();
    } catch (const WatermarkUnreadableError& error) {
        // Not a first run: anchoring afresh would skip every message since the last save.
        return failTick(error.text());
    }
    if (!loaded) {
        return interval;
    }
    SyncState state = *loaded;

    const IngestPhaseResult ingest = ingestNewMessages(*token, state, stop);
    if (ingest.outcome == IngestPhaseOutcome::revoked) {
        persist(state);
        stopForRevocation(state);
        return interval;
    }
    if (stop.stop_requested()) {
        // Stopped mid-tick: keep what was done, but a cancelled request is no failure to report.
        persist(state);
        return interval;
    }

    const ReadReporter::Outcome reads = readReporter_.reportReads(*token, state, stop);
    if (reads == ReadReporter::Outcome::stopped || stop.stop_requested()) {
        persist(state);
        return interval;
    }
    const bool readRevoked = reads == ReadReporter::Outcome::revoked;
    if (ingest.outcome != IngestPhaseOutcome::failed && !readRevoked) {
        state.lastSyncAt = clock_.now();
    }
    persist(state);
    if (readRevoked) {
        stopForRevocation(state);
        return interval;
    }

    std::int64_t backlog = 0;
    try {
        backlog = reader_.countInbound(state.lastRowID, backlogCountLimit);
    } catch (const std::exception&) {
        backlog = 0;  // the lag is a hint for the menu; a failed count shows as none
    }
    cachedState_ = state;

    SyncStatus status;
    status.lastSyncAt = state.lastSyncAt;
    // A drop stays in sight until the next clean batch, even behind a later failure.
    status.lastError = ingest.errorText;
    if (const auto notice = refusals_.notice()) {
        status.lastError =
            status.lastError ? UserText(SyncStatusTexts::joined, {*status.lastError, *notice}) : *notice;
    }
    status.sessionSentCount = sessionSentCount_;
    status.lifetimeSentCount = state.lifetimeSentCount;
    status.queueLagRowCount = backlog;
    publish(status);

    if (!ingest.errorText) {
        backoff_.reset();
        return interval;
    }
    return backOff(*ingest.errorText);
}

double SyncEngine::backOff(const UserText& errorText) {
    logger_.error("sync tick failed, backing off: {}", errorText.english());
    loop_.keepNextWait();  // a new message is no reason to retry a failing backend early
    return backoff_.nextDelay();
}

double SyncEngine::failTick(const UserText& errorText) {
    SyncStatus status;
    status.lastError = errorText;
    status.sessionSentCount = sessionSentCount_;
    publish(status);
    return backOff(errorText);
}

std::optional<SyncState> SyncEngine::loadStateOrFirstRun() {
    if (cachedStateInvalidated_.exchange(false)) {
        cachedState_.reset();
    }
    if (cachedState_) {
        return cachedState_;
    }
    if (auto stored = watermarkStore_.load()) {
        cachedState_ = stored;
        return stored;
    }
    std::int64_t highest = 0;
    try {
        highest = reader_.maxRowID();
    } catch (const std::exception& error) {
        logger_.error("first-run watermark query failed, skipping tick: {}", error.what());
        return std::nullopt;
    }
    // Messages already in the database at the first run are history, never forwarded.
    SyncState state;
    state.lastRowID = highest;
    persist(state);
    return state;
}

SyncEngine::IngestPhaseResult SyncEngine::ingestNewMessages(const std::string& token, SyncState& state,
                                                            const StopToken& stop) {
    InboundPageReader pages(reader_, mapper_, pageSize, batchSize, agentVersion_);
    while (!stop.stop_requested()) {
        InboundPage page;
        try {
            page = pages.read(state.lastRowID);
        } catch (const std::exception& error) {
            if (isBusy(error)) {
                return {};  // Messages holds a lock; the next tick reads again
            }
            return IngestPhaseResult::failed(
                UserText(databaseReadFailed, {UserText::verbatim(error.what())}));
        }

        if (page.rows.empty()) {
            if (state.lastRowID < page.highestScannedRowID) {
                state.lastRowID = page.highestScannedRowID;
                persist(state);
                return {};
            }
            IngestPhaseResult result;
            if (reanchorIfDatabaseShrank(state, result.errorText)) {
                persist(state);
            }
            if (result.errorText) {
                result.outcome = IngestPhaseOutcome::failed;
            }
            return result;
        }
        const bool pageIsFull = page.rows.size() >= static_cast<std::size_t>(pageSize);
        if (pageIsFull) {
            // From where the watermark stands once every batch of this page has passed.
            pages.readAhead(page.rows.back().rowID);
        }

        for (std::size_t start = 0; start < page.rows.size(); start += batchSize) {
            const std::size_t count = std::min(batchSize, page.rows.size() - start);
            SendResult result;
            try {
                result = sendBatch(page, start, count, token, state, stop);
            } catch (const BackendError& error) {
                if (error.kind() == BackendError::Kind::revoked) {
                    return {IngestPhaseOutcome::revoked, std::nullopt};
                }
                return IngestPhaseResult::failed(userMessage(error));
            } catch (const std::exception& error) {
                return IngestPhaseResult::failed(userMessage(error));
            }
            // Durable before the next batch leaves, so a crash resends at most this batch.
            persist(state, &WatermarkStore::saveProgress);
            switch (result.kind) {
                case SendResult::Kind::held:
                    return {};  // held rows go again at the next tick, without back-off
                case SendResult::Kind::heldAtHead:
                    // The backend asked for the message again; say so, and do not ask every 5 s.
                    return IngestPhaseResult::failed(messagesHeld);
                case SendResult::Kind::failed:
                    return IngestPhaseResult::failed(std::move(*result.errorText));
                default:
                    break;
            }
        }
        if (!pageIsFull) {
            return {};
        }
    }
    return {};
}

bool SyncEngine::reanchorIfDatabaseShrank(SyncState& state, std::optional<UserText>& errorText) {
    std::int64_t highest = 0;
    try {
        highest = reader_.maxRowID();
    } catch (const std::exception& error) {
        if (!isBusy(error)) {
            errorText = UserText(databaseReadFailed, {UserText::verbatim(error.what())});
        }
        return false;
    }
    if (highest >= state.lastRowID) {
        return false;
    }
    // A restored, replaced or repaired database numbers its rows afresh, below the watermark; waiting
    // for new rows to pass the old watermark would forward nothing for a long time, or ever.
    logger_.error(
        "chat.db highest rowID {} is below the watermark {} (database rebuilt or replaced), re-anchoring the "
        "watermark at {}",
        highest, state.lastRowID, highest);
    state.lastRowID = highest;
    return true;
}

SyncEngine::SendResult SyncEngine::sendBatch(const InboundPage& page, std::size_t start, std::size_t count,
                                             const std::string& token, SyncState& state,
                                             const StopToken& stop) {
    // Parts still to send (first row and row count in the page), the next one last. A refusal that
    // may concern only some rows splits its part in two, so that the rows the backend takes go on and
    // only the ones it refuses remain.
    std::vector<std::pair<std::size_t, std::size_t>> parts{{start, count}};
    bool clean = true;
    while (!parts.empty()) {
        const auto [first, size] = parts.back();
        parts.pop_back();
        SendResult result = sendPart(page, first, size, token, state, stop);
        switch (result.kind) {
            case SendResult::Kind::passed:
                break;
            case SendResult::Kind::split: {
                clean = false;
                const std::size_t half = size / 2;
                parts.emplace_back(first + half, size - half);
                parts.emplace_back(first, half);
                break;
            }
            case SendResult::Kind::passedOver:
                clean = false;
                break;
            case SendResult::Kind::held:
                if (clean) {
                    refusals_.batchWentThroughCleanly();
                }
                return result;
            case SendResult::Kind::heldAtHead:
            case SendResult::Kind::failed:
                return result;
        }
    }
    if (clean) {
        refusals_.batchWentThroughCleanly();
    }
    return {};
}

SyncEngine::SendResult SyncEngine::sendPart(const InboundPage& page, std::size_t first, std::size_t size,
                                            const std::string& token, SyncState& state,
                                            const StopToken& stop) {
    const auto part = std::span<const MessageRow>(page.rows).subspan(first, size);
    // A whole batch goes as encoded with its page; a part of one, after a refusal, is encoded now
    // from the batch's messages (those of its forwardable rows, in order).
    const std::size_t batchStart = first - first % batchSize;
    const PreparedIngestRequest& batch = page.batches.at(batchStart / batchSize);
    const bool wholeBatch = first == batchStart && size == std::min(batchSize, page.rows.size() - first);
    PreparedIngestRequest partRequest;
    if (!wholeBatch) {
        const auto forwardable = [&](std::size_t from, std::size_t to) {
            return static_cast<std::size_t>(std::count_if(
                page.rows.begin() + static_cast<std::ptrdiff_t>(from),
                page.rows.begin() + static_cast<std::ptrdiff_t>(to), &IngestMessageMapper::isForwardable));
        };
        const auto messages = std::span(batch.request.messages)
                                  .subspan(forwardable(batchStart, first), forwardable(first, first + size));
        IngestRequest request;
        request.agentVersion = agentVersion_;
        request.messages.assign(messages.begin(), messages.end());
        partRequest = PreparedIngestRequest::prepare(std::move(request));
    }
    const PreparedIngestRequest& prepared = wholeBatch ? batch : partRequest;
    if (prepared.request.messages.empty()) {
        return applyOutcomes({}, part, state);
    }

    IngestResponse response;
    try {
        response = ingestClient_.ingestPrepared(token, prepared, stop);
    } catch (const BackendError& error) {
        if (const auto verdict = refusals_.judge(part, error)) {
            return applyVerdict(*verdict, part, state);
        }
        throw;  // no refusal of these messages: the exchange itself failed
    }
    notifyBackendContact();
    refusals_.taken(part);
    return applyOutcomes(response.outcomes, part, state);
}

SyncEngine::SendResult SyncEngine::applyVerdict(const RefusalVerdict& verdict,
                                                std::span<const MessageRow> part, SyncState& state) {
    switch (verdict.action) {
        case RefusalVerdict::Action::split:
            return {SendResult::Kind::split, {}};
        case RefusalVerdict::Action::retry:
            return {SendResult::Kind::failed, verdict.errorText};
        case RefusalVerdict::Action::passOver:
            break;
    }
    state.lastRowID = part.back().rowID;
    state.lifetimeSentCount += verdict.alreadyHeld;
    sessionSentCount_ += verdict.alreadyHeld;
    return {SendResult::Kind::passedOver, {}};
}

SyncEngine::SendResult SyncEngine::applyOutcomes(const std::vector<IngestOutcome>& outcomes,
                                                 std::span<const MessageRow> rows, SyncState& state) {
    const Advance advance = advanceOver(outcomes, rows, state);
    if (advance.rows == 0) {
        logger_.error("ingest batch: 0/{} advanced (leading error outcome), retrying next tick", rows.size());
        return {SendResult::Kind::heldAtHead, {}};
    }
    sessionSentCount_ += advance.sent;
    if (advance.rows == rows.size()) {
        return {};
    }
    logger_.error("ingest batch: {}/{} advanced, {} held for retry", advance.rows, rows.size(),
                  rows.size() - advance.rows);
    return {SendResult::Kind::held, {}};
}

SyncEngine::Advance SyncEngine::advanceOver(const std::vector<IngestOutcome>& outcomes,
                                            std::span<const MessageRow> rows, SyncState& state) const {
    std::unordered_map<std::string, IngestOutcomeKind> outcomeByGUID;
    for (const auto& outcome : outcomes) {
        const auto [entry, inserted] = outcomeByGUID.emplace(outcome.guid, outcome.outcome);
        if (!inserted && entry->second != IngestOutcomeKind::error) {
            entry->second = outcome.outcome;
        }
    }

    std::size_t advanced = 0;
    std::int64_t sent = 0;
    for (const auto& row : rows) {
        if (!IngestMessageMapper::isForwardable(row)) {
            ++advanced;
            continue;
        }
        const auto found = outcomeByGUID.find(row.guid);
        if (found != outcomeByGUID.end() && found->second == IngestOutcomeKind::error) {
            break;
        }
        if (found != outcomeByGUID.end() && found->second == IngestOutcomeKind::raised) {
            state.addPendingReadWatch(row.guid, row.rowID, clock_.now());
        }
        ++advanced;
        ++sent;
    }

    if (advanced > 0) {
        state.lastRowID = rows[advanced - 1].rowID;
        state.lifetimeSentCount += sent;
    }
    return {advanced, sent};
}

void SyncEngine::persist(const SyncState& state, void (WatermarkStore::*save)(const SyncState&)) {
    cachedState_ = state;
    try {
        (watermarkStore_.*save)(state);
    } catch (const std::exception& error) {
        // The in-memory state moves on; the next successful save catches up.
        logger_.error("failed to persist sync state: {}", error.what());
    }
}

void SyncEngine::stopForRevocation(const SyncState& state) {
    loop_.stop();
    cachedState_.reset();
    revocationHandler_->handleRevoked();

    SyncStatus status;
    status.lastSyncAt = state.lastSyncAt;
    status.lastError = UserText(credentialRevoked);
    status.sessionSentCount = sessionSentCount_;
    status.lifetimeSentCount = state.lifetimeSentCount;
    status.queueLagRowCount = 0;
    publish(status);
}

void SyncEngine::publish(const SyncStatus& status) const {
    StatusHandler handler;
    {
        std::lock_guard lock(handlersMutex_);
        handler = statusHandler_;
    }
    if (handler) {
        handler(status);
    }
}

void SyncEngine::notifyBackendContact() const {
    BackendContactHandler handler;
    {
        std::lock_guard lock(handlersMutex_);
        handler = backendContactHandler_;
    }
    if (handler) {
        handler();
    }
}

}  // namespace kindora
