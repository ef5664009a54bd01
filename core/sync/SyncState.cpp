#include "core/sync/SyncState.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <iterator>

#include "core/backend/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

[[noreturn]] void fail(const std::string& text) {
    throw SyncStateDecodingError(text);
}

std::int64_t requiredInteger(const Json& object, const char* key, const std::string& where) {
    const auto found = object.find(key);
    if (found == object.end()) {
        fail("missing key \"" + std::string(key) + "\" in " + where);
    }
    if (!found->is_number_integer()) {
        fail("key \"" + std::string(key) + "\" in " + where + " is not an integer");
    }
    return found->get<std::int64_t>();
}

std::int64_t optionalInteger(const Json& object, const char* key, const std::string& where) {
    if (!object.contains(key) || object.at(key).is_null()) {
        return 0;
    }
    return requiredInteger(object, key, where);
}

std::string requiredString(const Json& object, const char* key, const std::string& where) {
    const auto found = object.find(key);
    if (found == object.end()) {
        fail("missing key \"" + std::string(key) + "\" in " + where);
    }
    if (!found->is_string()) {
        fail("key \"" + std::string(key) + "\" in " + where + " is not a string");
    }
    return found->get<std::string>();
}

// The earliest date a Date holds whole days of (its nanosecond range starts in 1677), so it survives
// being written and read back like any other.
Date earliestDate() {
    using namespace std::chrono;
    return Date(sys_days(year{1678} / January / 1));
}

Date decodeDate(const Json& value) {
    if (!value.is_string()) {
        fail("a date is not a string");
    }
    try {
        return JsonDate::decode(value.get_ref<const std::string&>());
    } catch (const JsonDateError& error) {
        fail(error.what());
    }
}

PendingReadWatch decodeWatch(const Json& object, std::size_t index) {
    const std::string where = "pendingReadWatches[" + std::to_string(index) + "]";
    if (!object.is_object()) {
        fail(where + " is not an object");
    }
    PendingReadWatch watch;
    watch.guid = requiredString(object, "guid", where);
    watch.rowID = requiredInteger(object, "rowID", where);
    const auto raisedAt = object.find("raisedAt");
    // A watch written before raisedAt existed expires at the next scan.
    watch.raisedAt = raisedAt == object.end() || raisedAt->is_null() ? earliestDate() : decodeDate(*raisedAt);
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
    Json object;
    try {
        // The records' parser: a number out of range is a bad file like any other (the JSON library
        // throws another exception type for it), and nesting is bounded.
        object = JsonCoding::parse(text);
    } catch (const RecordDecodingError& error) {
        fail(error.what());
    }
    if (!object.is_object()) {
        fail("the top level is not an object");
    }
    const std::string where = "the state";
    SyncState state;
    state.lastRowID = requiredInteger(object, "lastRowID", where);
    state.lifetimeSentCount = requiredInteger(object, "lifetimeSentCount", where);
    state.lastReadDateRead = optionalInteger(object, "lastReadDateRead", where);
    state.lastReadRowID = optionalInteger(object, "lastReadRowID", where);
    if (const auto lastSyncAt = object.find("lastSyncAt");
        lastSyncAt != object.end() && !lastSyncAt->is_null()) {
        state.lastSyncAt = decodeDate(*lastSyncAt);
    }
    if (const auto watches = object.find("pendingReadWatches");
        watches != object.end() && !watches->is_null()) {
        if (!watches->is_array()) {
            fail("key \"pendingReadWatches\" is not an array");
        }
        for (std::size_t index = 0; index < watches->size(); ++index) {
            state.pendingReadWatches.push_back(decodeWatch((*watches)[index], index));
        }
    }
    return state;
}

}  // namespace kindora
