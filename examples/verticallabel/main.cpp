// TateSample: the vertical-writing label in its nine placements, disabled and transparent, and
// with plain faces (characters on their side) beside vertical "@" faces (upright characters).
#include "examples/verticallabel/TateSampleForm.h"
#include "toolkit/controls/ProgramMain.h"

TTateSampleForm* TateSampleForm = nullptr;

int main(int, char** argv) { return RunMainForm("TateSample", argv[0], TateSampleForm); }
