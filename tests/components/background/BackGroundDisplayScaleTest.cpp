// The painter at the screen's device pixel ratio (the run sets it with QT_SCALE_FACTOR): the
// picture tiles at its logical size from the top left, and the gradient's bands are whole
// logical pixels, each the colour it has at ratio 1.
#include "BackGroundFixture.h"
#include "tests/fixtures/DevicePixels.h"

#include <gtest/gtest.h>

namespace {

TEST(BackGroundDisplayScale, PictureTilesFromTheTopLeftAtItsLogicalSize)
{
    auto form = MakeForm(100, 61);
    auto* painter = new TpkxBackGround(form.get());
    painter->BkPicture()->SetGraphic(CoordinateBitmap(37, 23).get());
    ShowAndSettle(*form);
    const DeviceGrid grid = GridOf(form.get());
    EXPECT_DOUBLE_EQ(grid.ratio, RequestedRatio());
    const QImage img = GrabWindow(form.get());
    int notWhole = 0, misplaced = 0;
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 100; ++x) {
            const QRect block = grid.Of(x, y);
            notWhole += !Uniform(img, block);
            misplaced += DevicePixelRef(img, block.topLeft()) != RGB(uint8_t(x % 37), uint8_t(y % 23), 0x80);
        }
    EXPECT_EQ(notWhole, 0);
    EXPECT_EQ(misplaced, 0);
}

TEST(BackGroundDisplayScale, GradientBandsAreWholeLogicalPixels)
{
    auto form = MakeForm(152, 213);
    // Fixed, so that a tiling compositor floats it at this size: the bands span the form's height.
    form->SetBorderStyle(bsSingle);
    new TpkxBackGround(form.get());
    ShowAndSettle(*form);
    const DeviceGrid grid = GridOf(form.get());
    const QImage img = GrabWindow(form.get());
    int notWhole = 0;
    for (int y = 0; y < 213; ++y) {
        notWhole += !Uniform(img, grid.Of(0, y, 152, 1));
        if (y > 0) {
            EXPECT_LE(DevicePixelRef(img, grid.Of(0, y).topLeft()), DevicePixelRef(img, grid.Of(0, y - 1).topLeft())) << y;
        }
    }
    EXPECT_EQ(notWhole, 0);
    for (auto [y, blue] : {std::pair{0, 255}, {1, 253}, {2, 252}, {106, 128}, {107, 126}, {212, 1}})
        EXPECT_EQ(DevicePixelRef(img, grid.Of(151, y).topLeft()), RGB(0, 0, uint8_t(blue))) << y;
}

}  // namespace
