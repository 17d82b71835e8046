// Tavin3: a small colour-code tool.
#include "app/CommandLine.h"
#include "app/Unit2.h"
#include "toolkit/controls/Application.h"
#include "toolkit/controls/ProgramMain.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    const std::string program = std::filesystem::path(argv[0]).filename().string();
    const CommandLine command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case CommandLineAction::ShowHelp: std::fputs(UsageText(program).c_str(), stdout); return kExitOk;
    case CommandLineAction::ShowVersion: std::fputs(VersionText().c_str(), stdout); return kExitOk;
    case CommandLineAction::Fail:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(), command.error.c_str(),
                     program.c_str());
        return kExitUsage;
    case CommandLineAction::Run: break;
    }
    Application->SetIdentity("Tavin3", ProgramVersion(), ProgramDesktopFileName());
    return RunMainForm("Tavin3", argv[0], Form1);
}
