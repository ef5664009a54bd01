#pragma once

#include <cstdint>

namespace kindora {

// A small deterministic generator (SplitMix64): the same seed gives the same sequence on every
// platform and standard library, so a seed names one database exactly.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next();
    // Uniform in [0, bound); 0 when bound is 0.
    std::uint64_t below(std::uint64_t bound);
    // Uniform in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high);
    // True with probability perMille / 1000.
    bool chance(std::uint64_t perMille) { return below(1000) < perMille; }

private:
    std::uint64_t state_;
};

}  // namespace kindora
