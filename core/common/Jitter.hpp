#pragma once

namespace kindora::Jitter {

// A factor drawn uniformly from the closed range 0.85 to 1.15, so that agents that failed together
// do not retry together (see Backoff).
double factor();

}  // namespace kindora::Jitter
