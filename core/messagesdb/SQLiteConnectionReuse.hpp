#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/common/Date.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"

namespace kindora {

// Lends the connection of the previous reader operation to the next one when that one follows within
// a short window. Opening is cheap, but the first statement on a fresh connection parses the whole
// schema and its statistics, which costs more than most of the reader's queries; the few queries of
// one sync tick, milliseconds apart, thus share one parse. A tick seconds later opens afresh, so
// withdrawn permissions and schema changes are met exactly as with a connection per operation; a file
// replaced at the path is never served from the old connection, and a connection
// whose operation failed is closed rather than lent.
class SQLiteConnectionReuse {
public:
    static constexpr double defaultWindowSeconds = 1.0;

    SQLiteConnectionReuse(std::string path, std::function<Date()> now, double windowSeconds);
    SQLiteConnectionReuse(const SQLiteConnectionReuse&) = delete;
    SQLiteConnectionReuse& operator=(const SQLiteConnectionReuse&) = delete;

    // Runs `work` on the lent connection or a freshly opened one; safe from several threads at once
    // (a second caller meanwhile opens its own).
    template <typename Work>
    auto run(Work&& work) -> decltype(work(std::declval<const SQLiteConnection&>())) {
        Lent lent = take();
        auto result = work(static_cast<const SQLiteConnection&>(lent.connection));  // throws: it closes
        giveBack(std::move(lent));
        return result;
    }

private:
    // The inode, and its change time for a file removed and made again under a recycled inode number.
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    };

    struct Lent {
        SQLiteConnection connection;
        std::optional<FileIdentity> identity;  // of the file the connection was opened on
    };

    Lent take();
    void giveBack(Lent lent);
    std::optional<FileIdentity> identity() const;

    const std::string path_;
    const std::function<Date()> now_;
    const double windowSeconds_;

    std::mutex mutex_;
    std::optional<Lent> kept_;
    Date keptAt_{};
};

}  // namespace kindora
