#pragma once
// The program's command line: --help and --version, nothing else.
#include <string>
#include <vector>

enum class CommandLineAction { Run, ShowHelp, ShowVersion, Fail };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    std::string error;  // for Fail: what was wrong, for the user
};

// The arguments after the program's own name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText(const std::string& program);
// "Tavin3 <version>".
std::string VersionText();
std::string ProgramVersion();
// The desktop entry's name without ".desktop".
std::string ProgramDesktopFileName();

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // no display, or start-up failed
constexpr int kExitUsage = 2;    // the command line was wrong
