// The program as installed: into a temporary prefix, run from there with nothing of the build
// folder in reach, and with a desktop entry, icons and metadata the desktop's tools accept.
#include "app/CommandLine.h"
#include "tests/app/ProgramOnScreen.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class Installed : public ProgramOnScreen {
protected:
    void SetUp() override
    {
        prefix = fs::temp_directory_path() / ("tavin3-install-" + std::to_string(getpid()));
        fs::remove_all(prefix);
        ProgramRun install =
            RunProgram({"cmake", "--install", TAVIN3_BINARY_DIR, "--prefix", prefix.string(), "--component", "Tavin3"},
                       EnvironmentWithoutDisplay());
        ASSERT_EQ(install.exitCode, 0) << install.output;
        for (const auto& entry : fs::recursive_directory_iterator(prefix))
            if (entry.path().filename() == "libtavin3-toolkit.so.1") libraries = entry.path().parent_path();
        ASSERT_FALSE(libraries.empty()) << "no library folder was installed";
        ProgramOnScreen::SetUp();
    }
    void TearDown() override { fs::remove_all(prefix); }

    // The environment of a user's session: no library path of ours.
    std::vector<std::string> Without(std::vector<std::string> env)
    {
        std::erase_if(env, [](const std::string& e) { return e.starts_with("LD_LIBRARY_PATH="); });
        return env;
    }

    fs::path Share(const std::string& path) const { return prefix / "share" / path; }

    fs::path prefix, libraries;
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(Installed, ProgramAndLibrariesFindEachOtherRelativeToThemselves)
{
    std::vector<fs::path> binaries = {prefix / "bin" / "Tavin3"};
    for (const auto& entry : fs::directory_iterator(libraries)) binaries.push_back(entry.path());
    ASSERT_GE(binaries.size(), 3u);
    for (const fs::path& binary : binaries) {
        SCOPED_TRACE(binary.string());
        ProgramRun dynamic = RunProgram({"readelf", "-d", binary.string()}, EnvironmentWithoutDisplay());
        ASSERT_EQ(dynamic.exitCode, 0) << dynamic.output;
        std::istringstream lines(dynamic.output);
        int paths = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.find("(RUNPATH)") == std::string::npos && line.find("(RPATH)") == std::string::npos) continue;
            ++paths;
            std::string value = line.substr(line.find('[') + 1);
            value.resize(value.find(']'));
            std::istringstream entries(value);
            for (std::string entry; std::getline(entries, entry, ':');) EXPECT_TRUE(entry.starts_with("$ORIGIN")) << entry;
        }
        EXPECT_EQ(paths, 1);
    }
}

TEST_F(Installed, RunsFromThePrefixAlone)
{
    ProgramRun version = RunProgram({(prefix / "bin" / "Tavin3").string(), "--version"}, Without(EnvironmentWithoutDisplay()));
    EXPECT_EQ(version.exitCode, 0) << version.output;
    EXPECT_EQ(version.output, VersionText());

    ChildProcess app;
    ASSERT_TRUE(app.Start({(prefix / "bin" / "Tavin3").string()}, Without(ProgramEnvironment())));
    std::optional<ShownWindow> w = WaitForWindow("Tavin3", 152, 213);
    ASSERT_TRUE(w) << "the installed program did not show its window";
    // Every library of the project it has loaded is an installed one.
    std::optional<std::string> pid = x.Run({"xdotool", "getwindowpid", w->id});
    ASSERT_TRUE(pid);
    std::string maps = Slurp("/proc/" + std::string(pid->substr(0, pid->find('\n'))) + "/maps");
    int ours = 0;
    std::istringstream lines(maps);
    for (std::string line; std::getline(lines, line);) {
        auto slash = line.find('/');
        if (slash == std::string::npos) continue;
        fs::path file = line.substr(slash);
        std::string name = file.filename().string();
        if (!name.starts_with("libtavin3")) continue;
        ++ours;
        EXPECT_EQ(file.parent_path(), libraries) << "loaded from elsewhere: " << file;
    }
    EXPECT_GE(ours, 3);
    ClickAt(*w, 112, 172);  // 終了
    EXPECT_EQ(app.WaitExit(30000), 0);
}

TEST_F(Installed, DesktopEntryAndMetadataPassTheirValidators)
{
    const std::string id = ProgramDesktopFileName();
    fs::path entry = Share("applications/" + id + ".desktop");
    fs::path metadata = Share("metainfo/" + id + ".metainfo.xml");
    ASSERT_TRUE(fs::exists(entry));
    ASSERT_TRUE(fs::exists(metadata));
    ProgramRun desktop = RunProgram({"desktop-file-validate", entry.string()}, EnvironmentWithoutDisplay());
    EXPECT_EQ(desktop.exitCode, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "");
    ProgramRun appstream =
        RunProgram({"appstreamcli", "validate", "--no-net", "--no-color", metadata.string()}, EnvironmentWithoutDisplay());
    EXPECT_EQ(appstream.exitCode, 0) << appstream.output;

    std::string text = Slurp(entry);
    for (const std::string& line :
         std::vector<std::string>{"Exec=Tavin3\n", "Icon=" + id + "\n", "StartupWMClass=Tavin3\n", "Categories=Graphics;\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_NE(text.find("Name[ja]="), std::string::npos);
    EXPECT_TRUE(fs::exists(prefix / "bin" / "Tavin3"));
    std::string meta = Slurp(metadata);
    EXPECT_NE(meta.find("<launchable type=\"desktop-id\">" + id + ".desktop</launchable>"), std::string::npos);
    EXPECT_NE(meta.find("<release version=\"" + ProgramVersion() + "\""), std::string::npos);
    EXPECT_NE(meta.find("<screenshot type=\"default\">"), std::string::npos);
}

TEST_F(Installed, ThemeIconsAtEverySizeFromTheApplicationIcon)
{
    const std::string id = ProgramDesktopFileName();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        QImage icon(QString::fromStdString(
            Share("icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/" + id + ".png").string()));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the corner is not transparent";
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << "the middle is not opaque";
    }
    // 32 is the icon's own image, pixel for pixel.
    QImage original(QStringLiteral(TAVIN3_SOURCE_DIR "/app/MAINICON.ico"));
    ASSERT_FALSE(original.isNull()) << "Qt cannot read the .ico here";
    QImage copy(QString::fromStdString(Share("icons/hicolor/32x32/apps/" + id + ".png").string()));
    original = original.convertToFormat(QImage::Format_ARGB32);
    copy = copy.convertToFormat(QImage::Format_ARGB32);
    int differ = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            QRgb a = original.pixel(x, y), b = copy.pixel(x, y);
            differ += qAlpha(a) != qAlpha(b) || (qAlpha(a) && (a & 0xFFFFFF) != (b & 0xFFFFFF));
        }
    EXPECT_EQ(differ, 0);
}

}  // namespace
