#include "core/sync/SyncEngine.hpp"

#include <algorithm>
#include <cctype>
#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/backend/UserMessage.hpp"
#include "core/common/Jitter.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/messagesdb/SQLiteError.hpp"
#include "core/messagesdb/Utf8.hpp"
#include "core/sync/MessageText.hpp"

namespace kindora {
namespace {

bool isBusy(const std::exception& error) {
    const auto* sqliteError = dynamic_cast<const SQLiteError*>(&error);
    return sqliteError != nullptr && sqliteError->isBusy();
}

bool isForwardable(const MessageRow& row) {
    return row.service.kind != Service::Kind::other;
}

bool containsIgnoringCase(std::string text, std::string_view word) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find(word) != std::string::npos;
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
      agentVersion_(std::move(agentVersion)),
      loop_("Sync", std::move(sleeper), [this](StopToken stop) { return tick(std::move(stop)); }) {}

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

bool SyncEngine::isRunning() const {
    return loop_.isRunning();
}

double SyncEngine::tick(StopToken stop) {
    const auto token = credentialStore_.loadDeviceToken();
    if (!token) {
        return normalDelay;
    }
    const auto loaded = loadStateOrFirstRun();
    if (!loaded) {
        return normalDelay;
    }
    SyncState state = *loaded;

    const IngestPhaseResult ingest = ingestNewMessages(*token, state, stop);
    if (ingest.revoked) {
        persist(state);
        stopForRevocation(state);
        return normalDelay;
    }
    if (stop.stop_requested()) {
        // Stopped mid-tick: keep what was done, but a cancelled request is no failure to report.
        persist(state);
        return normalDelay;
    }

    const bool readRevoked = reportReads(*token, state, stop);
    if (!ingest.errorText && !readRevoked) {
        state.lastSyncAt = clock_.now();
    }
    persist(state);
    if (readRevoked) {
        stopForRevocation(state);
        return normalDelay;
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
    status.lastError = ingest.errorText ? ingest.errorText : duplicateDropNotice_;
    status.sessionSentCount = sessionSentCount_;
    status.lifetimeSentCount = state.lifetimeSentCount;
    status.queueLagRowCount = backlog;
    publish(status);

    if (!ingest.errorText) {
        backoffSeconds_ = initialBackoff;
        return normalDelay;
    }
    logger_.error("sync tick failed, backing off: {}", *ingest.errorText);
    const double delay = Jitter::factor() * backoffSeconds_;
    backoffSeconds_ = std::min(backoffSeconds_ * 2.0, backoffCap);
    return delay;
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
    while (!stop.stop_requested()) {
        InboundFetchResult page;
        try {
            page = reader_.fetchInbound(state.lastRowID, pageSize);
        } catch (const std::exception& error) {
            if (isBusy(error)) {
                return {};  // Messages holds a lock; the next tick reads again
            }
            return {std::string("chat.db read failed: ") + error.what(), false};
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
            return result;
        }

        const std::span<const MessageRow> rows(page.rows);
        for (std::size_t start = 0; start < rows.size(); start += batchSize) {
            const auto batch = rows.subspan(start, std::min(batchSize, rows.size() - start));
            bool mayContinue = false;
            try {
                mayContinue = sendBatch(batch, token, state, stop);
            } catch (const BackendError& error) {
                if (error.kind() == BackendError::Kind::revoked) {
                    return {std::nullopt, true};
                }
                return {errorText(error), false};
            } catch (const std::exception& error) {
                return {errorText(error), false};
            }
            persist(state);
            if (!mayContinue) {
                return {};  // held rows go again at the next tick, without back-off
            }
        }
        if (page.rows.size() < static_cast<std::size_t>(pageSize)) {
            return {};
        }
    }
    return {};
}

bool SyncEngine::reanchorIfDatabaseShrank(SyncState& state, std::optional<std::string>& errorText) {
    std::int64_t highest = 0;
    try {
        highest = reader_.maxRowID();
    } catch (const std::exception& error) {
        if (!isBusy(error)) {
            errorText = std::string("chat.db read failed: ") + error.what();
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

bool SyncEngine::sendBatch(std::span<const MessageRow> batch, const std::string& token, SyncState& state,
                           const StopToken& stop) {
    IngestRequest request;
    request.agentVersion = agentVersion_;
    request.messages.reserve(batch.size());
    for (const auto& row : batch) {
        if (auto message = makeIngestMessage(row)) {
            request.messages.push_back(std::move(*message));
        }
    }
    if (request.messages.empty()) {
        return applyOutcomes({}, batch, state);
    }

    IngestResponse response;
    try {
        response = ingestClient_.ingest(token, request, stop);
    } catch (const BackendError& error) {
        if (error.kind() != BackendError::Kind::http || error.status() != 400) {
            throw;
        }
        const auto bodyMessage = error.bodyMessage();
        if (!bodyMessage) {
            return dropPoisonBatch(batch, "no body", state);
        }
        if (containsIgnoringCase(*bodyMessage, "duplicate")) {
            return handleDuplicateRejection(batch, *bodyMessage, state);
        }
        return dropPoisonBatch(batch, *bodyMessage, state);
    }

    notifyBackendContact();
    duplicateBatchRetryCount_ = 0;
    duplicateBatchHeadGUID_.reset();
    duplicateDropNotice_.reset();
    return applyOutcomes(response.outcomes, batch, state);
}

bool SyncEngine::dropPoisonBatch(std::span<const MessageRow> batch, const std::string& reason,
                                 SyncState& state) {
    // The backend will never take this batch; retrying it would stall every later message.
    logger_.error("ingest 400, dropping poison batch of {} rows: {}", batch.size(), reason);
    state.lastRowID = batch.back().rowID;
    return true;
}

bool SyncEngine::handleDuplicateRejection(std::span<const MessageRow> batch, const std::string& bodyMessage,
                                          SyncState& state) {
    // A duplicate-GUID rejection may be a race with an earlier send that did land, so the batch is
    // retried a few times before it is given up.
    const std::string& headGUID = batch.front().guid;
    if (duplicateBatchHeadGUID_ != headGUID) {
        duplicateBatchHeadGUID_ = headGUID;
        duplicateBatchRetryCount_ = 0;
    }
    ++duplicateBatchRetryCount_;
    if (duplicateBatchRetryCount_ >= duplicateAttemptsBeforeDrop) {
        logger_.error(
            "ingest 400 (duplicate guid) persisted {} attempts, dropping poison batch of {} rows: {}",
            duplicateAttemptsBeforeDrop, batch.size(), bodyMessage);
        duplicateDropNotice_ = "Dropped " + std::to_string(batch.size()) + " message(s) after " +
                               std::to_string(duplicateAttemptsBeforeDrop) +
                               " repeated duplicate-guid rejections";
        duplicateBatchRetryCount_ = 0;
        duplicateBatchHeadGUID_.reset();
        state.lastRowID = batch.back().rowID;
        return true;
    }
    logger_.error("ingest 400 (possible duplicate guid), not advancing (attempt {}/{}): {}",
                  duplicateBatchRetryCount_, duplicateAttemptsBeforeDrop, bodyMessage);
    throw BackendError::http(400, bodyMessage);
}

bool SyncEngine::applyOutcomes(const std::vector<IngestOutcome>& outcomes, std::span<const MessageRow> rows,
                               SyncState& state) {
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
        if (!isForwardable(row)) {
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

    if (advanced == 0) {
        logger_.error("ingest batch: 0/{} advanced (leading error outcome), retrying next tick", rows.size());
        return false;
    }
    state.lastRowID = rows[advanced - 1].rowID;
    state.lifetimeSentCount += sent;
    sessionSentCount_ += sent;
    if (advanced == rows.size()) {
        return true;
    }
    logger_.error("ingest batch: {}/{} advanced, {} held for retry", advanced, rows.size(),
                  rows.size() - advanced);
    return false;
}

bool SyncEngine::reportReads(const std::string& token, SyncState& state, const StopToken& stop) {
    if (state.lastRowID < 1) {
        return false;
    }
    const std::int64_t minDate = AppleTime::nanoseconds(clock_.now() + Seconds(-readScanWindow));

    RecentlyReadFetchResult scan;
    try {
        scan = reader_.fetchRecentlyRead(state.lastReadDateRead, state.lastReadRowID, state.lastRowID,
                                         minDate, readScanPageSize);
    } catch (const std::exception& error) {
        if (!isBusy(error)) {
            logger_.error("read-scan failed, retrying next tick: {}", error.what());
        }
        return false;
    }

    const Date now = clock_.now();
    std::erase_if(state.pendingReadWatches, [&now](const PendingReadWatch& watch) {
        return secondsBetween(watch.raisedAt, now) > watchLifetime;
    });

    std::unordered_set<std::string> readGUIDs;
    for (const auto& row : scan.rows) {
        readGUIDs.insert(row.guid);
    }
    if (!state.pendingReadWatches.empty()) {
        std::vector<std::string> watched;
        watched.reserve(state.pendingReadWatches.size());
        for (const auto& watch : state.pendingReadWatches) {
            watched.push_back(watch.guid);
        }
        try {
            for (auto& guid : reader_.fetchReadGUIDs(watched)) {
                readGUIDs.insert(std::move(guid));
            }
            // Writing back after a message means it was seen, even if Messages still shows it unread.
            for (auto& guid : reader_.fetchRepliedGUIDs(watched)) {
                readGUIDs.insert(std::move(guid));
            }
        } catch (const std::exception& error) {
            if (!isBusy(error)) {
                logger_.error("pending-read watch query failed, retrying next tick: {}", error.what());
            }
            return false;
        }
    }

    std::vector<IngestRead> reads;
    std::unordered_set<std::string> collected;
    const auto collect = [&](const std::string& guid) {
        if (reads.size() < maximumReadsPerReport && readGUIDs.contains(guid) &&
            collected.insert(guid).second) {
            reads.push_back(IngestRead{guid});
        }
    };
    for (const auto& row : scan.rows) {
        collect(row.guid);
    }
    for (const auto& watch : state.pendingReadWatches) {
        collect(watch.guid);
    }

    if (reads.empty()) {
        state.lastReadDateRead = scan.highestScannedDateRead;
        state.lastReadRowID = scan.highestScannedRowID;
        return false;
    }

    IngestRequest report;
    report.agentVersion = agentVersion_;
    report.reads = std::move(reads);
    IngestResponse response;
    try {
        response = ingestClient_.ingest(token, report, stop);
    } catch (const BackendError& error) {
        if (error.kind() == BackendError::Kind::revoked) {
            return true;
        }
        logger_.error("read-report failed, retrying next tick without backing off ingest: {}",
                      errorText(error));
        return false;
    } catch (const std::exception& error) {
        logger_.error("read-report failed, retrying next tick without backing off ingest: {}",
                      errorText(error));
        return false;
    }

    notifyBackendContact();
    logger_.debug("read-report accepted alreadyRead={} resolved={}", response.alreadyRead, response.resolved);
    state.lastReadDateRead = scan.highestScannedDateRead;
    state.lastReadRowID = scan.highestScannedRowID;
    std::erase_if(state.pendingReadWatches,
                  [&collected](const PendingReadWatch& watch) { return collected.contains(watch.guid); });
    return false;
}

void SyncEngine::persist(const SyncState& state) {
    cachedState_ = state;
    try {
        watermarkStore_.save(state);
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
    status.lastError = "Device credential revoked";
    status.sessionSentCount = sessionSentCount_;
    status.lifetimeSentCount = state.lifetimeSentCount;
    status.queueLagRowCount = 0;
    publish(status);
}

std::optional<IngestMessage> SyncEngine::makeIngestMessage(const MessageRow& row) const {
    IngestMessage message;
    switch (row.service.kind) {
        case Service::Kind::imessage:
            message.service = MessageServiceKind::imessage;
            break;
        case Service::Kind::sms:
            message.service = MessageServiceKind::sms;
            break;
        case Service::Kind::other:
            logger_.debug("skipping rowID={} with unsupported service '{}'", row.rowID, row.service.name);
            return std::nullopt;
    }
    message.guid = row.guid;
    message.senderHandle = row.senderHandle;
    if (row.text) {
        message.text = truncatedText(*row.text);
        message.textDecodeFailed = false;
    } else if (auto decoded = AttributedBodyDecoder::decode(row.attributedBody)) {
        message.text = truncatedText(*decoded);
        message.textDecodeFailed = false;
    } else {
        message.textDecodeFailed = row.attributedBody.has_value();
    }
    message.isGroup = row.isGroup;
    message.chatName = row.chatDisplayName;
    message.sentAt = row.date;
    message.isRead = row.isRead;
    return message;
}

std::string SyncEngine::truncatedText(const std::string& text) const {
    // One malformed byte must not make the whole batch unencodable.
    std::string valid = Utf8::isValid(text) ? text : Utf8::repairing(text);
    if (valid.size() <= maximumTextLength) {
        return valid;  // fewer bytes than the limit means fewer characters
    }
    const std::size_t count = MessageText::characterCount(valid);
    if (count <= maximumTextLength) {
        return valid;
    }
    logger_.debug("truncating message text from {} to {} chars", count, maximumTextLength);
    return MessageText::prefix(valid, maximumTextLength);
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
