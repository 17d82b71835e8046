// The translucent button at the screen's device pixel ratio (the run sets it with
// QT_SCALE_FACTOR): the system blend is exact for every device pixel, so the caption stays as
// sharp as the plain button's; the software blend, defined per logical pixel, is exact per
// logical pixel.
#include "tests/components/alphabutton/BlendFixtures.h"
#include "tests/components/alphabutton/ButtonBackdrop.h"
#include "tests/fixtures/DevicePixels.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Forms.h"

#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Bounds in multiples of four: the button's blocks, placed from its corner, are the window's at
// every ratio in quarters.
const TRect kButton = Rect(32, 16, 96, 40);

template <class Button>
struct TScaledBackdrop : TButtonBackdrop<Button> {
    TScaledBackdrop() : TButtonBackdrop<Button>(kButton, -14) {}
};

QImage PlainFace()
{
    TScaledBackdrop<TSpeedButton> plain;
    return GrabWindow(&plain.form);
}

TEST(AlphaSpeedButtonDisplayScale, SystemBlendIsExactForEveryDevicePixel)
{
    const QImage face = PlainFace();
    TUnitReinitialised unit(TUnitReinitialised::hideNothing);
    TScaledBackdrop<TAlphaSpeedButton> b;
    const DeviceGrid grid = GridOf(&b.form);
    EXPECT_DOUBLE_EQ(grid.ratio, RequestedRatio());
    for (int a : {0, 150, 255}) {
        b.button->SetAlpha(static_cast<uint8_t>(a));
        const QImage img = GrabWindow(&b.form);
        ASSERT_EQ(img.size(), face.size());
        int worst = 0, outsideWrong = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x) {
                const QRect block = grid.Of(x, y);
                const bool inside = x >= kButton.left && x < kButton.right && y >= kButton.top && y < kButton.bottom;
                for (int dy = block.top(); dy <= block.bottom(); ++dy)
                    for (int dx = block.left(); dx <= block.right(); ++dx) {
                        const COLORREF got = DevicePixelRef(img, {dx, dy});
                        if (!inside) {
                            outsideWrong += got != BackgroundAt(x, y);
                            continue;
                        }
                        const COLORREF want = Blended(DevicePixelRef(face, {dx, dy}), BackgroundAt(x, y), a);
                        for (int i = 0; i < 3; ++i) worst = std::max(worst, std::abs(Channel(got, i) - Channel(want, i)));
                    }
            }
        EXPECT_EQ(outsideWrong, 0) << "alpha " << a;
        // The system routine rounds where the software arithmetic truncates.
        EXPECT_LE(worst, a == 0 || a == 255 ? 0 : 1) << "alpha " << a;
        if (grid.ratio > 1 && a > 0) { EXPECT_GT(MixedBlocks(img, grid, kButton), 20) << "alpha " << a; }
    }
}

TEST(AlphaSpeedButtonDisplayScale, SoftwareBlendIsExactPerLogicalPixel)
{
    const QImage face = PlainFace();
    TUnitReinitialised unit(TUnitReinitialised::hideExport);
    TScaledBackdrop<TAlphaSpeedButton> b;
    const DeviceGrid grid = GridOf(&b.form);
    const int a = 150;
    b.button->SetAlpha(static_cast<uint8_t>(a));
    const QImage img = GrabWindow(&b.form);
    int notWhole = 0, notABlend = 0;
    for (int y = kButton.top; y < kButton.bottom; ++y)
        for (int x = kButton.left; x < kButton.right; ++x) {
            // One blend of the face's and the background's colour for the whole block, the face
            // read somewhere in it.
            const QRect block = grid.Of(x, y);
            notWhole += !Uniform(img, block);
            const COLORREF got = DevicePixelRef(img, block.topLeft());
            bool found = false;
            for (int dy = block.top(); dy <= block.bottom() && !found; ++dy)
                for (int dx = block.left(); dx <= block.right() && !found; ++dx)
                    found = got == Blended(DevicePixelRef(face, {dx, dy}), BackgroundAt(x, y), a);
            notABlend += !found;
        }
    EXPECT_EQ(notWhole, 0);
    EXPECT_EQ(notABlend, 0);
}

}  // namespace
