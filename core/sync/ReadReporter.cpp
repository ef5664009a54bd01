#include "core/sync/ReadReporter.hpp"

#include <exception>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/backend/UserMessage.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/SQLiteError.hpp"

namespace kindora {
namespace {

bool isBusy(const std::exception& error) {
    const auto* sqliteError = dynamic_cast<const SQLiteError*>(&error);
    return sqliteError != nullptr && sqliteError->isBusy();
}

}  // namespace

ReadReporter::ReadReporter(const ChatDBReading& reader, IngestBackendClientProtocol& ingestClient,
                           SyncClock clock, std::optional<std::string> agentVersion,
                           std::function<void()> onBackendContact)
    : reader_(reader),
      ingestClient_(ingestClient),
      clock_(std::move(clock)),
      agentVersion_(std::move(agentVersion)),
      onBackendContact_(std::move(onBackendContact)) {}

ReadReporter::Outcome ReadReporter::reportReads(const std::string& token, SyncState& state,
                                                const StopToken& stop) {
    if (state.lastRowID < 1) {
        return Outcome::nothingToReport;
    }
    const std::int64_t minDate = AppleTime::nanoseconds(clock_.now() + Seconds(-scanWindow));

    RecentlyReadFetchResult scan;
    try {
        scan = reader_.fetchRecentlyRead(state.lastReadDateRead, state.lastReadRowID, state.lastRowID,
                                         minDate, scanPageSize);
    } catch (const std::exception& error) {
        if (!isBusy(error)) {
            logger_.error("read-scan failed, retrying next tick: {}", error.what());
        }
        return Outcome::failed;
    }

    // Compared as dates, not as an age: the age of a watch written without raisedAt (dated 1678)
    // does not fit in nanoseconds.
    const Date expiredBefore = clock_.now() + Seconds(-watchLifetime);
    std::erase_if(state.pendingReadWatches,
                  [&expiredBefore](const PendingReadWatch& watch) { return watch.raisedAt < expiredBefore; });

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
            return Outcome::failed;
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
        return Outcome::nothingToReport;
    }

    IngestRequest report;
    report.agentVersion = agentVersion_;
    report.reads = std::move(reads);
    IngestResponse response;
    try {
        response = ingestClient_.ingest(token, report, stop);
    } catch (const std::exception& error) {
        const auto* backendError = dynamic_cast<const BackendError*>(&error);
        if (backendError != nullptr && backendError->kind() == BackendError::Kind::revoked) {
            return Outcome::revoked;
        }
        if (stop.stop_requested()) {
            return Outcome::stopped;  // cut short by stop(): says nothing about the backend
        }
        logger_.error("read-report failed, retrying next tick without backing off ingest: {}",
                      userMessage(error).english());
        return Outcome::failed;
    }

    if (onBackendContact_) {
        onBackendContact_();
    }
    logger_.debug("read-report accepted alreadyRead={} resolved={}", response.alreadyRead, response.resolved);
    state.lastReadDateRead = scan.highestScannedDateRead;
    state.lastReadRowID = scan.highestScannedRowID;
    std::erase_if(state.pendingReadWatches,
                  [&collected](const PendingReadWatch& watch) { return collected.contains(watch.guid); });
    return Outcome::reported;
}

}  // namespace kindora
