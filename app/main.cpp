// Tavin3: a small colour-code tool.
#include "app/Unit2.h"
#include "toolkit/controls/Application.h"

#include <cstdio>

int main(int, char** argv)
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "Tavin3 needs a graphical display and none is available; run it under a virtual one with: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    try {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    return 0;
}
