#pragma once

#include <string>

#include "core/update/Appcast.hpp"

namespace kindora::AppcastWriter {

// The appcast as XML that Appcast::parse reads back to the same items: the channel's title, then each
// item with its title, publication date, versions, minimum system version and enclosure. Text is
// escaped; a control character that XML cannot carry is refused with UpdateError::malformedFeed.
std::string write(const Appcast& appcast);

}  // namespace kindora::AppcastWriter
