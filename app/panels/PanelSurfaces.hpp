#pragma once

#include <QRect>

#include <vector>

namespace kindora {

// The alert panel's window as its controller sees it. Created on the first show and kept.
class InterruptPanelSurface {
public:
    virtual ~InterruptPanelSurface() = default;
    // Centres the panel on the screen the person works on, shows it above every managed window and
    // gives it the keyboard (no grab). Each show counts as new content for the panel's input guard.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    // False when the panel cannot be shown at all (its view failed to load); show() then does nothing.
    virtual bool canShow() = 0;
};

// The meeting takeover's windows as their controller sees them: the full content on the first screen
// given and a cover on every other one. Created on the first show and kept.
class MeetingTakeoverSurface {
public:
    virtual ~MeetingTakeoverSurface() = default;
    // Covers exactly `screens` (full frames, the one for the full content first); with no screen at all
    // nothing moves.
    virtual void cover(const std::vector<QRect>& screens) = 0;
    // What is covered now, the full content's screen first; empty before the first cover.
    virtual std::vector<QRect> frames() const = 0;
    // Shows every window above every managed window and gives the keyboard to the full content (no
    // grab). Each show counts as new content for the takeover's input guard.
    virtual void show() = 0;
    // Hides every window.
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    // False when the takeover cannot be shown at all (a view failed to load); show() then does nothing.
    virtual bool canShow() = 0;
};

}  // namespace kindora
