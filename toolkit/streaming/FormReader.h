#pragma once
// Reads a form description (text) into an existing root component: the root's own
// properties, then each child (created with the root as owner), then Loaded on all of them.
#include "toolkit/system/Classes.h"

#include <string>

// Raises EReadError with the line number on any fault.
void ReadComponentText(TComponent* root, const std::string& text);
// Reads the compiled-in resource `resourceName` (for example "TFORM1").
void ReadComponentRes(TComponent* root, const std::string& resourceName);
// The text of a compiled-in form description; EReadError when there is none.
std::string LoadResourceText(const std::string& resourceName);
