#include "core/meetings/FileMeetingLedgerStore.hpp"

#include <nlohmann/json.hpp>

#include <system_error>
#include <utility>

#include "core/common/AtomicFile.hpp"
#include "core/common/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"
#include "core/common/JsonObjectReader.hpp"

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
    const nlohmann::json root = JsonCoding::parse(text);
    const JsonObjectReader reader(root, "the ledger");
    MeetingLedgerState state;
    for (auto& [id, at] : reader.requiredMembersOf("presentedAt", JsonObjectReader::dateAt)) {
        state.presentedAt.emplace(std::move(id), at);
    }
    return state;
}

}  // namespace kindora
