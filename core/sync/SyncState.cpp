#include "core/sync/SyncState.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <utility>

#include "core/common/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

namespace kindora {
namespace {

using OrderedJson = nlohmann::ordered_json;

PendingReadWatch decodeWatch(const nlohmann::json& json, std::string context) {
    const JsonObjectReader reader(json, std::move(context));
    PendingReadWatch watch;
    watch.guid = reader.requiredString("guid");
    watch.rowID = reader.requiredInt("rowID");
    // A watch written before raisedAt existed expires at the next scan.
    watch.raisedAt = reader.optionalDate("raisedAt").value_or(JsonDate::earliest());
    return watch;
}

}  // namespace

void SyncState::addPendingReadWatch(const std::string& guid, std::int64_t rowID, Date raisedAt) {
    const bool watched = std::any_of(pendingReadWatches.begin(), pendingReadWatches.end(),
                                     [&guid](const PendingReadWatch& watch) { return watch.guid == guid; });
    if (watched) {
        return;
    }
    pendingReadWatches.push_back(PendingReadWatch{guid, rowID, raisedAt});
    if (pendingReadWatches.size() > pendingReadWatchCap) {
        const auto excess = static_cast<std::ptrdiff_t>(pendingReadWatches.size() - pendingReadWatchCap);
        pendingReadWatches.erase(pendingReadWatches.begin(), std::next(pendingReadWatches.begin(), excess));
    }
}

std::string SyncState::encode() const {
    OrderedJson object = OrderedJson::object();
    object["lastRowID"] = lastRowID;
    if (lastSyncAt) {
        object["lastSyncAt"] = JsonDate::encode(*lastSyncAt);
    }
    object["lifetimeSentCount"] = lifetimeSentCount;
    object["lastReadDateRead"] = lastReadDateRead;
    object["lastReadRowID"] = lastReadRowID;
    OrderedJson watches = OrderedJson::array();
    for (const auto& watch : pendingReadWatches) {
        OrderedJson entry = OrderedJson::object();
        entry["guid"] = watch.guid;
        entry["rowID"] = watch.rowID;
        entry["raisedAt"] = JsonDate::encode(watch.raisedAt);
        watches.push_back(std::move(entry));
    }
    object["pendingReadWatches"] = std::move(watches);
    // GUIDs come from the Messages database; replace rather than throw on a byte that is not UTF-8.
    return object.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
}

SyncState SyncState::decode(std::string_view text) {
    try {
        const nlohmann::json json = JsonCoding::parse(text);
        const JsonObjectReader reader(json, "state.json");
        SyncState state;
        state.lastRowID = reader.requiredInt("lastRowID");
        state.lifetimeSentCount = reader.requiredInt("lifetimeSentCount");
        state.lastReadDateRead = reader.optionalInt("lastReadDateRead").value_or(0);
        state.lastReadRowID = reader.optionalInt("lastReadRowID").value_or(0);
        state.lastSyncAt = reader.optionalDate("lastSyncAt");
        if (auto watches = reader.optionalArrayOf("pendingReadWatches", decodeWatch)) {
            state.pendingReadWatches = std::move(*watches);
        }
        return state;
    } catch (const RecordDecodingError& error) {
        throw SyncStateDecodingError(error.what());
    }
}

}  // namespace kindora
