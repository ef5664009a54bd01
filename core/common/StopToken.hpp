#pragma once

// Cooperative cancellation for the whole core: every wait, loop and transfer is cut short through
// these three types. They are the standard library's where it has them; the seam exists so that a
// standard library without <stop_token> (libc++ before version 17) gets an implementation of our own
// with the same interface.

#include <stop_token>

namespace kindora {

using StopToken = std::stop_token;
using StopSource = std::stop_source;
template <typename Callback>
using StopCallback = std::stop_callback<Callback>;

}  // namespace kindora
