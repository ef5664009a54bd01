#pragma once

#include <QRect>

#include <functional>
#include <optional>
#include <vector>

namespace kindora {

// The connected screens, in the desktop's coordinates, and word when they change.
class ScreenLayout {
public:
    virtual ~ScreenLayout() = default;
    // Full frame of every screen, the primary first; empty when there is no screen.
    virtual std::vector<QRect> frames() const = 0;
    // Full frame of the screen the person works on (the focused window's, else the pointer's); absent
    // when that cannot be told.
    virtual std::optional<QRect> workingScreen() const = 0;
    // Called on the main thread once per burst of changes (a screen added, removed, resized or a new
    // primary). Replaces any earlier callback.
    virtual void setOnChanged(std::function<void()> onChanged) = 0;
};

}  // namespace kindora
