// The FTP sample window against the real server (pyftpdlib): clicked through as a user would,
// with the file dialogs and message boxes answered, while the window's event loop is watched.
#include "examples/ftp/FtpSampleForm.h"
#include "tests/components/ftp/PyFtpServer.h"
#include "tests/components/ftp/RealFtpServers.h"
#include "tests/fixtures/FileDialogAnswer.h"
#include "tests/fixtures/Grab.h"

#include <QApplication>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace {

namespace fs = std::filesystem;

TEST(FtpSampleListing, EntryColumns)
{
    auto entry = [](const char* name, TFtpEntryKind kind, int64_t size, TFtpDateTime modified, const char* target = "") {
        TFtpEntry e;
        e.Name = AnsiString::FromUtf8(name);
        e.Kind = kind;
        e.Size = size;
        e.Modified = modified;
        e.LinkTarget = AnsiString(target);
        return e;
    };
    struct Case {
        TFtpEntry entry;
        const char* text;
    } cases[] = {
        {entry("日本語のファイル.txt", fekFile, 70001, {2026, 12, 9, 14, 4, 8}), "         70,001  2026-12-09 14:04  日本語のファイル.txt"},
        {entry("big.bin", fekFile, 5368709120LL, {2020, 3, 4}), "  5,368,709,120  2020-03-04 00:00  big.bin"},
        {entry("sub dir", fekDirectory, -1, {2026, 1, 2, 3, 4}), "          <DIR>  2026-01-02 03:04  sub dir/"},
        {entry("link", fekLink, 7, {}, "a b.txt"), "              7                    link -> a b.txt"},
        {entry("empty", fekFile, 0, {}), "              0                    empty"},
        {entry("unknown", fekOther, -1, {}), "                                   unknown"},
        {entry("..", fekDirectory, -1, {}), ".."},
    };
    for (const Case& c : cases) EXPECT_EQ(EntryText(c.entry).ToUtf8(), c.text);
}

TEST(FtpSampleListing, TransferFigures)
{
    EXPECT_EQ(TransferText(512, 0, 0), AnsiString("512 B"));
    EXPECT_EQ(TransferText(3 << 20, 64 << 20, 2.0), AnsiString("3.0 MiB / 64.0 MiB  1.5 MiB/s"));
    EXPECT_EQ(TransferText(1536, -1, 1.0), AnsiString("1.5 KiB  1.5 KiB/s"));
    // Past 4 GiB, as the component's 64-bit counters give it.
    EXPECT_EQ(TransferText(4831838208, 4831838208, 2.0), AnsiString("4608.0 MiB / 4608.0 MiB  2304.0 MiB/s"));
}

// A pattern that a shifted or truncated copy cannot match.
std::string Pattern(std::size_t size)
{
    std::string s(size, '\0');
    uint32_t x = 2463534242u;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = static_cast<char>(x);
    }
    return s;
}

// The window, shown and logged in through its own buttons, and what a user does with it.
class SampleWindow {
protected:
    void Open(int port, const char* user, const char* password)
    {
        form = std::make_unique<TFtpSampleForm>(nullptr);
        form->LogEcho = [this](const std::string& line) { log.push_back(line); };
        form->SetServer(AnsiString("127.0.0.1"), port, AnsiString(user));
        form->PasswordEdit->SetText(AnsiString(password));
        form->Show();
        Click(form->ConnectButton);
        ASSERT_TRUE(form->Ftp1->Connected()) << Log();
    }

    void Click(TButton* button)
    {
        ASSERT_TRUE(button->Enabled()) << button->Name().str();
        QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const TFtpEntry& e : form->Entries()) names.push_back(e.Name.str() + (e.Kind == fekDirectory ? "/" : ""));
        return names;
    }

    void Select(const std::string& name)
    {
        for (int i = 0; i < form->RemoteList->Count(); ++i)
            if (form->Entries()[static_cast<std::size_t>(i)].Name == AnsiString(name)) return form->RemoteList->SetItemIndex(i);
        FAIL() << name << " is not listed";
    }

    // The next file dialog is answered with path.
    void AnswerFileDialog(const std::string& path, QFileDialog::AcceptMode mode)
    {
        AnswerNextModal([path, mode](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr) << ModalGuard::Describe(w);
            EXPECT_EQ(dialog->acceptMode(), mode);
            ChooseInFileDialog(dialog, path);
        });
    }

    // The names in the local folder: a download lands under the chosen name and nowhere else.
    std::set<std::string> LocalNames() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(local.Path())) names.insert(e.path().filename().string());
        return names;
    }

    bool Logged(const std::string& part) const
    {
        return std::ranges::any_of(log, [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
    std::string Log() const
    {
        std::string all;
        for (const std::string& line : log) all += line + "\n";
        return all;
    }

    TempDir local;
    std::vector<std::string> log;
    std::unique_ptr<TFtpSampleForm> form;
};

class FtpSample : public testing::Test, protected SampleWindow {
protected:
    void SetUp() override
    {
        if (!server.Port()) GTEST_SKIP() << server.Error();
        WriteFileBytes(server / "big.bin", Pattern(64u << 20));
        WriteFileBytes(server / "small.txt", "hello\n");
        fs::create_directory(server / "sub");
        WriteFileBytes(server / "sub/inner.txt", "inner\n");
        Open(server.Port(), PyFtpServer::User, PyFtpServer::Password);
    }

    PyFtpServer server;
};

// The four real servers: Japanese names shown, sent and fetched under their own names.
class FtpSampleOnServers : public testing::TestWithParam<FtpServerKind>, protected SampleWindow {
protected:
    void SetUp() override
    {
        if (server.Port() == 0 && server.Missing() && !RealFtpServersRequired()) GTEST_SKIP() << server.Error();
        ASSERT_GT(server.Port(), 0) << server.Error();
        Open(server.Port(), RealFtpServer::User, RealFtpServer::Password);
    }
    // The list's line for the name, or empty.
    std::string Row(const std::string& name) const
    {
        for (int i = 0; i < form->RemoteList->Count(); ++i)
            if (form->Entries()[static_cast<std::size_t>(i)].Name == AnsiString::FromUtf8(name)) return form->RemoteList->Item(i).ToUtf8();
        return std::string();
    }

    RealFtpServer server{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Servers, FtpSampleOnServers,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::Vsftpd, FtpServerKind::Proftpd, FtpServerKind::PureFtpd),
                         [](const testing::TestParamInfo<FtpServerKind>& info) {
                             std::string name = FtpServerName(info.param);
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST_P(FtpSampleOnServers, JapaneseNamesShowAndTravelUnderTheirOwnNames)
{
    const std::string name = "日本語のファイル.txt";
    fs::create_directory(local / "送る");
    const std::string upload = local / ("送る/" + name);
    const std::string bytes = Pattern(70001);
    WriteFileBytes(upload, bytes);
    AnswerFileDialog(upload, QFileDialog::AcceptOpen);
    Click(form->UploadButton);
    EXPECT_TRUE(ReadFileBytes(server / name) == bytes) << Log();  // UTF-8 on the server's disk

    // Size and date in their columns, from MLSD where the server offers it, from LIST on vsftpd.
    const std::string row = Row(name);
    EXPECT_NE(row.find("70,001"), std::string::npos) << row;
    EXPECT_NE(row.find(" 20"), std::string::npos) << row;  // the year of the date
    EXPECT_EQ(row.substr(row.size() - name.size()), name) << row;
    EXPECT_TRUE(Logged("一覧: 1 件")) << Log();

    Select(AnsiString::FromUtf8(name).str());
    const std::string back = local / "戻り.txt";
    AnswerFileDialog(back, QFileDialog::AcceptSave);
    Click(form->DownloadButton);
    EXPECT_TRUE(ReadFileBytes(back) == bytes) << Log();

    Select(AnsiString::FromUtf8(name).str());
    form->NameEdit->SetText(AnsiString::FromUtf8("名前 を 変えた.txt"));
    Click(form->RenameButton);
    EXPECT_TRUE(fs::exists(server / "名前 を 変えた.txt")) << Log();
    Select(AnsiString::FromUtf8("名前 を 変えた.txt").str());
    Click(form->DeleteButton);
    EXPECT_FALSE(fs::exists(server / "名前 を 変えた.txt")) << Log();
    EXPECT_TRUE(Row("名前 を 変えた.txt").empty());
    EXPECT_FALSE(Logged("失敗")) << Log();
}

TEST_F(FtpSample, ListsAndWalksTheDirectories)
{
    EXPECT_EQ(Names(), (std::vector<std::string>{"sub/", "big.bin", "small.txt"}));
    EXPECT_EQ(form->Entries()[1].Size, int64_t{64} << 20);
    EXPECT_TRUE(Logged("一覧: 3 件")) << Log();
    EXPECT_FALSE(form->ConnectButton->Enabled());
    EXPECT_FALSE(form->CancelButton->Enabled());

    // A double click on a directory enters it; ".." goes back up.
    auto* list = qobject_cast<QListWidget*>(WidgetOf(form->RemoteList));
    auto doubleClick = [&](int row) {
        QApplication::processEvents();  // lets the list lay out its items
        QRect r = list->visualItemRect(list->item(row));
        ASSERT_FALSE(r.isEmpty()) << row;
        // As from the mouse: the first press of a double click lands as a click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    };
    doubleClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"../", "inner.txt"})) << Log();
    EXPECT_NE(form->DirLabel->Caption().str().find("/sub"), std::string::npos);
    doubleClick(1);  // a file: nothing happens
    EXPECT_EQ(Names().size(), 2u);
    doubleClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"sub/", "big.bin", "small.txt"}));

    Click(form->DisconnectButton);
    EXPECT_FALSE(form->Ftp1->Connected());
    EXPECT_EQ(form->RemoteList->Count(), 0);
    EXPECT_TRUE(form->ConnectButton->Enabled());
}

TEST_F(FtpSample, DownloadKeepsTheWindowRunningAndCancelEndsTheNext)
{
    // Whenever the event loop is free, note the progress bar: a window that stays responsive
    // sees the bar at several places during the transfer.
    std::set<int> seen;
    bool cancelNext = false, cancelled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form->Busy()) return;
        int p = form->ProgressBar1->Position();
        if (p > 0 && p < form->ProgressBar1->Max()) seen.insert(p);
        if (cancelNext && p > 0 && !cancelled) {
            cancelled = true;
            QTest::mouseClick(WidgetOf(form->CancelButton), Qt::LeftButton);
        }
    });
    watch.start(0);

    Select("big.bin");
    std::string target = local / "big copy.bin";
    AnswerFileDialog(target, QFileDialog::AcceptSave);
    Click(form->DownloadButton);
    EXPECT_FALSE(form->Busy());
    EXPECT_EQ(LocalNames(), (std::set<std::string>{"big copy.bin"}));
    EXPECT_TRUE(ReadFileBytes(target) == ReadFileBytes(server / "big.bin")) << Log();
    EXPECT_EQ(form->ProgressBar1->Position(), form->ProgressBar1->Max());
    EXPECT_GE(seen.size(), 3u) << "the window's events ran while the bar moved";
    EXPECT_NE(form->TransferLabel->Caption().str().find("64.0 MiB / 64.0 MiB"), std::string::npos);

    // The next download is cancelled from the window while it runs; no message box is asked for.
    cancelNext = true;
    Select("big.bin");
    AnswerFileDialog(local / "cancelled.bin", QFileDialog::AcceptSave);
    Click(form->DownloadButton);
    watch.stop();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(LocalNames(), (std::set<std::string>{"big copy.bin", "cancelled.bin"}));
    EXPECT_TRUE(Logged("ダウンロードに失敗しました")) << Log();
    EXPECT_LT(fs::file_size(local / "cancelled.bin"), fs::file_size(server / "big.bin"));
    EXPECT_FALSE(form->Busy());
    EXPECT_TRUE(form->RefreshButton->Enabled());

    // 再開 carries the cancelled download on to the whole file, the bar from where it stopped.
    ASSERT_TRUE(form->ResumeButton->Enabled());
    const auto cutAt = fs::file_size(local / "cancelled.bin");
    int firstPosition = -1;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (form->Busy() && firstPosition < 0) firstPosition = form->ProgressBar1->Position();
    });
    watch.start(0);
    log.clear();
    Click(form->ResumeButton);
    watch.stop();
    EXPECT_TRUE(ReadFileBytes(local / "cancelled.bin") == ReadFileBytes(server / "big.bin")) << Log();
    EXPECT_FALSE(Logged("失敗")) << Log();
    EXPECT_EQ(form->ProgressBar1->Position(), form->ProgressBar1->Max());
    EXPECT_GE(firstPosition, int(cutAt * uintmax_t(form->ProgressBar1->Max()) / fs::file_size(server / "big.bin")));
    EXPECT_FALSE(form->ResumeButton->Enabled()) << "nothing is left to resume";

    // The connection still serves the next listing.
    log.clear();
    Click(form->RefreshButton);
    EXPECT_TRUE(Logged("一覧: 3 件")) << Log();
    EXPECT_FALSE(Logged("失敗")) << Log();
}

TEST_F(FtpSample, ClosingDuringATransferEndsItThenCloses)
{
    bool asked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (asked || !form->Busy() || form->ProgressBar1->Position() == 0) return;
        asked = true;
        WidgetOf(form.get())->close();  // as the window's close button does
        EXPECT_TRUE(WidgetOf(form.get())->isVisible()) << "the window waits for the transfer to end";
    });
    watch.start(0);
    Select("big.bin");
    AnswerFileDialog(local / "closing.bin", QFileDialog::AcceptSave);
    Click(form->DownloadButton);
    watch.stop();
    ASSERT_TRUE(asked);
    EXPECT_EQ(LocalNames(), (std::set<std::string>{"closing.bin"}));
    EXPECT_FALSE(form->Busy());
    EXPECT_FALSE(WidgetOf(form.get())->isVisible());
    EXPECT_TRUE(Logged("ダウンロードに失敗しました")) << Log();
    EXPECT_LT(fs::file_size(local / "closing.bin"), fs::file_size(server / "big.bin"));
}

// Names a user types with blanks or in Japanese: saved exactly where chosen; a file read from a
// Japanese folder is sent up under its own name.
TEST_F(FtpSample, NamesWithBlanksAndJapaneseTravelAsChosen)
{
    for (const std::string name : {"small copy.txt", "日本語のファイル.txt"}) {
        Select("small.txt");
        AnswerFileDialog(local / name, QFileDialog::AcceptSave);
        Click(form->DownloadButton);
        EXPECT_TRUE(fs::exists(local / name)) << name << "\n" << Log();
        EXPECT_EQ(ReadFileBytes(local / name), "hello\n") << name;
    }
    EXPECT_EQ(LocalNames(), (std::set<std::string>{"small copy.txt", "日本語のファイル.txt"}));

    fs::create_directory(local / "送る");
    const std::string upload = local / "送る/up load.bin";
    WriteFileBytes(upload, Pattern(100000));
    AnswerFileDialog(upload, QFileDialog::AcceptOpen);
    Click(form->UploadButton);
    EXPECT_TRUE(ReadFileBytes(server / "up load.bin") == ReadFileBytes(upload)) << Log();
}

TEST_F(FtpSample, CancelledUploadIsCarriedOnByResume)
{
    const std::string upload = local / "up.bin";
    WriteFileBytes(upload, Pattern(16u << 20));
    bool cancelled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!cancelled && form->Busy() && form->ProgressBar1->Position() > 0) {
            cancelled = true;
            QTest::mouseClick(WidgetOf(form->CancelButton), Qt::LeftButton);
        }
    });
    watch.start(0);
    AnswerFileDialog(upload, QFileDialog::AcceptOpen);
    Click(form->UploadButton);
    watch.stop();
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(Logged("アップロードに失敗しました")) << Log();
    ASSERT_TRUE(form->ResumeButton->Enabled());

    log.clear();
    Click(form->ResumeButton);
    EXPECT_TRUE(ReadFileBytes(server / "up.bin") == ReadFileBytes(upload)) << Log();
    EXPECT_FALSE(Logged("失敗")) << Log();
    EXPECT_EQ(form->ProgressBar1->Position(), form->ProgressBar1->Max());
    EXPECT_FALSE(form->ResumeButton->Enabled());
}

// Nothing but zeros from offset to the end of the file (and the file that long).
bool ZerosFrom(const std::string& path, int64_t offset, int64_t size)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(offset);
    std::string rest(static_cast<std::size_t>(size - offset), 'x');
    in.read(rest.data(), static_cast<std::streamsize>(rest.size()));
    return in.gcount() == static_cast<std::streamsize>(rest.size()) && in.peek() == EOF &&
           rest.find_first_not_of('\0') == std::string::npos;
}

// A 4.5 GiB download and upload, each cancelled from the window and carried on by 再開 over its
// last MiB: the bar and the figures past 4 GiB. The files are holes, so they cost no disk; the
// cut copy is stretched with zeros to 1 MiB short of the end, the bytes the source has there.
TEST_F(FtpSample, ResumedPastFourGibibytesShowsTheBarAndFiguresRight)
{
    constexpr int64_t kHuge = 4831838208, kShort = kHuge - (1 << 20);
    const int max = form->ProgressBar1->Max();
    const int atFourGiB = int((int64_t(1) << 32) * max / kHuge);
    const std::string whole = "4608.0 MiB / 4608.0 MiB";
    for (const std::string& hole : {server / "huge.bin", local / "huge-up.bin"}) {
        std::ofstream{hole};
        fs::resize_file(hole, kHuge);
    }
    Click(form->RefreshButton);

    bool resuming = false, cancelled = false;
    std::string target;      // cancelled once it has bytes
    std::vector<int> shown;  // the bar's places while 再開 runs
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form->Busy()) return;
        std::error_code ec;
        if (!resuming && !cancelled && fs::file_size(target, ec) > 0 && !ec) {
            cancelled = true;
            QTest::mouseClick(WidgetOf(form->CancelButton), Qt::LeftButton);
        }
        if (resuming && form->ProgressBar1->Position() > 0) shown.push_back(form->ProgressBar1->Position());
    });
    watch.start(0);
    auto resume = [&](const std::string& cut) {
        SCOPED_TRACE(cut);
        ASSERT_TRUE(cancelled) << Log();
        ASSERT_LT(fs::file_size(cut), uintmax_t(kShort));
        fs::resize_file(cut, kShort);
        ASSERT_TRUE(form->ResumeButton->Enabled());
        resuming = true;
        shown.clear();
        log.clear();
        Click(form->ResumeButton);
        resuming = cancelled = false;
        EXPECT_FALSE(Logged("失敗")) << Log();
        EXPECT_EQ(form->ProgressBar1->Position(), max);
        EXPECT_EQ(form->TransferLabel->Caption().str().substr(0, whole.size()), whole) << form->TransferLabel->Caption().str();
        ASSERT_FALSE(shown.empty());
        EXPECT_GE(*std::ranges::min_element(shown), atFourGiB);
        EXPECT_TRUE(std::ranges::is_sorted(shown)) << "the bar never goes back";
        EXPECT_TRUE(ZerosFrom(cut, kShort - (1 << 20), kHuge));
    };

    target = local / "huge.bin";
    Select("huge.bin");
    AnswerFileDialog(local / "huge.bin", QFileDialog::AcceptSave);
    Click(form->DownloadButton);
    resume(target);

    target = server / "huge-up.bin";
    AnswerFileDialog(local / "huge-up.bin", QFileDialog::AcceptOpen);
    Click(form->UploadButton);
    resume(target);
    watch.stop();
}

TEST_F(FtpSample, UploadRenameMakeDirectoryAndDelete)
{
    std::string upload = local / "up.bin";
    WriteFileBytes(upload, Pattern(3u << 20));
    AnswerFileDialog(upload, QFileDialog::AcceptOpen);
    Click(form->UploadButton);
    EXPECT_TRUE(ReadFileBytes(server / "up.bin") == ReadFileBytes(upload)) << Log();
    EXPECT_EQ(form->ProgressBar1->Position(), form->ProgressBar1->Max());
    EXPECT_EQ(Names(), (std::vector<std::string>{"sub/", "big.bin", "small.txt", "up.bin"}));

    Select("up.bin");
    form->NameEdit->SetText(AnsiString("renamed.bin"));
    Click(form->RenameButton);
    EXPECT_TRUE(fs::exists(server / "renamed.bin")) << Log();
    EXPECT_FALSE(fs::exists(server / "up.bin"));

    form->NameEdit->SetText(AnsiString("made"));
    Click(form->MakeDirButton);
    EXPECT_TRUE(fs::is_directory(server / "made")) << Log();
    EXPECT_EQ(Names(), (std::vector<std::string>{"made/", "sub/", "big.bin", "renamed.bin", "small.txt"}));

    Select("renamed.bin");
    Click(form->DeleteButton);
    EXPECT_FALSE(fs::exists(server / "renamed.bin")) << Log();
    Select("made");
    Click(form->DeleteButton);
    EXPECT_FALSE(fs::exists(server / "made")) << Log();
    EXPECT_EQ(Names(), (std::vector<std::string>{"sub/", "big.bin", "small.txt"}));
}

TEST_F(FtpSample, RefusedRequestIsLoggedAndShownInAMessageBox)
{
    form->NameEdit->SetText(AnsiString("sub"));  // exists already
    std::string shown;
    AnswerNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shown = box->text().toStdString();
        box->accept();
    });
    Click(form->MakeDirButton);
    EXPECT_NE(shown.find("フォルダ作成に失敗しました"), std::string::npos) << shown;
    EXPECT_TRUE(Logged("フォルダ作成に失敗しました")) << Log();
    EXPECT_TRUE(form->Ftp1->Connected());
    EXPECT_TRUE(form->MakeDirButton->Enabled());
}

TEST(FtpSampleConnect, BadPortIsRefusedBeforeAnyConnection)
{
    TFtpSampleForm form(nullptr);
    std::vector<std::string> log;
    form.LogEcho = [&](const std::string& line) { log.push_back(line); };
    form.PortEdit->SetText(AnsiString("70000"));
    form.Show();
    AnswerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); });
    QTest::mouseClick(WidgetOf(form.ConnectButton), Qt::LeftButton);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("70000"), std::string::npos);
    EXPECT_FALSE(form.Ftp1->Connected());
}

}  // namespace
