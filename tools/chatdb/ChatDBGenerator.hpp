#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/common/Date.hpp"

namespace kindora {

// Makes synthetic Messages databases with the variety the agent meets in real ones: 1:1 and group
// chats, inbound and outbound, the three kinds of service, reactions, group events, messages in two
// chats, missing handles, read and unread messages, dates in nanoseconds and in seconds, texts in the
// `text` column or only in `attributedBody` (some unreadable), invalid UTF-8 and very long texts.
class ChatDBGenerator {
public:
    struct AppendSummary {
        std::int64_t firstInboundRowID = 0;
        std::int64_t lastRowID = 0;
        std::int64_t inbound = 0;
        std::int64_t replies = 0;
        std::int64_t reads = 0;
    };

    // The newest message of a created database is dated here; older ones go back from it.
    static Date createdUntil();

    // Creates the database at `path` (which must not exist) with `messages` messages; the same seed
    // gives the same database. Ends with ANALYZE statistics, as a real database has them.
    static void create(const std::string& path, std::int64_t messages, std::uint64_t seed);

    // Adds `count` inbound messages dated `now`, some outbound replies and some reads, in one
    // transaction, to a database that readers may have open. With `firstText`, the first new message
    // carries that text (in the `text` column), so a demo or test can choose what a rule will see.
    static AppendSummary append(const std::string& path, std::int64_t count, std::uint64_t seed, Date now,
                                const std::optional<std::string>& firstText = std::nullopt);

    ChatDBGenerator() = delete;
};

}  // namespace kindora
