// The built program on a private X server: typed at and clicked with xdotool, read back from
// screenshots, and its exit code checked.
#include "tests/app/XSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(TAVIN3_BINARY_DIR) + "/app/Tavin3";

struct ShownWindow {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
};

class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        if (!x.Start()) GTEST_SKIP() << "Xvfb cannot start here, so the program cannot be run on a screen.";
    }

    // The server's environment; system libraries' caches that live until exit are no leaks.
    std::vector<std::string> ProgramEnvironment()
    {
        std::vector<std::string> env;
        for (const std::string& e : x.Environment())
            if (!e.starts_with("LSAN_OPTIONS=")) env.push_back(e);
        env.push_back("LSAN_OPTIONS=suppressions=" + std::string(TAVIN3_SOURCE_DIR) + "/tests/lsan.supp:print_suppressions=0");
        return env;
    }

    void Xdotool(std::vector<std::string> args)
    {
        args.insert(args.begin(), "xdotool");
        ASSERT_TRUE(x.Run(args)) << "xdotool " << args[1] << " failed";
    }

    // The visible window of that title and size, once it has been mapped.
    std::optional<ShownWindow> WaitForWindow(const std::string& title, int width, int height, int timeoutMs = 30000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            std::istringstream ids(x.Run({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}).value_or(""));
            for (std::string id; ids >> id;) {
                std::optional<ShownWindow> w = Geometry(id);
                if (w && (width < 0 || (w->width == width && w->height == height))) return w;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }

    std::optional<ShownWindow> Geometry(const std::string& id)
    {
        std::optional<std::string> shell = x.Run({"xdotool", "getwindowgeometry", "--shell", id});
        if (!shell) return std::nullopt;
        ShownWindow w{id};
        std::istringstream lines(*shell);
        for (std::string line; std::getline(lines, line);) {
            auto eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string key = line.substr(0, eq);
            int value = std::atoi(line.c_str() + eq + 1);
            if (key == "X") w.x = value;
            else if (key == "Y") w.y = value;
            else if (key == "WIDTH") w.width = value;
            else if (key == "HEIGHT") w.height = value;
        }
        return w;
    }

    void ClickAt(const ShownWindow& w, int cx, int cy)
    {
        Xdotool({"mousemove", "--sync", std::to_string(w.x + cx), std::to_string(w.y + cy), "click", "1"});
    }

    XSession x;
};

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

TEST_F(EndToEnd, BrokenFormDescriptionIsReportedThenExitsWithZero)
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
    EXPECT_EQ(app.WaitExit(30000), 0);
}

}  // namespace
