#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/common/UserText.hpp"
#include "core/sync/SyncState.hpp"

namespace kindora {

// A stored state exists but cannot be read now (permission, I/O error). It is not a first run:
// starting afresh would skip every message since the last save, so the caller tries again later.
class WatermarkUnreadableError : public std::runtime_error {
public:
    static constexpr Phrase unreadable = KINDORA_PHRASE("SyncStatus", "%1 cannot be read: %2");
    static constexpr Phrase cannotSetAside =
        KINDORA_PHRASE("SyncStatus", "state.json is corrupt and cannot be set aside: %1");

    explicit WatermarkUnreadableError(UserText text)
        : std::runtime_error(text.english()), text_(std::move(text)) {}
    // `file` cannot be read for the system's `reason`.
    static WatermarkUnreadableError fileUnreadable(const std::string& file, const std::string& reason) {
        return WatermarkUnreadableError(
            UserText(unreadable, {UserText::verbatim(file), UserText::verbatim(reason)}));
    }

    // What the person is told.
    const UserText& text() const { return text_; }

private:
    UserText text_;
};

// Where the sync state is kept between runs. Callers serialise their calls; stores do no locking.
class WatermarkStore {
public:
    virtual ~WatermarkStore() = default;

    // The stored state, or nothing when there is none (a corrupt state counts as none). Throws
    // WatermarkUnreadableError, and nothing else, when a state exists but cannot be read.
    virtual std::optional<SyncState> load() = 0;
    // Replaces the stored state. May throw.
    virtual void save(const SyncState& state) = 0;
    // Replaces the stored state as durably as save(), between two batches of a drain: a store may
    // keep it somewhere quicker to write, as long as load() gives it back. May throw.
    virtual void saveProgress(const SyncState& state) { save(state); }
    // Removes the stored state, so that the next load gives nothing. May throw.
    virtual void reset() = 0;
};

}  // namespace kindora
