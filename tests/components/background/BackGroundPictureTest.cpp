// The main window's background picture as committed: its file and its stored form.
#include "BackGroundFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

namespace {

TEST(BackGroundPicture, IsA128By128BlueTextureOf27Colours)
{
    std::ifstream in(std::string(TAVIN3_SOURCE_DIR) + "/app/background.bmp", std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 49206u);

    TPicture picture;
    picture.Bitmap()->LoadFromData(file);
    TBitmap* b = picture.Bitmap();
    ASSERT_EQ(b->Width(), 128);
    ASSERT_EQ(b->Height(), 128);
    EXPECT_EQ(b->PixelFormat(), pf24bit);
    std::set<uint32_t> colours;
    for (int y = 0; y < 128; ++y) {
        const uint8_t* row = b->ScanLine(y);
        for (int x = 0; x < 128; ++x) {
            const uint8_t* p = row + static_cast<std::size_t>(x) * 3;  // B, G, R
            ASSERT_GT(p[0], p[1]);
            ASSERT_GT(p[1], p[2]);
            colours.insert(RGB(p[2], p[1], p[0]));
        }
    }
    EXPECT_EQ(colours.size(), 27u);
    EXPECT_EQ(b->SaveToData(), file);  // written back byte for byte
    EXPECT_EQ(picture.Data().size(), 49218u);
}

}  // namespace
