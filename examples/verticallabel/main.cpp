// TateSample: the vertical-writing label in its nine placements, disabled and transparent, and
// with plain faces (characters on their side) beside vertical "@" faces (upright characters).
#include "examples/verticallabel/TateSampleForm.h"
#include "toolkit/controls/Application.h"

#include <cstdio>

TTateSampleForm* TateSampleForm = nullptr;

int main(int, char** argv)
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "TateSample needs a graphical display and none is available; run it under a virtual one with: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    try {
        Application->Initialize();
        Application->CreateForm(TateSampleForm);
        Application->Run();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    return 0;
}
