#pragma once
// Toolkit-internal: connects a control's window to the window system's events.
#include "toolkit/winapi/Windows.h"

class TWinControl;

// Paints a window at once (pending paint requests are handled now).
void RepaintNow(HWND window);
