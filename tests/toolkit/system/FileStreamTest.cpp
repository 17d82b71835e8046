// TFileStream: modes, errors naming the file, and the share modes as advisory locks.
#include "tests/fixtures/Raised.h"
#include "tests/fixtures/TempDir.h"
#include "toolkit/system/FileStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.empty()); }
    AnsiString PathOf(const std::string& name) const { return AnsiString::FromUtf8(dir + "/" + name); }

    TempDir temp{"fs"};
    const std::string& dir = temp.Path();
};

TEST_F(FileStreamTest, CreateTruncatesAndReadsBack)
{
    const AnsiString path = PathOf("ファイル.bin");  // a CP932 name becomes a UTF-8 file name
    {
        TFileStream out(path, fmCreate);
        EXPECT_EQ(out.Write("hello world", 11), 11);
    }
    EXPECT_TRUE(std::filesystem::exists(dir + "/ファイル.bin"));
    EXPECT_TRUE(FileExists(path));
    {
        TFileStream out(path, fmCreate);
        EXPECT_EQ(out.Size(), 0);
        out.Write("abc", 3);
    }
    TFileStream in(path, fmOpenRead | fmShareDenyWrite);
    char buffer[16] = {};
    EXPECT_EQ(in.Size(), 3);
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer), "abc");
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 0);
}

TEST_F(FileStreamTest, SetSizeCutsWithoutMovingThePosition)
{
    TFileStream f(PathOf("a"), fmCreate);
    f.Write("0123456789", 10);
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
    f.SetPosition(0);
    char buffer[8] = {};
    EXPECT_EQ(f.Read(buffer, 8), 4);
}

TEST_F(FileStreamTest, AFullDiskIsReportedAndLatched)
{
    TFileStream full(AnsiString("/dev/full"), fmOpenWrite | fmShareDenyNone);
    EXPECT_EQ(full.Write("small", 5), 5);  // gathered: the failure shows when it is written out
    EXPECT_FALSE(full.FlushBuffer());
    EXPECT_EQ(full.Write("more", 4), 0);
    TFileStream again(AnsiString("/dev/full"), fmOpenWrite | fmShareDenyNone);
    std::string big(100000, 'b');
    EXPECT_EQ(again.Write(big.data(), static_cast<int>(big.size())), 0);
}

TEST_F(FileStreamTest, GatheredWritesReachTheFileInOrder)
{
    const AnsiString path = PathOf("gathered");
    std::string expected;
    {
        TFileStream out(path, fmCreate);
        for (int i = 0; i < 300; ++i) {
            std::string piece(static_cast<std::size_t>(1 + i * 7 % 1500), static_cast<char>('a' + i % 26));
            expected += piece;
            ASSERT_EQ(out.Write(piece.data(), static_cast<int>(piece.size())), static_cast<int>(piece.size()));
        }
        EXPECT_EQ(out.Size(), static_cast<int64_t>(expected.size()));
    }
    TFileStream in(path, fmOpenRead);
    std::string back(expected.size() + 10, '\0');
    back.resize(static_cast<std::size_t>(in.Read(back.data(), static_cast<int>(back.size()))));
    EXPECT_TRUE(back == expected);
}

TEST_F(FileStreamTest, FailuresNameTheFile)
{
    const std::string opening = Raised<EFOpenError>([&] { TFileStream f(PathOf("missing"), fmOpenRead); }).str();
    EXPECT_NE(opening.find(dir + "/missing"), std::string::npos) << opening;
    const std::string creating = Raised<EFCreateError>([&] { TFileStream f(PathOf("no-dir/new"), fmCreate); }).str();
    EXPECT_NE(creating.find("no-dir/new"), std::string::npos) << creating;
    EXPECT_THROW(TFileStream(AnsiString(dir.c_str()), fmOpenRead), EFOpenError);  // a directory
    EXPECT_THROW(TFileStream(AnsiString(dir.c_str()), fmCreate), EFCreateError);
    EXPECT_FALSE(FileExists(AnsiString(dir.c_str())));
}

TEST_F(FileStreamTest, DenyWriteKeepsWritersOutButLetsReadersIn)
{
    const AnsiString path = PathOf("shared");
    {
        TFileStream(path, fmCreate).Write("data", 4);
    }
    {
        TFileStream reader(path, fmOpenRead | fmShareDenyWrite);
        EXPECT_NO_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite));
        EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
        EXPECT_THROW(TFileStream(path, fmOpenWrite | fmShareExclusive), EFOpenError);
        char buffer[4];
        EXPECT_EQ(reader.Read(buffer, 4), 4);  // the refused creator did not truncate it
    }
    TFileStream writer(path, fmCreate);
    EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite), EFOpenError);
}

}  // namespace
