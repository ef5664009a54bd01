#pragma once

#include "tools/devserver/Household.hpp"

namespace kindora::devserver {

// The demo household: keyword rules that raise alerts, two open alerts and three meetings placed
// relative to `now`, so that a takeover comes within minutes of starting the demo.
namespace DemoSeed {

void seed(Household& household, Date now);

}  // namespace DemoSeed
}  // namespace kindora::devserver
