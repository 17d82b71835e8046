// Painting at the screen's device pixel ratio (the run sets it with QT_SCALE_FACTOR): the
// window's image holds device pixels, text is drawn at that resolution, and what is defined per
// logical pixel fills whole blocks of device pixels.
#include "tests/fixtures/DevicePixels.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Buttons.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/StdCtrls.h"

#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0x0000FF, kBlue = 0xFF0000;

// Fills far past its own rectangle; the context keeps it inside.
struct Overpainter : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(Rect(-10, -10, 1000, 1000));
        Canvas()->FillRect(Rect(INT_MIN + 1, INT_MIN + 1, INT_MAX, INT_MAX));  // to the ends of the plane
    }
};

void ShowAndExpose(TForm& form)
{
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOf(&form)));
}

TEST(DisplayScale, TheWindowImageHoldsTheScreensDevicePixels)
{
    TForm form(nullptr);
    form.SetClientWidth(101);
    form.SetClientHeight(51);
    // Fixed, so that a tiling compositor floats it at this size instead of stretching it.
    form.SetBorderStyle(bsSingle);
    ShowAndExpose(form);
    const DeviceGrid grid = GridOf(&form);
    EXPECT_DOUBLE_EQ(grid.ratio, RequestedRatio());
    const QImage img = GrabWindow(&form);
    EXPECT_EQ(img.size(), grid.Of(0, 0, 101, 51).size());
}

// One-pixel stripes at every position, single pixels, and a control at odd logical bounds that
// paints past its edges: each logical pixel is one whole block, none gaps or spills over.
TEST(DisplayScale, LogicalPixelsAreWholeBlocksWithoutGapsOrSpills)
{
    TForm form(nullptr);
    form.SetClientWidth(40);
    form.SetClientHeight(30);
    form.SetColor(clWhite);
    std::vector<uint32_t> readBack;
    form.OnPaint = TNotifyEvent(
        [&](TObject*) {
            TCanvas* c = form.Canvas();
            for (int x = 0; x < 21; ++x) {
                c->Brush()->SetColor(x % 2 ? clBlue : clRed);
                c->FillRect(Rect(x, 0, x + 1, 10));
            }
            for (int x = 0; x < 21; ++x) c->SetPixel(x, 12, x % 3 ? clBlue : clRed);
            readBack.clear();
            for (int x = 0; x < 21; ++x) readBack.push_back(static_cast<uint32_t>(c->Pixel(x, 12)));
        },
        nullptr, "");
    auto* over = new Overpainter(&form);
    over->SetBounds(25, 13, 7, 5);
    over->SetParent(&form);
    ShowAndExpose(form);
    const DeviceGrid grid = GridOf(&form);
    const QImage img = GrabWindow(&form);
    ASSERT_EQ(readBack.size(), 21u);
    for (int x = 0; x < 21; ++x) {
        SCOPED_TRACE(x);
        for (int y : {0, 9}) {
            EXPECT_TRUE(Uniform(img, grid.Of(x, y)));
            EXPECT_EQ(DevicePixelRef(img, grid.Of(x, y).topLeft()), x % 2 ? kBlue : kRed);
        }
        EXPECT_EQ(DevicePixelRef(img, grid.Of(x, 10).topLeft()), kWhite);
        EXPECT_TRUE(Uniform(img, grid.Of(x, 12)));
        EXPECT_EQ(DevicePixelRef(img, grid.Of(x, 12).topLeft()), x % 3 ? kBlue : kRed);
        EXPECT_EQ(readBack[static_cast<std::size_t>(x)], x % 3 ? kBlue : kRed);
    }
    EXPECT_EQ(DevicePixelRef(img, grid.Of(21, 0).topLeft()), kWhite);
    // The control's first device row and column are its own; nothing beyond its logical edges.
    const QRect inside = grid.Of(25, 13, 7, 5);
    EXPECT_EQ(DevicePixelRef(img, inside.topLeft()), kRed);
    EXPECT_TRUE(Uniform(img, inside.adjusted(0, 0, -1, -1)));
    for (QRect outside : {grid.Of(24, 13), grid.Of(32, 13), grid.Of(25, 12), grid.Of(25, 18)}) {
        EXPECT_TRUE(Uniform(img, outside));
        EXPECT_EQ(DevicePixelRef(img, outside.topLeft()), kWhite);
    }
}

// Captions the toolkit draws itself have edges finer than a logical pixel, as the text Qt draws
// in its own widgets has; stretched from a logical image, every block would be one colour.
TEST(DisplayScale, CaptionsHaveEdgesAtDeviceResolution)
{
    TForm form(nullptr);
    form.SetClientWidth(160);
    form.SetClientHeight(70);
    form.SetColor(clWhite);
    auto* label = new TLabel(&form);
    label->SetBounds(8, 8, 100, 20);
    label->Font()->SetHeight(-16);
    label->SetCaption("赤緑青 Wg"_ansi);
    label->SetParent(&form);
    auto* button = new TSpeedButton(&form);
    button->SetBounds(8, 34, 90, 28);
    button->Font()->SetHeight(-16);
    button->SetCaption("色を開く"_ansi);
    button->SetParent(&form);
    ShowAndExpose(form);
    const DeviceGrid grid = GridOf(&form);
    if (grid.ratio == 1) GTEST_SKIP() << "at ratio 1 a logical pixel is a device pixel";
    const QImage img = GrabWindow(&form);
    const int labelMixed = MixedBlocks(img, grid, label->BoundsRect());
    const int buttonMixed = MixedBlocks(img, grid, button->BoundsRect());
    EXPECT_GT(labelMixed, 40) << "the label's text is stretched";
    EXPECT_GT(buttonMixed, 40) << "the button's caption is stretched";
}

}  // namespace
