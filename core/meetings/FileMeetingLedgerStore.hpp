#pragma once

#include <filesystem>
#include <string>

#include "core/common/Log.hpp"
#include "core/meetings/MeetingLedgerStore.hpp"

namespace kindora {

// A meeting ledger in a JSON file ("meeting-ledger.json", "auto-join-ledger.json"), written atomically:
// {"presentedAt": {"<meeting id>": "2026-12-07T09:55:00.000Z", ...}}.
class FileMeetingLedgerStore final : public MeetingLedgerStore {
public:
    static constexpr const char* presentationFileName = "meeting-ledger.json";
    static constexpr const char* autoJoinFileName = "auto-join-ledger.json";

    FileMeetingLedgerStore(std::filesystem::path directory, const std::string& fileName);

    // Nothing for a missing or unreadable file; a file that does not decode is logged as corrupt and
    // reads as nothing too (the next save overwrites it).
    std::optional<MeetingLedgerState> load() const override;
    // Creates the directory (mode 0700) when needed and replaces the file atomically.
    // Throws std::system_error.
    void save(const MeetingLedgerState& state) override;

    const std::filesystem::path& fileURL() const { return fileURL_; }

    // The file's text for a state, and the state a text holds (throws RecordDecodingError naming what
    // is wrong when the text is not a ledger, including JSON nested too deeply).
    static std::string encode(const MeetingLedgerState& state);
    static MeetingLedgerState decode(const std::string& text);

private:
    std::filesystem::path fileURL_;
    Log logger_{"Meetings"};
};

}  // namespace kindora
