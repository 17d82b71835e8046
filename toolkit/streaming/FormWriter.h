#pragma once
// Writes a component and the components it owns as a form description. A property whose
// value equals its stored default is left out.
#include "toolkit/system/Classes.h"

#include <string>

std::string WriteComponentText(TComponent* root);
