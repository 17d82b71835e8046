#pragma once
// Toolkit-internal: painting a window now rather than when the event loop gets to it.
#include "toolkit/winapi/Windows.h"

// Paints a window at once (pending paint requests are handled now).
void RepaintNow(HWND window);
