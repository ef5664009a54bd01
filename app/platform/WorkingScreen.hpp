#pragma once

class QScreen;

namespace kindora {

// The screen the person is working on: the one holding the focused window (the window manager's
// active window on X11), else the one under the pointer, else the primary screen. Null only when
// there is no screen at all. Main thread only.
QScreen* workingScreen();

}  // namespace kindora
