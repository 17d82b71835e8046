#include "app/CommandLine.h"

CommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    // Read in order, as most programs do: the first argument decides. Anything unknown is
    // refused rather than ignored, so that a mistyped option does not silently open the window.
    if (args.empty()) return {};
    const std::string& arg = args.front();
    if (arg == "--help") return {CommandLineAction::ShowHelp, {}};
    if (arg == "--version") return {CommandLineAction::ShowVersion, {}};
    if (arg.starts_with("-")) return {CommandLineAction::Fail, "unknown option '" + arg + "'"};
    return {CommandLineAction::Fail, "unexpected argument '" + arg + "': Tavin3 takes no files"};
}

std::string UsageText(const std::string& program)
{
    // clang-format off
    return "Usage: " + program + " [--help | --version]\n"
           "Colour-code tool: splits a web colour code into red, green and blue, and copies the\n"
           "code of a colour picked in the colour dialog to the clipboard.\n"
           "\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n";
    // clang-format on
}

std::string ProgramVersion() { return TAVIN3_VERSION; }

std::string VersionText() { return "Tavin3 " + ProgramVersion() + "\n"; }

std::string ProgramDesktopFileName() { return TAVIN3_DESKTOP_FILE; }
