#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

#include "core/backend/BackendError.hpp"
#include "core/common/Log.hpp"
#include "core/common/UserText.hpp"
#include "core/messagesdb/MessageRow.hpp"

namespace kindora {

// What the sync engine does with a part of a batch the backend refused.
struct RefusalVerdict {
    enum class Action {
        // Send the part in two halves, so that the rows the backend takes go on without the refused ones.
        split,
        // Keep the part ahead of the watermark; the tick fails with `errorText` and backs off.
        retry,
        // Move the watermark over the part; `alreadyHeld` of its messages count as forwarded.
        passOver,
    };

    Action action = Action::retry;
    std::optional<UserText> errorText;  // for `retry`
    std::int64_t alreadyHeld = 0;
};

// Decides what becomes of a part of a batch the backend refuses (a duplicate, a 400 with or without
// the backend's reason, a 413), so that one bad message never stalls the ones after it and a proxy's
// passing complaint never costs one. It remembers the refusals of rows still ahead of the watermark
// and keeps the notice of what was passed over or dropped until a batch goes through cleanly.
//
// Used on the sync loop's thread only.
class RefusalTriage {
public:
    // A single message the backend keeps calling a duplicate is one it holds from a send whose answer
    // was lost; after this many refusals it is passed as forwarded.
    static constexpr std::int64_t duplicateAttemptsBeforePass = 3;
    // A 400 without the backend's JSON error (a proxy's or captive portal's page), or a 413 for a single
    // message, says nothing about the batch; only after this many in a row for the same first row is
    // the batch taken as refused.
    static constexpr std::int64_t unexplainedRejectionsBeforeDrop = 6;
    // Rows a tick may leave behind in the memory of refusals (after a re-anchoring, say) are forgotten
    // once there are this many.
    static constexpr std::size_t memoryLimit = 1000;

    // The verdict on `part` refused with `error`; none when `error` is no refusal of the part's
    // messages (a network failure, a 5xx, a revocation...), which the engine handles as any failure.
    std::optional<RefusalVerdict> judge(std::span<const MessageRow> part, const BackendError& error);
    // The backend took `part`: its refusals are forgotten.
    void taken(std::span<const MessageRow> part);

    void beginTick();
    // A batch went through without any refusal: the notice ends, unless this tick passed something
    // over that nobody has seen yet.
    void batchWentThroughCleanly();
    // What was passed over or dropped since the last clean batch, for the status.
    std::optional<UserText> notice() const;

private:
    struct Refusals {
        std::int64_t duplicate = 0;
        std::int64_t unexplained = 0;
    };

    RefusalVerdict refuse(std::span<const MessageRow> part, int status, const UserText& reason);
    RefusalVerdict judgeDuplicate(std::span<const MessageRow> part, const BackendError& error);
    RefusalVerdict judgeUnexplained(std::span<const MessageRow> part, const BackendError& error);

    const Log logger_{"Sync"};
    std::unordered_map<std::string, Refusals> refusals_;
    std::int64_t passedDuplicates_ = 0;
    std::int64_t droppedRefused_ = 0;
    std::optional<UserText> lastRefusalReason_;
    bool passedOverThisTick_ = false;
};

}  // namespace kindora
