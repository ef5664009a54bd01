#include "tools/chatdb/SeededRandom.hpp"

namespace kindora {

std::uint64_t SeededRandom::next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t SeededRandom::below(std::uint64_t bound) {
    if (bound == 0) {
        return 0;
    }
    // Rejection keeps the draw unbiased for bounds that do not divide 2^64.
    const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound);
    std::uint64_t value = next();
    while (value >= limit) {
        value = next();
    }
    return value % bound;
}

std::int64_t SeededRandom::between(std::int64_t low, std::int64_t high) {
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(below(span));
}

}  // namespace kindora
