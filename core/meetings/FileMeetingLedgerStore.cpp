#include "core/meetings/FileMeetingLedgerStore.hpp"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <system_error>
#include <utility>

#include "core/common/AtomicFile.hpp"
#include "core/common/JsonDate.hpp"

namespace kindora {

FileMeetingLedgerStore::FileMeetingLedgerStore(std::filesystem::path directory, const std::string& fileName)
    : fileURL_(std::move(directory) / fileName) {}

std::optional<MeetingLedgerState> FileMeetingLedgerStore::load() const {
    std::optional<std::string> text;
    try {
        text = AtomicFile::read(fileURL_);
    } catch (const std::exception&) {
        return std::nullopt;  // unreadable counts as absent, like a first run
    }
    if (!text) {
        return std::nullopt;
    }
    try {
        return decode(*text);
    } catch (const std::exception& error) {
        logger_.error("{} is corrupt, treating as empty: {}", fileURL_.filename().string(), error.what());
        return std::nullopt;
    }
}

void FileMeetingLedgerStore::save(const MeetingLedgerState& state) {
    const auto directory = fileURL_.parent_path();
    if (!directory.empty() && !std::filesystem::exists(directory)) {
        std::filesystem::create_directories(directory);
        std::filesystem::permissions(directory, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    AtomicFile::write(fileURL_, encode(state));
}

std::string FileMeetingLedgerStore::encode(const MeetingLedgerState& state) {
    nlohmann::ordered_json presentedAt = nlohmann::ordered_json::object();
    for (const auto& [id, at] : state.presentedAt) {
        presentedAt[id] = JsonDate::encode(at);
    }
    nlohmann::ordered_json root = nlohmann::ordered_json::object();
    root["presentedAt"] = std::move(presentedAt);
    return root.dump();
}

MeetingLedgerState FileMeetingLedgerStore::decode(const std::string& text) {
    const auto root = nlohmann::json::parse(text);  // throws nlohmann::json::parse_error
    if (!root.is_object()) {
        throw std::runtime_error("the file is not a JSON object");
    }
    const auto found = root.find("presentedAt");
    if (found == root.end()) {
        throw std::runtime_error("key \"presentedAt\" not found");
    }
    if (!found->is_object()) {
        throw std::runtime_error("\"presentedAt\" is not an object");
    }
    MeetingLedgerState state;
    for (const auto& [id, value] : found->items()) {
        if (!value.is_string()) {
            throw std::runtime_error("\"presentedAt\" entry \"" + id + "\" is not a date string");
        }
        state.presentedAt.emplace(id, JsonDate::decode(value.get<std::string>()));
    }
    return state;
}

}  // namespace kindora
