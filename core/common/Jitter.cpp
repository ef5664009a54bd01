#include "core/common/Jitter.hpp"

#include <cmath>
#include <random>

namespace kindora::Jitter {

double factor() {
    thread_local std::mt19937_64 engine{std::random_device{}()};
    // uniform_real_distribution is half-open; widening the upper end by one ulp makes 1.15 reachable.
    std::uniform_real_distribution<double> distribution(0.85, std::nextafter(1.15, 2.0));
    return distribution(engine);
}

}  // namespace kindora::Jitter
