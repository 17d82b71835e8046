// The development kit as another project uses it: installed into a prefix of the test's own,
// a program outside this tree built on it with find_package and run offscreen against a real
// FTP server, and every installed header compiled alone without Qt.
#include "tests/app/ProgramOnScreen.h"
#include "tests/components/ftp/PyFtpServer.h"
#include "tests/fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr int kBuildTimeout = 300000;

class Kit : public testing::Test {
protected:
    void SetUp() override
    {
        ProgramRun install = RunProgram({"cmake", "--install", TAVIN3_BINARY_DIR, "--prefix", prefix(), "--component", "Development"},
                                        EnvironmentWithoutDisplay(), kBuildTimeout);
        ASSERT_EQ(install.exitCode, 0) << install.output;
    }

    std::string prefix() const { return work / "prefix"; }

    // Configures and builds the project copied from tests/kit-<project> into the work folder,
    // warnings being errors: the build's output, and whether it passed.
    ProgramRun Build(const std::string& project, const std::string& flags, const std::vector<std::string>& options = {})
    {
        const fs::path source = fs::path(work.Path()) / project, build = fs::path(work.Path()) / (project + "-build");
        fs::copy(fs::path(TAVIN3_SOURCE_DIR) / "tests" / ("kit-" + project), source, fs::copy_options::recursive);
        std::vector<std::string> configure = {"cmake", "-S", source.string(), "-B", build.string(), "-G", "Ninja",
                                              "-DCMAKE_PREFIX_PATH=" + prefix(), "-DCMAKE_BUILD_TYPE=Debug",
                                              "-DCMAKE_CXX_COMPILER=" TAVIN3_KIT_COMPILER,
                                              "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror " + flags};
        if (std::string(TAVIN3_KIT_LAUNCHER).size()) configure.push_back("-DCMAKE_CXX_COMPILER_LAUNCHER=" TAVIN3_KIT_LAUNCHER);
        configure.insert(configure.end(), options.begin(), options.end());
        // Paths relative to the work folder, so that the compiler cache serves every run alike.
        std::vector<std::string> env = EnvironmentWithoutDisplay({"CCACHE_BASEDIR=" + work.Path(), "CCACHE_NOHASHDIR=1"});
        if (std::string(TAVIN3_KIT_CCACHE_DIR).size()) env.push_back("CCACHE_DIR=" TAVIN3_KIT_CCACHE_DIR);
        ProgramRun run = RunProgram(configure, env, kBuildTimeout);
        if (run.exitCode != 0) return run;
        ProgramRun built = RunProgram({"cmake", "--build", build.string(), "--", "-k", "0"}, env, kBuildTimeout);
        built.output = run.output + built.output;
        return built;
    }

    TempDir work{"kit"};
};

// Where the dark pixels of a picture lie.
struct Ink {
    int count = 0, left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
};
Ink InkOf(const QImage& picture)
{
    Ink ink;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (qGray(picture.pixel(x, y)) >= 128) continue;
            ++ink.count;
            ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

TEST_F(Kit, InstallsVersionedLibrariesHeadersAndPackage)
{
    // The standard library folder, not the program's private one.
    const fs::path libs = fs::path(prefix()) / TAVIN3_KIT_LIBDIR;
    for (const char* name : {"toolkit", "background", "alphabutton", "linkpanel", "verticallabel", "ftp"}) {
        SCOPED_TRACE(name);
        const std::string base = std::string("libtavin3-") + name + ".so";
        EXPECT_TRUE(fs::is_symlink(libs / base)) << "no link for building";
        ProgramRun dynamic = RunProgram({"readelf", "-d", (libs / base).string()}, EnvironmentWithoutDisplay());
        EXPECT_NE(dynamic.output.find("Library soname: [" + base + ".1]"), std::string::npos) << dynamic.output;
    }
    const fs::path include = fs::path(prefix()) / "include/tavin3";
    EXPECT_TRUE(fs::exists(include / "components/ftp/vellftp.h"));
    EXPECT_TRUE(fs::exists(include / "toolkit/controls/Forms.h"));
    for (const char* internal : {"components/ftp/vellftp_internal.h", "toolkit/winapi/GdiObjects.h", "toolkit/net/TlsSession.h"})
        EXPECT_FALSE(fs::exists(include / internal)) << internal;
    bool config = false, version = false;
    for (const auto& entry : fs::recursive_directory_iterator(prefix())) {
        config |= entry.path().filename() == "Tavin3Config.cmake";
        version |= entry.path().filename() == "Tavin3ConfigVersion.cmake";
    }
    EXPECT_TRUE(config);
    EXPECT_TRUE(version);
    EXPECT_FALSE(fs::exists(fs::path(prefix()) / "bin")) << "the program came with the kit";
}

TEST_F(Kit, ProgramOutsideTheTreeListsAnFtpDirectoryAndPaintsItsVerticalLabel)
{
    // The program links the kit's libraries, which are built with the sanitizers in a test build.
    ProgramRun build = Build("program", TAVIN3_KIT_SANITIZE_FLAGS);
    ASSERT_EQ(build.exitCode, 0) << build.output;
    const std::string program = work / "program-build/KitLister";
    ASSERT_TRUE(fs::exists(program));

    PyFtpServer server;
    ASSERT_GT(server.Port(), 0) << server.Error();
    WriteFileBytes(server / "kit-file.txt", "listed\n");
    fs::create_directory(server / "kit-dir");

    const std::string picture = work / "title.bmp";
    ProgramRun run = RunProgram({program, "127.0.0.1", std::to_string(server.Port()), PyFtpServer::User, PyFtpServer::Password, picture},
                                EnvironmentWithoutDisplay({"QT_QPA_PLATFORM=offscreen"}));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("listed: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("kit-file.txt"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("kit-dir"), std::string::npos) << run.output;

    // The title as its label painted it: dark characters on white, in a column.
    QImage title(QString::fromStdString(picture));
    ASSERT_FALSE(title.isNull());
    EXPECT_EQ(title.size(), QSize(40, 184));
    EXPECT_EQ(title.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << "the label's colour is not white";
    Ink ink = InkOf(title);
    ASSERT_GT(ink.count, 100) << "the caption did not paint";
    EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left)) << "the caption does not run top to bottom";

    // A refused login is reported, and the program ends with a failure, not a crash.
    ProgramRun refused = RunProgram({program, "127.0.0.1", std::to_string(server.Port()), PyFtpServer::User, "wrong", picture},
                                    EnvironmentWithoutDisplay({"QT_QPA_PLATFORM=offscreen"}));
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("failed: "), std::string::npos) << refused.output;
    EXPECT_EQ(refused.output.find("listed: "), std::string::npos) << refused.output;
}

TEST_F(Kit, EveryInstalledHeaderCompilesAloneWithoutQt)
{
    ProgramRun build = Build("headers", "");
    EXPECT_EQ(build.exitCode, 0) << build.output;
}

TEST_F(Kit, HeaderCheckFailsOnAQtHeaderOrAnInternalOne)
{
    // Two headers that should not be in a kit, beside one that is fine.
    const fs::path include = fs::path(prefix()) / "include/tavin3";
    std::ofstream(include / "toolkit/LeaksQt.h") << "#pragma once\n#include <QString>\n";
    std::ofstream(include / "components/ftp/LeaksInternal.h") << "#pragma once\n#include \"components/ftp/vellftp_internal.h\"\n";
    ProgramRun build = Build("headers", "", {"-DKIT_HEADERS=toolkit/system/AnsiString.h;toolkit/LeaksQt.h;components/ftp/LeaksInternal.h"});
    EXPECT_NE(build.exitCode, 0) << build.output;
    // Each of the two fails on its own include, whatever the compiler's words for it.
    std::istringstream lines(build.output);
    std::vector<std::string> failed;
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("FAILED: ")) failed.push_back(line);
    ASSERT_EQ(failed.size(), 2u) << build.output;
    std::sort(failed.begin(), failed.end());
    EXPECT_NE(failed[0].find("components_ftp_LeaksInternal_h"), std::string::npos) << failed[0];
    EXPECT_NE(failed[1].find("toolkit_LeaksQt_h"), std::string::npos) << failed[1];
    EXPECT_NE(build.output.find("QString"), std::string::npos) << build.output;
    EXPECT_NE(build.output.find("vellftp_internal.h"), std::string::npos) << build.output;
}

// What tavin3_add_program cannot build is refused when the project is configured, saying why.
TEST(KitProgramFunction, RefusesWhatItCannotBuild)
{
    struct Case {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"FORM TMainForm SOURCES main.cpp", "FORM takes pairs"},
        {"SOURCES main.cpp", "FORM takes pairs"},
        {"FORM TMainForm Missing.form SOURCES main.cpp", "no form description"},
        {"FORM TMainForm Main.form SOURCES main.cpp WINDOW_LIBRARY main_window", "WINDOW_LIBRARY needs MAIN"},
        {"UNKNOWN FORM TMainForm Main.form SOURCES main.cpp", "unknown arguments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        TempDir project("kit-misuse");
        WriteFileBytes(project / "Main.form", "object MainForm: TForm\nend\n");
        WriteFileBytes(project / "CMakeLists.txt", std::string("cmake_minimum_required(VERSION 3.25)\nproject(Misuse LANGUAGES NONE)\n"
                                                              "include(" TAVIN3_SOURCE_DIR "/packaging/kit/Tavin3Program.cmake)\n"
                                                              "tavin3_add_program(Misuse ") +
                                                       c.arguments + ")\n");
        ProgramRun configure = RunProgram({"cmake", "-S", project.Path(), "-B", project / "build"}, EnvironmentWithoutDisplay());
        EXPECT_NE(configure.exitCode, 0) << configure.output;
        EXPECT_NE(configure.output.find(c.message), std::string::npos) << configure.output;
    }
}

}  // namespace
