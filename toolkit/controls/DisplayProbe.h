#pragma once
// Whether a window system can be reached, asked before anything tries to open a window: Qt
// aborts the process on an X display that does not answer.

// True when a window system can be reached (a display, or an explicit Qt platform).
bool DisplayAvailable();
