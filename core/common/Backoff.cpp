#include "core/common/Backoff.hpp"

#include <algorithm>
#include <utility>

#include "core/common/Jitter.hpp"

namespace kindora {

Backoff::Backoff(double initial, double cap, JitterFactor jitterFactor)
    : initial_(initial),
      cap_(cap),
      current_(initial),
      jitterFactor_(jitterFactor ? std::move(jitterFactor) : JitterFactor(Jitter::factor)) {}

double Backoff::nextDelay() {
    const double delay = current_ * jitterFactor_();
    current_ = std::min(current_ * 2, cap_);
    return delay;
}

void Backoff::reset() {
    current_ = initial_;
}

}  // namespace kindora
