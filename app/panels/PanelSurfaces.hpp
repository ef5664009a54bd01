#pragma once

#include <QRect>

#include <vector>

namespace kindora {

// The alert panel's window as its controller sees it. Created on the first show and kept.
class InterruptPanelSurface {
public:
    virtual ~InterruptPanelSurface() = default;
    // Centres the panel on the primary screen's usable area (where there is a screen), shows it above
    // every other window and gives it the keyboard.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
};

// The meeting takeover's windows as their controller sees them: the full content on the primary screen
// and a cover on every other screen. Created on the first show and kept.
class MeetingTakeoverSurface {
public:
    virtual ~MeetingTakeoverSurface() = default;
    // Covers exactly `screens` (full frames, the primary first); with no screen at all nothing moves.
    virtual void cover(const std::vector<QRect>& screens) = 0;
    // What is covered now, the primary first; empty before the first cover.
    virtual std::vector<QRect> frames() const = 0;
    // Shows every window above every other window and takes the keyboard for the primary one.
    virtual void show() = 0;
    // Hides every window and gives the keyboard back.
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
};

}  // namespace kindora
