#pragma once
// The body every program's main shares: without a display, a clear message; otherwise the
// application started, the main form made (and prepared by the caller) and run. An exception
// that escapes is shown and makes the exit status a failure. The forms and the GUI application
// are ended before returning, which hands the clipboard to the desktop.
#include "toolkit/controls/Application.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <string>

constexpr int kProgramSucceeded = 0;
constexpr int kProgramFailed = 1;

template <class F>
int RunMainForm(const char* name, const char* executable, F*& form, const std::function<void(F&)>& prepare = {})
{
    if (const std::string problem = DisplayProblem(executable); !problem.empty()) {
        std::fprintf(stderr, "%s needs a graphical display and cannot open one: %s.\n", name, problem.c_str());
        return kProgramFailed;
    }
    int status = kProgramSucceeded;
    try {
        Application->Initialize();
        Application->CreateForm(form);
        if (prepare) prepare(*form);
        Application->Run();
    } catch (const std::exception& e) {
        Application->ShowException(e);
        status = kProgramFailed;
    }
    Application->Finalize();
    form = nullptr;
    return status;
}
