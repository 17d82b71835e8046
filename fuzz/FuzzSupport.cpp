#include "fuzz/FuzzSupport.h"

#include "toolkit/controls/Application.h"

#include <cstdlib>

void StartOffscreenApplication()
{
    static bool started = false;
    if (started) return;
    started = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Application->Initialize();
}
