// Windows bitmap files: writing, reading back, and refusing malformed data safely.
#include "toolkit/graphics/Bitmap.h"
#include "toolkit/graphics/Picture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

namespace {

uint32_t PixelOf(TBitmap& b, int x, int y) { return b.Canvas()->Pixel(x, y); }

// A pattern that differs in every channel and position.
void Paint(TBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.Canvas()->SetPixel(x, y, RGB(uint8_t(x * 7 + y), uint8_t(y * 13), uint8_t(x ^ y) + 40));
}

void Put32(std::string& s, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string SmallFile()
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    Paint(b);
    return b.SaveToData();
}

TEST(BitmapFile, WritesAndReadsBackEverySize)
{
    struct Case {
        int w, h;
        TPixelFormat format;
        int rowBytes;
    };
    for (Case c : {Case{1, 1, pf24bit, 4}, Case{3, 2, pf24bit, 12}, Case{5, 7, pf24bit, 16}, Case{128, 128, pf24bit, 384},
                   Case{3, 2, pf32bit, 12}, Case{17, 4, pfDevice, 68}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        TBitmap b;
        b.SetPixelFormat(c.format);
        b.SetSize(c.w, c.h);
        Paint(b);
        std::string file = b.SaveToData();
        ASSERT_EQ(file.size(), 54u + std::size_t(c.rowBytes) * c.h);
        EXPECT_EQ(file.substr(0, 2), "BM");

        TBitmap back;
        back.LoadFromData(file);
        ASSERT_EQ(back.Width(), c.w);
        ASSERT_EQ(back.Height(), c.h);
        EXPECT_EQ(back.PixelFormat(), c.format == pf24bit ? pf24bit : pf32bit);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) ASSERT_EQ(PixelOf(back, x, y), PixelOf(b, x, y)) << x << "," << y;
        EXPECT_EQ(back.SaveToData(), file);
    }
}

TEST(BitmapFile, ReadsTopDownRowsAndColourTables)
{
    // Bottom-up 3x2 turned into top-down: same pixels.
    std::string bottomUp = SmallFile();
    std::string topDown = bottomUp;
    Put32(topDown, 22, static_cast<uint32_t>(-2));
    std::memcpy(topDown.data() + 54, bottomUp.data() + 54 + 12, 12);
    std::memcpy(topDown.data() + 54 + 12, bottomUp.data() + 54, 12);
    TBitmap a, b;
    a.LoadFromData(bottomUp);
    b.LoadFromData(topDown);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelOf(a, x, y), PixelOf(b, x, y));

    // 8 bits per pixel, two table entries, 5x1 (row padded to 8 bytes); index 9 lies outside
    // the table and reads as black. Then the same row as 1 bit per pixel.
    auto paletted = [](int bits, const std::string& row) {
        std::string f(54 + 8, '\0');
        f[0] = 'B';
        f[1] = 'M';
        Put32(f, 10, 54 + 8);
        Put32(f, 14, 40);
        Put32(f, 18, 5);
        Put32(f, 22, 1);
        f[26] = 1;
        f[28] = static_cast<char>(bits);
        Put32(f, 46, 2);
        Put32(f, 54, 0x0000FF);    // B=FF: blue
        Put32(f, 58, 0x00FF0000);  // R=FF: red
        return f + row;
    };
    TBitmap p8, p1;
    p8.LoadFromData(paletted(8, std::string("\x00\x01\x01\x09\x00\x00\x00\x00", 8)));
    p1.LoadFromData(paletted(1, std::string("\x60\x00\x00\x00", 4)));  // 0 1 1 0 0
    for (TBitmap* b : {&p8, &p1}) {
        ASSERT_EQ(b->Width(), 5);
        EXPECT_EQ(PixelOf(*b, 0, 0), uint32_t(clBlue));
        EXPECT_EQ(PixelOf(*b, 1, 0), uint32_t(clRed));
        EXPECT_EQ(PixelOf(*b, 2, 0), uint32_t(clRed));
        EXPECT_EQ(PixelOf(*b, 4, 0), uint32_t(clBlue));
    }
    EXPECT_EQ(PixelOf(p8, 3, 0), uint32_t(clBlack));
}

TEST(BitmapFile, MalformedDataIsRefusedAndChangesNothing)
{
    const std::string good = SmallFile();
    struct Case {
        const char* name;
        std::function<std::string()> make;
    };
    auto with = [&](std::function<void(std::string&)> f) {
        return [=] {
            std::string s = good;
            f(s);
            return s;
        };
    };
    // clang-format off
    const Case cases[] = {
        {"too short for the headers", [&] { return good.substr(0, 10); }},
        {"no signature", with([](std::string& s) { s[0] = 'X'; })},
        {"information header cut", [&] { return good.substr(0, 30); }},
        {"pixels cut by one byte", [&] { return good.substr(0, good.size() - 1); }},
        {"file size beyond the data", with([](std::string& s) { Put32(s, 2, 1u << 30); })},
        {"unknown header size", with([](std::string& s) { Put32(s, 14, 12); })},
        {"header size past the data", with([](std::string& s) { Put32(s, 14, 124); })},
        {"width 0", with([](std::string& s) { Put32(s, 18, 0); })},
        {"negative width", with([](std::string& s) { Put32(s, 18, static_cast<uint32_t>(-3)); })},
        {"height 0", with([](std::string& s) { Put32(s, 22, 0); })},
        {"huge width", with([](std::string& s) { Put32(s, 18, 0x7FFFFFFF); })},
        {"huge height", with([](std::string& s) { Put32(s, 22, 0x40000000); })},
        {"most negative height", with([](std::string& s) { Put32(s, 22, 0x80000000u); })},
        {"many pixels claimed", with([](std::string& s) { Put32(s, 18, 30000); Put32(s, 22, 30000); })},
        {"two planes", with([](std::string& s) { s[26] = 2; })},
        {"16 bits per pixel", with([](std::string& s) { s[28] = 16; })},
        {"run-length compression", with([](std::string& s) { Put32(s, 30, 1); })},
        {"pixel offset inside the headers", with([](std::string& s) { Put32(s, 10, 20); })},
        {"pixel offset past the data", with([](std::string& s) { Put32(s, 10, 0xFFFFFFF0u); })},
        {"colour table too large", with([](std::string& s) { s[28] = 8; Put32(s, 46, 300); })},
        {"colour table past the data", with([](std::string& s) { s[28] = 8; Put32(s, 46, 200); })},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap b;
        b.SetSize(2, 2);
        b.Canvas()->SetPixel(1, 1, clRed);
        try {
            b.LoadFromData(c.make());
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Invalid bitmap: ", 0), 0u) << e.what();
        }
        EXPECT_EQ(b.Width(), 2);
        EXPECT_EQ(PixelOf(b, 1, 1), uint32_t(clRed));
    }
}

TEST(Picture, StoredFormCarriesClassNameLengthAndFile)
{
    std::string file = SmallFile();
    TBitmap source;
    source.LoadFromData(file);
    TPicture p;
    p.SetGraphic(&source);
    source.SetSize(1, 1);  // the picture holds its own copy
    EXPECT_EQ(p.Width(), 3);
    std::string data = p.Data();
    ASSERT_EQ(data.size(), 1 + 7 + 4 + file.size());
    EXPECT_EQ(data.substr(0, 8), std::string("\x07TBitmap"));
    EXPECT_EQ(data.substr(12), file);
    EXPECT_EQ(static_cast<unsigned char>(data[8]), file.size());

    TPicture q;
    q.SetData(data);
    ASSERT_NE(dynamic_cast<TBitmap*>(q.Graphic()), nullptr);
    EXPECT_EQ(q.Data(), data);
    q.Assign(nullptr);
    EXPECT_EQ(q.Graphic(), nullptr);
    EXPECT_EQ(q.Data(), "");
    EXPECT_TRUE(q.Bitmap()->Empty());  // a bitmap is made on demand

    const std::string bad[] = {
        std::string("\x07TBitm", 6),                         // header cut
        std::string("\x05TIcon\x00\x00\x00\x00", 10),        // not a known class
        data.substr(0, data.size() - 5),                     // fewer bytes than announced
        data + "xx",                                         // more bytes than announced
        data.substr(0, 12) + std::string(file.size(), 'B'),  // not a bitmap file
    };
    for (const std::string& d : bad) {
        EXPECT_THROW(p.SetData(d), EInvalidGraphic);
        EXPECT_EQ(p.Data(), data);
    }
}

}  // namespace
