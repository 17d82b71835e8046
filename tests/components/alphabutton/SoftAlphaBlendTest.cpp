// SoftAlphaBlend's arithmetic, its edges, and its agreement with the system's AlphaBlend.
#include "tests/components/alphabutton/BlendFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

BLENDFUNCTION Constant(BYTE a) { return BLENDFUNCTION{AC_SRC_OVER, 0, a, 0}; }

COLORREF Grey(int v) { return static_cast<COLORREF>(v * 0x010101); }

struct ByteCase {
    BYTE alpha;
    int source, destination, expected;
};

TEST(SoftAlphaBlend, BlendsEveryByteWithTruncatedQuotient)
{
    // clang-format off
    const ByteCase cases[] = {
        {150, 255, 0, 150},   // 150 * 255 / 255
        {150, 0, 255, 105},   // 105 * 255 / 255
        {150, 1, 0, 0},       // 150 / 255, truncated
        {150, 0, 1, 0},       // 105 / 255, truncated
        {150, 200, 200, 200}, // equal bytes stay as they are
        {0, 200, 17, 17},     // only the destination shows
        {255, 200, 17, 200},  // only the source shows
        {1, 255, 0, 1},
        {254, 0, 255, 1},
    };
    // clang-format on
    for (const ByteCase& c : cases) {
        TMemoryImage dst(3, 2, [&](int, int) { return Grey(c.destination); });
        TMemoryImage src(3, 2, [&](int, int) { return Grey(c.source); });
        EXPECT_NE(SoftAlphaBlend(dst.DC, 0, 0, 3, 2, src.DC, 0, 0, 3, 2, Constant(c.alpha)), FALSE);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(dst.Pixel(x, y), Grey(c.expected))
                    << "alpha " << int(c.alpha) << ", " << c.source << " over " << c.destination;
    }
}

TEST(SoftAlphaBlend, ChannelsAreBlendedSeparately)
{
    TMemoryImage dst(1, 1, [](int, int) { return COLORREF(0x0080FF); });  // R FF, G 80, B 00
    TMemoryImage src(1, 1, [](int, int) { return COLORREF(0xFF8000); });  // R 00, G 80, B FF
    SoftAlphaBlend(dst.DC, 0, 0, 1, 1, src.DC, 0, 0, 1, 1, Constant(150));
    EXPECT_EQ(dst.Pixel(0, 0), 0x968069u);  // B 150, G 128, R 105
}

TEST(SoftAlphaBlend, ReturnsAllBitsSetOnSuccess)
{
    TMemoryImage dst(2, 2), src(2, 2);
    EXPECT_EQ(SoftAlphaBlend(dst.DC, 0, 0, 2, 2, src.DC, 0, 0, 2, 2, Constant(9)), BOOL(~0));
}

TEST(SoftAlphaBlend, EmptyAreasProcessNoRows)
{
    int before = GdiLiveObjectCount();
    {
        TMemoryImage dst(4, 3, [](int x, int y) { return COLORREF(0x102030 + x + 16 * y); });
        TMemoryImage src(4, 3, [](int, int) { return COLORREF(0xFFFFFF); });
        // Zero height or width: success, and the destination is as it was.
        EXPECT_NE(SoftAlphaBlend(dst.DC, 0, 0, 4, 0, src.DC, 0, 0, 4, 0, Constant(150)), FALSE);
        EXPECT_NE(SoftAlphaBlend(dst.DC, 0, 0, 0, 3, src.DC, 0, 0, 0, 3, Constant(150)), FALSE);
        // Negative sizes and contexts that cannot be read are failures that change nothing.
        EXPECT_EQ(SoftAlphaBlend(dst.DC, 0, 0, -4, 3, src.DC, 0, 0, -4, 3, Constant(150)), FALSE);
        EXPECT_EQ(SoftAlphaBlend(dst.DC, 0, 0, 4, 3, nullptr, 0, 0, 4, 3, Constant(150)), FALSE);
        HDC screen = GetDC(nullptr);  // has no pixels to read
        EXPECT_EQ(SoftAlphaBlend(dst.DC, 0, 0, 4, 3, screen, 0, 0, 4, 3, Constant(150)), FALSE);
        ReleaseDC(nullptr, screen);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.Pixel(x, y), COLORREF(0x102030 + x + 16 * y));
    }
    EXPECT_EQ(GdiLiveObjectCount(), before);  // the work rows are freed
}

TEST(SoftAlphaBlend, AgreesWithTheSystemRoutineWithinOnePerChannel)
{
    auto system = reinterpret_cast<TAlphaBlendFunc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("msimg32.dll"), "AlphaBlend")));
    ASSERT_NE(system, nullptr);
    std::mt19937 random(20240611);
    auto noise = [&](int, int) { return static_cast<COLORREF>(random() & 0xFFFFFF); };
    const int w = 37, h = 23;
    TMemoryImage src(w, h, noise);
    TMemoryImage background(w, h, noise);
    for (BYTE a : {0, 1, 77, 128, 150, 200, 254, 255}) {
        TMemoryImage bySystem(w, h), bySoftware(w, h);
        BitBlt(bySystem.DC, 0, 0, w, h, background.DC, 0, 0, SRCCOPY);
        BitBlt(bySoftware.DC, 0, 0, w, h, background.DC, 0, 0, SRCCOPY);
        EXPECT_NE(system(bySystem.DC, 0, 0, w, h, src.DC, 0, 0, w, h, Constant(a)), FALSE);
        EXPECT_NE(SoftAlphaBlend(bySoftware.DC, 0, 0, w, h, src.DC, 0, 0, w, h, Constant(a)), FALSE);
        int worst = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(bySoftware.Pixel(x, y), Blended(src.Pixel(x, y), background.Pixel(x, y), a));
                for (int i = 0; i < 3; ++i)
                    worst = std::max(worst, std::abs(Channel(bySystem.Pixel(x, y), i) - Channel(bySoftware.Pixel(x, y), i)));
            }
        EXPECT_LE(worst, 1) << "alpha " << int(a);
    }
}

}  // namespace
