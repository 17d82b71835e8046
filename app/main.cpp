// Tavin3: a small colour-code tool.
#include "app/CommandLine.h"
#include "app/Unit2.h"
#include "toolkit/controls/Application.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    const std::string program = std::filesystem::path(argv[0]).filename().string();
    const CommandLine command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case CommandLineAction::ShowHelp:
        std::fputs(UsageText(program).c_str(), stdout);
        return kExitOk;
    case CommandLineAction::ShowVersion:
        std::fputs(VersionText().c_str(), stdout);
        return kExitOk;
    case CommandLineAction::Fail:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(), command.error.c_str(),
                     program.c_str());
        return kExitUsage;
    case CommandLineAction::Run:
        break;
    }
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "Tavin3 needs a graphical display and none is available; run it under a virtual one with: xvfb-run -a %s\n",
                     argv[0]);
        return kExitFailure;
    }
    int status = kExitOk;
    try {
        Application->SetIdentity("Tavin3", ProgramVersion(), ProgramDesktopFileName());
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const std::exception& e) {
        // Shown, then reported to whoever started us: a failed start is no success.
        Application->ShowException(e);
        status = kExitFailure;
    }
    // Forms first, then the GUI application: that hands the clipboard to the desktop.
    Application->Finalize();
    Form1 = nullptr;
    return status;
}
