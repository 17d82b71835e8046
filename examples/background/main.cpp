// BackGroundGallery: the form background painter's gradients, tiled picture and animated
// frames, under translucent buttons and a link panel.
#include "examples/background/BackGroundGalleryForm.h"
#include "toolkit/controls/ProgramMain.h"

TBackGroundGalleryForm* BackGroundGalleryForm = nullptr;

int main(int, char** argv) { return RunMainForm("BackGroundGallery", argv[0], BackGroundGalleryForm); }
