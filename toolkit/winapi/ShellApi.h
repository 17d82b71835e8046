#pragma once
// shell32's ShellExecuteA: hands a document or an address to the program the desktop uses
// for it. Only the "open" verb exists here.
#include "toolkit/winapi/Windows.h"

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

constexpr int SW_SHOWNORMAL = 1;

// Results below 33 are errors (Win32 values); anything greater than 32 is success.
constexpr int SE_ERR_OOM = 0;       // no application object to ask the desktop with
constexpr int SE_ERR_FNF = 2;       // empty address, or a local file that does not exist
constexpr int SE_ERR_NOASSOC = 31;  // unknown verb, or the desktop has no program for it

// lpOperation "open" or null (the default verb). lpFile is CP932: an address with a scheme
// ("http://...", "mailto:...") or a local file path. Parameters, directory and show command
// do not apply to documents and addresses and are ignored; so is hwnd (no error box).
HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile, const char* lpParameters, const char* lpDirectory,
                        int nShowCmd);
