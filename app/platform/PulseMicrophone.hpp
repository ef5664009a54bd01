#pragma once

#include <chrono>

namespace kindora::PulseMicrophone {

// Whether the sound server's default source (the microphone the desktop records from) is RUNNING,
// that is, some program is recording from it now. Works with PulseAudio and with PipeWire's
// PulseAudio server. Any failure (no server, no default source, time-out) answers false.
bool isDefaultSourceRunning(std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

}  // namespace kindora::PulseMicrophone
