// BackGroundGallery: the form background painter's gradients, tiled picture and animated
// frames, under translucent buttons and a link panel.
#include "examples/background/BackGroundGalleryForm.h"
#include "toolkit/controls/Application.h"

#include <cstdio>

TBackGroundGalleryForm* BackGroundGalleryForm = nullptr;

int main(int, char** argv)
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "BackGroundGallery needs a graphical display and none is available; run it under a virtual one with: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    try {
        Application->Initialize();
        Application->CreateForm(BackGroundGalleryForm);
        Application->Run();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    return 0;
}
