// The program as a launcher or a script sees it: its command line, its exit statuses, the window
// class its desktop entry names, and the clipboard it leaves behind.
#include "app/CommandLine.h"
#include "tests/app/ClipboardManager.h"
#include "tests/app/ProgramOnScreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

const std::string kProgram = std::string(TAVIN3_BINARY_DIR) + "/app/Tavin3";

TEST(CommandLineParsing, OnlyHelpAndVersionAreKnown)
{
    struct Case {
        std::vector<std::string> args;
        CommandLineAction action;
        std::string errorMentions;
    };
    const Case cases[] = {
        {{}, CommandLineAction::Run, ""},
        {{"--help"}, CommandLineAction::ShowHelp, ""},
        {{"--version"}, CommandLineAction::ShowVersion, ""},
        {{"--version", "--help"}, CommandLineAction::ShowVersion, ""},
        {{"--help", "extra"}, CommandLineAction::ShowHelp, ""},
        {{"--verbose"}, CommandLineAction::Fail, "--verbose"},
        {{"-h"}, CommandLineAction::Fail, "-h"},
        {{"--help=all"}, CommandLineAction::Fail, "--help=all"},
        {{"--"}, CommandLineAction::Fail, "--"},
        {{"-platform", "xcb"}, CommandLineAction::Fail, "-platform"},
        {{"FF8000"}, CommandLineAction::Fail, "FF8000"},
        {{"bogus", "--help"}, CommandLineAction::Fail, "bogus"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        CommandLine parsed = ParseCommandLine(c.args);
        EXPECT_EQ(parsed.action, c.action);
        if (c.action == CommandLineAction::Fail) EXPECT_NE(parsed.error.find(c.errorMentions), std::string::npos) << parsed.error;
        else EXPECT_TRUE(parsed.error.empty());
    }
}

TEST(ProgramCommandLine, HelpAndVersionPrintAndExitWithZeroWithoutADisplay)
{
    ProgramRun help = RunProgram({kProgram, "--help"}, EnvironmentWithoutDisplay());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.starts_with("Usage: Tavin3 ")) << help.output;
    EXPECT_NE(help.output.find("--version"), std::string::npos);

    ProgramRun version = RunProgram({kProgram, "--version"}, EnvironmentWithoutDisplay());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "Tavin3 " + ProgramVersion() + "\n");
    EXPECT_FALSE(ProgramVersion().empty());
}

TEST(ProgramCommandLine, UnknownOptionIsRefusedWithAClearMessage)
{
    for (const char* arg : {"--colour", "FF8000"}) {
        SCOPED_TRACE(arg);
        ProgramRun run = RunProgram({kProgram, arg}, EnvironmentWithoutDisplay());
        EXPECT_EQ(run.exitCode, kExitUsage);
        EXPECT_NE(run.output.find(std::string("'") + arg + "'"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("--help"), std::string::npos) << run.output;
    }
}

// Displays Qt could not open are refused with what to do, never left to Qt's abort.
TEST(ProgramCommandLine, UnreachableDisplaysAreAFailureWithAdvice)
{
    const std::string runtime = ::testing::TempDir();  // holds no Wayland socket
    const struct {
        std::vector<std::string> env;
        const char* advice;
    } cases[] = {
        {{"DISPLAY=:4095"}, "xvfb-run"},
        {{"WAYLAND_DISPLAY=wayland-gone", "XDG_RUNTIME_DIR=" + runtime}, "WAYLAND_DISPLAY to the socket"},
        {{"WAYLAND_DISPLAY=wayland-0", "XDG_RUNTIME_DIR="}, "XDG_RUNTIME_DIR is not set"},
        {{"QT_QPA_PLATFORM=wayland", "XDG_RUNTIME_DIR=" + runtime}, "'wayland-0' does not answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.env.front());
        std::vector<std::string> env = EnvironmentWithoutDisplay();
        std::erase_if(env, [](const std::string& e) { return e.starts_with("XDG_RUNTIME_DIR="); });
        for (const std::string& e : c.env)
            if (!e.ends_with("=")) env.push_back(e);
        ProgramRun run = RunProgram({kProgram}, env);
        EXPECT_EQ(run.exitCode, kExitFailure) << run.output;
        EXPECT_NE(run.output.find("graphical display"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(c.advice), std::string::npos) << run.output;
    }
}

class Lifecycle : public ProgramOnScreen {};

TEST_F(Lifecycle, CloseBoxEndsTheProgramWithZero)
{
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram}, ProgramEnvironment()));
    std::optional<ShownWindow> w = WaitForWindow("Tavin3", 152, 213);
    ASSERT_TRUE(w) << "the window did not show";
    RequestClose(*w);
    EXPECT_EQ(app.WaitExit(30000), 0);
}

// The value of a key in the built desktop entry.
std::string DesktopEntryValue(const std::string& key)
{
    std::ifstream entry(std::string(TAVIN3_BINARY_DIR) + "/packaging/" + ProgramDesktopFileName() + ".desktop");
    for (std::string line; std::getline(entry, line);)
        if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
    return {};
}

TEST_F(Lifecycle, WindowClassIsTheOneTheDesktopEntryNames)
{
    const std::string windowClass = DesktopEntryValue("StartupWMClass");
    ASSERT_FALSE(windowClass.empty()) << "the desktop entry names no window class";
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram}, ProgramEnvironment()));
    std::optional<ShownWindow> w = WaitForWindowOfClass(windowClass);
    ASSERT_TRUE(w) << "no window of class " << windowClass;
    EXPECT_EQ(w->width, 152);
    EXPECT_EQ(w->height, 213);
    ClickAt(*w, 112, 172);  // 終了
    EXPECT_EQ(app.WaitExit(30000), 0);
}

TEST_F(Lifecycle, ColourDialogSpeaksTheUsersLanguage)
{
    std::vector<std::string> env;
    for (const std::string& e : ProgramEnvironment())
        if (!e.starts_with("LANG=") && !e.starts_with("LC_") && !e.starts_with("LANGUAGE=")) env.push_back(e);
    env.push_back("LANG=ja_JP.UTF-8");
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram}, env));
    std::optional<ShownWindow> w = WaitForWindow("Tavin3", 152, 213);
    ASSERT_TRUE(w) << "the window did not show";
    ClickAt(*w, 112, 20);  // 色を開く
    std::optional<ShownWindow> dialog = WaitForWindowOfClass("Tavin3", w->id);
    ASSERT_TRUE(dialog) << "the colour dialog did not show";
    std::string title = x.Run({"xdotool", "getwindowname", dialog->id}).value_or("");
    EXPECT_NE(title, "Select Color\n");
    EXPECT_TRUE(std::any_of(title.begin(), title.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) << title;
    Xdotool({"windowfocus", "--sync", dialog->id});
    Xdotool({"key", "Escape"});
    ASSERT_TRUE(WaitFor([&]() -> std::optional<bool> {
        std::optional<std::string> ids = x.Run({"xdotool", "search", "--onlyvisible", "--class", "^Tavin3$"});
        if (ids && ids->find(dialog->id) == std::string::npos) return true;
        return std::nullopt;
    })) << "the colour dialog did not close";
    ClickAt(*w, 112, 172);  // 終了
    EXPECT_EQ(app.WaitExit(30000), 0);
}

// xclip's reading of the clipboard, or nullopt when nobody owns it.
std::optional<std::string> ReadClipboard(XSession& x) { return x.Run({"xclip", "-o", "-selection", "clipboard"}); }

TEST_F(Lifecycle, PickedCodeStaysOnTheClipboardAfterExit)
{
    ClipboardManager manager;
    ASSERT_TRUE(manager.Start(x.Display())) << "the clipboard manager could not own CLIPBOARD_MANAGER";
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram}, ProgramEnvironment()));
    std::optional<ShownWindow> w = WaitForWindow("Tavin3", 152, 213);
    ASSERT_TRUE(w) << "the window did not show";

    ClickAt(*w, 112, 20);  // 色を開く
    std::optional<ShownWindow> dialog = WaitForWindowOfClass("Tavin3", w->id);
    ASSERT_TRUE(dialog) << "the colour dialog did not show";
    // The dialog opens on the basic colours: the arrow key moves to the next, space selects it,
    // Return accepts.
    Xdotool({"windowfocus", "--sync", dialog->id});
    Xdotool({"key", "Right", "space", "Return"});
    std::optional<std::string> copied = WaitFor([&] { return ReadClipboard(x); });
    ASSERT_TRUE(copied) << "nothing was copied";
    ASSERT_EQ(copied->size(), 7u) << *copied;
    EXPECT_EQ(copied->front(), '#');
    EXPECT_NE(*copied, "#000000") << "the dialog's first colour was taken, not the one picked";

    ClickAt(*w, 112, 172);  // 終了
    EXPECT_EQ(app.WaitExit(30000), 0);
    EXPECT_EQ(manager.WaitSaved(30000), copied) << "the program did not hand the clipboard over";
    EXPECT_EQ(ReadClipboard(x), copied) << "the code is gone from the clipboard";
}

}  // namespace
