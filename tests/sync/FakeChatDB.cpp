#include "tests/sync/FakeChatDB.hpp"

#include <algorithm>
#include <tuple>

namespace kindora::testing {

MessageRow FakeChatDB::addMessage(const std::string& text) {
    std::lock_guard lock(mutex_);
    const std::int64_t rowID = std::max(rows_.empty() ? 0 : rows_.rbegin()->first,
                                        unusableRows_.empty() ? 0 : *unusableRows_.rbegin()) +
                               1;
    MessageRow row;
    row.rowID = rowID;
    row.guid = "guid-" + std::to_string(rowID);
    row.text = text;
    row.date = Date(std::chrono::seconds(1'800'000'000));
    row.service = Service::imessage();
    row.senderHandle = "+15550100";
    rows_[rowID] = row;
    return row;
}

void FakeChatDB::addRow(MessageRow row) {
    std::lock_guard lock(mutex_);
    rows_[row.rowID] = std::move(row);
}

void FakeChatDB::addUnusableRow(std::int64_t rowID) {
    std::lock_guard lock(mutex_);
    unusableRows_.insert(rowID);
}

void FakeChatDB::addRead(ReadMessage read) {
    std::lock_guard lock(mutex_);
    reads_.push_back(std::move(read));
}

void FakeChatDB::markRead(const std::string& guid) {
    std::lock_guard lock(mutex_);
    readGUIDs_.insert(guid);
}

void FakeChatDB::markReplied(const std::string& guid) {
    std::lock_guard lock(mutex_);
    repliedGUIDs_.insert(guid);
}

void FakeChatDB::setMaxRowIDOverride(std::optional<std::int64_t> value) {
    std::lock_guard lock(mutex_);
    maxRowIDOverride_ = value;
}

void FakeChatDB::clear() {
    std::lock_guard lock(mutex_);
    rows_.clear();
    unusableRows_.clear();
    reads_.clear();
}

void FakeChatDB::failWith(Operation operation, std::optional<SQLiteError> error) {
    std::lock_guard lock(mutex_);
    failures_.erase(operation);
    if (error) {
        failures_.emplace(operation, *error);
    }
}

std::size_t FakeChatDB::calls(Operation operation) const {
    std::lock_guard lock(mutex_);
    const auto found = calls_.find(operation);
    return found == calls_.end() ? 0 : found->second;
}

std::vector<std::vector<std::string>> FakeChatDB::watchQueries() const {
    std::lock_guard lock(mutex_);
    return watchQueries_;
}

std::int64_t FakeChatDB::highestRowID() const {
    std::lock_guard lock(mutex_);
    return std::max(rows_.empty() ? 0 : rows_.rbegin()->first,
                    unusableRows_.empty() ? 0 : *unusableRows_.rbegin());
}

void FakeChatDB::enter(Operation operation) const {
    ++calls_[operation];
    const auto failure = failures_.find(operation);
    if (failure != failures_.end()) {
        throw failure->second;
    }
}

InboundFetchResult FakeChatDB::fetchInbound(std::int64_t afterRowID, std::int64_t limit) const {
    std::lock_guard lock(mutex_);
    enter(Operation::fetchInbound);
    std::set<std::int64_t> scanned = unusableRows_;
    for (const auto& entry : rows_) {
        scanned.insert(entry.first);
    }
    InboundFetchResult result;
    result.highestScannedRowID = afterRowID;
    std::int64_t taken = 0;
    for (auto it = scanned.upper_bound(afterRowID); it != scanned.end() && taken < limit; ++it, ++taken) {
        result.highestScannedRowID = *it;
        if (const auto row = rows_.find(*it); row != rows_.end()) {
            result.rows.push_back(row->second);
        }
    }
    return result;
}

std::int64_t FakeChatDB::countInbound(std::int64_t afterRowID, std::int64_t limit) const {
    std::lock_guard lock(mutex_);
    enter(Operation::countInbound);
    const auto count = static_cast<std::int64_t>(std::distance(rows_.upper_bound(afterRowID), rows_.end()));
    return std::min(count, limit);
}

RecentlyReadFetchResult FakeChatDB::fetchRecentlyRead(std::int64_t afterDateRead, std::int64_t afterRowID,
                                                      std::int64_t maxRowID, std::int64_t minDate,
                                                      std::int64_t limit) const {
    std::lock_guard lock(mutex_);
    enter(Operation::fetchRecentlyRead);
    std::vector<ReadMessage> matching;
    for (const auto& read : reads_) {
        if (read.rowID <= maxRowID && read.date >= minDate &&
            std::tie(read.dateRead, read.rowID) > std::tie(afterDateRead, afterRowID)) {
            matching.push_back(read);
        }
    }
    std::sort(matching.begin(), matching.end(), [](const ReadMessage& a, const ReadMessage& b) {
        return std::tie(a.dateRead, a.rowID) < std::tie(b.dateRead, b.rowID);
    });
    if (static_cast<std::int64_t>(matching.size()) > limit) {
        matching.resize(static_cast<std::size_t>(limit));
    }
    RecentlyReadFetchResult result;
    result.highestScannedDateRead = afterDateRead;
    result.highestScannedRowID = afterRowID;
    for (const auto& read : matching) {
        result.rows.push_back({read.rowID, read.guid, read.dateRead});
        result.highestScannedDateRead = read.dateRead;
        result.highestScannedRowID = read.rowID;
    }
    return result;
}

std::vector<std::string> FakeChatDB::fetchReadGUIDs(const std::vector<std::string>& guids) const {
    std::lock_guard lock(mutex_);
    enter(Operation::fetchReadGUIDs);
    watchQueries_.push_back(guids);
    std::vector<std::string> found;
    std::copy_if(guids.begin(), guids.end(), std::back_inserter(found),
                 [this](const std::string& guid) { return readGUIDs_.contains(guid); });
    return found;
}

std::vector<std::string> FakeChatDB::fetchRepliedGUIDs(const std::vector<std::string>& guids) const {
    std::lock_guard lock(mutex_);
    enter(Operation::fetchRepliedGUIDs);
    std::vector<std::string> found;
    std::copy_if(guids.begin(), guids.end(), std::back_inserter(found),
                 [this](const std::string& guid) { return repliedGUIDs_.contains(guid); });
    return found;
}

std::int64_t FakeChatDB::maxRowID() const {
    std::lock_guard lock(mutex_);
    enter(Operation::maxRowID);
    if (maxRowIDOverride_) {
        return *maxRowIDOverride_;
    }
    return std::max(rows_.empty() ? 0 : rows_.rbegin()->first,
                    unusableRows_.empty() ? 0 : *unusableRows_.rbegin());
}

}  // namespace kindora::testing
