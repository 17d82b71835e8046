// The built program on a private X server: typed at and clicked with xdotool, read back from
// screenshots, and its exit code checked.
#include "tests/app/ProgramOnScreen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(TAVIN3_BINARY_DIR) + "/app/Tavin3";

class EndToEnd : public ProgramOnScreen {};

// RGB of a screen pixel.
uint32_t Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TEST_F(EndToEnd, DecomposesATypedCodeAndExitsWithZero)
{
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram}, ProgramEnvironment()));
    std::optional<ShownWindow> w = WaitForWindow("Tavin3", 152, 213);
    ASSERT_TRUE(w) << "the window did not show";

    ClickAt(*w, 40, 51);  // Edit1
    Xdotool({"key", "ctrl+a"});
    Xdotool({"type", "--delay", "20", "FF8000"});
    ClickAt(*w, 112, 52);  // 色分解

    // The swatch's inside, its pen aside, turns orange.
    const int left = w->x + 81, top = w->y + 73, right = w->x + 143, bottom = w->y + 143;
    QImage shot;
    for (int tries = 0; tries < 50; ++tries) {
        shot = x.Screenshot();
        if (!shot.isNull() && Rgb(shot, (left + right) / 2, (top + bottom) / 2) == 0xFF8000u) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(shot.isNull());
    int wrong = 0;
    for (int py = top; py <= bottom; ++py)
        for (int px = left; px <= right; ++px) wrong += Rgb(shot, px, py) != 0xFF8000u;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Rgb(shot, w->x + 80, w->y + 72), 0x000000u);  // the pen

    ClickAt(*w, 112, 172);  // 終了
    EXPECT_EQ(app.WaitExit(30000), 0);
}

TEST_F(EndToEnd, BrokenFormDescriptionIsReportedThenExitsWithFailure)
{
    // A copy of the window's library whose form description holds a value no border style has.
    fs::path dir = fs::temp_directory_path() / ("tavin3-broken-" + std::to_string(getpid()));
    fs::create_directories(dir);
    struct Cleanup {
        fs::path dir;
        ~Cleanup() { fs::remove_all(dir); }
    } cleanup{dir};
    std::ifstream in(std::string(TAVIN3_BINARY_DIR) + "/app/libtavin3_app.so", std::ios::binary);
    std::string library((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string good = "BorderStyle = bsSingle", broken = "BorderStyle = bsNarrow";
    auto at = library.find(good);
    ASSERT_NE(at, std::string::npos) << "the form description is not stored as plain text";
    library.replace(at, good.size(), broken);
    std::ofstream(dir / "libtavin3_app.so", std::ios::binary) << library;

    std::vector<std::string> env = ProgramEnvironment();
    env.push_back("LD_LIBRARY_PATH=" + dir.string());
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram}, env));
    std::optional<ShownWindow> box = WaitForWindow("Tavin3", -1, -1);
    ASSERT_TRUE(box) << "no exception box showed";
    EXPECT_FALSE(box->width == 152 && box->height == 213) << "the main window showed";
    Xdotool({"windowfocus", "--sync", box->id});
    Xdotool({"key", "Return"});
    // A failed start is no success, for whoever started the program.
    EXPECT_EQ(app.WaitExit(30000), 1);
}

}  // namespace
