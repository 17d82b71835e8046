// The vertical label at the screen's device pixel ratio (the run sets it with QT_SCALE_FACTOR):
// a vertical face's ideographs stand upright in their cells, drawn at device resolution.
#include "tests/components/verticallabel/TateFixture.h"
#include "tests/fixtures/DevicePixels.h"

#include <QTransform>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kEm = 16;

// The ink of a device area as a mask cut to its box.
QImage DeviceInkMask(const QImage& img, const QRect& area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (DevicePixelRef(img, {x, y}) != kWhite) box |= QRect(x, y, 1, 1);
    if (box.isEmpty()) return {};
    QImage mask(box.size(), QImage::Format_Mono);
    mask.fill(0);
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            if (DevicePixelRef(img, box.topLeft() + QPoint(x, y)) != kWhite) mask.setPixel(x, y, 1);
    return mask;
}

// Share of the pixels two masks agree on, over the larger one; 0 when they differ in size by
// more than a device pixel.
double Agreement(const QImage& a, const QImage& b)
{
    if (a.isNull() || b.isNull() || std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1) return 0;
    const int w = std::max(a.width(), b.width()), h = std::max(a.height(), b.height());
    auto at = [](const QImage& m, int x, int y) { return x < m.width() && y < m.height() && m.pixelIndex(x, y); };
    int same = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) same += at(a, x, y) == at(b, x, y);
    return double(same) / (w * h);
}

class TateDisplayScale : public TateForm {
protected:
    TTateLabel* Label(const AnsiString& caption, const AnsiString& face, int left, bool vertical)
    {
        TTateLabel* l = AddLabel(caption);
        l->SetLeft(left);
        l->SetTop(10);
        l->SetColor(clWhite);
        l->Font()->SetName(face);
        l->Font()->SetHeight(-kEm);
        l->SetTategaki(vertical);
        return l;
    }
};

TEST_F(TateDisplayScale, IdeographsStandUprightAtDeviceResolution)
{
    TTateLabel* column = Label("縦書き"_ansi, "@ＭＳ ゴシック"_ansi, 10, true);
    TTateLabel* row = Label("縦"_ansi, "ＭＳ ゴシック"_ansi, 120, false);
    const QImage img = Grab();
    const DeviceGrid grid = GridOf(&form);
    EXPECT_DOUBLE_EQ(grid.ratio, RequestedRatio());
    const QImage upright = DeviceInkMask(img, grid.Of(row->BoundsRect()));
    const QImage turned = upright.transformed(QTransform().rotate(90));
    const TRect firstCell = Rect(column->Left(), column->Top(), column->Left() + column->Width(), column->Top() + kEm);
    const QImage got = DeviceInkMask(img, grid.Of(firstCell));
    ASSERT_FALSE(got.isNull());
    EXPECT_GE(Agreement(got, upright), 0.97);
    EXPECT_GT(Agreement(got, upright), Agreement(got, turned));
    if (grid.ratio > 1) { EXPECT_GT(MixedBlocks(img, grid, firstCell), 20) << "the cell is stretched"; }
}

}  // namespace
