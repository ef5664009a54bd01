#pragma once

#include <QString>

#include "core/common/UserText.hpp"

namespace kindora {

// A text of the core in the person's language: its phrase through the installed translations (the
// count choosing the plural form), each value worded the same way, values from elsewhere as they stand.
QString translated(const UserText& text);

}  // namespace kindora
