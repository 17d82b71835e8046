#pragma once
// Whether a window system can be reached, asked before anything tries to open a window: Qt
// aborts the process when none of the platforms it would try can open.
#include <string>

// Why no window could open here, with what to do about it on this desktop; empty when one can.
// It follows the order in which Qt tries its platforms (QT_QPA_PLATFORM, else Wayland when
// WAYLAND_DISPLAY or XDG_SESSION_TYPE names it, then X11).
std::string DisplayProblem(const std::string& executable);
// True when a window system can be reached.
bool DisplayAvailable();
