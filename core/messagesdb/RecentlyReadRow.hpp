#pragma once

#include <cstdint>
#include <string>

namespace kindora {

// An inbound message that has been read, with its raw `date_read` value.
struct RecentlyReadRow {
    std::int64_t rowID = 0;
    std::string guid;
    std::int64_t dateRead = 0;

    friend bool operator==(const RecentlyReadRow&, const RecentlyReadRow&) = default;
};

}  // namespace kindora
