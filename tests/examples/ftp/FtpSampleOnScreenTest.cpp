// The built FtpSample on a private X server against the real FTP server: started with host,
// port and user on its command line, typed at and clicked with xdotool, its log read from its
// standard output and its window from screenshots.
#include "tests/app/ProgramOnScreen.h"
#include "tests/components/ftp/PyFtpServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kProgram = std::string(TAVIN3_BINARY_DIR) + "/examples/ftp/FtpSample";
const std::string kTitle = "FTP の見本";

// The program's standard output, read line by line as it comes.
class OutputLines {
public:
    OutputLines()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            FRead = fds[0];
            FWrite = fds[1];
        }
    }
    ~OutputLines()
    {
        if (FRead >= 0) ::close(FRead);
        CloseWriteEnd();
    }
    int WriteEnd() const { return FWrite; }
    void CloseWriteEnd()
    {
        if (FWrite >= 0) ::close(FWrite);
        FWrite = -1;
    }
    // Waits for a line containing part that came after the last one returned.
    bool WaitFor(const std::string& part, int timeoutMs = 60000)
    {
        auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (; FNext < FLines.size(); ++FNext)
                if (FLines[FNext].find(part) != std::string::npos) {
                    ++FNext;
                    return true;
                }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || !ReadSome(int(left))) return false;
        }
    }
    std::string All() const
    {
        std::string s;
        for (const std::string& l : FLines) s += l + "\n";
        return s;
    }

private:
    bool ReadSome(int timeoutMs)
    {
        pollfd p{FRead, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buffer[4096];
        ssize_t n = ::read(FRead, buffer, sizeof buffer);
        if (n <= 0) return false;
        FPartial.append(buffer, std::size_t(n));
        for (std::size_t at; (at = FPartial.find('\n')) != std::string::npos;) {
            FLines.push_back(FPartial.substr(0, at));
            FPartial.erase(0, at + 1);
        }
        return true;
    }
    int FRead = -1, FWrite = -1;
    std::string FPartial;
    std::vector<std::string> FLines;
    std::size_t FNext = 0;
};

class FtpSampleOnScreen : public ProgramOnScreen {
protected:
    void SetUp() override
    {
        if (!server.Port()) GTEST_SKIP() << server.Error();
        ProgramOnScreen::SetUp();
    }

    void ClickAt(int cx, int cy) { ProgramOnScreen::ClickAt(main, cx, cy); }

    // Selects row of the remote list from the keyboard.
    void SelectRow(int row)
    {
        ClickAt(220, 300);  // the list's empty part: focus, no item
        Xdotool({"key", "Home"});
        for (int i = 0; i < row; ++i) Xdotool({"key", "Down"});
    }

    // Answers the file dialog of that title with a path typed into its name box.
    void AnswerFileDialog(const std::string& title, const std::string& path)
    {
        std::optional<ShownWindow> dialog = WaitForWindow(title);
        ASSERT_TRUE(dialog) << "no dialog " << title;
        Xdotool({"mousemove", "--sync", std::to_string(dialog->x + 20), std::to_string(dialog->y + 20)});
        Xdotool({"windowfocus", "--sync", dialog->id});
        Xdotool({"key", "ctrl+a"});
        Xdotool({"type", "--delay", "10", path});
        Xdotool({"key", "Return"});
    }

    PyFtpServer server;
    TempDir local;
    ShownWindow main;
};

TEST_F(FtpSampleOnScreen, LogsInDownloadsCancelsUploadsAndDeletes)
{
    const std::string big = server / "big.bin";
    {
        std::string bytes(64u << 20, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
        WriteFileBytes(big, bytes);
    }
    // A 1 GiB file that costs no disk: the transfer that gets cancelled.
    {
        std::ofstream(server / "huge.bin");
    }
    fs::resize_file(server / "huge.bin", std::uintmax_t{1} << 30);
    fs::create_directory(server / "sub");

    OutputLines out;
    ChildProcess app;
    ASSERT_TRUE(app.Start({kProgram, "127.0.0.1", std::to_string(server.Port()), PyFtpServer::User}, ProgramEnvironment(),
                          out.WriteEnd()));
    out.CloseWriteEnd();
    std::optional<ShownWindow> w = WaitForWindow(kTitle, 640, 480);
    ASSERT_TRUE(w) << "the window did not show";
    main = *w;

    ClickAt(140, 46);  // password
    Xdotool({"type", "--delay", "20", PyFtpServer::Password});
    ClickAt(424, 46);  // 接続
    ASSERT_TRUE(out.WaitFor("一覧: 3 件")) << out.All();

    // Download big.bin (sub/, big.bin, huge.bin): the progress bar moves on screen meanwhile.
    SelectRow(1);
    const std::string copy = local / "copy.bin";
    ClickAt(544, 134);  // ダウンロード…
    AnswerFileDialog("ダウンロードの保存先", copy);
    std::set<std::string> barStates;
    auto full = fs::file_size(big);
    for (auto end = Clock::now() + std::chrono::seconds(120); Clock::now() < end;) {
        std::error_code ec;
        auto size = fs::file_size(copy, ec);
        if (!ec && size == full) break;
        QImage shot = x.Screenshot();
        if (ec || size == 0 || shot.isNull()) continue;
        QImage bar = shot.copy(main.x + 8, main.y + 334, 440, 18);
        barStates.insert(std::string(reinterpret_cast<const char*>(bar.constBits()), std::size_t(bar.sizeInBytes())));
    }
    ASSERT_TRUE(out.WaitFor("226")) << out.All();
    EXPECT_TRUE(ReadFileBytes(copy) == ReadFileBytes(big));
    EXPECT_GE(barStates.size(), 2u) << "the window repainted its progress bar during the transfer";

    // Start the 1 GiB one, then press 中止 once data flows.
    SelectRow(2);
    const std::string partial = local / "partial.bin";
    ClickAt(544, 134);
    AnswerFileDialog("ダウンロードの保存先", partial);
    for (auto end = Clock::now() + std::chrono::seconds(60); Clock::now() < end;) {
        std::error_code ec;
        if (fs::file_size(partial, ec) > 0 && !ec) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ClickAt(544, 342);  // 中止
    ASSERT_TRUE(out.WaitFor("ダウンロードに失敗しました")) << out.All();
    EXPECT_LT(fs::file_size(partial), std::uintmax_t{1} << 30);
    ClickAt(544, 102);  // 一覧を更新
    ASSERT_TRUE(out.WaitFor("一覧: 3 件")) << out.All();

    // Upload, then delete what was uploaded (sub/, big.bin, huge.bin, up.bin).
    const std::string upload = local / "up.bin";
    WriteFileBytes(upload, std::string(300000, 'u'));
    ClickAt(544, 166);  // アップロード…
    AnswerFileDialog("アップロードするファイル", upload);
    ASSERT_TRUE(out.WaitFor("一覧: 4 件")) << out.All();
    EXPECT_TRUE(ReadFileBytes(server / "up.bin") == ReadFileBytes(upload));
    SelectRow(3);
    ClickAt(544, 310);  // 削除
    ASSERT_TRUE(out.WaitFor("一覧: 3 件")) << out.All();
    EXPECT_FALSE(fs::exists(server / "up.bin"));
    EXPECT_TRUE(fs::exists(big));
}

}  // namespace
