#pragma once
// Switches for tests: make this system look as if it lacked a library, or one export of a
// library, so that callers' fallbacks can run for real. Names are matched as LoadLibraryA and
// GetProcAddress match them. False when the library or export is not in the table.
bool SetSystemLibraryHidden(const char* library, bool hidden);
bool SetSystemExportHidden(const char* library, const char* exportName, bool hidden);
