// Drawing a graphic on a canvas: the whole graphic at (x, y), clipped to the context.
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/graphics/Bitmap.h"

#include <gtest/gtest.h>

namespace {

TBitmap* Solid(int w, int h, TColor c)
{
    auto* b = new TBitmap;
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

TEST(CanvasDraw, DrawsTheWholeGraphicClippedToTheTarget)
{
    std::unique_ptr<TBitmap> target(Solid(8, 8, clWhite));
    std::unique_ptr<TBitmap> tile(Solid(4, 4, clRed));
    tile->Canvas()->SetPixel(3, 3, clBlue);
    target->Canvas()->Draw(-2, -2, tile.get());
    target->Canvas()->Draw(6, 6, tile.get());
    TCanvas* c = target->Canvas();
    EXPECT_EQ(c->Pixel(0, 0), uint32_t(clRed));
    EXPECT_EQ(c->Pixel(1, 1), uint32_t(clBlue));  // the tile's (3,3)
    EXPECT_EQ(c->Pixel(2, 2), uint32_t(clWhite));
    EXPECT_EQ(c->Pixel(6, 6), uint32_t(clRed));
    EXPECT_EQ(c->Pixel(7, 7), uint32_t(clRed));
    EXPECT_EQ(c->Pixel(5, 5), uint32_t(clWhite));
    TBitmap empty;
    target->Canvas()->Draw(0, 0, &empty);
    target->Canvas()->Draw(0, 0, nullptr);
    EXPECT_EQ(c->Pixel(0, 0), uint32_t(clRed));
}

// A graphic control's context is clipped to the control: a large graphic drawn beyond it
// leaves the rest of the form alone.
struct Stamp : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    TGraphic* graphic = nullptr;
    void Paint() override { Canvas()->Draw(-5, -5, graphic); }
};

TEST(CanvasDraw, StaysInsideAClippedContext)
{
    TForm form(nullptr);
    form.SetClientWidth(60);
    form.SetClientHeight(40);
    form.SetColor(clWhite);
    std::unique_ptr<TBitmap> big(Solid(100, 100, clRed));
    auto* s = new Stamp(&form);
    s->graphic = big.get();
    s->SetBounds(10, 10, 20, 10);
    s->SetParent(&form);
    form.Show();
    QImage img = GrabWindow(&form);
    EXPECT_EQ(PixelRef(img, 10, 10), uint32_t(clRed));
    EXPECT_EQ(PixelRef(img, 29, 19), uint32_t(clRed));
    EXPECT_EQ(PixelRef(img, 9, 10), uint32_t(clWhite));
    EXPECT_EQ(PixelRef(img, 30, 19), uint32_t(clWhite));
    EXPECT_EQ(PixelRef(img, 29, 20), uint32_t(clWhite));
}

}  // namespace
