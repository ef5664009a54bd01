#include "core/messagesdb/SQLiteConnectionReuse.hpp"

#include <sys/stat.h>

#include <chrono>
#include <utility>

namespace kindora {

SQLiteConnectionReuse::SQLiteConnectionReuse(std::string path, std::function<Date()> now,
                                             double windowSeconds)
    : path_(std::move(path)), now_(std::move(now)), windowSeconds_(windowSeconds) {}

SQLiteConnectionReuse::Lent SQLiteConnectionReuse::take() {
    std::optional<Lent> kept;
    Date keptAt;
    {
        const std::lock_guard lock(mutex_);
        kept = std::exchange(kept_, std::nullopt);
        keptAt = keptAt_;
    }
    const std::optional<FileIdentity> current = identity();
    if (kept) {
        const double idle = std::chrono::duration<double>(now_() - keptAt).count();
        // A clock set back counts as a long pause.
        if (idle >= 0 && idle <= windowSeconds_ && current && kept->identity == current) {
            return std::move(*kept);
        }
    }
    // Identified before opening: a file replaced in between only makes the next operation reopen.
    return Lent{SQLiteConnection::open(path_), current};
}

void SQLiteConnectionReuse::giveBack(Lent lent) {
    if (!lent.identity) {
        return;
    }
    const Date now = now_();
    const std::lock_guard lock(mutex_);
    kept_ = std::move(lent);  // one kept at most; one kept by another caller meanwhile closes
    keptAt_ = now;
}

std::optional<SQLiteConnectionReuse::FileIdentity> SQLiteConnectionReuse::identity() const {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                        static_cast<std::int64_t>(status.st_ctim.tv_sec),
                        static_cast<std::int64_t>(status.st_ctim.tv_nsec)};
}

}  // namespace kindora
