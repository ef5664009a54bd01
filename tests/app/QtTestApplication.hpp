#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace kindora::testing {

// The one Qt application object of a test process, created on first use.
QCoreApplication& qtApplication();

// Runs the event loop until `done` holds or `milliseconds` pass; returns whether it holds.
bool processEventsUntil(const std::function<bool()>& done, int milliseconds = 5000);

}  // namespace kindora::testing
