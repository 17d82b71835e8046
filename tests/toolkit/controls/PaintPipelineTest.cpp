// The paint path: a form paints into its backing image, then its graphic controls in order,
// each through a device context clipped to its own rectangle.
#include "tests/fixtures/Grab.h"
#include "tests/fixtures/NotifyCount.h"
#include "toolkit/controls/Buttons.h"
#include "toolkit/controls/ExtCtrls.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/StdCtrls.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct PaintCounter : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    int paints = 0;
    HDC lastDC = nullptr;
    void Paint() override
    {
        ++paints;
        lastDC = Canvas()->Handle();
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(Rect(-10, -10, 1000, 1000));  // clipped to the control
    }
};

TEST(PaintPipeline, GraphicControlsPaintClippedInOrder)
{
    TForm form(nullptr);
    form.SetClientWidth(100);
    form.SetClientHeight(80);
    form.SetColor(clWhite);
    auto* a = new PaintCounter(&form);
    a->SetBounds(10, 10, 20, 20);
    a->SetParent(&form);
    auto* shape = new TShape(&form);
    shape->SetBounds(20, 20, 30, 30);
    shape->Brush()->SetColor(clBlue);
    shape->SetParent(&form);
    form.Show();
    QImage img = GrabWindow(&form);
    EXPECT_EQ(a->paints >= 1, true);
    EXPECT_EQ(PixelRef(img, 0, 0), 0xFFFFFFu);    // form colour
    EXPECT_EQ(PixelRef(img, 9, 9), 0xFFFFFFu);    // outside the control: untouched
    EXPECT_EQ(PixelRef(img, 10, 10), 0x0000FFu);  // red control
    EXPECT_EQ(PixelRef(img, 25, 25), 0xFF0000u);  // blue shape lies above
    EXPECT_EQ(PixelRef(img, 20, 20), 0x000000u);  // shape's black pen
    EXPECT_EQ(PixelRef(img, 49, 49), 0x000000u);
    EXPECT_EQ(PixelRef(img, 50, 50), 0xFFFFFFu);
}

TEST(PaintPipeline, PaintMessageWithoutContextPaintsNothing)
{
    TForm form(nullptr);
    auto* a = new PaintCounter(&form);
    a->SetParent(&form);
    a->Perform(WM_PAINT, 0, 0);
    EXPECT_EQ(a->paints, 0);
}

TEST(PaintPipeline, SpeedButtonClicksOnReleaseInside)
{
    TForm form(nullptr);
    form.SetClientWidth(100);
    form.SetClientHeight(80);
    auto* b = new TSpeedButton(&form);
    b->SetBounds(10, 10, 40, 20);
    b->SetParent(&form);
    NotifyCount clicks;
    b->OnClick = clicks.Event();
    form.Show();
    QWidget* w = WidgetOf(&form);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(clicks.count, 1);
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(b->State(), bsDown);
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(90, 70));
    EXPECT_EQ(clicks.count, 1);
    EXPECT_EQ(b->State(), bsUp);
}

TEST(PaintPipeline, LabelAndPanelTextIsDrawn)
{
    TForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    form.SetColor(clWhite);
    auto* l = new TLabel(&form);
    l->SetParent(&form);
    l->SetBounds(5, 5, 12, 12);
    l->SetCaption("赤"_ansi);
    auto* p = new TPanel(&form);
    p->SetParent(&form);
    p->SetBounds(5, 40, 140, 19);
    p->SetCaption(AnsiString("panel"));
    form.Show();
    QImage img = GrabWindow(&form);
    img.save(QString(TAVIN3_BINARY_DIR) + "/paint_pipeline.png");
    int dark = 0;
    for (int y = 5; y < 5 + l->Height(); ++y)
        for (int x = 5; x < 5 + l->Width(); ++x) dark += PixelRef(img, x, y) != 0xFFFFFFu;
    EXPECT_GT(dark, 10);
    EXPECT_EQ(l->Width(), 12);
}

}  // namespace
