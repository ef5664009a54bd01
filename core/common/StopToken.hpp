#pragma once

// Cooperative cancellation for the whole core: every wait, loop and transfer is cut short through
// these three types. They are the standard library's where it has them (feature-test macro
// __cpp_lib_jthread); standard libraries without <stop_token> (libc++ before version 17, macOS's) get
// our own implementation with the same interface (PortableStopToken.hpp). Never use std::stop_token &
// co, std::jthread or the stop_token overloads of std::condition_variable_any directly: wait through
// InterruptibleWait.hpp instead.

#include <version>

#if defined(__cpp_lib_jthread)
#include <stop_token>
#define KINDORA_STANDARD_STOP_TOKEN 1
#else
#include "core/common/PortableStopToken.hpp"
#define KINDORA_STANDARD_STOP_TOKEN 0
#endif

namespace kindora {

#if KINDORA_STANDARD_STOP_TOKEN
using StopToken = std::stop_token;
using StopSource = std::stop_source;
template <typename Callback>
using StopCallback = std::stop_callback<Callback>;
using NoStopState = std::nostopstate_t;
inline constexpr NoStopState nostopstate = std::nostopstate;
#else
using StopToken = detail::PortableStopToken;
using StopSource = detail::PortableStopSource;
template <typename Callback>
using StopCallback = detail::PortableStopCallback<Callback>;
using NoStopState = detail::PortableNoStopState;
inline constexpr NoStopState nostopstate = detail::portableNoStopState;
#endif

}  // namespace kindora
